#include "orientation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "boxfilter.h"

namespace mx {

namespace {

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

// Nearest whole degree of atan(ay / ax) for 0 <= ax, ay < 50; (0, 0) gives 90.
const std::array<std::array<uint8_t, 50>, 50>& AtanTable() {
    static const auto table = [] {
        std::array<std::array<uint8_t, 50>, 50> t{};
        for (int ax = 0; ax < 50; ++ax)
            for (int ay = 0; ay < 50; ++ay)
                t[ax][ay] =
                    ax == 0 ? 90
                            : static_cast<uint8_t>(std::lround(std::atan2(double(ay), double(ax)) *
                                                               180.0 / std::numbers::pi));
        return t;
    }();
    return table;
}

}  // namespace

DirectionEstimate EstimateDirection(int d0, int d1, int d2, int d3, int contrastThreshold) {
    const int64_t d[4] = {d0, d1, d2, d3};
    const int64_t m = std::max({d[0], d[1], d[2], d[3]});

    // The adjacent pair with the smallest sum brackets the ridge direction.
    static constexpr int kOrder[4] = {1, 2, 3, 0};
    static constexpr int kBase[4] = {15, 45, 75, 105};  // by the pair's first index
    int k = 1;
    for (int i = 1; i < 4; ++i) {
        const int c = kOrder[i];
        if (d[c] + d[(c + 1) % 4] < d[k] + d[(k + 1) % 4]) k = c;
    }
    const int64_t r = d[k], s = d[(k + 1) % 4], p = d[(k + 2) % 4], q = d[(k + 3) % 4];

    DirectionEstimate result;
    const int64_t e = p + q + r + s - 4 * m;
    if (e == 0) return result;  // no contrast at all: NoDirection, 255

    int offset = static_cast<int>((15 * (3 * (p - q) - r + s)) / e);
    offset = std::clamp(offset, -15, 15);
    int code = kBase[k] + offset;
    if (code >= 120) code -= 120;
    result.code = code;

    const int64_t small = std::min(r, s);
    const int64_t big = s < r ? q : p;
    const int64_t t = ((15 - std::abs(offset)) * (big - small)) / 15;
    if (big + t <= 0) {
        result.uncertainty = 255;
    } else {
        const int64_t u = (t > small ? 0 : small - t) * 255 / (big + t);
        result.uncertainty = static_cast<int>(std::clamp<int64_t>(u, 0, 255));
    }
    if (contrastThreshold != NoContrastTest && m <= contrastThreshold) result.uncertainty = 255;
    return result;
}

void ComputeDirectionSums(ImageView image, int r, DirectionSums& sums) {
    const int w = image.width;
    const int h = image.height;
    const size_t n = static_cast<size_t>(w) * h;
    sums.width = w;
    sums.height = h;
    std::vector<int16_t> terms[4];
    for (int i = 0; i < 4; ++i) {
        terms[i].assign(n, 0);
        sums.d[i].resize(n);
    }
    for (int y = 1; y <= h - 2; ++y) {
        const size_t row = static_cast<size_t>(y) * w;
        for (int x = 1; x <= w - 2; ++x) {
            int e[4];
            DifferenceTerms(image, x, y, e);
            for (int i = 0; i < 4; ++i) terms[i][row + x] = static_cast<int16_t>(e[i]);
        }
    }
    for (int i = 0; i < 4; ++i) BoxSumPlane(terms[i].data(), w, h, r, sums.d[i].data());
    for (int i : {1, 3})
        for (auto& v : sums.d[i]) v = v * 71 / 100;
}

BlockField BlockOrientation(ImageView normalised) {
    const int w = normalised.width;
    const int h = normalised.height;
    BlockField field;
    field.width = w / BlockSize;
    field.height = h / BlockSize;
    const int bw = field.width;
    const int bh = field.height;
    field.directions.assign(static_cast<size_t>(bw) * bh, NoDirection);
    field.uncertainty.assign(static_cast<size_t>(bw) * bh, 255);

    std::vector<std::array<int64_t, 4>> blockSums(static_cast<size_t>(bw) * bh, {0, 0, 0, 0});
    for (int by = 0; by < bh; ++by)
        for (int bx = 0; bx < bw; ++bx) {
            auto& sum = blockSums[by * bw + bx];
            for (int y = std::max(by * BlockSize, 1); y < std::min((by + 1) * BlockSize, h - 1);
                 ++y)
                for (int x = std::max(bx * BlockSize, 1); x < std::min((bx + 1) * BlockSize, w - 1);
                     ++x) {
                    int e[4];
                    DifferenceTerms(normalised, x, y, e);
                    for (int i = 0; i < 4; ++i) sum[i] += e[i];
                }
        }

    for (int by = 0; by < bh; ++by)
        for (int bx = 0; bx < bw; ++bx) {
            int64_t s[4] = {0, 0, 0, 0};
            int64_t nb = 0;
            for (int y = std::max(by - 1, 0); y <= std::min(by + 1, bh - 1); ++y)
                for (int x = std::max(bx - 1, 0); x <= std::min(bx + 1, bw - 1); ++x) {
                    for (int i = 0; i < 4; ++i) s[i] += blockSums[y * bw + x][i];
                    ++nb;
                }
            const auto est = EstimateDirection(
                static_cast<int>(s[0] / nb), static_cast<int>(71 * s[1] / (100 * nb)),
                static_cast<int>(s[2] / nb), static_cast<int>(71 * s[3] / (100 * nb)),
                kParams.BlockContrastLimit());
            field.directions[by * bw + bx] = static_cast<uint8_t>(est.code);
            field.uncertainty[by * bw + bx] = static_cast<uint8_t>(est.uncertainty);
        }
    return field;
}

void MaskBlocks(BlockField& field) {
    const int bw = field.width;
    const int bh = field.height;
    for (int by = 0; by < bh; ++by)
        for (int bx = 0; bx < bw; ++bx) {
            int clean = 0;
            for (int y = std::max(by - 1, 0); y <= std::min(by + 1, bh - 1); ++y)
                for (int x = std::max(bx - 1, 0); x <= std::min(bx + 1, bw - 1); ++x)
                    if (field.Uncertainty(x, y) < kParams.blockUncertaintyLimit) ++clean;
            if (clean < kParams.blockMaskMinClean) field.Direction(bx, by) = MaskedCode;
        }
}

void PixelOrientation(ImageView work, ImageView dirImage, int r) {
    DirectionSums sums;
    ComputeDirectionSums(work, r, sums);
    const int limit = kParams.PixelContrastLimit();
    for (int y = 0; y < work.height; ++y) {
        const size_t row = static_cast<size_t>(y) * work.width;
        for (int x = 0; x < work.width; ++x) {
            const size_t i = row + x;
            const auto est =
                EstimateDirection(sums.d[0][i], sums.d[1][i], sums.d[2][i], sums.d[3][i], limit);
            dirImage[y][x] = static_cast<uint8_t>((dirImage[y][x] & BackgroundBit) | est.code);
            work[y][x] = static_cast<uint8_t>(est.uncertainty);
        }
    }
}

int DirectionAngle(int x0, int y0, int x1, int y1) {
    int ax = std::abs(x1 - x0);
    int ay = std::abs(y1 - y0);
    while (ax >= 50 || ay >= 50) {
        ax >>= 1;
        ay >>= 1;
    }
    int t = AtanTable()[ax][ay];
    if (x1 - x0 > 0) {
        if (y1 - y0 < 0) t = 360 - t;
    } else {
        t = y1 - y0 > 0 ? 180 - t : 180 + t;
    }
    return 180 - t >= 0 ? 180 - t : 540 - t;
}

}  // namespace mx
