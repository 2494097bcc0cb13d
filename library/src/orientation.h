// Ridge orientation: the four-direction estimator, the block and pixel orientation fields, the
// block mask, and the two geometric helpers DirectionAngle and LineWalk.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "boxfilter.h"
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

namespace detail {

// The adjacent pair of sums with the smallest total brackets the ridge direction: returns the
// index k of the pair (D[k], D[k+1]), tested from (D1, D2) on, a later pair winning only when
// strictly smaller.
inline int SmallestPair(const int d[4]) {
    // Written as selections rather than branches: which pair wins is unpredictable per pixel.
    int k = 1;
    int best = d[1] + d[2];
    const int s23 = d[2] + d[3];
    k = s23 < best ? 2 : k;
    best = s23 < best ? s23 : best;
    const int s30 = d[3] + d[0];
    k = s30 < best ? 3 : k;
    best = s30 < best ? s30 : best;
    const int s01 = d[0] + d[1];
    return s01 < best ? 0 : k;
}

inline constexpr int kPairBase[4] = {15, 45, 75, 105};  // code of the pair starting at D[k]

// n / d truncated toward zero and clamped to -15..15, by a four-step binary search instead of
// a division (this runs for every pixel of four direction fields).
// |n| and 15 |d| stay below 2^31 for window sums below 2^21.
inline int ClampedQuotient(int n, int d) {
    const bool negative = (n < 0) != (d < 0);
    const int an = n < 0 ? -n : n;
    const int ad = d < 0 ? -d : d;
    int q = 0;
    for (int bit = 8; bit > 0; bit >>= 1) q += (q + bit) * ad <= an ? bit : 0;
    return negative ? -q : q;
}

// ClampedQuotient(n, d) for d < 0, the only case the estimator meets.
inline int ClampedQuotientByNegative(int n, int d) {
    const int an = n < 0 ? -n : n;
    const int ad = -d;
    int q = 0;
    for (int bit = 8; bit > 0; bit >>= 1) q += (q + bit) * ad <= an ? bit : 0;
    return n < 0 ? q : -q;
}

// Steps 1-4 of the estimator, with what step 5 needs.
struct PairEstimate {
    int code;  // NoDirection when E = 0
    int offset;
    int r, s, p, q;
};

inline PairEstimate EstimatePair(int d0, int d1, int d2, int d3) {
    const int d[4] = {d0, d1, d2, d3};
    const int m = std::max(std::max(d0, d1), std::max(d2, d3));
    const int k = SmallestPair(d);
    const int r = d[k], s = d[(k + 1) & 3], p = d[(k + 2) & 3], q = d[(k + 3) & 3];
    // Every sum is at most M, so E = P + Q + R + S - 4M is never positive.
    const int e = d0 + d1 + d2 + d3 - 4 * m;
    if (e == 0) return {NoDirection, 0, r, s, p, q};
    const int offset = ClampedQuotientByNegative(15 * (3 * (p - q) - r + s), e);
    const int code = kPairBase[k] + offset;
    return {code >= 120 ? code - 120 : code, offset, r, s, p, q};
}

}  // namespace detail

// Direction code (steps 1-4 of the estimator) from the four difference sums; NoDirection when
// all four are equal. Window sums stay below 2^21, so 32-bit arithmetic is exact.
inline int EstimateDirectionCode(int d0, int d1, int d2, int d3) {
    return detail::EstimatePair(d0, d1, d2, d3).code;
}

// Direction and uncertainty from the four difference sums D0 (horizontal), D1 (the
// top-left-to-bottom-right diagonal, already scaled by 71/100), D2 (vertical) and D3.
inline DirectionEstimate EstimateDirection(int d0, int d1, int d2, int d3, int contrastThreshold) {
    DirectionEstimate result;
    const detail::PairEstimate e = detail::EstimatePair(d0, d1, d2, d3);
    result.code = e.code;
    if (e.code == NoDirection) return result;
    const int small = std::min(e.r, e.s);
    const int big = e.s < e.r ? e.q : e.p;
    const int t = (15 - std::abs(e.offset)) * (big - small) / 15;
    if (big + t <= 0)
        result.uncertainty = 255;
    else
        result.uncertainty = std::clamp((t > small ? 0 : small - t) * 255 / (big + t), 0, 255);
    const int m = std::max(std::max(d0, d1), std::max(d2, d3));
    if (contrastThreshold != NoContrastTest && m <= contrastThreshold) result.uncertainty = 255;
    return result;
}

// Difference terms of one pixel with its neighbours along the four directions.
inline void DifferenceTerms(ImageView image, int x, int y, int e[4]) {
    const uint8_t* up = image[y - 1];
    const uint8_t* mid = image[y];
    const uint8_t* down = image[y + 1];
    const int v = mid[x];
    e[0] = std::abs(v - mid[x - 1]) + std::abs(v - mid[x + 1]);
    e[1] = std::abs(v - up[x - 1]) + std::abs(v - down[x + 1]);
    e[2] = std::abs(v - up[x]) + std::abs(v - down[x]);
    e[3] = std::abs(v - down[x - 1]) + std::abs(v - up[x + 1]);
}

// Calls emit(index, D0, D1, D2, D3) for every pixel (index = y x width + x), with the sums of
// the difference terms over the contributing pixels (1 <= x <= w-2, 1 <= y <= h-2) of its
// clipped window of radius r, the diagonal sums scaled by 71/100. The terms of each row are
// computed once and kept in a ring of rows while the window's column sums move down; terms,
// column sums and row sums are held as four planes of w values so that the loops vectorise.
// 71/100 of a diagonal sum, truncated; the sums are never negative.
inline int Scale71(int32_t sum) {
    return static_cast<int>(static_cast<uint32_t>(sum) * 71u / 100u);
}

