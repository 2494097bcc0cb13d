// Simulated IZZIX sensor: a folder of fingerprint images stands in for fingers on the platen.
// The raw frame mimics a sensor that reads ridges bright, on a frame larger than the image it
// delivers; DFP_CorrectImage crops and inverts it into the 280 x 320 grey image.
#include <png.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "izzix.h"

namespace {

namespace fs = std::filesystem;

constexpr int RawWidth = 302;
constexpr int RawHeight = 400;
constexpr int CropLeft = 11;
constexpr int CropTop = 40;
constexpr int Width = DFP_IMAGE_WIDTH;
constexpr int Height = DFP_IMAGE_HEIGHT;
constexpr int DefaultEmptyFrames = 3;
constexpr int DefaultFrameMs = 10;
constexpr uint8_t EmptyPlatenGrey = 236;  // bright, almost flat: no finger
constexpr int32_t FirstHandle = 0x1000;

static_assert(RawWidth * RawHeight == DFP_RAW_FRAME_SIZE);
static_assert(CropLeft + Width <= RawWidth && CropTop + Height <= RawHeight);

struct Device {
    fs::path dir;
    std::vector<fs::path> files;  // images in name order
    size_t nextFile = 0;
    int emptyFrames = DefaultEmptyFrames;
    int emptyLeft = DefaultEmptyFrames;
    bool noFinger = false;
    int frameMs = DefaultFrameMs;
    unsigned noise = 1;
};

std::map<int32_t, Device> openDevices;
int32_t lastHandle = FirstHandle;

int EnvInt(const char* name, int fallback) {
    const char* v = std::getenv(name);
    if (v == nullptr || *v == '\0') return fallback;
    char* end = nullptr;
    const long n = std::strtol(v, &end, 10);
    if (*end != '\0' || n < 0) return fallback;
    return static_cast<int>(std::min(n, 100000L));
}

bool IsImageName(const fs::path& p) {
    std::string ext = p.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext == ".pgm" || ext == ".png";
}

// Skips whitespace and comments of a PGM header, then reads one decimal number.
bool PgmNumber(std::istream& in, int& value) {
    for (;;) {
        int c = in.peek();
        if (c == '#') {
            std::string line;
            std::getline(in, line);
        } else if (std::isspace(c)) {
            in.get();
        } else {
            break;
        }
    }
    return static_cast<bool>(in >> value);
}

bool ReadPgm(const fs::path& path, int& w, int& h, std::vector<uint8_t>& pixels) {
    std::ifstream in(path, std::ios::binary);
    char magic[2] = {};
    if (!in.read(magic, 2) || magic[0] != 'P' || (magic[1] != '5' && magic[1] != '2')) return false;
    int maxval = 0;
    if (!PgmNumber(in, w) || !PgmNumber(in, h) || !PgmNumber(in, maxval)) return false;
    if (w <= 0 || h <= 0 || w > 8192 || h > 8192 || maxval <= 0 || maxval > 65535) return false;
    pixels.assign(static_cast<size_t>(w) * h, 0);
    if (magic[1] == '2') {
        for (auto& p : pixels) {
            int v = 0;
            if (!PgmNumber(in, v)) return false;
            p = static_cast<uint8_t>(std::clamp(v, 0, maxval) * 255 / maxval);
        }
        return true;
    }
    in.get();  // the single whitespace byte after maxval
    const int bytesPerSample = maxval > 255 ? 2 : 1;
    std::vector<uint8_t> raw(pixels.size() * bytesPerSample);
    if (!in.read(reinterpret_cast<char*>(raw.data()), static_cast<std::streamsize>(raw.size())))
        return false;
    for (size_t i = 0; i < pixels.size(); ++i) {
        const int v = bytesPerSample == 2 ? (raw[2 * i] << 8 | raw[2 * i + 1]) : raw[i];
        pixels[i] = static_cast<uint8_t>(std::min(v, maxval) * 255 / maxval);
    }
    return true;
}

bool ReadPng(const fs::path& path, int& w, int& h, std::vector<uint8_t>& pixels) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_GRAY;
    w = static_cast<int>(image.width);
    h = static_cast<int>(image.height);
    if (w <= 0 || h <= 0 || w > 8192 || h > 8192) {
        png_image_free(&image);
        return false;
    }
    pixels.assign(PNG_IMAGE_SIZE(image), 0);
    const png_color white = {255, 255, 255};  // background for transparent pixels
    if (!png_image_finish_read(&image, &white, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return true;
}

// Reads a grey image and centres it on the 280 x 320 frame, cropping or padding with white.
bool LoadFinger(const fs::path& path, std::vector<uint8_t>& frame) {
    int w = 0, h = 0;
    std::vector<uint8_t> pixels;
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    const bool ok = ext == ".png" ? ReadPng(path, w, h, pixels) : ReadPgm(path, w, h, pixels);
    if (!ok) return false;
    frame.assign(static_cast<size_t>(Width) * Height, 255);
    const int dx = (Width - w) / 2, dy = (Height - h) / 2;
    for (int y = 0; y < Height; ++y) {
        const int sy = y - dy;
        if (sy < 0 || sy >= h) continue;
        for (int x = 0; x < Width; ++x) {
            const int sx = x - dx;
            if (sx >= 0 && sx < w) frame[y * Width + x] = pixels[static_cast<size_t>(sy) * w + sx];
        }
    }
    return true;
}

// Process environment entry holding the index of the next image across opens and unloads.
constexpr const char* PositionVariable = "IZZIX_SIM_POSITION";

// The file named in the folder's control file "next", if there is one.
bool NextFromControlFile(const Device& dev, fs::path& path) {
    std::ifstream in(dev.dir / "next");
    if (!in) return false;
    std::string name;
    std::getline(in, name);
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) name.pop_back();
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.front())))
        name.erase(name.begin());
    if (name.empty()) return false;
    path = fs::path(name).is_absolute() ? fs::path(name) : dev.dir / name;
    return true;
}

