#include "enhance.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

#include "boxfilter.h"
#include "orientation.h"

namespace mx {

namespace {

std::array<LineKernel, 120> BuildLineKernels() {
    std::array<LineKernel, 120> table{};
    constexpr int kLength = 1111;  // samples along the strip (11 pixels)
    constexpr int kWidth = 101;    // samples across it (1 pixel)
    constexpr int kSide = 2 * LineKernelReach + 1;
    for (int code = 0; code < 120; ++code) {
        const double t = 1.5 * code * std::numbers::pi / 180.0;
        const double ct = std::cos(t);
        const double st = std::sin(t);
        int counts[kSide][kSide] = {};
        for (int i = 0; i < kLength; ++i) {
            // Written as exact quotients, so that (u, v) and (-u, -v) are exact negatives.
            const double u = (2.0 * i - (kLength - 1)) / (2.0 * kWidth);
            for (int j = 0; j < kWidth; ++j) {
                const double v = (2.0 * j - (kWidth - 1)) / (2.0 * kWidth);
                const int px = static_cast<int>(std::floor(u * ct - v * st + 0.5));
                const int py = static_cast<int>(std::floor(u * st + v * ct + 0.5));
                ++counts[py + LineKernelReach][px + LineKernelReach];
            }
        }
        // A tap takes the count of its pixel in the upper half plane; the centre takes what
        // is left, so every kernel totals exactly LineKernelTotal.
        LineKernel& k = table[code];
        int32_t taps = 0;
        for (int dy = -LineKernelReach; dy <= 0; ++dy)
            for (int dx = -LineKernelReach; dx <= LineKernelReach; ++dx) {
                if (dy == 0 && dx >= 0) break;
                const int c = counts[dy + LineKernelReach][dx + LineKernelReach];
                if (c == 0) continue;
                k.taps[k.tapCount++] = {static_cast<int8_t>(dy), static_cast<int8_t>(dx), c};
                taps += c;
            }
        k.centre = LineKernelTotal - 2 * taps;
    }
    return table;
}

// Exact divisions by 1..510 for the contrast stretch.
const std::array<Reciprocal, 511>& StretchDivisors() {
    static const auto table = [] {
        std::array<Reciprocal, 511> t{};
        for (uint32_t d = 1; d < t.size(); ++d) t[d] = Reciprocal(d);
        return t;
    }();
    return table;
}

int Mean3x3(ImageView src, int x, int y) {
    int sum = 0;
    int count = 0;
    for (int yy = std::max(y - 1, 0); yy <= std::min(y + 1, src.height - 1); ++yy)
        for (int xx = std::max(x - 1, 0); xx <= std::min(x + 1, src.width - 1); ++xx) {
            sum += src[yy][xx];
            ++count;
        }
    return sum / count;
}

}  // namespace

const LineKernel* LineKernelTable() {
    static const std::array<LineKernel, 120> table = BuildLineKernels();
    return table.data();
}

void NormaliseContrast(ImageView input, ImageView mean, ImageView result, int r) {
    const int w = input.width;
    const int h = input.height;
    if (w <= 0 || h <= 0) return;
    const size_t n = static_cast<size_t>(w) * h;
    static std::vector<uint8_t> deviation;
    deviation.resize(n);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            deviation[static_cast<size_t>(y) * w + x] =
                static_cast<uint8_t>(std::abs(input[y][x] - mean[y][x]));
    static std::vector<int32_t> sums;
    sums.resize(n);
    BoxSumPlane(deviation.data(), w, h, r, sums.data());
    const auto& divisors = StretchDivisors();
    ForEachWindowMean(sums.data(), w, h, r, [&](int x, int y, int d) {
        const int m = mean[y][x];
        const int v = input[y][x];
        const int lo = m < d ? 0 : m - d;
        const int hi = m > 255 - d ? 255 : m + d;
        int stretched;
        if (hi == lo)
            stretched = v;
        else if (v <= lo)
            stretched = 0;
        else if (v >= hi)
            stretched = 255;
        else
            stretched = static_cast<int>(divisors[hi - lo].Divide((v - lo) * 255));
        result[y][x] = static_cast<uint8_t>(stretched);
    });
}

int OrientedSmoothPixel(ImageView src, int x, int y, int code) {
    if (code >= 120) return Mean3x3(src, x, y);
    const LineKernel& k = LineKernelTable()[code];
    const int w = src.width;
    const int h = src.height;
    if (x >= LineKernelReach && x < w - LineKernelReach && y >= LineKernelReach &&
        y < h - LineKernelReach) {
        int32_t sum = k.centre * src[y][x];
        for (int i = 0; i < k.tapCount; ++i) {
            const LineTap& t = k.taps[i];
            sum += t.weight * (src[y + t.dy][x + t.dx] + src[y - t.dy][x - t.dx]);
        }
        return sum / LineKernelTotal;
    }
    int64_t sum = int64_t{k.centre} * src[y][x];
    int64_t weight = k.centre;
    for (int i = 0; i < k.tapCount; ++i) {
        const LineTap& t = k.taps[i];
        if (src.Contains(x + t.dx, y + t.dy)) {
            sum += int64_t{t.weight} * src[y + t.dy][x + t.dx];
            weight += t.weight;
        }
        if (src.Contains(x - t.dx, y - t.dy)) {
            sum += int64_t{t.weight} * src[y - t.dy][x - t.dx];
            weight += t.weight;
        }
    }
    return static_cast<int>(sum / weight);
}

namespace {

bool IsContiguous(ImageView image) {
    for (int y = 1; y < image.height; ++y)
        if (image[y] != image[0] + static_cast<ptrdiff_t>(y) * image.width) return false;
    return true;
}

// The kernels of all codes for a contiguous image of the given width: tap offsets and weights
// in separate arrays, read in the inner loop without bounds tests.
struct PackedKernel {
    int32_t centre = 0;
    int32_t count = 0;
    ptrdiff_t ahead[18] = {};   // (dx, dy) as an offset
    ptrdiff_t behind[18] = {};  // (-dx, -dy)
    int32_t weight[18] = {};
};

struct PackedKernels {
    int width = -1;
    std::array<PackedKernel, 120> code{};
};

const PackedKernels& KernelsFor(int width) {
    static PackedKernels cache;
    if (cache.width != width) {
        const LineKernel* table = LineKernelTable();
        for (int c = 0; c < 120; ++c) {
            PackedKernel& k = cache.code[c];
            k.centre = table[c].centre;
            k.count = table[c].tapCount;
            for (int i = 0; i < k.count; ++i) {
                k.ahead[i] =
                    static_cast<ptrdiff_t>(table[c].taps[i].dy) * width + table[c].taps[i].dx;
                k.behind[i] = -k.ahead[i];
                k.weight[i] = table[c].taps[i].weight;
            }
        }
        cache.width = width;
    }
    return cache;
}

// The oriented smoothing of a pixel at least LineKernelReach inside the border of a contiguous
// image; the sums are those of OrientedSmoothPixel (the window is never clipped).
inline uint8_t SmoothInner(const uint8_t* centre, int code, const PackedKernels& kernels,
                           int width) {
    if (code >= 120) {
        const uint8_t* up = centre - width;
        const uint8_t* down = centre + width;
        const int sum = up[-1] + up[0] + up[1] + centre[-1] + centre[0] + centre[1] + down[-1] +
                        down[0] + down[1];
        return static_cast<uint8_t>(sum / 9);
    }
    const PackedKernel& k = kernels.code[code];
    int32_t sum = k.centre * centre[0];
    for (int i = 0; i < k.count; ++i)
        sum += k.weight[i] * (centre[k.ahead[i]] + centre[k.behind[i]]);
    return static_cast<uint8_t>(sum / LineKernelTotal);
}

// dst(x, y) = OrientedSmoothPixel(src, x, y, code(x, y)) for every pixel; src and dst differ.
// Pixels 6 or more inside the border of a contiguous source take the fast path: fixed
// offsets, no bounds tests, the constant divisor.
template <class CodeAt>
void SmoothAlong(ImageView src, ImageView dst, CodeAt&& codeAt) {
    const int w = src.width;
    const int h = src.height;
    const bool contiguous = IsContiguous(src);
    const PackedKernels* kernels = contiguous ? &KernelsFor(w) : nullptr;
    const int innerEnd = std::max(w - LineKernelReach, LineKernelReach);
    for (int y = 0; y < h; ++y) {
        uint8_t* out = dst[y];
        if (!contiguous || y < LineKernelReach || y >= h - LineKernelReach) {
            for (int x = 0; x < w; ++x)
                out[x] = static_cast<uint8_t>(OrientedSmoothPixel(src, x, y, codeAt(x, y)));
            continue;
        }
        const uint8_t* row = src[y];
        int x = 0;
        for (; x < std::min(LineKernelReach, w); ++x)
            out[x] = static_cast<uint8_t>(OrientedSmoothPixel(src, x, y, codeAt(x, y)));
        for (; x < innerEnd; ++x) out[x] = SmoothInner(row + x, codeAt(x, y), *kernels, w);
        for (; x < w; ++x)
            out[x] = static_cast<uint8_t>(OrientedSmoothPixel(src, x, y, codeAt(x, y)));
    }
}

}  // namespace

void OrientedSmooth(ImageView src, ImageView dirImage, ImageView dst) {
    static Image keep;
    const ImageView source = StableSource(src, dst, keep);
    SmoothAlong(source, dst, [&](int x, int y) { return dirImage[y][x] & DirectionBits; });
}

void IterativeOrientedSmooth(ImageView src, ImageView dst, int r, int passes) {
    static std::vector<uint8_t> codes;
    static Image source;
    CopyImage(src, dst);
    for (int pass = 0; pass < passes; ++pass) {
        EstimateImageDirections(dst, r, NoContrastTest, codes, nullptr);
        source.CopyFrom(dst);
        const int w = dst.width;
        SmoothAlong(source, dst,
                    [&](int x, int y) { return codes[static_cast<size_t>(y) * w + x]; });
    }
}

void SmoothingLevels(ImageView image, ImageView dirImage, ImageView density, const RawFeatures& raw,
                     ImageView levels, int r) {
    static std::vector<uint8_t> codes;
    static std::vector<uint8_t> uncertainty;
    EstimateImageDirections(image, r, NoContrastTest, codes, &uncertainty);
    const int nearSq = kParams.levelSingularRadius * kParams.levelSingularRadius;
    const int steps = kParams.levelClampHigh - kParams.levelClampLow;  // 12 uncertainty steps
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const size_t i = static_cast<size_t>(y) * image.width + x;
            uint8_t& dir = dirImage[y][x];
            dir = static_cast<uint8_t>((dir & BackgroundBit) | codes[i]);
            int level = 0;
            bool smooth = !(dir & BackgroundBit);
            for (int s = 0; s < raw.SingularCount && smooth; ++s) {
                const int dx = x - raw.SingularX[s];
                const int dy = y - raw.SingularY[s];
                smooth = dx * dx + dy * dy >= nearSq;
            }
            if (smooth) {
                const int u = std::min<int>(uncertainty[i], kParams.levelClampHigh);
                const int k = u >= kParams.levelClampLow ? u - kParams.levelClampLow : 0;
                level = std::min(kParams.levelBase + (kParams.levelMaximum * k + steps / 2) / steps,
                                 kParams.levelMaximum);
            }
            levels[y][x] = static_cast<uint8_t>((density[y][x] & ~7) | level);
        }
}

