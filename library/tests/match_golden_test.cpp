// Fixed outcomes of the matcher on synthetic impressions: every field of the result record for
// pairs of the same and of different fingers, turned, shifted, jittered and of unequal size.
// The matcher is tuned for speed; these rows hold it to the same answers.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "match.h"
#include "synthetic_sets.h"

namespace mx {
namespace {

using synthetic::Distortion;
using synthetic::Finger;
using synthetic::Impression;

struct Impressions {
    int n1, seed1, n2, seed2;  // set 1 is finger (n1, seed1); set 2 an impression of (n2, seed2)
    int rotation, shiftX, shiftY, jitter, angleJitter, dropPercent;
};

struct Outcome {
    int score, rotation, shiftX, shiftY;
    int pairs;           // set-1 minutiae with a partner
    long long pairHash;  // which partners, folded into one number
    int anchorA, anchorB, alignments;
};

struct GoldenCase {
    const char* name;
    Impressions in;
    Outcome out;
};

const GoldenCase Cases[] = {
    {"SameFinger30",
     {30, 301, 36, 301, 10, 12, -8, 2, 5, 10},
     {5072, 12, 45, -32, 22, 250187754, 0, 6, 1}},
    {"SameFinger50",
     {50, 501, 60, 501, 10, 12, -8, 2, 5, 10},
     {6676, 10, 41, -28, 43, 258557950, 0, 47, 1}},
    {"SameFinger80",
     {80, 801, 96, 801, 10, 12, -8, 2, 5, 10},
     {7201, 9, 41, -28, 71, 263178984, 5, 1, 2}},
    {"SameFingerTurned45",
     {50, 502, 60, 502, 45, -6, 9, 1, 4, 5},
     {7386, 46, 149, -44, 46, 790011558, 4, 1, 1}},
    {"SameFingerTurnedBack30",
     {40, 402, 48, 402, -30, 3, 3, 2, 6, 15},
     {6123, 330, -60, 95, 29, 183039161, 6, 37, 1}},
    {"SameFingerHeavyJitter",
     {50, 503, 60, 503, 5, 0, 0, 4, 10, 30},
     {5598, 6, 17, -13, 36, 456016859, 46, 0, 1}},
    {"SameFingerPastQuarterTurn",
     {40, 403, 48, 403, 100, 0, 0, 1, 2, 0},
     {0, 81, 257, 20, 3, 15166843, 33, 15, 7}},
    {"DifferentFingers30",
     {30, 304, 36, 90304, 10, 12, -8, 2, 5, 10},
     {8, 25, 66, -48, 4, 99340915, 9, 13, 7}},
    {"DifferentFingers50",
     {50, 504, 60, 90504, 10, 12, -8, 2, 5, 10},
     {10, 348, -52, 41, 6, 244028454, 36, 32, 8}},
    {"DifferentFingers80",
     {80, 804, 96, 90804, 10, 12, -8, 2, 5, 10},
     {0, 46, 159, -49, 8, 963622712, 1, 24, 69}},
    {"SmallAgainstLarge",
     {12, 121, 90, 121, 0, 4, 4, 1, 3, 0},
     {938, 0, 4, 4, 12, 498825826, 2, 3, 11}},
    {"LargeAgainstSmall",
     {90, 905, 14, 905, 0, -4, 2, 1, 3, 0},
     {1160, 0, -4, 2, 14, 67837940, 0, 13, 1}},
};

class MatchGolden : public testing::TestWithParam<GoldenCase> {};

TEST_P(MatchGolden, SameResultRecord) {
    const Impressions& in = GetParam().in;
    const Outcome& want = GetParam().out;
    auto set1 = Finger(in.n1, in.seed1);
    Distortion d;
    d.rotation = in.rotation;
    d.shiftX = in.shiftX;
    d.shiftY = in.shiftY;
    d.jitter = in.jitter;
    d.angleJitter = in.angleJitter;
    d.dropPercent = in.dropPercent;
    auto set2 = Impression(*Finger(in.n2, in.seed2), d, in.seed2 + 7);
    auto result = std::make_unique<MatchResult>();
    const int score = MatchSets(*set1, *set2, MatchParams{}, *result);

    int pairs = 0;
    long long hash = 0;
    for (int i = 0; i < MaxMinutiae; ++i) {
        if (result->Pair[i] < 0) {
            EXPECT_EQ(result->Pair[i], -1) << "minutia " << i;
            continue;
        }
        EXPECT_LT(i, set1->Count);
        ++pairs;
        hash = (hash * 31 + i * 1000 + result->Pair[i]) % 1000000007;
    }
    EXPECT_EQ(score, want.score);
    EXPECT_EQ(result->Score, want.score);
    EXPECT_EQ(result->Rotation, want.rotation);
    EXPECT_EQ(result->ShiftX, want.shiftX);
    EXPECT_EQ(result->ShiftY, want.shiftY);
    EXPECT_EQ(pairs, want.pairs);
    EXPECT_EQ(hash, want.pairHash);
    EXPECT_EQ(result->AnchorA, want.anchorA);
    EXPECT_EQ(result->AnchorB, want.anchorB);
    EXPECT_EQ(result->Alignments, want.alignments);
}

INSTANTIATE_TEST_SUITE_P(Impressions, MatchGolden, testing::ValuesIn(Cases),
                         [](const testing::TestParamInfo<GoldenCase>& info) {
                             return std::string(info.param.name);
                         });

}  // namespace
}  // namespace mx
