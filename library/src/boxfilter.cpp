#include "boxfilter.h"

namespace mx {

void BoxMean(ImageView src, int r, ImageView dst) {
    const int w = src.width;
    const int h = src.height;
    if (w <= 0 || h <= 0) return;
    static std::vector<int32_t> sums;
    sums.resize(static_cast<size_t>(w) * h);
    BoxSum(src, r, sums.data());
    ForEachWindowMean(sums.data(), w, h, r,
                      [&](int x, int y, int mean) { dst[y][x] = static_cast<uint8_t>(mean); });
}

}  // namespace mx