void WriteRaw(const std::vector<uint8_t>& frame, uint8_t* raw) {
    std::memset(raw, 0, DFP_RAW_FRAME_SIZE);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            raw[(y + CropTop) * RawWidth + x + CropLeft] =
                static_cast<uint8_t>(255 - frame[y * Width + x]);
}

void WriteEmptyRaw(Device& dev, uint8_t* raw) {
    std::memset(raw, 0, DFP_RAW_FRAME_SIZE);
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x) {
            dev.noise = dev.noise * 1103515245u + 12345u;
            const int grey = EmptyPlatenGrey + static_cast<int>((dev.noise >> 16) % 5) - 2;
            raw[(y + CropTop) * RawWidth + x + CropLeft] = static_cast<uint8_t>(255 - grey);
        }
}

}  // namespace

extern "C" {

int32_t DFP_Open(int32_t index) {
    const char* dir = std::getenv("IZZIX_SIM_DIR");
    if (dir == nullptr || *dir == '\0' || index != 0) return -1;
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) return -1;
    // The one simulated device is opened exclusively, as a USB sensor would be.
    if (!openDevices.empty()) return -1;

    Device dev;
    dev.dir = dir;
    for (const auto& entry : fs::directory_iterator(dev.dir, ec)) {
        if (entry.is_regular_file(ec) && IsImageName(entry.path()))
            dev.files.push_back(entry.path());
    }
    std::sort(dev.files.begin(), dev.files.end());
    dev.nextFile = static_cast<size_t>(std::max(EnvInt(PositionVariable, 0), 0));
    dev.emptyFrames = EnvInt("IZZIX_SIM_EMPTY_FRAMES", DefaultEmptyFrames);
    dev.emptyLeft = dev.emptyFrames;
    const char* noFinger = std::getenv("IZZIX_SIM_NOFINGER");
    dev.noFinger = noFinger != nullptr && std::strcmp(noFinger, "1") == 0;
    dev.frameMs = EnvInt("IZZIX_SIM_FRAME_MS", DefaultFrameMs);

    const int32_t handle = ++lastHandle;
    openDevices.emplace(handle, std::move(dev));
    return handle;
}

int32_t DFP_Close(int32_t handle) {
    return openDevices.erase(handle) == 1 ? 1 : 0;
}

int32_t DFP_Capture(int32_t handle, int32_t waitMs, uint8_t* raw) {
    auto it = openDevices.find(handle);
    if (it == openDevices.end() || raw == nullptr) return 0;
    Device& dev = it->second;
    const int sleepMs = std::min(std::max(waitMs, 0), dev.frameMs);
    if (sleepMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(sleepMs));

    if (dev.noFinger || dev.emptyLeft > 0) {
        if (dev.emptyLeft > 0) --dev.emptyLeft;
        WriteEmptyRaw(dev, raw);
        return 1;
    }

    fs::path path;
    if (!NextFromControlFile(dev, path)) {
        if (dev.files.empty()) return 0;
        path = dev.files[dev.nextFile % dev.files.size()];
        ++dev.nextFile;
        // The position outlives the device and the library (the console loads the library per
        // enrolment window), so that one finger after another walks through the folder.
        char position[24];
        std::snprintf(position, sizeof position, "%zu", dev.nextFile % dev.files.size());
        ::setenv(PositionVariable, position, 1);
    }
    std::vector<uint8_t> frame;
    if (!LoadFinger(path, frame)) return 0;
    WriteRaw(frame, raw);
    dev.emptyLeft = dev.emptyFrames;  // the finger is lifted before the next one
    return 1;
}

void DFP_CorrectImage(const uint8_t* raw, uint8_t* image) {
    if (raw == nullptr || image == nullptr) return;
    for (int y = 0; y < Height; ++y)
        for (int x = 0; x < Width; ++x)
            image[y * Width + x] =
                static_cast<uint8_t>(255 - raw[(y + CropTop) * RawWidth + x + CropLeft]);
}

int32_t DFP_SimOpenHandles(void) {
    return static_cast<int32_t>(openDevices.size());
}

}  // extern "C"
