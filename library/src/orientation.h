// Ridge orientation: the four-direction estimator, the block and pixel orientation fields, the
// block mask, and the two geometric helpers DirectionAngle and LineWalk.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "extraction_params.h"
#include "image.h"

namespace mx {

// Bit 7 of a DirImage byte: the pixel lies outside the fingerprint.
constexpr uint8_t BackgroundBit = 0x80;
constexpr uint8_t DirectionBits = 0x7f;

struct DirectionEstimate {
    int code = NoDirection;  // 0..119 or NoDirection
    int uncertainty = 255;   // 0 clean .. 255 unusable
};

// Passing this as contrast threshold skips the contrast test.
constexpr int NoContrastTest = -1;

// Direction and uncertainty from the four difference sums D0 (horizontal), D1 (the
// top-left-to-bottom-right diagonal, already scaled by 71/100), D2 (vertical) and D3.
DirectionEstimate EstimateDirection(int d0, int d1, int d2, int d3, int contrastThreshold);

// Per-pixel window sums of the four difference terms, diagonals scaled by 71/100.
struct DirectionSums {
    int width = 0;
    int height = 0;
    std::vector<int32_t> d[4];
};

// Window sums of radius r over the contributing pixels (1 <= x <= w-2, 1 <= y <= h-2).
void ComputeDirectionSums(ImageView image, int r, DirectionSums& sums);

// The block grid: one code and one uncertainty per 16 x 16 block (partial blocks are left out).
struct BlockField {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> directions;
    std::vector<uint8_t> uncertainty;

    uint8_t& Direction(int bx, int by) { return directions[by * width + bx]; }
    uint8_t Direction(int bx, int by) const { return directions[by * width + bx]; }
    uint8_t Uncertainty(int bx, int by) const { return uncertainty[by * width + bx]; }
};

BlockField BlockOrientation(ImageView normalised);

// Sets MaskedCode on blocks with too few clean neighbours.
void MaskBlocks(BlockField& field);

// Directions into bits 0..6 of dirImage (bit 7 kept); uncertainty replaces the pixels of work.
void PixelOrientation(ImageView work, ImageView dirImage, int r = kParams.pixelRadius);

// Angle in whole degrees 0..359, counter-clockwise with y up, of the vector from (x1, y1) to
// (x0, y0): the direction from a point further along a ridge through (x0, y0).
int DirectionAngle(int x0, int y0, int x1, int y1);

// Visits the pixels of the integer line from (x0, y0) toward (x1, y1), the end excluded.
template <class Visit>
void LineWalk(int x0, int y0, int x1, int y1, Visit&& visit) {
    const int dx = x1 - x0;
    const int dy = y1 - y0;
    const bool yMajor = std::abs(dx) <= std::abs(dy);
    int major = yMajor ? y0 : x0;
    int minor = yMajor ? x0 : y0;
    const int end = yMajor ? y1 : x1;
    const int span = yMajor ? dy : dx;
    if (span == 0) return;
    const int slope = 100 * (yMajor ? dx : dy) / std::abs(span);
    const int step = span > 0 ? 1 : -1;
    int acc = 0;
    while (major != end) {
        if (yMajor)
            visit(minor, major);
        else
            visit(major, minor);
        acc += slope;
        if (acc >= 50) {
            acc -= 100;
            minor += 1;
        }
        if (acc < -49) {
            acc += 100;
            minor -= 1;
        }
        major += step;
    }
}

}  // namespace mx
