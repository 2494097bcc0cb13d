// Drawing the captured image into a caller's RGB surface: a 1:1 copy, an area-averaging
// stretch, a white fill without an image, and the red cross on the core.
#pragma once

#include <cstdint>
#include <vector>

#include "minutix.h"

namespace mx {

// The library's own copy of the captured image for drawing, made at capture time so that the
// in-place processing of enrolment does not show.
struct DisplayImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // row-major, row 0 at the top
};

constexpr uint32_t WhitePixel = 0xFFFFFFFFu;
constexpr uint32_t CoreCrossColour = 0xFF000000u | 255u << 16 | 50u << 8 | 100u;
constexpr int CoreCrossPen = 3;  // pixels

// Draws `image` (or white when null) into the rectangle of `surface`, and the core cross at
// `core` (image coordinates) when showCore is set and core.x is not -1.
void DrawImage(const MX_Surface& surface, const DisplayImage* image, int left, int top, int right,
               int bottom, bool showCore, int coreX, int coreY, int imageWidth, int imageHeight);

}  // namespace mx
