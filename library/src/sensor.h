// The sensor layer: an abstract sensor, the IZZIX implementation over its driver, and the
// finger-presence test that the capture loop runs on every frame.
#pragma once

#include <cstdint>
#include <string>

#include "state.h"

namespace mx {

constexpr int SensorWidth = 280;
constexpr int SensorHeight = 320;
constexpr int SensorResolution = 500;  // dots per inch
constexpr uint32_t DefaultCaptureTimeoutMs = 5000;

class SensorDevice {
  public:
    virtual int Open() = 0;  // afterwards Handle() is non-zero when a device is open
    virtual void Close() = 0;
    virtual std::string GetName() const = 0;
    virtual std::string GetMaker() const = 0;
    virtual int GetResolution() const = 0;
    // Waits for a finger and delivers its image; 1 on success, 0 on failure.
    virtual int Capture(std::unique_ptr<RowImage>& image, int32_t& width, int32_t& height) = 0;
    virtual int IsFingerOn() = 0;
    virtual ~SensorDevice() = default;

    virtual uint32_t Handle() const = 0;
    virtual uint8_t* ImageBuffer() = 0;  // the most recent corrected frame
};

class IzzixSensor : public SensorDevice {
  public:
    IzzixSensor() { Open(); }
    ~IzzixSensor() override { Close(); }
    IzzixSensor(const IzzixSensor&) = delete;
    IzzixSensor& operator=(const IzzixSensor&) = delete;

    int Open() override;
    void Close() override;
    std::string GetName() const override { return "IZZIX Sensor"; }
    std::string GetMaker() const override { return "IZZIX"; }
    int GetResolution() const override { return SensorResolution; }
    int Capture(std::unique_ptr<RowImage>& image, int32_t& width, int32_t& height) override;
    int IsFingerOn() override;

    uint32_t Handle() const override { return handle_; }
    uint8_t* ImageBuffer() override { return image_; }

    // For tests that exercise the time-out without waiting the full 5 s; Open resets it.
    void SetCaptureTimeout(uint32_t ms) { captureTimeout_ = ms; }

  private:
    // One frame from the driver into image_; false when the driver fails.
    bool TakeFrame();

    uint32_t handle_ = 0;
    uint32_t captureTimeout_ = DefaultCaptureTimeoutMs;
    uint8_t raw_[120800] = {};  // DFP_RAW_FRAME_SIZE
    uint8_t image_[SensorWidth * SensorHeight] = {};
};

// True when at least 8 of 9 sample windows (5 x 5 samples at a stride of 2 around rows h/3, h/2,
// 2h/3 and columns w/3, w/2, 2w/3) have a grey-level variance of at least 625. `image` is
// row-major with w bytes per row.
bool FingerPresent(const uint8_t* image, int w, int h);

}  // namespace mx
