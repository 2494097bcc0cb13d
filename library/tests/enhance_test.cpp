#include "enhance.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include "extract_fixtures.h"
#include "orientation.h"

namespace mx {
namespace {

using Tap = std::tuple<int, int, int>;  // dy, dx, weight

std::vector<Tap> TapsOf(int code) {
    const LineKernel& k = LineKernelTable()[code];
    std::vector<Tap> taps;
    for (int i = 0; i < k.tapCount; ++i)
        taps.emplace_back(k.taps[i].dy, k.taps[i].dx, k.taps[i].weight);
    std::sort(taps.begin(), taps.end());
    return taps;
}

TEST(LineKernelTable, EveryCodeTotalsTheFixedDivisor) {
    for (int code = 0; code < 120; ++code) {
        const LineKernel& k = LineKernelTable()[code];
        int total = k.centre;
        for (int i = 0; i < k.tapCount; ++i) {
            const LineTap& t = k.taps[i];
            EXPECT_TRUE(t.dy < 0 || (t.dy == 0 && t.dx < 0)) << code;
            EXPECT_LE(std::abs(t.dx), 6);
            EXPECT_LE(std::abs(t.dy), 6);
            EXPECT_GT(t.weight, 0);
            total += 2 * t.weight;
        }
        EXPECT_EQ(total, LineKernelTotal) << code;
        EXPECT_GE(k.tapCount, 5) << code;
        EXPECT_LE(k.tapCount, 15) << code;
    }
}

TEST(LineKernelTable, TellingRowsComeOutExactly) {
    const std::vector<Tap> horizontal = {
        {0, -5, 10201}, {0, -4, 10201}, {0, -3, 10201}, {0, -2, 10201}, {0, -1, 10201}};
    EXPECT_EQ(LineKernelTable()[0].centre, 10201);
    EXPECT_EQ(TapsOf(0), horizontal);

    const std::vector<Tap> code1 = {{-1, -5, 1317}, {-1, -4, 1071}, {-1, -3, 803}, {-1, -2, 533},
                                    {-1, -1, 270},  {-1, 0, 32},    {0, -6, 24},   {0, -5, 8848},
                                    {0, -4, 9133},  {0, -3, 9400},  {0, -2, 9671}, {0, -1, 9934}};
    EXPECT_EQ(LineKernelTable()[1].centre, 10139);
    EXPECT_EQ(TapsOf(1), code1);

    const std::vector<Tap> diagonal = {{-4, -4, 3106}, {-4, -3, 2550}, {-3, -4, 2550},
                                       {-3, -3, 9242}, {-3, -2, 2550}, {-2, -3, 2550},
                                       {-2, -2, 9343}, {-2, -1, 2550}, {-1, -2, 2550},
                                       {-1, -1, 9343}, {-1, 0, 2550},  {0, -1, 2550}};
    EXPECT_EQ(LineKernelTable()[30].centre, 9343);
    EXPECT_EQ(TapsOf(30), diagonal);

    const std::vector<Tap> vertical = {
        {-5, 0, 10201}, {-4, 0, 10201}, {-3, 0, 10201}, {-2, 0, 10201}, {-1, 0, 10201}};
    EXPECT_EQ(LineKernelTable()[60].centre, 10201);
    EXPECT_EQ(TapsOf(60), vertical);
}

Image RandomImage(int w, int h, unsigned seed) {
    std::mt19937 rng(seed);
    return testing::MakeImage(w, h, [&](int, int) { return static_cast<int>(rng() % 256); });
}

TEST(OrientedSmooth, NearTheBorderDividesByTheWeightsUsed) {
    const Image image = RandomImage(40, 40, 5);
    // Code 0 three columns from the left: the centre, five taps to the right and the three
    // taps to the left that lie inside, all of weight 10201.
    int sum = 0;
    for (int x = 0; x <= 8; ++x) sum += image[20][x];
    EXPECT_EQ(OrientedSmoothPixel(image, 3, 20, 0), sum * 10201 / (9 * 10201));
}

TEST(OrientedSmooth, InsideUsesTheFullKernel) {
    const Image image = RandomImage(40, 40, 6);
    const LineKernel& k = LineKernelTable()[45];
    int64_t sum = int64_t{k.centre} * image[20][20];
    for (int i = 0; i < k.tapCount; ++i)
        sum += int64_t{k.taps[i].weight} * (image[20 + k.taps[i].dy][20 + k.taps[i].dx] +
                                            image[20 - k.taps[i].dy][20 - k.taps[i].dx]);
    EXPECT_EQ(OrientedSmoothPixel(image, 20, 20, 45), sum / LineKernelTotal);

    Image dir(40, 40, 45 | BackgroundBit);  // the background bit does not matter
    Image out(40, 40);
    OrientedSmooth(image, dir, out);
    EXPECT_EQ(out[20][20], sum / LineKernelTotal);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) ASSERT_EQ(out[y][x], OrientedSmoothPixel(image, x, y, 45));
}

TEST(OrientedSmooth, NoDirectionTakesTheClippedThreeByThreeMean) {
    const Image image = RandomImage(10, 10, 7);
    EXPECT_EQ(OrientedSmoothPixel(image, 0, 0, NoDirection),
              (image[0][0] + image[0][1] + image[1][0] + image[1][1]) / 4);
    int sum = 0;
    for (int y = 4; y <= 6; ++y)
        for (int x = 4; x <= 6; ++x) sum += image[y][x];
    EXPECT_EQ(OrientedSmoothPixel(image, 5, 5, NoDirection), sum / 9);
}

TEST(OrientedSmooth, InPlaceReadsTheStartingValues) {
    const Image image = RandomImage(30, 30, 8);
    Image dir(30, 30, 20);
    Image apart(30, 30);
    OrientedSmooth(image, dir, apart);
    Image inPlace = image;
    OrientedSmooth(inPlace, dir, inPlace);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 30; ++x) ASSERT_EQ(inPlace[y][x], apart[y][x]);
}

