#include "boxfilter.h"

#include <gtest/gtest.h>

#include <random>

#include "image.h"

namespace mx {
namespace {

int BruteMean(const Image& image, int x, int y, int r) {
    int sum = 0;
    int count = 0;
    for (int yy = y - r; yy <= y + r; ++yy)
        for (int xx = x - r; xx <= x + r; ++xx)
            if (image.View().Contains(xx, yy)) {
                sum += image[yy][xx];
                ++count;
            }
    return sum / count;
}

struct BoxCase {
    const char* name;
    int width, height, radius;
};

class BoxMeanTest : public ::testing::TestWithParam<BoxCase> {};

TEST_P(BoxMeanTest, MatchesTheClippedWindowMean) {
    const BoxCase c = GetParam();
    std::mt19937 rng(7);
    Image image(c.width, c.height);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x) image[y][x] = static_cast<uint8_t>(rng() % 256);
    Image result = image;
    BoxMean(result, c.radius);
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            ASSERT_EQ(result[y][x], BruteMean(image, x, y, c.radius)) << x << "," << y;
}

INSTANTIATE_TEST_SUITE_P(Windows, BoxMeanTest,
                         ::testing::Values(BoxCase{"Radius1", 23, 17, 1},
                                           BoxCase{"Radius16", 70, 90, 16},
                                           BoxCase{"RadiusWiderThanImage", 9, 40, 16},
                                           BoxCase{"SinglePixel", 1, 1, 3},
                                           BoxCase{"SingleRow", 50, 1, 7}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Reciprocal, DividesExactlyOverTheWholeRange) {
    for (uint32_t d : {1u, 3u, 7u, 9u, 289u, 625u, 1089u, 2048u}) {
        const Reciprocal r(d);
        for (uint32_t n = 0; n < (1u << 21); n += 1 + n / 4096) ASSERT_EQ(r.Divide(n), n / d) << n;
        ASSERT_EQ(r.Divide((1u << 21) - 1), ((1u << 21) - 1) / d);
    }
}

}  // namespace
}  // namespace mx