void LevelSmooth(ImageView src, ImageView dirImage, ImageView levels, ImageView dst) {
    CopyImage(src, dst);
    static std::vector<Point> pending;
    pending.clear();
    for (int y = 0; y < dst.height; ++y)
        for (int x = 0; x < dst.width; ++x)
            if (levels[y][x] & 7) pending.push_back({x, y});
    static Image source;
    const int w = dst.width;
    const int h = dst.height;
    while (!pending.empty()) {
        source.CopyFrom(dst);
        const PackedKernels& kernels = KernelsFor(w);
        size_t kept = 0;
        for (const Point p : pending) {
            const int code = dirImage[p.y][p.x] & DirectionBits;
            const bool inner = p.x >= LineKernelReach && p.x < w - LineKernelReach &&
                               p.y >= LineKernelReach && p.y < h - LineKernelReach;
            dst[p.y][p.x] = inner
                                ? SmoothInner(source[p.y] + p.x, code, kernels, w)
                                : static_cast<uint8_t>(OrientedSmoothPixel(source, p.x, p.y, code));
            uint8_t& level = levels[p.y][p.x];
            level = static_cast<uint8_t>((level & ~7) | ((level & 7) - 1));
            if (level & 7) pending[kept++] = p;
        }
        pending.resize(kept);
    }
}

}  // namespace mx