TEST(NormaliseContrast, FlatAreaIsLeftUnchanged) {
    Image input(50, 50, 90);
    Image mean(50, 50, 90);
    Image result(50, 50);
    NormaliseContrast(input, mean, result);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 50; ++x) ASSERT_EQ(result[y][x], 90);
}

TEST(NormaliseContrast, StretchesFaintRidgesToTheFullRange) {
    const Image input = testing::MakeImage(64, 64, [](int, int y) { return y % 2 ? 110 : 130; });
    Image mean(64, 64, 120);
    Image result(64, 64);
    NormaliseContrast(input, mean, result);
    EXPECT_EQ(result[32][32], 255);  // 130 >= mean + 10
    EXPECT_EQ(result[31][32], 0);    // 110 <= mean - 10
}

TEST(IterativeOrientedSmooth, StraightStripesAreKept) {
    const Image stripes =
        testing::MakeImage(60, 60, [](int, int y) { return (y / 3) % 2 ? 255 : 0; });
    Image out(60, 60);
    IterativeOrientedSmooth(stripes, out);
    for (int y = 12; y < 48; ++y)
        for (int x = 12; x < 48; ++x) ASSERT_EQ(out[y][x], stripes[y][x]) << x << "," << y;
}

TEST(SmoothingLevels, NoLevelsOnTheBackgroundOrNearSingularPoints) {
    const Image noise = RandomImage(80, 80, 9);
    Image dir(80, 80, 0);
    for (int y = 0; y < 80; ++y)
        for (int x = 0; x < 10; ++x) dir[y][x] = BackgroundBit;
    Image density(80, 80, 0x95);
    RawFeatures raw;
    raw.SingularCount = 1;
    raw.SingularX[0] = 50;
    raw.SingularY[0] = 40;
    Image levels(80, 80);
    SmoothingLevels(noise, dir, density, raw, levels);
    EXPECT_EQ(levels[40][5], 0x90);    // background: level 0, density bits kept
    EXPECT_EQ(levels[40][50], 0x90);   // on the singular point
    EXPECT_EQ(levels[43][50], 0x90);   // 3 pixels away
    EXPECT_EQ(levels[40][30] & 7, 4);  // noise: the flow is as uncertain as it gets
    EXPECT_EQ(levels[44][50] & 7, 4);  // 4 pixels away
    EXPECT_TRUE(dir[40][5] & BackgroundBit);
    EXPECT_FALSE(dir[40][30] & BackgroundBit);
}

TEST(LevelSmooth, APixelOfLevelTwoIsSmoothedTwice) {
    const Image image = RandomImage(40, 40, 10);
    Image dir(40, 40, 30);
    Image levels(40, 40, 0x40);
    levels[20][20] = 0x42;
    Image out(40, 40);
    LevelSmooth(image, dir, levels, out);

    Image expected = image;
    expected[20][20] = static_cast<uint8_t>(OrientedSmoothPixel(expected, 20, 20, 30));
    expected[20][20] = static_cast<uint8_t>(OrientedSmoothPixel(expected, 20, 20, 30));
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(out[y][x], expected[y][x]);
            ASSERT_EQ(levels[y][x], 0x40);
        }
}

}  // namespace
}  // namespace mx
