#include "draw.h"

#include <gtest/gtest.h>

#include <vector>

#include "enroll.h"

namespace mx {
namespace {

struct Surface {
    int width, height;
    std::vector<uint32_t> pixels;
    MX_Surface view;
    Surface(int w, int h, uint32_t fill = 0xFF123456u)
        : width(w), height(h), pixels(static_cast<size_t>(w) * h, fill) {
        view = MX_Surface{pixels.data(), w, h, w * 4};
    }
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool Red(int x, int y) const { return At(x, y) == CoreCrossColour; }
};

DisplayImage Gradient(int w = 280, int h = 320) {
    DisplayImage img;
    img.width = w;
    img.height = h;
    img.pixels.resize(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.pixels[y * w + x] = static_cast<uint8_t>((x + 2 * y) % 256);
    return img;
}

uint32_t Grey(int v) {
    return 0xFF000000u | v << 16 | v << 8 | v;
}

TEST(Draw, WhiteWithoutAnImage) {
    Surface s(200, 200);
    DrawImage(s.view, nullptr, 10, 20, 150, 180, true, 140, 160, 280, 320);  // no cross either
    EXPECT_EQ(s.At(10, 20), WhitePixel);
    EXPECT_EQ(s.At(149, 179), WhitePixel);
    EXPECT_EQ(s.At(150, 100), 0xFF123456u);
    EXPECT_EQ(s.At(9, 100), 0xFF123456u);
    DrawImage(s.view, nullptr, 10, 20, 150, 180, true, -1, -1, 280, 320);
    EXPECT_EQ(s.At(80, 100), WhitePixel);
}

TEST(Draw, OneToOneCopy) {
    const DisplayImage img = Gradient();
    Surface s(300, 330);
    DrawImage(s.view, &img, 5, 7, 285, 327, false, -1, -1, 280, 320);
    for (int y = 0; y < 320; y += 13)
        for (int x = 0; x < 280; x += 7)
            ASSERT_EQ(s.At(5 + x, 7 + y), Grey(img.pixels[y * 280 + x]));
    EXPECT_EQ(s.At(4, 7), 0xFF123456u);
}

TEST(Draw, AreaAveragingStretch) {
    const DisplayImage img = Gradient();
    Surface half(140, 160);
    DrawImage(half.view, &img, 0, 0, 140, 160, false, -1, -1, 280, 320);
    for (int y = 0; y < 160; y += 11)
        for (int x = 0; x < 140; x += 9) {
            int sum = 0;
            for (int dy = 0; dy < 2; ++dy)
                for (int dx = 0; dx < 2; ++dx) sum += img.pixels[(2 * y + dy) * 280 + 2 * x + dx];
            ASSERT_EQ(half.At(x, y), Grey((sum + 2) / 4)) << x << "," << y;
        }

    // A uniform image stays uniform at any ratio, here the console's 140 x 154 panel.
    DisplayImage flat = Gradient();
    std::fill(flat.pixels.begin(), flat.pixels.end(), 77);
    Surface panel(140, 154);
    DrawImage(panel.view, &flat, 0, 0, 140, 154, false, -1, -1, 280, 320);
    for (uint32_t p : panel.pixels) ASSERT_EQ(p, Grey(77));

    // A rectangle given right to left shows the image mirrored.
    Surface mirrored(140, 160);
    DrawImage(mirrored.view, &img, 140, 0, 0, 160, false, -1, -1, 280, 320);
    EXPECT_EQ(mirrored.At(139, 5), half.At(0, 5));
    EXPECT_EQ(mirrored.At(0, 5), half.At(139, 5));
}

TEST(Draw, CoreCrossPositionAndClipping) {
    struct Row {
        const char* name;
        int left, top, right, bottom, cx, cy;
        int px, py;          // expected centre
        int x0, x1, y0, y1;  // horizontal arm [x0, x1) at py, vertical arm [y0, y1) at px
    } rows[] = {
        {"centred", 0, 0, 140, 160, 140, 160, 70, 80, 56, 84, 64, 96},
        {"offset rectangle", 10, 20, 150, 180, 140, 160, 80, 100, 66, 94, 84, 116},
        {"clipped at the top left", 0, 0, 140, 160, 0, 0, 0, 0, 1, 14, 1, 16},
        {"clipped at the bottom right", 0, 0, 140, 160, 279, 319, 139, 159, 125, 138, 143, 158},
        {"swapped rectangle", 140, 160, 0, 0, 140, 160, 70, 80, 56, 84, 64, 96},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Surface s(200, 200);
        DrawImage(s.view, nullptr, row.left, row.top, row.right, row.bottom, true, row.cx, row.cy,
                  280, 320);
        for (int d = -1; d <= 1; ++d) {
            EXPECT_TRUE(row.py + d < 0 || s.Red(row.x0, row.py + d));
            EXPECT_TRUE(row.py + d < 0 || s.Red(row.x1 - 1, row.py + d));
            EXPECT_TRUE(row.px + d < 0 || s.Red(row.px + d, row.y0));
            EXPECT_TRUE(row.px + d < 0 || s.Red(row.px + d, row.y1 - 1));
        }
        if (row.x0 > 0) {
            EXPECT_FALSE(s.Red(row.x0 - 1, row.py)) << "arm starts at " << row.x0;
        }
        EXPECT_FALSE(s.Red(row.x1, row.py)) << "arm ends before " << row.x1;
        if (row.y0 > 0) {
            EXPECT_FALSE(s.Red(row.px, row.y0 - 1));
        }
        EXPECT_FALSE(s.Red(row.px, row.y1));
        EXPECT_FALSE(s.Red(row.px + 2, row.py + 2)) << "the pen is 3 pixels wide";
    }
}

TEST(Draw, RectanglesBeyondTheSurface) {
    const DisplayImage img = Gradient();
    Surface s(50, 40);
    DrawImage(s.view, &img, -300, -200, 900, 700, true, 140, 160, 280, 320);
    DrawImage(s.view, &img, -100, -100, 180, 220, true, 0, 0, 280, 320);
    DrawImage(s.view, nullptr, -5, -5, 1000000, 1000000, true, 279, 319, 280, 320);
    EXPECT_EQ(s.At(49, 39), WhitePixel);
    MX_Surface broken{nullptr, 50, 40, 200};
    DrawImage(broken, &img, 0, 0, 50, 40, true, 1, 1, 280, 320);
}

TEST(CoreCheckTest, FlagsFromTheMeanCore) {
    struct Row {
        const char* name;
        std::vector<std::array<int, 3>> points;  // x, y, kind
        int flags;
        int x, y;
    } rows[] = {
        {"no singular point", {}, MX_ENROLL_NO_CORE, -1, -1},
        {"only a delta", {{140, 160, -1}}, MX_ENROLL_NO_CORE, -1, -1},
        {"centred core", {{140, 160, 1}, {10, 10, -1}}, 0, 140, 160},
        {"x = 69 is left of 70", {{69, 160, 1}}, 16, 69, 160},
        {"x = 70 is inside", {{70, 160, 1}}, 0, 70, 160},
        {"x = 211 is right of 210", {{211, 160, 1}}, 8, 211, 160},
        {"left and high", {{69, 79, 1}}, 80, 69, 79},
        {"low", {{140, 241, 1}}, 32, 140, 241},
        {"mean of two cores", {{100, 150, 1}, {121, 171, 1}}, 0, 110, 160},
        {"whorl centres do not count", {{10, 10, 2}, {140, 160, 1}}, 0, 140, 160},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        SingularSet singular;
        for (const auto& p : row.points) {
            singular.X[singular.Count] = p[0];
            singular.Y[singular.Count] = p[1];
            singular.Kind[singular.Count] = p[2];
            ++singular.Count;
        }
        CorePoint core{0, 0};
        EXPECT_EQ(CoreCheck(singular, 280, 320, core), row.flags);
        EXPECT_EQ(core.x, row.x);
        EXPECT_EQ(core.y, row.y);
    }
}

}  // namespace
}  // namespace mx
