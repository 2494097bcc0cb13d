// Grey images as arrays of row pointers (row 0 at the top, 0 black, 255 white).
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace mx {

// A non-owning view of an image through its row pointers; stages read and write through it.
struct ImageView {
    uint8_t* const* rows = nullptr;
    int width = 0;
    int height = 0;

    uint8_t* operator[](int y) const { return rows[y]; }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

// An owned image with its row pointer array.
class Image {
  public:
    Image() = default;
    Image(int width, int height, uint8_t fill = 0)
        : width_(width), height_(height), pixels_(static_cast<size_t>(width) * height, fill) {
        BindRows();
    }
    Image(const Image& other)
        : width_(other.width_), height_(other.height_), pixels_(other.pixels_) {
        BindRows();
    }
    Image& operator=(const Image& other) {
        if (this != &other) {
            width_ = other.width_;
            height_ = other.height_;
            pixels_ = other.pixels_;
            BindRows();
        }
        return *this;
    }
    Image(Image&&) noexcept = default;  // the pixel buffer moves, so the row pointers stay valid
    Image& operator=(Image&&) noexcept = default;

    // Makes this image a copy of view, keeping the buffer when the size stays the same.
    void CopyFrom(ImageView view) {
        if (view.width != width_ || view.height != height_) {
            width_ = view.width;
            height_ = view.height;
            pixels_.resize(static_cast<size_t>(width_) * height_);
            BindRows();
        }
        for (int y = 0; y < height_; ++y) std::memcpy(rows_[y], view[y], width_);
    }

    static Image CopyOf(ImageView view) {
        Image image(view.width, view.height);
        for (int y = 0; y < view.height; ++y) std::memcpy(image[y], view[y], view.width);
        return image;
    }

    ImageView View() const { return {rows_.data(), width_, height_}; }
    operator ImageView() const { return View(); }
    uint8_t* operator[](int y) { return rows_[y]; }
    const uint8_t* operator[](int y) const { return rows_[y]; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void Fill(uint8_t value) { std::fill(pixels_.begin(), pixels_.end(), value); }

  private:
    void BindRows() {
        rows_.resize(height_);
        for (int y = 0; y < height_; ++y)
            rows_[y] = pixels_.data() + static_cast<size_t>(y) * width_;
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> pixels_;
    std::vector<uint8_t*> rows_;
};

// Stages keep their scratch buffers in function-local statics: the extraction runs many stages
// on images of one size, and fresh pages cost more than the work on them. Like the rest of the
// library, the extraction therefore runs on one thread at a time. (Not thread_local: a library
// with thread-local destructors stays loaded after dlclose.)

// Copies `from` into `to`; both have the same size.
inline void CopyImage(ImageView from, ImageView to) {
    if (from.rows == to.rows) return;
    for (int y = 0; y < from.height; ++y) std::memcpy(to[y], from[y], from.width);
}

// Stages that write dst from the values of src accept dst == src: the source is then copied
// into `keep` first, and the returned view is the one to read from.
inline ImageView StableSource(ImageView src, ImageView dst, Image& keep) {
    if (src.rows != dst.rows) return src;
    keep.CopyFrom(src);
    return keep.View();
}

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Folds an angle difference in degrees into 0..180.
inline int FoldDegrees(int a, int b) {
    int d = a > b ? a - b : b - a;
    d %= 360;
    return d > 180 ? 360 - d : d;
}

// Folds a direction-code difference into 0..60 (codes are half turns of 120 steps).
inline int FoldCodes(int a, int b) {
    const int f = a > b ? a - b : b - a;
    return f >= 61 ? 120 - f : f;
}

}  // namespace mx
