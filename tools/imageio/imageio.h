// Grey images for the tools: PGM, PNG and TIFF in, PGM and PNG out, and the fit to the
// sensor's 280 x 320 frame around the print's centre of mass.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace imageio {

struct GreyImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // row-major, row 0 at the top, 0 black (ridge), 255 white
    uint8_t* row(int y) { return pixels.data() + static_cast<size_t>(y) * width; }
    const uint8_t* row(int y) const { return pixels.data() + static_cast<size_t>(y) * width; }
};

struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> pixels;  // row-major RGB triples
};

// Reads an 8-bit grey (colour is converted) PGM, PNG or TIFF file. On failure returns false
// and puts a readable reason into *error when given.
bool ReadGrey(const std::string& path, GreyImage& out, std::string* error = nullptr);

bool WritePgm(const std::string& path, const GreyImage& image, std::string* error = nullptr);
bool WritePng(const std::string& path, const GreyImage& image, std::string* error = nullptr);
bool WritePng(const std::string& path, const RgbImage& image, std::string* error = nullptr);

// Crops or pads (white) to width x height so that the centre of mass of the dark pixels lands
// at the centre of the frame. An image already of that size is returned unchanged.
GreyImage FitToFrame(const GreyImage& image, int width = 280, int height = 320);

// Sample files of the tools are named F_I.ext (finger F, impression I, both 1 to 6 digits).
// Splits such a name, the extension in lower case without the dot; false for other names.
bool ParseSampleName(const std::string& fileName, int& finger, int& impression,
                     std::string& extension);

}  // namespace imageio
