#include "sensor.h"

#include <chrono>
#include <cstring>

#include "izzix.h"

namespace mx {

namespace {

constexpr int MaxDeviceIndex = 100;
constexpr int32_t FrameWaitMs = 30;
constexpr int WindowSamples = 5;            // per axis, at a stride of 2 pixels
constexpr int64_t MinWindowVariance = 625;  // a standard deviation of 25 grey levels
constexpr int MinPassingWindows = 8;

}  // namespace

bool FingerPresent(const uint8_t* image, int w, int h) {
    const int rows[3] = {h / 3, h / 2, 2 * h / 3};
    const int cols[3] = {w / 3, w / 2, 2 * w / 3};
    constexpr int n = WindowSamples * WindowSamples;
    int passing = 0;
    for (int r : rows) {
        for (int c : cols) {
            if (r + 2 * (WindowSamples - 1) >= h || c + 2 * (WindowSamples - 1) >= w) continue;
            int64_t sum = 0, squares = 0;
            for (int dy = 0; dy < WindowSamples; ++dy) {
                const uint8_t* row = image + static_cast<size_t>(r + 2 * dy) * w;
                for (int dx = 0; dx < WindowSamples; ++dx) {
                    const int v = row[c + 2 * dx];
                    sum += v;
                    squares += v * v;
                }
            }
            if (squares - (sum * sum) / n >= MinWindowVariance * n) ++passing;
        }
    }
    return passing >= MinPassingWindows;
}

int IzzixSensor::Open() {
    captureTimeout_ = DefaultCaptureTimeoutMs;
    handle_ = 0;
    for (int index = 0; index < MaxDeviceIndex; ++index) {
        const int32_t handle = DFP_Open(index);
        if (handle != -1) {
            handle_ = static_cast<uint32_t>(handle);
            break;
        }
    }
    return handle_ != 0 ? 1 : 0;
}

void IzzixSensor::Close() {
    if (handle_ != 0) DFP_Close(static_cast<int32_t>(handle_));
    handle_ = 0;
}

bool IzzixSensor::TakeFrame() {
    if (DFP_Capture(static_cast<int32_t>(handle_), FrameWaitMs, raw_) != 1) return false;
    DFP_CorrectImage(raw_, image_);
    return true;
}

int IzzixSensor::Capture(std::unique_ptr<RowImage>& image, int32_t& width, int32_t& height) {
    if (handle_ == 0) return 0;
    width = SensorWidth;
    height = SensorHeight;
    const auto start = std::chrono::steady_clock::now();
    for (;;) {
        if (!TakeFrame()) return 0;
        if (FingerPresent(image_, SensorWidth, SensorHeight)) break;
        const auto waited = std::chrono::steady_clock::now() - start;
        if (waited >= std::chrono::milliseconds(captureTimeout_)) return 0;
    }
    image = std::make_unique<RowImage>(SensorWidth, SensorHeight);
    for (int y = 0; y < SensorHeight; ++y)
        std::memcpy(image->rows[y], image_ + static_cast<size_t>(y) * SensorWidth, SensorWidth);
    return 1;
}

int IzzixSensor::IsFingerOn() {
    if (!TakeFrame()) return 0;
    return FingerPresent(image_, SensorWidth, SensorHeight) ? 1 : 0;
}

}  // namespace mx
