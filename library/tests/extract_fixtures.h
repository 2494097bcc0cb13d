// Synthetic images for the extraction tests: ridge patterns with a known orientation field and
// minutiae at known places (phase singularities of a cosine ridge pattern).
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "image.h"

namespace mx::testing {

inline Image MakeImage(int w, int h, const std::function<int(int, int)>& value) {
    Image image(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) image[y][x] = static_cast<uint8_t>(value(x, y));
    return image;
}

// Straight ridges along direction code `code` (0 horizontal, 30 the top-left-to-bottom-right
// diagonal, 60 vertical), with the given period in pixels.
inline Image RidgeImage(int w, int h, int code, double period = 9.0) {
    const double t = code * 1.5 * std::numbers::pi / 180.0;
    // The grey level varies across the ridges, along the normal (-sin t, cos t).
    return MakeImage(w, h, [&](int x, int y) {
        const double across = -x * std::sin(t) + y * std::cos(t);
        return static_cast<int>(
            std::lround(128 + 100 * std::cos(2 * std::numbers::pi * across / period)));
    });
}

struct TrueMinutia {
    double x, y;
    int polarity;  // +1 or -1: which way the ridge count changes
};

// A fingerprint-like image: ridges of period `period` curving around a loop-like field, with a
// phase singularity (a ridge ending or bifurcation) at every given minutia; outside the ellipse
// that stands for the finger the image is white.
inline Image SyntheticPrint(int w, int h, const std::vector<TrueMinutia>& minutiae,
                            double period = 9.0) {
    const double cx = w / 2.0;
    const double cy = h / 2.0;
    return MakeImage(w, h, [&](int x, int y) {
        const double ex = (x - cx) / (w * 0.46);
        const double ey = (y - cy) / (h * 0.46);
        if (ex * ex + ey * ey > 1.0) return 255;
        // Gently curved ridges: mostly horizontal, bending with x.
        double phase = 2 * std::numbers::pi *
                       (y + 12.0 * std::sin(x * 2 * std::numbers::pi / (w * 1.3))) / period;
        for (const auto& m : minutiae) phase += m.polarity * std::atan2(y - m.y, x - m.x);
        return static_cast<int>(std::lround(128 + 110 * std::cos(phase)));
    });
}

// Minutiae on a regular lattice inside the finger area, alternating polarity.
inline std::vector<TrueMinutia> LatticeMinutiae(int w, int h, int spacing) {
    std::vector<TrueMinutia> list;
    int k = 0;
    for (int y = 60; y < h - 60; y += spacing)
        for (int x = 60; x < w - 60; x += spacing)
            list.push_back({x + 0.5, y + 0.5, (k++ % 2) ? 1 : -1});
    return list;
}

}  // namespace mx::testing

namespace mx::testing {

// A binary image from rows of text: '#' black (ridge), anything else white.
inline Image FromText(const std::vector<std::string>& rows) {
    const int h = static_cast<int>(rows.size());
    const int w = static_cast<int>(rows[0].size());
    return MakeImage(w, h, [&](int x, int y) { return rows[y][x] == '#' ? 0 : 255; });
}

inline std::vector<std::string> ToText(const Image& image) {
    std::vector<std::string> rows;
    for (int y = 0; y < image.Height(); ++y) {
        std::string row;
        for (int x = 0; x < image.Width(); ++x) row += image[y][x] == 0 ? '#' : '.';
        rows.push_back(row);
    }
    return rows;
}

// Draws a black line of the given length from (x, y) in direction `degrees` (counter-clockwise,
// y up) into a white image.
inline void DrawRay(Image& image, int x, int y, double degrees, int length) {
    const double t = degrees * std::numbers::pi / 180.0;
    for (int i = 0; i <= 4 * length; ++i) {
        const int px = static_cast<int>(std::lround(x + i / 4.0 * std::cos(t)));
        const int py = static_cast<int>(std::lround(y - i / 4.0 * std::sin(t)));
        if (image.View().Contains(px, py)) image[py][px] = 0;
    }
}

}  // namespace mx::testing
