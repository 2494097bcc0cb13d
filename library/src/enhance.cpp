#include "enhance.h"

#include <array>
#include <cmath>
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

// Directions estimated from the image itself over the window of radius r, per pixel.
void EstimateImageDirections(ImageView image, int r, std::vector<uint8_t>& codes,
                             std::vector<uint8_t>* uncertainty) {
    DirectionSums sums;
    ComputeDirectionSums(image, r, sums);
    const size_t n = sums.d[0].size();
    codes.resize(n);
    if (uncertainty) uncertainty->resize(n);
    for (size_t i = 0; i < n; ++i) {
        const auto est = EstimateDirection(sums.d[0][i], sums.d[1][i], sums.d[2][i], sums.d[3][i],
                                           NoContrastTest);
        codes[i] = static_cast<uint8_t>(est.code);
        if (uncertainty) (*uncertainty)[i] = static_cast<uint8_t>(est.uncertainty);
    }
}

}  // namespace

const LineKernel* LineKernelTable() {
    static const std::array<LineKernel, 120> table = BuildLineKernels();
    return table.data();
}

void NormaliseContrast(ImageView input, ImageView meanAndResult, int r) {
    const int w = input.width;
    const int h = input.height;
    if (w <= 0 || h <= 0) return;
    const size_t n = static_cast<size_t>(w) * h;
    std::vector<uint8_t> deviation(n);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            deviation[static_cast<size_t>(y) * w + x] =
                static_cast<uint8_t>(std::abs(input[y][x] - meanAndResult[y][x]));
    std::vector<int32_t> sums(n);
    BoxSumPlane(deviation.data(), w, h, r, sums.data());
    const auto& divisors = StretchDivisors();
    ForEachWindowMean(sums.data(), w, h, r, [&](int x, int y, int d) {
        const int m = meanAndResult[y][x];
        const int v = input[y][x];
        const int lo = m < d ? 0 : m - d;
        const int hi = m > 255 - d ? 255 : m + d;
        int result;
        if (hi == lo)
            result = v;
        else if (v <= lo)
            result = 0;
        else if (v >= hi)
            result = 255;
        else
            result = static_cast<int>(divisors[hi - lo].Divide((v - lo) * 255));
        meanAndResult[y][x] = static_cast<uint8_t>(result);
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

void OrientedSmooth(ImageView image, ImageView dirImage) {
    const Image source = Image::CopyOf(image);
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            image[y][x] = static_cast<uint8_t>(
                OrientedSmoothPixel(source, x, y, dirImage[y][x] & DirectionBits));
}

void IterativeOrientedSmooth(ImageView image, int r, int passes) {
    std::vector<uint8_t> codes;
    for (int pass = 0; pass < passes; ++pass) {
        EstimateImageDirections(image, r, codes, nullptr);
        const Image source = Image::CopyOf(image);
        for (int y = 0; y < image.height; ++y) {
            const uint8_t* rowCodes = codes.data() + static_cast<size_t>(y) * image.width;
            for (int x = 0; x < image.width; ++x)
                image[y][x] = static_cast<uint8_t>(OrientedSmoothPixel(source, x, y, rowCodes[x]));
        }
    }
}

void SmoothingLevels(ImageView image, ImageView dirImage, ImageView levels, const RawFeatures& raw,
                     int r) {
    std::vector<uint8_t> codes;
    std::vector<uint8_t> uncertainty;
    EstimateImageDirections(image, r, codes, &uncertainty);
    const int nearSq = kParams.levelSingularRadius * kParams.levelSingularRadius;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const size_t i = static_cast<size_t>(y) * image.width + x;
            uint8_t& dir = dirImage[y][x];
            dir = static_cast<uint8_t>((dir & BackgroundBit) | codes[i]);
            uint8_t& level = levels[y][x];
            level &= static_cast<uint8_t>(~7);
            if (dir & BackgroundBit) continue;
            bool nearSingular = false;
            for (int s = 0; s < raw.SingularCount && !nearSingular; ++s) {
                const int dx = x - raw.SingularX[s];
                const int dy = y - raw.SingularY[s];
                nearSingular = dx * dx + dy * dy < nearSq;
            }
            if (nearSingular) continue;
            const int u = std::min<int>(uncertainty[i], kParams.levelClampHigh);
            const int k = u >= kParams.levelClampLow ? u - kParams.levelClampLow : 0;
            const int scale = kParams.levelClampHigh - kParams.levelClampLow;  // 12 steps
            const int value = kParams.levelBase + (kParams.levelMaximum * k + scale / 2) / scale;
            level |= static_cast<uint8_t>(std::min(value, kParams.levelMaximum));
        }
}

void LevelSmooth(ImageView image, ImageView dirImage, ImageView levels) {
    std::vector<Point> pending;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (levels[y][x] & 7) pending.push_back({x, y});
    Image source(image.width, image.height);
    while (!pending.empty()) {
        CopyImage(image, source);
        size_t kept = 0;
        for (const Point p : pending) {
            image[p.y][p.x] = static_cast<uint8_t>(
                OrientedSmoothPixel(source, p.x, p.y, dirImage[p.y][p.x] & DirectionBits));
            uint8_t& level = levels[p.y][p.x];
            level = static_cast<uint8_t>((level & ~7) | ((level & 7) - 1));
            if (level & 7) pending[kept++] = p;
        }
        pending.resize(kept);
    }
}

}  // namespace mx
