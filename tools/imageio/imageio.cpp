#include "imageio.h"

#include <png.h>
#include <tiffio.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>

namespace imageio {

namespace {

bool Fail(std::string* error, const std::string& message) {
    if (error) *error = message;
    return false;
}

uint8_t Luma(unsigned r, unsigned g, unsigned b) {
    // Integer Rec. 601 weights, rounded.
    return static_cast<uint8_t>((299 * r + 587 * g + 114 * b + 500) / 1000);
}

// ---- PGM -------------------------------------------------------------------------------------

// Reads the next header token of a PNM file, skipping white space and comments.
bool NextToken(const std::string& data, size_t& pos, std::string& token) {
    token.clear();
    while (pos < data.size()) {
        char c = data[pos];
        if (c == '#') {
            while (pos < data.size() && data[pos] != '\n' && data[pos] != '\r') ++pos;
        } else if (std::isspace(static_cast<unsigned char>(c))) {
            ++pos;
        } else {
            break;
        }
    }
    while (pos < data.size() && !std::isspace(static_cast<unsigned char>(data[pos])) &&
           data[pos] != '#') {
        token += data[pos++];
    }
    return !token.empty();
}

bool ParseNumber(const std::string& token, long& value) {
    if (token.empty() || token.size() > 9) return false;
    for (char c : token)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    value = std::stol(token);
    return true;
}

bool ReadPgm(const std::string& path, const std::string& data, GreyImage& out, std::string* error) {
    size_t pos = 0;
    std::string magic, token;
    NextToken(data, pos, magic);
    const bool binary = magic == "P5";
    long w = 0, h = 0, maxval = 0;
    if (!NextToken(data, pos, token) || !ParseNumber(token, w) || !NextToken(data, pos, token) ||
        !ParseNumber(token, h) || !NextToken(data, pos, token) || !ParseNumber(token, maxval))
        return Fail(error, path + ": damaged PGM header");
    if (w <= 0 || h <= 0 || w > 65535 || h > 65535)
        return Fail(error, path + ": PGM size out of range");
    if (maxval <= 0 || maxval > 65535)
        return Fail(error, path + ": PGM maximum value out of range");
    const size_t count = static_cast<size_t>(w) * static_cast<size_t>(h);
    std::vector<uint8_t> pixels(count);
    auto scale = [maxval](long v) {
        if (v > maxval) v = maxval;
        return static_cast<uint8_t>((v * 255 + maxval / 2) / maxval);
    };
    if (binary) {
        ++pos;  // exactly one white-space character ends the header
        const size_t bytesPerSample = maxval > 255 ? 2 : 1;
        if (data.size() < pos || data.size() - pos < count * bytesPerSample)
            return Fail(error, path + ": PGM pixel data is truncated");
        const auto* p = reinterpret_cast<const uint8_t*>(data.data()) + pos;
        for (size_t i = 0; i < count; ++i) {
            long v = bytesPerSample == 2 ? (p[2 * i] << 8) | p[2 * i + 1] : p[i];
            pixels[i] = maxval == 255 ? static_cast<uint8_t>(v) : scale(v);
        }
    } else {
        for (size_t i = 0; i < count; ++i) {
            long v = 0;
            if (!NextToken(data, pos, token) || !ParseNumber(token, v))
                return Fail(error, path + ": PGM pixel data is truncated or damaged");
            pixels[i] = scale(v);
        }
    }
    out.width = static_cast<int>(w);
    out.height = static_cast<int>(h);
    out.pixels = std::move(pixels);
    return true;
}

// ---- PNG -------------------------------------------------------------------------------------

struct PngErrorState {
    std::string message;
};

void PngError(png_structp png, png_const_charp message) {
    auto* state = static_cast<PngErrorState*>(png_get_error_ptr(png));
    if (state) state->message = message;
    png_longjmp(png, 1);
}

void PngWarning(png_structp, png_const_charp) {}

bool ReadPng(const std::string& path, GreyImage& out, std::string* error) {
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file) return Fail(error, path + ": cannot open");
    PngErrorState state;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &state, &PngError, &PngWarning);
    if (!png) return Fail(error, path + ": out of memory");
    png_infop info = png_create_info_struct(png);
    std::vector<uint8_t> pixels;
    std::vector<png_bytep> rows;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        return Fail(error, path + ": " + (state.message.empty() ? "damaged PNG" : state.message));
    }
    png_init_io(png, file.get());
    png_read_info(png, info);
    png_set_strip_16(png);
    png_set_packing(png);
    png_set_palette_to_rgb(png);
    png_set_expand_gray_1_2_4_to_8(png);
    // Transparent parts count as white paper.
    png_color_16 white{};
    white.red = white.green = white.blue = white.gray = 255;
    png_set_background(png, &white, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    png_set_rgb_to_gray_fixed(png, 1, -1, -1);
    png_read_update_info(png, info);
    const png_uint_32 w = png_get_image_width(png, info);
    const png_uint_32 h = png_get_image_height(png, info);
    const int channels = png_get_channels(png, info);
    if (w == 0 || h == 0 || w > 65535 || h > 65535) {
        png_destroy_read_struct(&png, &info, nullptr);
        return Fail(error, path + ": PNG size out of range");
    }
    const size_t rowBytes = png_get_rowbytes(png, info);
    pixels.assign(rowBytes * h, 0);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = pixels.data() + y * rowBytes;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);

    out.width = static_cast<int>(w);
    out.height = static_cast<int>(h);
    out.pixels.assign(static_cast<size_t>(w) * h, 0);
    for (png_uint_32 y = 0; y < h; ++y)
        for (png_uint_32 x = 0; x < w; ++x)
            out.pixels[static_cast<size_t>(y) * w + x] = rows[y][x * channels];
    return true;
}

