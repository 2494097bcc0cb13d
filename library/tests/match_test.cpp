#include "match.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <random>

#include "synthetic_sets.h"
#include "template.h"

namespace mx {
namespace {

using synthetic::Distortion;
using synthetic::Finger;
using synthetic::Impression;

int Match(const MinutiaSet& a, const MinutiaSet& b, MatchResult* out = nullptr) {
    auto result = std::make_unique<MatchResult>();
    const int score = MatchSets(a, b, MatchParams{}, *result);
    EXPECT_EQ(score, result->Score);
    if (out) *out = *result;
    return score;
}

TEST(MatchTables, RulesAndSpotValues) {
    EXPECT_EQ(CosineTable(91), -17);
    EXPECT_EQ(CosineTable(0), 1024);
    EXPECT_EQ(SineTable(90), 1024);
    EXPECT_EQ(CosineTable(90), 0);
    EXPECT_EQ(SineTable(180), 0);
    EXPECT_EQ(SineTable(270), -1023);  // -1024 + 0.5 truncated toward zero
    EXPECT_EQ(CosineTable(180), -1023);
    EXPECT_EQ(ArctangentTable(0), 0);
    EXPECT_EQ(ArctangentTable(1024), 45);
    for (int k = 0; k <= 1024; ++k) {
        const double exact = std::atan(k / 1024.0) * 180.0 / std::acos(-1.0);
        ASSERT_LE(std::abs(ArctangentTable(k) - exact), 0.5) << k;
    }
    for (int t = 0; t < 360; ++t) {
        const double c = 1024.0 * std::cos(t * std::acos(-1.0) / 180.0) + 0.5;
        ASSERT_EQ(CosineTable(t), static_cast<int>(std::trunc(c))) << t;
    }
}

TEST(MatchTables, IsqrtIsTheLargestRootUpTo1023) {
    for (int x = 0; x <= 1100000; x += (x < 5000 ? 1 : 97)) {
        const int k = isqrt(x);
        ASSERT_LE(k * k, x) << x;
        if (k < 1023) {
            ASSERT_GT((k + 1) * (k + 1), x) << x;
        }
    }
    EXPECT_EQ(isqrt(1023 * 1023 + 5000), 1023);
}

TEST(MatchTables, VectorAngle) {
    struct Row {
        const char* name;
        int dx, dy, angle;
    } rows[] = {
        {"zero vector", 0, 0, 0},
        {"along +x", 5, 0, 0},
        {"down the image is 90", 0, 5, 90},
        {"along -x", -5, 0, 180},
        {"up the image is 270", 0, -5, 270},
        {"diagonal", 10, 10, 45},
        {"second quadrant", -10, 10, 135},
        {"third quadrant", -10, -10, 225},
        {"small negative dy stays 0, not 360", 1024, -8, 0},
        {"dy ratio 9 gives 359", 1024, -9, 359},
        {"steep vector", 1, 1000, 90},
    };
    for (const Row& row : rows) EXPECT_EQ(VectorAngle(row.dx, row.dy), row.angle) << row.name;
}

TEST(MatchRules, RotationWindow) {
    const MatchParams p;
    struct Row {
        int theta;
        bool allowed;
    } rows[] = {{0, true},    {90, true},  {91, false}, {180, false},
                {269, false}, {270, true}, {359, true}};
    for (const Row& row : rows) EXPECT_EQ(RotationAllowed(row.theta, p), row.allowed) << row.theta;
}

TEST(MatchRules, OverlapMinimumAndStopScore) {
    const MatchLimits limits = Limits(20, 60, MatchParams{});
    EXPECT_EQ(limits.overlapMin, 1);
    EXPECT_EQ(limits.stopScore, 2000000);
    EXPECT_EQ(Limits(60, 60, MatchParams{}).overlapMin, 3);
}

TEST(MatchSetsTest, FewerThanThreeMinutiaeScoreZero) {
    auto two = Finger(2, 1);
    auto forty = Finger(40, 2);
    MatchResult r;
    EXPECT_EQ(Match(*two, *forty, &r), 0);
    EXPECT_EQ(r.Alignments, 0);
    EXPECT_EQ(r.Rotation, 0);
    EXPECT_EQ(r.Pair[0], -1);
    EXPECT_EQ(Match(*forty, *two), 0);
}

TEST(MatchSetsTest, ASetAgainstItselfStopsAfterTheFirstAlignment) {
    auto set = Finger(40, 3);
    MatchResult r;
    const int score = Match(*set, *set, &r);
    EXPECT_GE(score, 1000);
    EXPECT_EQ(r.Alignments, 1);
    EXPECT_EQ(r.Rotation, 0);
    EXPECT_EQ(r.ShiftX, 0);
    EXPECT_EQ(r.ShiftY, 0);
    for (int i = 0; i < set->Count; ++i) EXPECT_EQ(r.Pair[i], i) << i;
}

// Set 2 is set 1 with a copy of minutia 0 inserted at index 1 (every later one moves up by 1).
std::unique_ptr<MinutiaSet> WithCopyOfFirst(const MinutiaSet& set) {
    auto out = std::make_unique<MinutiaSet>(set);
    for (int i = set.Count; i >= 1; --i) {
        const int from = i == 1 ? 0 : i - 1;
        out->X[i] = set.X[from];
        out->Y[i] = set.Y[from];
        out->Angle[i] = set.Angle[from];
        out->Quality[i] = set.Quality[from];
        out->Type[i] = set.Type[from];
    }
    out->Count = set.Count + 1;
    return out;
}

TEST(MatchSetsTest, TieRules) {
    // Few minutiae, so that no chance coincidence of distances and angles adds votes.
    auto set = Finger(8, 4);
    const int n = set->Count;
    auto copied = WithCopyOfFirst(*set);

    // Minutia 0 gets the same votes from both copies: the lower set-2 index is its candidate.
    // Every other minutia gets one vote more (its pairs with minutia 0 count twice), and all of
    // them tie: the lower set-1 index comes first.
    const VoteResult votes = VoteCandidates(*set, *copied, MatchParams{});
    EXPECT_EQ(votes.cand[0], 0);
    for (int i = 1; i < n; ++i) {
        EXPECT_EQ(votes.cand[i], i + 1);
        EXPECT_EQ(votes.best[i], votes.best[1]);
        EXPECT_EQ(votes.order[i - 1], i);
    }
    EXPECT_LT(votes.best[0], votes.best[1]);
    EXPECT_EQ(votes.order[n - 1], 0);

    // In the pairing step both copies of minutia 0 lie at distance 0: the later one wins.
    MatchResult r;
    Match(*set, *copied, &r);
    EXPECT_EQ(r.AnchorA, 1);
    EXPECT_EQ(r.Pair[0], 1);
    for (int i = 1; i < n; ++i) EXPECT_EQ(r.Pair[i], i + 1) << i;
}

TEST(MatchSetsTest, RotationsUpToAQuarterTurn) {
    auto finger = Finger(45, 5);
    struct Row {
        const char* name;
        int rotation;
        bool matches;
    } rows[] = {
        {"quarter turn clockwise", 90, true},
        {"quarter turn the other way", 270, true},
        {"small turn", 15, true},
        {"half turn", 180, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Distortion d;
        d.rotation = row.rotation;
        auto other = Impression(*finger, d, 6);
        MatchResult r;
        const int score = Match(*finger, *other, &r);
        if (row.matches) {
            EXPECT_GE(score, 500);
            EXPECT_LE(std::abs(((r.Rotation - row.rotation) % 360 + 540) % 360 - 180), 2);
        } else {
            EXPECT_LT(score, 50);
        }
    }
}

TEST(MatchSetsTest, SameFingerScoresAboveDifferentFingers) {
    Distortion d;
    d.rotation = 12;
    d.shiftX = 14;
    d.shiftY = -10;
    d.jitter = 2;
    d.angleJitter = 6;
    d.dropPercent = 15;
    int lowestGenuine = 1 << 30, highestImpostor = 0;
    for (unsigned seed = 10; seed < 20; ++seed) {
        auto finger = Finger(40, seed);
        auto again = Impression(*finger, d, seed + 100);
        auto stranger = Impression(*Finger(40, seed + 1000), d, seed + 200);
        lowestGenuine = std::min(lowestGenuine, Match(*finger, *again));
        highestImpostor = std::max(highestImpostor, Match(*finger, *stranger));
    }
    EXPECT_GE(lowestGenuine, 200);
    EXPECT_LT(highestImpostor, 100);
    RecordProperty("lowestGenuine", lowestGenuine);
    RecordProperty("highestImpostor", highestImpostor);
    std::printf("lowest genuine %d, highest impostor %d\n", lowestGenuine, highestImpostor);
}

TEST(MatchSetsTest, DamagedSetsFromRandomTemplates) {
    std::mt19937 rng(77);
    auto finger = Finger(30, 7);
    uint8_t bytes[MaxTemplateSize];
    for (int round = 0; round < 100; ++round) {
        for (auto& b : bytes) b = static_cast<uint8_t>(rng());
        bytes[0] = round % 2 ? 0x44 : 0x45;
        auto set = std::make_unique<MinutiaSet>();
        uint8_t density;
        UnpackTemplate(*set, density, bytes);
        const int score = Match(*set, *finger);
        EXPECT_GE(score, 0);
        Match(*finger, *set);
    }
}

}  // namespace
}  // namespace mx
