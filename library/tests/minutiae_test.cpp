#include "minutiae.h"

#include <gtest/gtest.h>

#include "extract_fixtures.h"
#include "orientation.h"
#include "thinning.h"
#include "validate.h"

namespace mx {
namespace {

using testing::DrawRay;

TEST(EndingDirection, PointsOutOfTheRidge) {
    Image image(80, 40, 255);
    for (int x = 20; x < 70; ++x) image[20][x] = 0;
    const Image before = image;
    EXPECT_EQ(EndingDirection(image, {20, 20}), 180);  // the ridge lies to the right
    EXPECT_EQ(EndingDirection(image, {69, 20}), 0);
    EXPECT_EQ(testing::ToText(image), testing::ToText(before));  // traces leave no mark
}

TEST(EndingDirection, ShortRidgeIsRejected) {
    Image image(80, 40, 255);
    for (int x = 20; x < 35; ++x) image[20][x] = 0;
    EXPECT_EQ(EndingDirection(image, {20, 20}), RejectNoDirection);
    // A ridge that meets a bifurcation before 20 steps.
    Image fork(80, 60, 255);
    for (int x = 20; x < 70; ++x) fork[30][x] = 0;
    for (int y = 31; y < 55; ++y) fork[y][30] = 0;
    EXPECT_EQ(EndingDirection(fork, {20, 30}), RejectNoDirection);
}

// The pixel with crossing number 3 nearest to (x, y).
Point FindBifurcation(const Image& image, int x, int y) {
    Point best{-1, -1};
    int bestD = 1 << 30;
    for (int yy = 1; yy < image.Height() - 1; ++yy)
        for (int xx = 1; xx < image.Width() - 1; ++xx)
            if (image[yy][xx] == 0 && CrossingNumber(image, xx, yy) == 3) {
                const int d = (xx - x) * (xx - x) + (yy - y) * (yy - y);
                if (d < bestD) {
                    bestD = d;
                    best = {xx, yy};
                }
            }
    return best;
}

// Branch rays are drawn away from the bifurcation; a branch's angle points back along it.
struct BifurcationCase {
    const char* name;
    double rays[3];  // directions of the rays leaving the bifurcation, degrees
    int expected;
    int tolerance;
};

class BifurcationDirectionTest : public ::testing::TestWithParam<BifurcationCase> {};

TEST_P(BifurcationDirectionTest, BisectsTheClosestPair) {
    const auto& c = GetParam();
    Image image(120, 120, 255);
    for (double ray : c.rays) DrawRay(image, 60, 60, ray, 40);
    Thin(image);
    const Point a = FindBifurcation(image, 60, 60);
    ASSERT_GE(a.x, 0);
    const Image before = image;
    const int angle = BifurcationDirection(image, a);
    EXPECT_LE(FoldDegrees(angle, c.expected), c.tolerance) << angle;
    EXPECT_GE(angle, 0);
    EXPECT_LT(angle, 360);
    EXPECT_EQ(testing::ToText(image), testing::ToText(before));
}

INSTANTIATE_TEST_SUITE_P(
    Forks, BifurcationDirectionTest,
    // Rays leaving at 190 and 170 make branch angles 10 and 350: the bisector is 0, not 360.
    ::testing::Values(BifurcationCase{"AcrossZero", {190, 170, 0}, 0, 0},
                      BifurcationCase{"Between100And140", {280, 320, 120}, 120, 2}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BifurcationDirection, ShortBranchIsRejected) {
    Image image(120, 120, 255);
    DrawRay(image, 60, 60, 0, 40);
    DrawRay(image, 60, 60, 180, 40);
    DrawRay(image, 60, 60, 90, 6);
    const Point a = FindBifurcation(image, 60, 60);
    ASSERT_GE(a.x, 0);
    EXPECT_EQ(BifurcationDirection(image, a), RejectShortBranch);
}

TEST(LocalDeviation, ZeroOnAUniformFlowAndGrowsWithDisorder) {
    Image uniform(40, 40, 30);
    EXPECT_EQ(LocalDeviation(uniform, 20, 20), 0);
    Image none(40, 40, NoDirection);
    EXPECT_EQ(LocalDeviation(none, 20, 20), 0);
    // Half the window turned by 60 codes (a right angle): deviation 60 on 231 of 441 pixels.
    Image split = testing::MakeImage(40, 40, [](int x, int) { return x < 20 ? 60 : 0; });
    split[20][20] = 0;
    const int expected = (60 * 210) * 255 / (60 * 441);
    EXPECT_EQ(LocalDeviation(split, 20, 20), expected);
}

TEST(DetectMinutiae, FindsEndingsAndBifurcationsOnTheForeground) {
    Image image(120, 120, 255);
    for (int x = 20; x < 100; ++x) image[60][x] = 0;
    for (int y = 61; y < 100; ++y) image[y][60] = 0;
    Image dir(120, 120, 0);
    RawFeatures raw;
    DetectMinutiae(image, dir, raw);
    ASSERT_EQ(raw.MinutiaCount, 4);
    EXPECT_EQ(raw.X[0], 20);
    EXPECT_EQ(raw.Type[0], RidgeEnding);
    EXPECT_EQ(raw.Angle[0], 180);
    EXPECT_EQ(raw.X[1], 60);
    EXPECT_EQ(raw.Type[1], Bifurcation);
    EXPECT_EQ(raw.X[2], 99);
    EXPECT_EQ(raw.Angle[2], 0);
    EXPECT_EQ(raw.Y[3], 99);
    EXPECT_EQ(raw.Angle[3], 270);  // the ridge comes from above
    for (int i = 0; i < 4; ++i) EXPECT_EQ(raw.Quality[i], 0);

    Image background(120, 120, BackgroundBit);
    DetectMinutiae(image, background, raw);
    EXPECT_EQ(raw.MinutiaCount, 0);
}

void Add(RawFeatures& raw, int x, int y, int angle, int type = RidgeEnding) {
    const int i = raw.MinutiaCount++;
    raw.X[i] = x;
    raw.Y[i] = y;
    raw.Angle[i] = angle;
    raw.Type[i] = type;
    raw.Quality[i] = 0;
}

// Validation with an image that always passes the contrast test (it does not run above 95).
void ValidateWithoutContrast(RawFeatures& raw, ImageView dir) {
    Image input(dir.width, dir.height, 128);
    ValidateMinutiae(raw, dir, input, 96);
}

TEST(ValidateMinutiae, FacingPairs) {
    Image dir(100, 100, 0);
    RawFeatures raw;
    Add(raw, 50, 50, 0);
    Add(raw, 51, 50, 185);  // 1 pixel apart, facing: both go
    Add(raw, 20, 20, 0);
    Add(raw, 24, 20, 180);  // endings 4 apart are not tested
    Add(raw, 70, 70, 10, Bifurcation);
    Add(raw, 74, 70, 190, Bifurcation);  // bifurcations 4 apart are
    Add(raw, 20, 70, 10, Bifurcation);
    Add(raw, 26, 70, 190, Bifurcation);  // 6 apart: not tested
    Add(raw, 80, 20, 0);
    Add(raw, 80, 21, 152);  // 28 away from 180: not facing
    ValidateWithoutContrast(raw, dir);
    const int expected[] = {RejectFacing, RejectFacing, 0,   180, RejectFacing,
                            RejectFacing, 10,           190, 0,   152};
    for (int i = 0; i < raw.MinutiaCount; ++i) EXPECT_EQ(raw.Angle[i], expected[i]) << i;
}

struct BorderCase {
    const char* name;
    int bx, by;  // the one background pixel
    bool removed;
};

class BorderTest : public ::testing::TestWithParam<BorderCase> {};

TEST_P(BorderTest, BackgroundWithinTenPixels) {
    Image dir(100, 100, 0);
    dir[GetParam().by][GetParam().bx] = BackgroundBit;
    RawFeatures raw;
    Add(raw, 50, 50, 90);
    ValidateWithoutContrast(raw, dir);
    EXPECT_EQ(raw.Angle[0], GetParam().removed ? RejectBorder : 90);
}

INSTANTIATE_TEST_SUITE_P(Windows, BorderTest,
                         ::testing::Values(BorderCase{"TenAwayInBoth", 60, 60, true},
                                           BorderCase{"TenAwayUpLeft", 40, 40, true},
                                           BorderCase{"ElevenAwayInX", 61, 50, false},
                                           BorderCase{"ElevenAwayInY", 50, 39, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ValidateMinutiae, LastColumnIsNeverExamined) {
    Image dir(100, 100, 0);
    for (int y = 0; y < 100; ++y) dir[y][99] = BackgroundBit;
    RawFeatures raw;
    Add(raw, 92, 50, 90);
    ValidateWithoutContrast(raw, dir);
    EXPECT_EQ(raw.Angle[0], 90);
}

TEST(ValidateMinutiae, CrowdedMinutiae) {
    Image dir(100, 100, 0);
    RawFeatures six;
    for (int i = 0; i < 6; ++i) Add(six, 50 + 2 * i, 50, 90 * (i % 2));  // 5 others each
    ValidateWithoutContrast(six, dir);
    for (int i = 0; i < 6; ++i) EXPECT_GE(six.Angle[i], 0);

    RawFeatures seven;
    for (int i = 0; i < 7; ++i) Add(seven, 50 + 2 * i, 50, 90 * (i % 2));
    ValidateWithoutContrast(seven, dir);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(seven.Angle[i], RejectCrowded);
}

TEST(ContrastPatchTest, NeedsRidgesAcrossTheMinutiaDirection) {
    const Image stripes = testing::RidgeImage(100, 100, 0, 9.0);  // horizontal ridges
    EXPECT_TRUE(ContrastPatchTest(stripes, 50, 50, 0));
    EXPECT_TRUE(ContrastPatchTest(stripes, 50, 50, 180));
    EXPECT_FALSE(ContrastPatchTest(stripes, 50, 50, 90));  // looking along the ridges' normal
    Image flat(100, 100, 128);
    EXPECT_FALSE(ContrastPatchTest(flat, 50, 50, 0));
}

TEST(ValidateMinutiae, ContrastTestOnlyOnCleanImages) {
    Image dir(100, 100, 0);
    Image flat(100, 100, 128);
    RawFeatures raw;
    Add(raw, 50, 50, 0);
    ValidateMinutiae(raw, dir, flat, 96);
    EXPECT_EQ(raw.Angle[0], 0);
    ValidateMinutiae(raw, dir, flat, 95);
    EXPECT_EQ(raw.Angle[0], RejectContrast);
}

TEST(CompactMinutiae, KeepsValidOnesInOrder) {
    RawFeatures raw;
    Add(raw, 1, 1, RejectFacing);
    Add(raw, 2, 2, 0);
    Add(raw, 3, 3, RejectBorder);
    Add(raw, 4, 4, 359, Bifurcation);
    CompactMinutiae(raw);
    ASSERT_EQ(raw.MinutiaCount, 2);
    EXPECT_EQ(raw.X[0], 2);
    EXPECT_EQ(raw.X[1], 4);
    EXPECT_EQ(raw.Angle[1], 359);
    EXPECT_EQ(raw.Type[1], Bifurcation);
}

}  // namespace
}  // namespace mx
