#include "sensor.h"

#include <gtest/gtest.h>
#include <png.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "izzix.h"
#include "minutix.h"

namespace mx {
namespace {

namespace fs = std::filesystem;

constexpr int W = SensorWidth, H = SensorHeight;
using Image = std::vector<uint8_t>;

// A finger-like frame: vertical stripes of 0 and 255, period 6, shifted by `phase`.
Image Stripes(int phase = 0) {
    Image img(W * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) img[y * W + x] = ((x + phase) / 3) % 2 ? 255 : 0;
    return img;
}

void WritePgm(const fs::path& path, const Image& img, int w = W, int h = H) {
    std::ofstream out(path, std::ios::binary);
    out << "P5\n# test frame\n" << w << " " << h << "\n255\n";
    out.write(reinterpret_cast<const char*>(img.data()), static_cast<std::streamsize>(img.size()));
}

void WritePng(const fs::path& path, const Image& img) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = W;
    image.height = H;
    image.format = PNG_FORMAT_GRAY;
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, img.data(), W, nullptr));
}

// The 25 samples of one presence window at (r, c) set to `values`, in order.
void SetWindow(Image& img, int r, int c, const std::vector<int>& values) {
    int k = 0;
    for (int dy = 0; dy < 5; ++dy)
        for (int dx = 0; dx < 5; ++dx) img[(r + 2 * dy) * W + c + 2 * dx] = values[k++];
}

std::vector<int> Samples(std::initializer_list<std::pair<int, int>> groups) {
    std::vector<int> v;
    for (auto [value, count] : groups) v.insert(v.end(), count, value);
    return v;
}

TEST(FingerPresence, WindowsThatMustPass) {
    const int rows[3] = {106, 160, 213}, cols[3] = {93, 140, 186};
    const auto passing = Samples({{0, 12}, {255, 13}});
    const auto exactly625 = Samples({{101, 10}, {42, 6}, {100, 9}});  // Q - S*S/25 = 15625
    const auto just_below = Samples({{101, 5}, {50, 11}, {100, 9}});  // 15624
    struct Row {
        const char* name;
        int passingWindows;
        std::vector<int> ninth;  // samples of the last window
        bool present;
    } cases[] = {
        {"a flat frame", 0, {}, false},
        {"all nine windows", 9, {}, true},
        {"eight of nine", 8, {}, true},
        {"seven of nine", 7, {}, false},
        {"eight and a variance of exactly 625", 8, exactly625, true},
        {"eight and a variance just below 625", 8, just_below, false},
    };
    for (const Row& row : cases) {
        SCOPED_TRACE(row.name);
        Image img(W * H, 200);
        int k = 0;
        for (int r : rows)
            for (int c : cols) {
                if (k < row.passingWindows) SetWindow(img, r, c, passing);
                ++k;
            }
        if (!row.ninth.empty()) {
            // Seven ordinary windows and the ninth with the measured variance.
            img.assign(W * H, 200);
            for (int i = 0; i < 7; ++i) SetWindow(img, rows[i / 3], cols[i % 3], passing);
            SetWindow(img, rows[2], cols[2], row.ninth);
        }
        EXPECT_EQ(FingerPresent(img.data(), W, H), row.present);
    }
    // Pixels between the samples do not count.
    Image img(W * H, 200);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (x % 2 || y % 2) img[y * W + x] = (x * 37 + y * 11) % 256;
    EXPECT_FALSE(FingerPresent(img.data(), W, H));
}

// A folder for the simulated sensor, and the environment pointing at it.
class SimulatedSensor : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("izzix_sim_" + std::to_string(::getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        setenv("IZZIX_SIM_DIR", dir_.c_str(), 1);
        setenv("IZZIX_SIM_EMPTY_FRAMES", "2", 1);
        setenv("IZZIX_SIM_FRAME_MS", "0", 1);
        unsetenv("IZZIX_SIM_NOFINGER");
        unsetenv("IZZIX_SIM_POSITION");
    }
    void TearDown() override {
        MX_Uninitialize();
        unsetenv("IZZIX_SIM_DIR");
        fs::remove_all(dir_);
        EXPECT_EQ(DFP_SimOpenHandles(), 0) << "a device handle leaked";
    }

    // Takes one raw frame and corrects it.
    bool Frame(int32_t handle, Image& out) {
        std::vector<uint8_t> raw(DFP_RAW_FRAME_SIZE);
        out.assign(W * H, 0);
        if (DFP_Capture(handle, 30, raw.data()) != 1) return false;
        DFP_CorrectImage(raw.data(), out.data());
        return true;
    }

    fs::path dir_;
};

TEST_F(SimulatedSensor, NoFolderNoDevice) {
    unsetenv("IZZIX_SIM_DIR");
    EXPECT_EQ(DFP_Open(0), -1);
    setenv("IZZIX_SIM_DIR", (dir_ / "missing").c_str(), 1);
    EXPECT_EQ(DFP_Open(0), -1);
    IzzixSensor sensor;
    EXPECT_EQ(sensor.Handle(), 0u);
    std::unique_ptr<RowImage> image;
    int32_t w = 0, h = 0;
    EXPECT_EQ(sensor.Capture(image, w, h), 0);
    EXPECT_EQ(w, 0) << "a closed sensor leaves the size alone";
    EXPECT_EQ(sensor.IsFingerOn(), 0);
}

