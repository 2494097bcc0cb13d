#include "orientation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "extract_fixtures.h"
#include "segmentation.h"

namespace mx {
namespace {

using testing::RidgeImage;

TEST(EstimateDirection, FlatWindowHasNoDirection) {
    const auto est = EstimateDirection(0, 0, 0, 0, 100);
    EXPECT_EQ(est.code, NoDirection);
    EXPECT_EQ(est.uncertainty, 255);
    const auto equal = EstimateDirection(500, 500, 500, 500, NoContrastTest);
    EXPECT_EQ(equal.code, NoDirection);
}

TEST(EstimateDirection, HorizontalRidgesGiveCodeZero) {
    // Grey levels change only vertically: no horizontal differences at all.
    const auto est = EstimateDirection(0, 3000, 4300, 3000, 1000);
    EXPECT_EQ(est.code, 0);
    EXPECT_LT(est.uncertainty, 50);
}

TEST(EstimateDirection, ContrastThresholdOnlyRaisesTheUncertainty) {
    const auto clean = EstimateDirection(0, 3000, 4300, 3000, NoContrastTest);
    const auto faint = EstimateDirection(0, 3000, 4300, 3000, 4300);
    EXPECT_EQ(faint.code, clean.code);
    EXPECT_EQ(faint.uncertainty, 255);
}

// The estimator written out step by step with plain divisions, to check the fast one against.
DirectionEstimate ReferenceEstimate(const int d[4], int contrastThreshold) {
    const int m = std::max(std::max(d[0], d[1]), std::max(d[2], d[3]));
    int k = 1;
    for (const int pair : {2, 3, 0})
        if (d[pair] + d[(pair + 1) % 4] < d[k] + d[(k + 1) % 4]) k = pair;
    const int r = d[k], s = d[(k + 1) % 4], p = d[(k + 2) % 4], q = d[(k + 3) % 4];
    const int e = p + q + r + s - 4 * m;
    if (e == 0) return {NoDirection, 255};
    const int offset = static_cast<int>(int64_t{15} * (3 * (p - q) - r + s) / e);
    int code = (k == 0 ? 15 : k == 1 ? 45 : k == 2 ? 75 : 105) + offset;
    if (code == 120) code = 0;
    const int small = std::min(r, s);
    const int big = s < r ? q : p;
    const int t = (15 - std::abs(offset)) * (big - small) / 15;
    int u = big + t == 0 ? 255 : (t > small ? 0 : small - t) * 255 / (big + t);
    if (contrastThreshold != NoContrastTest && m <= contrastThreshold) u = 255;
    return {code, u};
}

TEST(EstimateDirection, AgreesWithTheStepsOverManySums) {
    // Small sums hit the ties and the zero cases, large ones the range of 25 x 25 windows.
    uint32_t seed = 12345;
    auto next = [&](int limit) {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<int>((seed >> 8) % static_cast<uint32_t>(limit));
    };
    for (const int limit : {4, 40, 3000, 1 << 19}) {
        for (int i = 0; i < 200000; ++i) {
            const int d[4] = {next(limit), next(limit), next(limit), next(limit)};
            const auto want = ReferenceEstimate(d, limit / 2);
            const auto got = EstimateDirection(d[0], d[1], d[2], d[3], limit / 2);
            ASSERT_EQ(got.code, want.code) << d[0] << " " << d[1] << " " << d[2] << " " << d[3];
            ASSERT_EQ(got.uncertainty, want.uncertainty)
                << d[0] << " " << d[1] << " " << d[2] << " " << d[3];
            ASSERT_EQ(EstimateDirectionCode(d[0], d[1], d[2], d[3]), want.code);
        }
    }
}

TEST(PixelOrientation, FindsTheDirectionOfStraightRidges) {
    for (int code : {0, 10, 30, 45, 60, 75, 90, 110}) {
        Image work = RidgeImage(80, 80, code);
        Image dir(80, 80, 0);
        PixelOrientation(work, dir, work);
        const int found = dir[40][40] & DirectionBits;
        EXPECT_LE(FoldCodes(found, code), 2) << "code " << code << " found " << found;
        EXPECT_LT(work[40][40], 100) << "code " << code;
        EXPECT_EQ(dir[40][40] & BackgroundBit, 0);
    }
}

TEST(PixelOrientation, KeepsTheBackgroundBit) {
    Image work = RidgeImage(40, 40, 0);
    Image dir(40, 40, BackgroundBit);
    PixelOrientation(work, dir, work);
    EXPECT_EQ(dir[20][20], BackgroundBit | 0);
}

TEST(BlockOrientation, BlankImageIsMaskedEverywhere) {
    Image blank(280, 320, 200);
    BlockField field = BlockOrientation(blank);
    EXPECT_EQ(field.width, 17);
    EXPECT_EQ(field.height, 20);
    field = MaskBlocks(field);
    for (uint8_t d : field.directions) ASSERT_EQ(d, MaskedCode);
}

TEST(BlockOrientation, RidgesGiveCleanBlocksExceptTheCorners) {
    Image ridges = RidgeImage(160, 160, 60);
    BlockField field = BlockOrientation(ridges);
    field = MaskBlocks(field);
    for (int by = 0; by < field.height; ++by)
        for (int bx = 0; bx < field.width; ++bx) {
            // A corner block has only four blocks in its neighbourhood, never more than four.
            const bool corner =
                (bx == 0 || bx == field.width - 1) && (by == 0 || by == field.height - 1);
            if (corner) {
                ASSERT_EQ(field.Direction(bx, by), MaskedCode);
            } else {
                ASSERT_NE(field.Direction(bx, by), MaskedCode);
                ASSERT_LE(FoldCodes(field.Direction(bx, by), 60), 2);
            }
        }
}

TEST(SegmentForeground, BlankImageHasNoForeground) {
    Image uncertainty(60, 50, 255);
    Image dir(60, 50, 0);
    RawFeatures raw;
    EXPECT_EQ(SegmentForeground(dir, uncertainty, raw), 255);
    EXPECT_EQ(dir[0][0], BackgroundBit);
    EXPECT_EQ(dir[25][30], BackgroundBit);
}

TEST(SegmentForeground, CornersNeedASingularPointNearby) {
    // Clean everywhere, but a corner window holds only 17 x 17 pixels.
    Image uncertainty(100, 100, 10);
    Image dir(100, 100, 0);
    RawFeatures raw;
    EXPECT_EQ(SegmentForeground(dir, uncertainty, raw), 10);
    EXPECT_TRUE(dir[0][0] & BackgroundBit);
    EXPECT_FALSE(dir[50][50] & BackgroundBit);

    Image dir2(100, 100, 0);
    raw.SingularCount = 1;
    raw.SingularX[0] = 5;
    raw.SingularY[0] = 5;
    SegmentForeground(dir2, uncertainty, raw);
    EXPECT_FALSE(dir2[0][0] & BackgroundBit);  // 50 < 256
    EXPECT_TRUE(dir2[0][99] & BackgroundBit);
}

struct AngleCase {
    const char* name;
    int x0, y0, x1, y1, degrees;
};

class DirectionAngleTest : public ::testing::TestWithParam<AngleCase> {};

TEST_P(DirectionAngleTest, GivesTheStatedAngle) {
    const AngleCase c = GetParam();
    EXPECT_EQ(DirectionAngle(c.x0, c.y0, c.x1, c.y1), c.degrees);
}

INSTANTIATE_TEST_SUITE_P(Examples, DirectionAngleTest,
                         ::testing::Values(AngleCase{"TowardRightHalvedFirst", 10, 10, 60, 10, 180},
                                           AngleCase{"TowardBelow", 10, 10, 10, 60, 90},
                                           AngleCase{"TowardItself", 10, 10, 10, 10, 270},
                                           AngleCase{"TowardUpperRight", 10, 10, 13, 6, 233},
                                           AngleCase{"TowardLeft", 10, 10, 0, 10, 0},
                                           AngleCase{"TowardAbove", 10, 10, 10, 0, 270},
                                           AngleCase{"TowardLowerLeft", 10, 10, 0, 20, 45}),
                         [](const auto& info) { return std::string(info.param.name); });

std::vector<Point> Walk(int x0, int y0, int x1, int y1) {
    std::vector<Point> points;
    LineWalk(x0, y0, x1, y1, [&](int x, int y) { points.push_back({x, y}); });
    return points;
}

TEST(LineWalk, VisitsTheLineWithoutItsEnd) {
    EXPECT_EQ(Walk(0, 0, 3, 0), (std::vector<Point>{{0, 0}, {1, 0}, {2, 0}}));
    EXPECT_EQ(Walk(0, 0, 0, -2), (std::vector<Point>{{0, 0}, {0, -1}}));
    EXPECT_EQ(Walk(0, 0, 3, 3), (std::vector<Point>{{0, 0}, {1, 1}, {2, 2}}));
    EXPECT_TRUE(Walk(5, 5, 5, 5).empty());
}

TEST(LineWalk, FollowsTheSlopeOfTheMinorAxis) {
    // Slope 50: the two corrections cancel on the first step, the minor axis moves every
    // second step afterwards.
    EXPECT_EQ(Walk(0, 0, 4, 2), (std::vector<Point>{{0, 0}, {1, 0}, {2, 1}, {3, 1}}));
    // Slope -33 along y.
    EXPECT_EQ(Walk(0, 0, -1, 3), (std::vector<Point>{{0, 0}, {0, 1}, {-1, 2}}));
}

}  // namespace
}  // namespace mx