// WindowRowSums of four planes of w values at once: four independent running sums in one loop.
inline void WindowRowSums4(const int32_t* c, int w, int r, int32_t* o) {
    const int32_t* c0 = c;
    const int32_t* c1 = c + w;
    const int32_t* c2 = c + 2 * w;
    const int32_t* c3 = c + 3 * w;
    int32_t* o0 = o;
    int32_t* o1 = o + w;
    int32_t* o2 = o + 2 * w;
    int32_t* o3 = o + 3 * w;
    int32_t s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    for (int x = 0; x <= std::min(r, w - 1); ++x) {
        s0 += c0[x];
        s1 += c1[x];
        s2 += c2[x];
        s3 += c3[x];
    }
    const int addEnd = std::max(w - r - 1, 0);
    const int subStart = std::min(r, w);
    auto put = [&](int x) {
        o0[x] = s0;
        o1[x] = s1;
        o2[x] = s2;
        o3[x] = s3;
    };
    int x = 0;
    for (const int end = std::min(addEnd, subStart); x < end; ++x) {
        put(x);
        s0 += c0[x + r + 1];
        s1 += c1[x + r + 1];
        s2 += c2[x + r + 1];
        s3 += c3[x + r + 1];
    }
    if (addEnd >= subStart) {
        for (; x < addEnd; ++x) {
            put(x);
            s0 += c0[x + r + 1] - c0[x - r];
            s1 += c1[x + r + 1] - c1[x - r];
            s2 += c2[x + r + 1] - c2[x - r];
            s3 += c3[x + r + 1] - c3[x - r];
        }
    } else {
        for (; x < subStart; ++x) put(x);
    }
    for (; x < w; ++x) {
        put(x);
        s0 -= c0[x - r];
        s1 -= c1[x - r];
        s2 -= c2[x - r];
        s3 -= c3[x - r];
    }
}

template <class Emit>
void ForEachDirectionWindow(ImageView image, int r, Emit&& emit) {
    const int w = image.width;
    const int h = image.height;
    if (w <= 0 || h <= 0) return;
    const int ringRows = 2 * r + 2;
    static std::vector<int16_t> ring;
    static std::vector<int32_t> column;
    static std::vector<int32_t> rowSums;
    const size_t rowTerms = static_cast<size_t>(w) * 4;
    ring.resize(static_cast<size_t>(ringRows) * rowTerms);
    column.assign(rowTerms, 0);
    rowSums.resize(rowTerms);
    int32_t* col = column.data();
    auto termsOf = [&](int y) {
        return ring.data() + static_cast<size_t>(y % ringRows) * rowTerms;
    };
    // Rows outside 1..h-2 contribute nothing and are neither stored nor added.
    auto contributes = [&](int y) { return y >= 1 && y <= h - 2; };
    auto addRow = [&](int y) {
        int16_t* t = termsOf(y);
        int16_t* t0 = t;
        int16_t* t1 = t + w;
        int16_t* t2 = t + 2 * w;
        int16_t* t3 = t + 3 * w;
        for (int i = 0; i < 4; ++i) {
            t[i * w] = 0;
            t[i * w + w - 1] = 0;
        }
        const uint8_t* up = image[y - 1];
        const uint8_t* mid = image[y];
        const uint8_t* down = image[y + 1];
        for (int x = 1; x <= w - 2; ++x) {
            const int v = mid[x];
            t0[x] = static_cast<int16_t>(std::abs(v - mid[x - 1]) + std::abs(v - mid[x + 1]));
            t1[x] = static_cast<int16_t>(std::abs(v - up[x - 1]) + std::abs(v - down[x + 1]));
            t2[x] = static_cast<int16_t>(std::abs(v - up[x]) + std::abs(v - down[x]));
            t3[x] = static_cast<int16_t>(std::abs(v - down[x - 1]) + std::abs(v - up[x + 1]));
        }
        for (size_t i = 0; i < rowTerms; ++i) col[i] += t[i];
    };
    auto removeRow = [&](int y) {
        const int16_t* t = termsOf(y);
        for (size_t i = 0; i < rowTerms; ++i) col[i] -= t[i];
    };
    for (int y = 0; y <= std::min(r, h - 1); ++y)
        if (contributes(y)) addRow(y);
    const int32_t* s0 = rowSums.data();
    const int32_t* s1 = s0 + w;
    const int32_t* s2 = s0 + 2 * w;
    const int32_t* s3 = s0 + 3 * w;
    for (int y = 0; y < h; ++y) {
        if (y > 0) {
            if (y - r - 1 >= 0 && contributes(y - r - 1)) removeRow(y - r - 1);
            if (y + r < h && contributes(y + r)) addRow(y + r);
        }
        WindowRowSums4(col, w, r, rowSums.data());
        const size_t row = static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) emit(row + x, s0[x], Scale71(s1[x]), s2[x], Scale71(s3[x]));
    }
}

// Per-pixel direction codes (and uncertainties, when asked) of the image over windows of
// radius r.
void EstimateImageDirections(ImageView image, int r, int contrastThreshold,
                             std::vector<uint8_t>& codes, std::vector<uint8_t>* uncertainty);

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

// The field with MaskedCode on blocks that have too few clean neighbours.
BlockField MaskBlocks(const BlockField& field);

// Directions of the normalised image into bits 0..6 of dirImage (bit 7 kept) and their
// uncertainty into `uncertainty` (which may be the normalised image itself).
void PixelOrientation(ImageView normalised, ImageView dirImage, ImageView uncertainty,
                      int r = kParams.pixelRadius);

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
