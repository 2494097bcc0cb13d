#include "thinning.h"

#include <gtest/gtest.h>

#include <numeric>

#include "extract_fixtures.h"
#include "orientation.h"

namespace mx {
namespace {

using testing::FromText;
using testing::ToText;

TEST(ThinningTable, DeletesExactlyTheListedNeighbourhoods) {
    const auto& table = ThinningTable();
    EXPECT_EQ(std::accumulate(table.begin(), table.end(), 0), 34);
    for (int index : {7, 28, 112, 193, 124, 254}) EXPECT_EQ(table[index], 1) << index;
    for (int index : {0, 1, 4, 199, 255, 17}) EXPECT_EQ(table[index], 0) << index;
}

struct ThinCase {
    const char* name;
    std::vector<std::string> before;
    std::vector<std::string> after;
};

class ThinTest : public ::testing::TestWithParam<ThinCase> {};

TEST_P(ThinTest, GivesTheExpectedSkeleton) {
    Image image = FromText(GetParam().before);
    Thin(image);
    EXPECT_EQ(ToText(image), ToText(FromText(GetParam().after)));
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, ThinTest,
    ::testing::Values(
        ThinCase{"BarTwoHighSixLong",
                 {"..........", "..######..", "..######..", ".........."},
                 {"..........", "..........", "...####...", ".........."}},
        ThinCase{"OnePixelLineStays",
                 {"..........", "..######..", "..........", ".........."},
                 {"..........", "..######..", "..........", ".........."}},
        ThinCase{"SquareFourByFourShrinksToAPixel",
                 {"........", "..####..", "..####..", "..####..", "..####..", "........"},
                 {"........", "........", "........", "....#...", "........", "........"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CrossingNumber, EndingRidgeAndBifurcation) {
    const Image image = FromText({".......", ".#####.", "...#...", "...#...", "......."});
    EXPECT_EQ(CrossingNumber(image, 1, 1), 1);  // ending
    EXPECT_EQ(CrossingNumber(image, 2, 1), 2);  // plain ridge
    EXPECT_EQ(CrossingNumber(image, 3, 1), 3);  // bifurcation
    EXPECT_EQ(CrossingNumber(image, 3, 3), 1);
    EXPECT_EQ(CrossingNumber(image, 0, 0), 1);  // outside counts as white
}

Image TwoRidges(int gap, int offsetY) {
    Image image(80, 40, 255);
    for (int x = 5; x < 35; ++x) image[20][x] = 0;
    for (int x = 35 + gap; x < 75; ++x) image[20 + offsetY][x] = 0;
    return image;
}

TEST(BridgeGaps, JoinsFacingEndings) {
    Image image = TwoRidges(6, 0);
    Image dir(80, 40, 0);
    BridgeGaps(image, dir);
    for (int x = 5; x < 75; ++x) ASSERT_EQ(image[20][x], 0) << x;
}

TEST(BridgeGaps, LeavesDistantOrBackgroundEndingsAlone) {
    Image far = TwoRidges(16, 0);
    const Image farBefore = far;
    Image dir(80, 40, 0);
    BridgeGaps(far, dir);
    EXPECT_EQ(ToText(far), ToText(farBefore));

    Image near = TwoRidges(6, 0);
    const Image nearBefore = near;
    Image background(80, 40, BackgroundBit);
    BridgeGaps(near, background);
    EXPECT_EQ(ToText(near), ToText(nearBefore));
}

TEST(BridgeGaps, ParallelRidgesSideBySideAreNotJoined) {
    // The second ridge starts beside the end of the first, not ahead of it.
    Image image(80, 40, 255);
    for (int x = 5; x < 40; ++x) image[20][x] = 0;
    for (int x = 30; x < 75; ++x) image[26][x] = 0;
    const Image before = image;
    Image dir(80, 40, 0);
    BridgeGaps(image, dir);
    EXPECT_EQ(ToText(image), ToText(before));
}

// A ridge with a small eye: two bifurcations joined by a straight side and an arc.
Image RidgeWithLoop(int w, int h, int x0, int y0) {
    Image image(w, h, 255);
    for (int x = x0 - 30; x <= x0 + 30; ++x) image[y0][x] = 0;
    for (int x = x0 - 3; x <= x0 + 3; ++x) image[y0 - 3][x] = 0;
    image[y0 - 1][x0 - 4] = 0;
    image[y0 - 2][x0 - 4] = 0;
    image[y0 - 1][x0 + 4] = 0;
    image[y0 - 2][x0 + 4] = 0;
    return image;
}

int CountBifurcations(const Image& image) {
    int n = 0;
    for (int y = 1; y < image.Height() - 1; ++y)
        for (int x = 1; x < image.Width() - 1; ++x)
            if (image[y][x] == 0 && CrossingNumber(image, x, y) == 3) ++n;
    return n;
}

TEST(CleanBifurcations, OpensASmallLoop) {
    Image image = RidgeWithLoop(120, 80, 60, 40);
    ASSERT_EQ(CountBifurcations(image), 2);
    Image dir(120, 80, 0);
    CleanBifurcations(image, dir);
    EXPECT_EQ(CountBifurcations(image), 0);
    EXPECT_EQ(image[40][30], 0);  // the ridge itself stays
    EXPECT_EQ(image[40][90], 0);
}

TEST(CleanBifurcations, LeavesTheBorderMarginAlone) {
    // The loop's bifurcations lie 20 pixels below the top row.
    Image image = RidgeWithLoop(120, 80, 60, 20);
    const Image before = image;
    Image dir(120, 80, 0);
    CleanBifurcations(image, dir);
    EXPECT_EQ(ToText(image), ToText(before));
}

TEST(TraceBranches, BranchIntoTheMarginEndsThereWithoutAVerdict) {
    // A T whose left arm runs into the 2-pixel margin after 8 pixels.
    Image image(60, 80, 255);
    for (int x = 0; x <= 45; ++x) image[30][x] = 0;
    for (int y = 31; y <= 75; ++y) image[y][10] = 0;
    const Image before = image;
    const BranchTrace t = TraceBranches(image, {10, 30}, true);
    EXPECT_EQ(ToText(image), ToText(before));  // fill on: nothing changes
    bool sawMargin = false;
    for (const Branch& b : t.branch) {
        ASSERT_TRUE(b.HasPoints());
        if (b.status == BranchAtMargin) {
            sawMargin = true;
            EXPECT_EQ(b.Last(), (Point{2, 30}));
            EXPECT_EQ(b.angle, DirectionAngle(10, 30, 2, 30));
        } else {
            EXPECT_EQ(b.status, BranchLong);
            EXPECT_EQ(b.count, 30);
        }
    }
    EXPECT_TRUE(sawMargin);
    EXPECT_GE(t.d01, 0);
}

TEST(TraceBranches, FillOffLeavesTheTracedPixelsWhite) {
    Image image(60, 60, 255);
    for (int x = 5; x <= 55; ++x) image[30][x] = 0;
    for (int y = 31; y <= 55; ++y) image[y][30] = 0;
    const BranchTrace t = TraceBranches(image, {30, 30}, false);
    for (const Branch& b : t.branch)
        for (int i = 0; i < b.count; ++i) EXPECT_EQ(image[b.points[i].y][b.points[i].x], 255);
    EXPECT_EQ(ClassifyBranches(t), 1);  // a straight ridge with a perpendicular branch
}

}  // namespace
}  // namespace mx
