#include "draw.h"

#include <algorithm>
#include <utility>

namespace mx {

namespace {

struct Target {
    const MX_Surface& s;
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < s.width && y < s.height; }
    uint32_t* Row(int y) const {
        return reinterpret_cast<uint32_t*>(reinterpret_cast<uint8_t*>(s.pixels) +
                                           static_cast<int64_t>(y) * s.stride);
    }
    void Put(int x, int y, uint32_t colour) const {
        if (Inside(x, y)) Row(y)[x] = colour;
    }
};

uint32_t Grey(int v) {
    const uint32_t g = static_cast<uint32_t>(v);
    return 0xFF000000u | g << 16 | g << 8 | g;
}

// Source pixels covering each destination pixel of one axis, with their overlap: destination
// k covers [k * src, (k + 1) * src) in units where source pixel i covers [i * dst, (i + 1) * dst).
struct Span {
    int first;
    std::vector<int> weights;  // overlap of source pixels first, first + 1, ...; sum = src
};

Span AreaSpan(int src, int dst, int k) {
    const int64_t lo = int64_t{k} * src, hi = int64_t{k + 1} * src;
    Span span;
    span.first = static_cast<int>(lo / dst);
    for (int64_t i = span.first; i * dst < hi; ++i) {
        const int64_t a = std::max(lo, i * dst), b = std::min(hi, (i + 1) * dst);
        span.weights.push_back(static_cast<int>(b - a));
    }
    return span;
}

void Stretch(const Target& t, const DisplayImage& image, int left, int top, int width, int height,
             bool mirrorX, bool mirrorY) {
    // Only the part of the rectangle that lies on the surface is computed.
    const int xBegin = std::max(left, 0),
              xEnd = std::min<int64_t>(int64_t{left} + width, t.s.width);
    const int yBegin = std::max(top, 0),
              yEnd = std::min<int64_t>(int64_t{top} + height, t.s.height);
    if (xBegin >= xEnd || yBegin >= yEnd) return;
    std::vector<Span> xs;
    for (int x = xBegin; x < xEnd; ++x) {
        const int m = x - left;
        xs.push_back(AreaSpan(image.width, width, mirrorX ? width - 1 - m : m));
    }
    const int64_t total = int64_t{image.width} * image.height;
    for (int y = yBegin; y < yEnd; ++y) {
        const int k = y - top;
        const Span sy = AreaSpan(image.height, height, mirrorY ? height - 1 - k : k);
        for (int x = xBegin; x < xEnd; ++x) {
            const Span& sx = xs[x - xBegin];
            int64_t sum = 0;
            for (size_t j = 0; j < sy.weights.size(); ++j) {
                const uint8_t* row = image.pixels.data() +
                                     static_cast<size_t>(sy.first + j) * image.width + sx.first;
                int64_t rowSum = 0;
                for (size_t i = 0; i < sx.weights.size(); ++i) rowSum += row[i] * sx.weights[i];
                sum += rowSum * sy.weights[j];
            }
            t.Row(y)[x] = Grey(static_cast<int>((sum + total / 2) / total));
        }
    }
}

// A line of the 3-pixel pen from (x0, y) up to, not including, (x1, y), or vertical likewise.
void HorizontalBand(const Target& t, int y, int x0, int x1) {
    x0 = std::max(x0, 0);
    x1 = std::min(x1, t.s.width);
    for (int x = x0; x < x1; ++x)
        for (int d = -CoreCrossPen / 2; d <= CoreCrossPen / 2; ++d)
            t.Put(x, y + d, CoreCrossColour);
}
void VerticalBand(const Target& t, int x, int y0, int y1) {
    y0 = std::max(y0, 0);
    y1 = std::min(y1, t.s.height);
    for (int y = y0; y < y1; ++y)
        for (int d = -CoreCrossPen / 2; d <= CoreCrossPen / 2; ++d)
            t.Put(x + d, y, CoreCrossColour);
}

}  // namespace

void DrawImage(const MX_Surface& surface, const DisplayImage* image, int left, int top, int right,
               int bottom, bool showCore, int coreX, int coreY, int imageWidth, int imageHeight) {
    if (surface.pixels == nullptr || surface.width <= 0 || surface.height <= 0 ||
        surface.stride < surface.width * 4)
        return;
    const Target t{surface};
    const int x0 = std::min(left, right), x1 = std::max(left, right);
    const int y0 = std::min(top, bottom), y1 = std::max(top, bottom);

    if (image != nullptr && image->width > 0 && image->height > 0) {
        if (right - left == image->width && bottom - top == image->height) {
            for (int y = 0; y < image->height; ++y)
                for (int x = 0; x < image->width; ++x)
                    t.Put(left + x, top + y,
                          Grey(image->pixels[static_cast<size_t>(y) * image->width + x]));
        } else if (x1 > x0 && y1 > y0) {
            // A rectangle given right-to-left or bottom-up shows the image mirrored.
            Stretch(t, *image, x0, y0, x1 - x0, y1 - y0, right < left, bottom < top);
        }
    } else {
        for (int y = std::max(y0, 0); y < std::min(y1, surface.height); ++y)
            std::fill(t.Row(y) + std::max(x0, 0), t.Row(y) + std::min(x1, surface.width),
                      WhitePixel);
    }

    if (!showCore || coreX == -1 || imageWidth <= 0 || imageHeight <= 0) return;
    const int w = right - left, h = bottom - top;
    int hx = w / 10, hy = h / 10;
    const int px = static_cast<int>(int64_t{coreX} * w / imageWidth + left);
    const int py = static_cast<int>(int64_t{coreY} * h / imageHeight + top);
    if (left > right) {
        std::swap(left, right);
        hx = -hx;
    }
    if (top > bottom) {
        std::swap(top, bottom);
        hy = -hy;
    }
    HorizontalBand(t, py, std::max(px - hx, left + 1), std::min(px + hx, right - 2));
    VerticalBand(t, px, std::max(py - hy, top + 1), std::min(py + hy, bottom - 2));
}

}  // namespace mx
