#include "segmentation.h"

#include <vector>

#include "boxfilter.h"
#include "orientation.h"

namespace mx {

int SegmentForeground(ImageView dirImage, ImageView uncertainty, const RawFeatures& raw, int r) {
    const int w = uncertainty.width;
    const int h = uncertainty.height;
    const size_t n = static_cast<size_t>(w) * h;
    static std::vector<uint8_t> clean;
    clean.resize(n);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            clean[static_cast<size_t>(y) * w + x] =
                uncertainty[y][x] < kParams.pixelUncertaintyLimit ? 1 : 0;
    static std::vector<int32_t> count;
    count.resize(n);
    BoxSumPlane(clean.data(), w, h, r, count.data());

    const int side = 2 * r + 1;
    const int half = side * side / 2;
    const int keep = kParams.singularKeepRadius * kParams.singularKeepRadius;
    int64_t sum = 0;
    int64_t foreground = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool inside = count[static_cast<size_t>(y) * w + x] > half;
            for (int i = 0; !inside && i < raw.SingularCount; ++i) {
                const int dx = x - raw.SingularX[i];
                const int dy = y - raw.SingularY[i];
                inside = dx * dx + dy * dy < keep;
            }
            if (inside) {
                sum += uncertainty[y][x];
                ++foreground;
            } else {
                dirImage[y][x] |= BackgroundBit;
            }
        }
    return foreground > 0 ? static_cast<int>(sum / foreground) : 255;
}

}  // namespace mx