TEST_F(SimulatedSensor, FramesInNameOrderAfterEmptyFrames) {
    WritePgm(dir_ / "b.pgm", Stripes(1));
    WritePng(dir_ / "a.png", Stripes(0));
    std::ofstream(dir_ / "notes.txt") << "not an image";
    const int32_t handle = DFP_Open(0);
    ASSERT_NE(handle, -1);
    ASSERT_NE(handle, 0);
    EXPECT_EQ(DFP_Open(0), -1) << "the device is opened exclusively";
    EXPECT_EQ(DFP_Open(1), -1);

    Image frame;
    const Image expected[2] = {Stripes(0), Stripes(1)};
    for (int round = 0; round < 3; ++round) {
        for (int empty = 0; empty < 2; ++empty) {
            ASSERT_TRUE(Frame(handle, frame));
            EXPECT_FALSE(FingerPresent(frame.data(), W, H));
        }
        ASSERT_TRUE(Frame(handle, frame));
        EXPECT_EQ(frame, expected[round % 2]) << "round " << round;
    }
    EXPECT_EQ(DFP_Close(handle), 1);
    EXPECT_EQ(DFP_Capture(handle, 30, std::vector<uint8_t>(DFP_RAW_FRAME_SIZE).data()), 0);
    EXPECT_EQ(DFP_Close(handle), 0);
}

TEST_F(SimulatedSensor, TheFolderPositionOutlivesTheDevice) {
    // The console opens the sensor anew for every finger; each finger is the next image.
    WritePgm(dir_ / "a.pgm", Stripes(0));
    WritePgm(dir_ / "b.pgm", Stripes(1));
    setenv("IZZIX_SIM_EMPTY_FRAMES", "0", 1);
    Image frame;
    for (int finger = 0; finger < 3; ++finger) {
        const int32_t handle = DFP_Open(0);
        ASSERT_NE(handle, -1);
        ASSERT_TRUE(Frame(handle, frame));
        EXPECT_EQ(frame, Stripes(finger % 2)) << "finger " << finger;
        EXPECT_EQ(DFP_Close(handle), 1);
    }
}

TEST_F(SimulatedSensor, ControlFileAndOddSizes) {
    // A smaller image is centred on a white frame; "next" names the file to serve.
    Image small(100 * 50, 0);
    WritePgm(dir_ / "small.pgm", small, 100, 50);
    WritePgm(dir_ / "a.pgm", Stripes());
    std::ofstream(dir_ / "next") << "small.pgm\n";
    setenv("IZZIX_SIM_EMPTY_FRAMES", "0", 1);
    const int32_t handle = DFP_Open(0);
    Image frame;
    ASSERT_TRUE(Frame(handle, frame));
    EXPECT_EQ(frame[0], 255);
    EXPECT_EQ(frame[(160 - 25) * W + 90], 0);
    EXPECT_EQ(frame[(160 - 26) * W + 90], 255);

    std::ofstream(dir_ / "next") << "absent.pgm\n";
    EXPECT_FALSE(Frame(handle, frame)) << "an unreadable file is a driver failure";
    fs::remove(dir_ / "next");
    ASSERT_TRUE(Frame(handle, frame));
    EXPECT_EQ(frame, Stripes());
    DFP_Close(handle);
}

TEST_F(SimulatedSensor, CaptureWaitsForTheFinger) {
    WritePgm(dir_ / "f.pgm", Stripes());
    IzzixSensor sensor;
    ASSERT_NE(sensor.Handle(), 0u);
    EXPECT_EQ(sensor.GetName(), "IZZIX Sensor");
    EXPECT_EQ(sensor.GetMaker(), "IZZIX");
    EXPECT_EQ(sensor.GetResolution(), 500);
    EXPECT_EQ(sensor.IsFingerOn(), 0);  // the first of two empty frames
    std::unique_ptr<RowImage> image;
    int32_t w = 0, h = 0;
    ASSERT_EQ(sensor.Capture(image, w, h), 1);
    EXPECT_EQ(w, 280);
    EXPECT_EQ(h, 320);
    const Image expected = Stripes();
    for (int y = 0; y < H; ++y)
        ASSERT_EQ(0, std::memcmp(image->rows[y], expected.data() + y * W, W)) << "row " << y;
    EXPECT_EQ(0, std::memcmp(sensor.ImageBuffer(), expected.data(), W * H));
}

TEST_F(SimulatedSensor, CaptureTimesOutWithoutAFinger) {
    WritePgm(dir_ / "f.pgm", Stripes());
    setenv("IZZIX_SIM_NOFINGER", "1", 1);
    IzzixSensor sensor;
    sensor.SetCaptureTimeout(100);
    std::unique_ptr<RowImage> image;
    int32_t w = 0, h = 0;
    EXPECT_EQ(sensor.Capture(image, w, h), 0);
    EXPECT_EQ(w, 280) << "the size is set before the wait";
    EXPECT_EQ(image, nullptr);
}

TEST_F(SimulatedSensor, InitialisingTwiceClosesTheOldHandle) {
    WritePgm(dir_ / "f.pgm", Stripes());
    EXPECT_EQ(MX_Initialize(), 1);
    EXPECT_EQ(MX_Initialize(), 1) << "the device is probed again";
    EXPECT_EQ(DFP_SimOpenHandles(), 1);
    EXPECT_EQ(MX_IsSensorOn(), 1);
    MX_Uninitialize();
    EXPECT_EQ(DFP_SimOpenHandles(), 0);
    EXPECT_EQ(MX_IsSensorOn(), 0);
    EXPECT_EQ(MX_GetImageBuffer(), nullptr);
}

}  // namespace
}  // namespace mx
