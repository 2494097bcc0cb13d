#include "binarize.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "extract_fixtures.h"
#include "orientation.h"

namespace mx {
namespace {

// Around (20, 20): value 100 out to Chebyshev distance 3, 200 at 4..5 and 0 at 6..7, so the
// 7 x 7 mean is 100 (white), the 11 x 11 mean 159 (black) and the 15 x 15 mean 85 (white).
Image RingsAroundCentre() {
    return testing::MakeImage(41, 41, [](int x, int y) {
        const int d = std::max(std::abs(x - 20), std::abs(y - 20));
        return d <= 3 ? 100 : d <= 5 ? 200 : 0;
    });
}

struct DensityCase {
    const char* name;
    int density;
    int expected;
};

class AdaptiveBinariseTest : public ::testing::TestWithParam<DensityCase> {};

TEST_P(AdaptiveBinariseTest, DensityChoosesTheWindow) {
    const Image image = RingsAroundCentre();
    Image density(41, 41, static_cast<uint8_t>(GetParam().density));
    Image out(41, 41);
    AdaptiveBinarise(image, density, out);
    EXPECT_EQ(out[20][20], GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Thresholds, AdaptiveBinariseTest,
                         ::testing::Values(DensityCase{"Dense130Uses7x7", 130, 255},
                                           DensityCase{"Middle129Uses11x11", 129, 0},
                                           DensityCase{"Middle113Uses11x11", 113, 0},
                                           DensityCase{"Sparse112Uses15x15", 112, 255}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AdaptiveBinarise, ValueEqualToTheMeanIsWhite) {
    Image flat(9, 9, 77);
    Image density(9, 9, 200);
    AdaptiveBinarise(flat, density, flat);
    EXPECT_EQ(flat[4][4], 255);
    EXPECT_EQ(flat[0][0], 255);
}

struct MajorityCase {
    const char* name;
    int whitePixels;  // of the 3 x 3 neighbourhood of (2, 2)
    int expected;
};

class MajorityFilterTest : public ::testing::TestWithParam<MajorityCase> {};

TEST_P(MajorityFilterTest, FiveWhitePixelsWin) {
    Image image(5, 5, 0);
    int placed = 0;
    for (int y = 1; y <= 3 && placed < GetParam().whitePixels; ++y)
        for (int x = 1; x <= 3 && placed < GetParam().whitePixels; ++x, ++placed) image[y][x] = 255;
    Image out(5, 5);
    MajorityFilter(image, out);
    EXPECT_EQ(out[2][2], GetParam().expected);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(out[0][i], 255);
        EXPECT_EQ(out[4][i], 255);
        EXPECT_EQ(out[i][0], 255);
        EXPECT_EQ(out[i][4], 255);
    }
}

INSTANTIATE_TEST_SUITE_P(Votes, MajorityFilterTest,
                         ::testing::Values(MajorityCase{"FourWhiteGiveBlack", 4, 0},
                                           MajorityCase{"FiveWhiteGiveWhite", 5, 255},
                                           MajorityCase{"AllBlackStaysBlack", 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(DensityWeight, FollowsTheDirectionOfTheRidges) {
    EXPECT_EQ(DensityWeight(0), 100);
    EXPECT_EQ(DensityWeight(60), 100);
    EXPECT_EQ(DensityWeight(30), 78);
    EXPECT_EQ(DensityWeight(90), 78);
    for (int c : {10, 50, 70, 110}) EXPECT_EQ(DensityWeight(c), 95) << c;  // 94.5 rounds up
    EXPECT_EQ(DensityWeight(NoDirection), 0);
    EXPECT_EQ(DensityWeight(120), 0);
}

TEST(RidgeDensityMap, CountsMixedNeighbourhoodsOnTheForeground) {
    // Stripes two pixels wide: every interior pixel borders the other colour.
    const Image stripes =
        testing::MakeImage(70, 70, [](int, int y) { return (y / 2) % 2 ? 255 : 0; });
    Image dir(70, 70, 0);
    Image result(70, 70);
    RidgeDensityMap(stripes, dir, result);
    EXPECT_EQ(result[35][35], 255);
    // Diagonal codes weigh less; the background counts for nothing.
    Image diagonal(70, 70, 30);
    RidgeDensityMap(stripes, diagonal, result);
    EXPECT_EQ(result[35][35], 78 * 255 / 100);
    Image background(70, 70, BackgroundBit);
    RidgeDensityMap(stripes, background, result);
    EXPECT_EQ(result[35][35], 0);
}

TEST(MeasureRidgeDensity, ShareOfMixedForegroundPixels) {
    Image white(40, 40, 255);
    Image dir(40, 40, 0);
    EXPECT_EQ(MeasureRidgeDensity(white, dir), 0);
    const Image stripes =
        testing::MakeImage(40, 40, [](int, int y) { return (y / 2) % 2 ? 255 : 0; });
    EXPECT_EQ(MeasureRidgeDensity(stripes, dir), 255);
    Image background(40, 40, BackgroundBit);
    EXPECT_EQ(MeasureRidgeDensity(stripes, background), 0);
}

TEST(BinariseLocal, SplitsAtTheLocalMean) {
    const Image edge = testing::MakeImage(40, 40, [](int x, int) { return x < 20 ? 60 : 180; });
    Image out(40, 40);
    BinariseLocal(edge, out);
    EXPECT_EQ(out[20][18], 0);
    EXPECT_EQ(out[20][21], 255);
    EXPECT_EQ(out[20][2], 255);  // flat: the value equals its means
}

}  // namespace
}  // namespace mx
