#include "orientation.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "boxfilter.h"

namespace mx {

namespace {

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

void EstimateImageDirections(ImageView image, int r, int contrastThreshold,
                             std::vector<uint8_t>& codes, std::vector<uint8_t>* uncertainty) {
    const size_t n = static_cast<size_t>(image.width) * image.height;
    codes.resize(n);
    if (uncertainty) uncertainty->resize(n);
    uint8_t* c = codes.data();
    if (uncertainty) {
        uint8_t* u = uncertainty->data();
        ForEachDirectionWindow(image, r, [&](size_t i, int d0, int d1, int d2, int d3) {
            const auto est = EstimateDirection(d0, d1, d2, d3, contrastThreshold);
            c[i] = static_cast<uint8_t>(est.code);
            u[i] = static_cast<uint8_t>(est.uncertainty);
        });
    } else {
        ForEachDirectionWindow(image, r, [&](size_t i, int d0, int d1, int d2, int d3) {
            c[i] = static_cast<uint8_t>(EstimateDirectionCode(d0, d1, d2, d3));
        });
    }
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

BlockField MaskBlocks(const BlockField& blocks) {
    BlockField field = blocks;
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
    return field;
}

void PixelOrientation(ImageView normalised, ImageView dirImage, ImageView uncertainty, int r) {
    static std::vector<uint8_t> codes;
    static std::vector<uint8_t> values;
    EstimateImageDirections(normalised, r, kParams.PixelContrastLimit(), codes, &values);
    for (int y = 0; y < normalised.height; ++y) {
        const size_t row = static_cast<size_t>(y) * normalised.width;
        for (int x = 0; x < normalised.width; ++x) {
            dirImage[y][x] =
                static_cast<uint8_t>((dirImage[y][x] & BackgroundBit) | codes[row + x]);
            uncertainty[y][x] = values[row + x];
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
