// Window sums and means over clipped square windows. Every sum is a running sum across a row of
// column sums that are updated as the window moves down, so the cost per pixel does not depend
// on the radius.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "image.h"

namespace mx {

// Number of positions of the clipped window p-r..p+r on an axis of n positions.
inline int ClippedSpan(int p, int n, int r) {
    return std::min(p + r, n - 1) - std::max(p - r, 0) + 1;
}

// Exact floor(n / d) by multiply and shift, for 0 <= n < 2^21 and 1 <= d <= 2048.
class Reciprocal {
  public:
    Reciprocal() = default;
    explicit Reciprocal(uint32_t d) : m_(((uint64_t{1} << 32) + d - 1) / d) {}
    uint32_t Divide(uint32_t n) const { return static_cast<uint32_t>((n * m_) >> 32); }

  private:
    uint64_t m_ = 0;
};

// o[x] = sum of c over the clipped window x-r..x+r of a row of w values, as a running sum whose
// border cases are split off so that the loops carry no tests.
inline void WindowRowSums(const int32_t* c, int w, int r, int32_t* o) {
    int32_t s = 0;
    for (int x = 0; x <= std::min(r, w - 1); ++x) s += c[x];
    const int addEnd = std::max(w - r - 1, 0);  // below it, the window gains c[x + r + 1]
    const int subStart = std::min(r, w);        // from it on, the window loses c[x - r]
    int x = 0;
    for (const int end = std::min(addEnd, subStart); x < end; ++x) {
        o[x] = s;
        s += c[x + r + 1];
    }
    if (addEnd >= subStart) {
        for (; x < addEnd; ++x) {
            o[x] = s;
            s += c[x + r + 1] - c[x - r];
        }
    } else {
        for (; x < subStart; ++x) o[x] = s;  // the window spans the whole row
    }
    for (; x < w; ++x) {
        o[x] = s;
        s -= c[x - r];
    }
}

// out[y * w + x] = sum of row(yy)[xx] over the clipped window of radius r around (x, y).
// row(y) returns a pointer to the w values of row y (any integer type).
template <class RowFn>
void BoxSum(RowFn row, int w, int h, int r, int32_t* out) {
    static std::vector<int32_t> column;
    column.assign(w, 0);
    int32_t* col = column.data();
    for (int y = 0; y <= std::min(r, h - 1); ++y) {
        const auto* src = row(y);
        for (int x = 0; x < w; ++x) col[x] += src[x];
    }
    for (int y = 0; y < h; ++y) {
        if (y > 0) {
            const bool add = y + r < h;
            const bool sub = y - r - 1 >= 0;
            if (add && sub) {
                const auto* a = row(y + r);
                const auto* b = row(y - r - 1);
                for (int x = 0; x < w; ++x) col[x] += static_cast<int32_t>(a[x]) - b[x];
            } else if (add) {
                const auto* a = row(y + r);
                for (int x = 0; x < w; ++x) col[x] += a[x];
            } else if (sub) {
                const auto* b = row(y - r - 1);
                for (int x = 0; x < w; ++x) col[x] -= b[x];
            }
        }
        WindowRowSums(col, w, r, out + static_cast<size_t>(y) * w);
    }
}

// Window sums of an image.
inline void BoxSum(ImageView image, int r, int32_t* out) {
    BoxSum([&](int y) { return image[y]; }, image.width, image.height, r, out);
}

// Window sums of a plane of w x h values, row-major.
template <class T>
void BoxSumPlane(const T* plane, int w, int h, int r, int32_t* out) {
    BoxSum([&](int y) { return plane + static_cast<size_t>(y) * w; }, w, h, r, out);
}

// Calls emit(x, y, sum / count) for every pixel, with the truncated mean of the clipped window;
// sums must stay below 2^21.
template <class Emit>
void ForEachWindowMean(const int32_t* sums, int w, int h, int r, Emit&& emit) {
    std::vector<Reciprocal> divisors(w);
    int lastRows = -1;
    for (int y = 0; y < h; ++y) {
        const int rows = ClippedSpan(y, h, r);
        if (rows != lastRows) {
            for (int x = 0; x < w; ++x) divisors[x] = Reciprocal(rows * ClippedSpan(x, w, r));
            lastRows = rows;
        }
        const int32_t* s = sums + static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) emit(x, y, static_cast<int>(divisors[x].Divide(s[x])));
    }
}

// Each pixel of dst becomes the truncated mean of src over the clipped window of radius r.
// src and dst may be the same image.
void BoxMean(ImageView src, int r, ImageView dst);
inline void BoxMean(ImageView image, int r) {
    BoxMean(image, r, image);
}

}  // namespace mx
