#include "enroll_twice.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "synthetic_sets.h"
#include "template.h"

namespace mx {
namespace {

using synthetic::Distortion;
using synthetic::Finger;
using synthetic::Impression;

struct Captures {
    std::vector<uint8_t> first = std::vector<uint8_t>(MaxTemplateSize);
    std::vector<uint8_t> second = std::vector<uint8_t>(MaxTemplateSize);
    std::unique_ptr<MinutiaSet> secondSet;
    std::unique_ptr<MinutiaSet> firstSet = std::make_unique<MinutiaSet>();
    SingularSet firstSingular;
    MatchParams params;
    std::unique_ptr<MatchResult> result = std::make_unique<MatchResult>();

    Captures(const MinutiaSet& firstFeatures, std::unique_ptr<MinutiaSet> secondFeatures)
        : secondSet(std::move(secondFeatures)) {
        PackTemplate(firstFeatures, 11, first.data());
        PackTemplate(*secondSet, 22, second.data());
    }

    int Decide(int level, uint8_t* out, uint32_t* length) {
        const TwoPassState state{first.data(),   second.data(), secondSet.get(), firstSet.get(),
                                 &firstSingular, &params,       result.get()};
        return DecideTwoPass(state, level, out, length);
    }
};

TEST(TwoPass, SecurityLevelsAreClamped) {
    struct Row {
        int level, threshold;
    } rows[] = {{0, 100}, {-3, 100}, {1, 100}, {3, 300}, {5, 500}, {9, 500}};
    for (const Row& row : rows) EXPECT_EQ(EnrolThreshold(row.level), row.threshold) << row.level;
}

TEST(TwoPass, ChoosesTheTemplateWithMoreMinutiae) {
    auto finger = Finger(40, 21);
    Distortion slight;
    slight.rotation = 5;
    slight.shiftX = 6;
    slight.jitter = 1;
    struct Row {
        const char* name;
        int firstCount, secondDrop;
        bool expectFirst;
    } rows[] = {
        {"second capture richer", 30, 0, false},
        {"first capture richer", 40, 30, true},
        {"equal counts keep the first", 0, 0, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto second = Impression(
            *finger, Distortion{slight.rotation, slight.shiftX, 0, 1, 0, row.secondDrop}, 5);
        MinutiaSet first = *finger;
        first.Count = row.firstCount ? row.firstCount : second->Count;
        Captures c(first, std::move(second));
        std::vector<uint8_t> out(MaxTemplateSize, 0xEE);
        uint32_t length = 0;
        ASSERT_EQ(c.Decide(1, out.data(), &length), 1) << "score " << c.result->Score;
        EXPECT_EQ(out, row.expectFirst ? c.first : c.second);
        EXPECT_EQ(length, static_cast<uint32_t>(HeaderTemplateSize(out.data())));
        EXPECT_EQ(c.firstSingular.RidgeDensity, 11);
        EXPECT_EQ(c.Decide(1, out.data(), nullptr), 1);  // a null length is fine
    }
}

TEST(TwoPass, DifferentFingersAreRefused) {
    auto first = Finger(35, 31);
    Captures c(*first, Finger(35, 32));
    std::vector<uint8_t> out(MaxTemplateSize, 0xEE);
    uint32_t length = 77;
    EXPECT_EQ(c.Decide(1, out.data(), &length), 0);
    EXPECT_EQ(out, std::vector<uint8_t>(MaxTemplateSize, 0xEE));
    EXPECT_EQ(length, 77u);
}

TEST(TwoPass, AScoreEqualToTheThresholdPasses) {
    // A weak genuine pair (a small overlap) whose score is exactly 400.
    Distortion heavy{25, 90, 20, 4, 12, 80};
    auto finger = Finger(30, 16304);
    Captures c(*finger, Impression(*finger, heavy, 16304 + 7));
    std::vector<uint8_t> out(MaxTemplateSize);
    EXPECT_EQ(c.Decide(4, out.data(), nullptr), 1);
    ASSERT_EQ(c.result->Score, 400);
    EXPECT_EQ(c.Decide(5, out.data(), nullptr), 0);
}

TEST(TwoPass, FirstTemplatePresence) {
    std::vector<uint8_t> buffer(MaxTemplateSize, 0);
    EXPECT_FALSE(HasFirstTemplate(buffer.data())) << "a zeroed buffer is no template";
    buffer[0] = 0x44, buffer[2] = 17, buffer[3] = 20;
    EXPECT_TRUE(HasFirstTemplate(buffer.data()));
    buffer[1] = 255;  // claims 8 + 1020 + 170 bytes
    EXPECT_FALSE(HasFirstTemplate(buffer.data()));
}

}  // namespace
}  // namespace mx
