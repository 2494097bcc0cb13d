#include "binarize.h"

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "boxfilter.h"
#include "orientation.h"

namespace mx {

namespace {

// 9 x 0 < sum < 9 x 255: the neighbourhood is neither all black nor all white.
constexpr int kMixedLow = 9;
constexpr int kMixedHigh = 2286;

int Sum3x3(ImageView image, int x, int y) {
    const uint8_t* a = image[y - 1];
    const uint8_t* b = image[y];
    const uint8_t* c = image[y + 1];
    return a[x - 1] + a[x] + a[x + 1] + b[x - 1] + b[x] + b[x + 1] + c[x - 1] + c[x] + c[x + 1];
}

bool IsMixed(ImageView image, int x, int y) {
    const int s = Sum3x3(image, x, y);
    return s >= kMixedLow && s <= kMixedHigh;
}

void WindowMeans(ImageView image, int r, std::vector<uint8_t>& means) {
    const int w = image.width;
    const int h = image.height;
    static std::vector<int32_t> sums;
    sums.resize(static_cast<size_t>(w) * h);
    BoxSum(image, r, sums.data());
    means.resize(sums.size());
    ForEachWindowMean(sums.data(), w, h, r, [&](int x, int y, int m) {
        means[static_cast<size_t>(y) * w + x] = static_cast<uint8_t>(m);
    });
}

}  // namespace

int DensityWeight(int code) {
    // 100 - 22 sin^2(3c degrees) = 89 + 11 cos(6c degrees), rounded half up.
    static const auto table = [] {
        std::array<uint8_t, 128> t{};
        for (int c = 0; c < 120; ++c) {
            const double v = 89.0 + 11.0 * std::cos(6.0 * c * std::numbers::pi / 180.0);
            t[c] = static_cast<uint8_t>(std::floor(v + 0.5 + 1e-9));
        }
        return t;
    }();
    return code >= 0 && code < 128 ? table[code] : 0;
}

void BinariseLocal(ImageView input, ImageView result) {
    const int w = input.width;
    const int h = input.height;
    if (w <= 0 || h <= 0) return;
    static std::vector<uint8_t> m7;
    static std::vector<uint8_t> m15;
    WindowMeans(input, kParams.localSmallRadius, m7);
    WindowMeans(input, kParams.localLargeRadius, m15);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            result[y][x] = input[y][x] >= (m7[i] + m15[i]) / 2 ? 255 : 0;
        }
}

void RidgeDensityMap(ImageView binary, ImageView dirImage, ImageView result, int r) {
    const int w = binary.width;
    const int h = binary.height;
    if (w <= 0 || h <= 0) return;
    const size_t n = static_cast<size_t>(w) * h;
    static std::vector<uint8_t> foreground;
    static std::vector<uint8_t> border;
    foreground.assign(n, 0);
    border.assign(n, 0);
    for (int y = 1; y <= h - 2; ++y)
        for (int x = 1; x <= w - 2; ++x) {
            if (dirImage[y][x] >= 128) continue;
            const size_t i = static_cast<size_t>(y) * w + x;
            foreground[i] = 1;
            border[i] = IsMixed(binary, x, y) ? 1 : 0;
        }
    static std::vector<int32_t> f;
    static std::vector<int32_t> g;
    f.resize(n);
    g.resize(n);
    BoxSumPlane(foreground.data(), w, h, r, f.data());
    BoxSumPlane(border.data(), w, h, r, g.data());
    std::vector<Reciprocal> divisors(static_cast<size_t>((2 * r + 1) * (2 * r + 1)) + 1);
    for (size_t d = 1; d < divisors.size(); ++d) divisors[d] = Reciprocal(static_cast<uint32_t>(d));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            int value = 0;
            if (f[i] > 0) {
                const int share = static_cast<int>(divisors[f[i]].Divide(g[i] * 255));
                value = DensityWeight(dirImage[y][x] & DirectionBits) * share / 100;
            }
            result[y][x] = static_cast<uint8_t>(value);
        }
}

void AdaptiveBinarise(ImageView src, ImageView density, ImageView dst) {
    const int w = src.width;
    const int h = src.height;
    if (w <= 0 || h <= 0) return;
    const int radii[3] = {kParams.smallBinariseRadius, kParams.middleBinariseRadius,
                          kParams.largeBinariseRadius};
    static std::vector<int32_t> sums[3];
    for (int i = 0; i < 3; ++i) {
        sums[i].resize(static_cast<size_t>(w) * h);
        BoxSum(src, radii[i], sums[i].data());
    }
    // Window widths per column for each radius; the heights follow per row.
    static std::vector<int32_t> spans[3];
    for (int i = 0; i < 3; ++i) {
        spans[i].resize(w);
        for (int x = 0; x < w; ++x) spans[i][x] = ClippedSpan(x, w, radii[i]);
    }
    for (int y = 0; y < h; ++y) {
        int rows[3];
        for (int i = 0; i < 3; ++i) rows[i] = ClippedSpan(y, h, radii[i]);
        const uint8_t* n = density[y];
        const uint8_t* v = src[y];
        uint8_t* out = dst[y];
        const size_t row = static_cast<size_t>(y) * w;
        for (int x = 0; x < w; ++x) {
            const int k = n[x] >= kParams.highDensityThreshold  ? 0
                          : n[x] >= kParams.lowDensityThreshold ? 1
                                                                : 2;
            const int count = spans[k][x] * rows[k];
            const int sum = sums[k][row + x];
            // v < floor(sum / count) exactly when (v + 1) x count <= sum.
            out[x] = (v[x] + 1) * count <= sum ? 0 : 255;
        }
    }
}

void MajorityFilter(ImageView src, ImageView dst) {
    const int w = src.width;
    const int h = src.height;
    if (w <= 0 || h <= 0) return;
    static Image keep;
    const ImageView source = StableSource(src, dst, keep);
    const ImageView image = dst;
    constexpr int kWhiteMajority = 1152;  // four white pixels (1020) lose, five (1275) win
    for (int y = 1; y <= h - 2; ++y)
        for (int x = 1; x <= w - 2; ++x)
            image[y][x] = Sum3x3(source, x, y) < kWhiteMajority ? 0 : 255;
    for (int x = 0; x < w; ++x) {
        image[0][x] = 255;
        image[h - 1][x] = 255;
    }
    for (int y = 0; y < h; ++y) {
        image[y][0] = 255;
        image[y][w - 1] = 255;
    }
}

uint8_t MeasureRidgeDensity(ImageView binary, ImageView dirImage) {
    int64_t n = 0;
    int64_t m = 0;
    for (int y = 1; y <= binary.height - 2; ++y)
        for (int x = 1; x <= binary.width - 2; ++x) {
            if (dirImage[y][x] >= 128) continue;
            ++n;
            if (IsMixed(binary, x, y)) ++m;
        }
    return static_cast<uint8_t>(n > 0 ? m * 255 / n : 0);
}

}  // namespace mx