bool WritePngRows(const std::string& path, int width, int height, int colourType,
                  const uint8_t* pixels, int bytesPerPixel, std::string* error) {
    if (width <= 0 || height <= 0 || !pixels) return Fail(error, path + ": empty image");
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), &std::fclose);
    if (!file) return Fail(error, path + ": cannot create");
    PngErrorState state;
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &state, &PngError, &PngWarning);
    if (!png) return Fail(error, path + ": out of memory");
    png_infop info = png_create_info_struct(png);
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, info ? &info : nullptr);
        return Fail(error,
                    path + ": " + (state.message.empty() ? "PNG write failed" : state.message));
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, width, height, 8, colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    // 500 dpi = 19685 pixels per metre: the sensor's resolution.
    png_set_pHYs(png, info, 19685, 19685, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    const size_t stride = static_cast<size_t>(width) * bytesPerPixel;
    for (int y = 0; y < height; ++y) png_write_row(png, const_cast<png_bytep>(pixels + y * stride));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file.get()) != 0) return Fail(error, path + ": write failed");
    return true;
}

// ---- TIFF ------------------------------------------------------------------------------------

void TiffSilent(const char*, const char*, va_list) {}

bool ReadTiff(const std::string& path, GreyImage& out, std::string* error) {
    TIFFSetErrorHandler(&TiffSilent);
    TIFFSetWarningHandler(&TiffSilent);
    TIFF* tif = TIFFOpen(path.c_str(), "r");
    if (!tif) return Fail(error, path + ": damaged TIFF");
    uint32_t w = 0, h = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &h);
    if (w == 0 || h == 0 || w > 65535 || h > 65535) {
        TIFFClose(tif);
        return Fail(error, path + ": TIFF size out of range");
    }
    // The RGBA reader handles every photometric interpretation, bit depth and layout.
    std::vector<uint32_t> raster(static_cast<size_t>(w) * h);
    const int ok = TIFFReadRGBAImageOriented(tif, w, h, raster.data(), ORIENTATION_TOPLEFT, 0);
    TIFFClose(tif);
    if (!ok) return Fail(error, path + ": cannot decode TIFF");
    out.width = static_cast<int>(w);
    out.height = static_cast<int>(h);
    out.pixels.resize(raster.size());
    for (size_t i = 0; i < raster.size(); ++i) {
        const uint32_t p = raster[i];
        const unsigned a = TIFFGetA(p);
        // Composite over white, as for PNG.
        const unsigned r = (TIFFGetR(p) * a + 255 * (255 - a) + 127) / 255;
        const unsigned g = (TIFFGetG(p) * a + 255 * (255 - a) + 127) / 255;
        const unsigned b = (TIFFGetB(p) * a + 255 * (255 - a) + 127) / 255;
        out.pixels[i] = Luma(r, g, b);
    }
    return true;
}

}  // namespace

