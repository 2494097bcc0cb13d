#include "stats.h"

#include <gtest/gtest.h>

using mxbench::ComputeAccuracy;

namespace {

struct Table {
    const char* name;
    std::vector<double> genuine, impostor;
    double eer, fmr100, fmr1000, zeroFmr;
};

std::vector<double> Range(int from, int to) {
    std::vector<double> v;
    for (int i = from; i <= to; ++i) v.push_back(i);
    return v;
}

}  // namespace

TEST(Accuracy, HandMadeScoreTables) {
    const Table tables[] = {
        {"separated", {60, 70, 80}, {10, 20, 30}, 0, 0, 0, 0},
        // Every score the same: no threshold tells them apart.
        {"all tied", {5, 5}, {5, 5}, 0.5, 1, 1, 1},
        // Crossing between thresholds 4 and 5: EER interval [FMR(5), FNMR(5)] = [0.25, 0.4].
        {"interleaved", {1, 3, 5, 7, 9}, {0, 2, 4, 6}, 0.325, 0.6, 0.6, 0.6},
        // One impostor ties the two lowest genuine scores: accepted with them, it keeps
        // FMR at 25 % until the threshold passes the genuine pair.
        {"tie across the lists", {20, 20, 30, 40}, {10, 20, 10, 10}, 0.125, 0.5, 0.5, 0.5},
        {"tie removed", {20, 20, 30, 40}, {10, 19, 10, 10}, 0, 0, 0, 0},
        // 1000 impostors 0..999: FMR 1 % from threshold 990, 0.1 % from 999, zero from 1000.
        {"thousand impostors", {995, 998, 1000, 1001}, Range(0, 999), 0.0025, 0, 0.5, 0.5},
    };
    for (const Table& t : tables) {
        SCOPED_TRACE(t.name);
        const auto a = ComputeAccuracy(t.genuine, t.impostor);
        ASSERT_TRUE(a.has_value());
        EXPECT_NEAR(a->eer, t.eer, 1e-9);
        EXPECT_NEAR(a->fmr100, t.fmr100, 1e-9);
        EXPECT_NEAR(a->fmr1000, t.fmr1000, 1e-9);
        EXPECT_NEAR(a->zeroFmr, t.zeroFmr, 1e-9);
        // The DET curve runs from everything accepted to nothing accepted.
        ASSERT_FALSE(a->curve.empty());
        EXPECT_EQ(a->curve.front().fnmr, 0);
        EXPECT_EQ(a->curve.back().fmr, 0);
        EXPECT_EQ(a->curve.back().fnmr, 1);
    }
}

TEST(Accuracy, OrderOfTheListsDoesNotMatter) {
    const auto a = ComputeAccuracy({9, 1, 7, 3, 5}, {6, 0, 4, 2});
    ASSERT_TRUE(a.has_value());
    EXPECT_NEAR(a->eer, 0.325, 1e-9);
}

TEST(Accuracy, EmptyListGivesNoFigures) {
    EXPECT_FALSE(ComputeAccuracy({}, {1, 2}).has_value());
    EXPECT_FALSE(ComputeAccuracy({1, 2}, {}).has_value());
}

TEST(Accuracy, MedianAndPercentile) {
    EXPECT_EQ(mxbench::Median({}), 0);
    EXPECT_EQ(mxbench::Median({3, 1, 2}), 2);
    EXPECT_EQ(mxbench::Median({4, 1, 3, 2}), 2.5);
    const std::vector<double> ten = Range(1, 10);
    EXPECT_EQ(mxbench::Percentile(ten, 0.9), 9);
    EXPECT_EQ(mxbench::Percentile(ten, 1.0), 10);
    EXPECT_EQ(mxbench::Percentile({7}, 0.9), 7);
}