bool ReadGrey(const std::string& path, GreyImage& out, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Fail(error, path + ": cannot open");
    char head[4] = {};
    in.read(head, 4);
    const std::streamsize got = in.gcount();
    if (got >= 2 && head[0] == 'P' && (head[1] == '5' || head[1] == '2')) {
        in.seekg(0);
        std::ostringstream all;
        all << in.rdbuf();
        return ReadPgm(path, all.str(), out, error);
    }
    in.close();
    static const uint8_t pngMagic[4] = {0x89, 'P', 'N', 'G'};
    if (got == 4 && std::memcmp(head, pngMagic, 4) == 0) return ReadPng(path, out, error);
    if (got == 4 && ((head[0] == 'I' && head[1] == 'I' && head[2] == 42 && head[3] == 0) ||
                     (head[0] == 'M' && head[1] == 'M' && head[2] == 0 && head[3] == 42)))
        return ReadTiff(path, out, error);
    return Fail(error, path + ": not a PGM, PNG or TIFF file");
}

bool WritePgm(const std::string& path, const GreyImage& image, std::string* error) {
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height)
        return Fail(error, path + ": empty or inconsistent image");
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return Fail(error, path + ": cannot create");
    out << "P5\n" << image.width << ' ' << image.height << "\n255\n";
    out.write(reinterpret_cast<const char*>(image.pixels.data()),
              static_cast<std::streamsize>(image.pixels.size()));
    out.close();
    if (!out) return Fail(error, path + ": write failed");
    return true;
}

bool WritePng(const std::string& path, const GreyImage& image, std::string* error) {
    if (image.pixels.size() != static_cast<size_t>(image.width) * image.height)
        return Fail(error, path + ": inconsistent image");
    return WritePngRows(path, image.width, image.height, PNG_COLOR_TYPE_GRAY, image.pixels.data(),
                        1, error);
}

bool WritePng(const std::string& path, const RgbImage& image, std::string* error) {
    if (image.pixels.size() != static_cast<size_t>(image.width) * image.height * 3)
        return Fail(error, path + ": inconsistent image");
    return WritePngRows(path, image.width, image.height, PNG_COLOR_TYPE_RGB, image.pixels.data(), 3,
                        error);
}

bool ParseSampleName(const std::string& fileName, int& finger, int& impression,
                     std::string& extension) {
    const size_t underscore = fileName.find('_');
    const size_t dot = fileName.find('.', underscore == std::string::npos ? 0 : underscore);
    if (underscore == std::string::npos || dot == std::string::npos) return false;
    auto number = [&](size_t from, size_t to, int& out) {
        if (to <= from || to - from > 6) return false;
        out = 0;
        for (size_t i = from; i < to; ++i) {
            if (!std::isdigit(static_cast<unsigned char>(fileName[i]))) return false;
            out = out * 10 + (fileName[i] - '0');
        }
        return true;
    };
    if (!number(0, underscore, finger) || !number(underscore + 1, dot, impression)) return false;
    extension = fileName.substr(dot + 1);
    if (extension.empty()) return false;
    for (char& ch : extension) {
        if (!std::isalnum(static_cast<unsigned char>(ch))) return false;
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    return true;
}

GreyImage FitToFrame(const GreyImage& image, int width, int height) {
    if (image.width == width && image.height == height) return image;
    GreyImage out;
    out.width = width;
    out.height = height;
    out.pixels.assign(static_cast<size_t>(width) * height, 255);
    if (image.width <= 0 || image.height <= 0) return out;

    // Centre of mass of the darkness (255 - grey); the image centre when it is all white.
    double sum = 0, sx = 0, sy = 0;
    for (int y = 0; y < image.height; ++y) {
        const uint8_t* r = image.row(y);
        for (int x = 0; x < image.width; ++x) {
            const double d = 255 - r[x];
            sum += d;
            sx += d * x;
            sy += d * y;
        }
    }
    int cx = image.width / 2, cy = image.height / 2;
    if (sum > 0) {
        cx = static_cast<int>(sx / sum + 0.5);
        cy = static_cast<int>(sy / sum + 0.5);
    }
    // Source pixel (cx, cy) goes to the frame centre.
    const int offX = cx - width / 2;
    const int offY = cy - height / 2;
    for (int y = 0; y < height; ++y) {
        const int sy2 = y + offY;
        if (sy2 < 0 || sy2 >= image.height) continue;
        for (int x = 0; x < width; ++x) {
            const int sx2 = x + offX;
            if (sx2 < 0 || sx2 >= image.width) continue;
            out.pixels[static_cast<size_t>(y) * width + x] = image.row(sy2)[sx2];
        }
    }
    return out;
}

}  // namespace imageio
