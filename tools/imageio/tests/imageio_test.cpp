#include "imageio.h"

#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;
using imageio::GreyImage;

namespace {

class ImageIo : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("imageio_test_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    fs::path dir_;
};

GreyImage Gradient(int w, int h) {
    GreyImage img;
    img.width = w;
    img.height = h;
    img.pixels.resize(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.row(y)[x] = static_cast<uint8_t>((x * 7 + y * 13) & 255);
    return img;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

}  // namespace

TEST_F(ImageIo, PgmAndPngRoundTripKeepEveryPixel) {
    const GreyImage img = Gradient(37, 23);  // odd sizes catch stride mistakes
    for (const char* name : {"a.pgm", "a.png"}) {
        SCOPED_TRACE(name);
        const std::string path = Path(name);
        std::string error;
        ASSERT_TRUE(std::string(name).ends_with(".pgm") ? imageio::WritePgm(path, img, &error)
                                                        : imageio::WritePng(path, img, &error))
            << error;
        GreyImage back;
        ASSERT_TRUE(imageio::ReadGrey(path, back, &error)) << error;
        EXPECT_EQ(back.width, 37);
        EXPECT_EQ(back.height, 23);
        EXPECT_EQ(back.pixels, img.pixels);
    }
}

TEST_F(ImageIo, ColourPngIsReadAsGrey) {
    imageio::RgbImage rgb;
    rgb.width = 2;
    rgb.height = 1;
    rgb.pixels = {255, 255, 255, 0, 0, 0};
    const std::string path = Path("c.png");
    ASSERT_TRUE(imageio::WritePng(path, rgb));
    GreyImage back;
    ASSERT_TRUE(imageio::ReadGrey(path, back));
    ASSERT_EQ(back.pixels.size(), 2u);
    EXPECT_EQ(back.pixels[0], 255);
    EXPECT_EQ(back.pixels[1], 0);
}

TEST_F(ImageIo, PlainPgmWithCommentsAndSmallMaximum) {
    const std::string path = Path("p2.pgm");
    WriteText(path, "P2\n# a comment\n3 2\n# another\n15\n0 15 7\n15 0 3\n");
    GreyImage img;
    std::string error;
    ASSERT_TRUE(imageio::ReadGrey(path, img, &error)) << error;
    ASSERT_EQ(img.width, 3);
    ASSERT_EQ(img.height, 2);
    EXPECT_EQ(img.pixels, (std::vector<uint8_t>{0, 255, 119, 255, 0, 51}));
}

TEST_F(ImageIo, TiffIsRead) {
    const std::string path = Path("t.tif");
    const GreyImage img = Gradient(19, 11);
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    ASSERT_NE(tif, nullptr);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, 19);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, 11);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 4);
    for (int y = 0; y < 11; ++y)
        ASSERT_EQ(TIFFWriteScanline(tif, const_cast<uint8_t*>(img.row(y)), y, 0), 1);
    TIFFClose(tif);
    GreyImage back;
    std::string error;
    ASSERT_TRUE(imageio::ReadGrey(path, back, &error)) << error;
    EXPECT_EQ(back.width, 19);
    EXPECT_EQ(back.height, 11);
    EXPECT_EQ(back.pixels, img.pixels);
}

TEST_F(ImageIo, BadFilesAreRefusedWithAReason) {
    struct Case {
        const char* name;
        std::string content;
    };
    const Case cases[] = {
        {"truncated_p5.pgm", std::string("P5\n4 4\n255\n") + std::string(10, '\0')},
        {"negative_size.pgm", "P5\n-4 4\n255\n"},
        {"huge_size.pgm", "P5\n99999999 4\n255\n"},
        {"p2_short.pgm", "P2\n2 2\n255\n1 2 3\n"},
        {"not_an_image.txt", "hello world"},
        {"truncated.png", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR"},
        {"truncated.tif", std::string("II*\0", 4) + "\x08"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Path(c.name);
        WriteText(path, c.content);
        GreyImage img;
        std::string error;
        EXPECT_FALSE(imageio::ReadGrey(path, img, &error));
        EXPECT_FALSE(error.empty());
    }
    GreyImage img;
    std::string error;
    EXPECT_FALSE(imageio::ReadGrey(Path("missing.pgm"), img, &error));
    EXPECT_NE(error.find("missing.pgm"), std::string::npos);
}

TEST(FitToFrame, CentresTheDarkMassAndPadsWhite) {
    // A 10 x 10 black square at (100..109, 50..59) in a large white image.
    GreyImage big;
    big.width = 400;
    big.height = 500;
    big.pixels.assign(400 * 500, 255);
    for (int y = 50; y < 60; ++y)
        for (int x = 100; x < 110; ++x) big.row(y)[x] = 0;
    const GreyImage fit = imageio::FitToFrame(big);
    ASSERT_EQ(fit.width, 280);
    ASSERT_EQ(fit.height, 320);
    // Centre of mass (104.5, 54.5) rounds to (105, 55) and lands on (140, 160).
    EXPECT_EQ(fit.row(160 - 5)[140 - 5], 0);
    EXPECT_EQ(fit.row(160 + 4)[140 + 4], 0);
    EXPECT_EQ(fit.row(160 - 6)[140], 255);
    EXPECT_EQ(fit.row(160 + 5)[140], 255);
    // The frame reaches above the source's top edge: padded white.
    EXPECT_EQ(fit.row(0)[0], 255);

    // A small image is padded around its mass.
    GreyImage small;
    small.width = 4;
    small.height = 4;
    small.pixels.assign(16, 255);
    small.row(1)[2] = 0;
    const GreyImage padded = imageio::FitToFrame(small);
    EXPECT_EQ(padded.row(160)[140], 0);
    size_t dark = 0;
    for (uint8_t v : padded.pixels) dark += v != 255;
    EXPECT_EQ(dark, 1u);

    // Already the frame's size: unchanged, even off-centre.
    GreyImage same = imageio::FitToFrame(big, 400, 500);
    EXPECT_EQ(same.pixels, big.pixels);
}

TEST(SampleName, SplitsFingerImpressionAndExtension) {
    struct Case {
        const char* name;
        bool ok;
        int finger, impression;
        const char* ext;
    };
    const Case cases[] = {
        {"12_3.pgm", true, 12, 3, "pgm"},   {"1_1.PNG", true, 1, 1, "png"},
        {"7_2.tiff", true, 7, 2, "tiff"},   {"3_master.json", false, 0, 0, ""},
        {"_1.pgm", false, 0, 0, ""},        {"1_.pgm", false, 0, 0, ""},
        {"1_2", false, 0, 0, ""},           {"1_2.", false, 0, 0, ""},
        {"1234567_1.pgm", false, 0, 0, ""}, {"a1_2.pgm", false, 0, 0, ""},
        {"1_2.pgm.bak", false, 0, 0, ""},   {"readme.txt", false, 0, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int f = 0, i = 0;
        std::string ext;
        ASSERT_EQ(imageio::ParseSampleName(c.name, f, i, ext), c.ok);
        if (!c.ok) continue;
        EXPECT_EQ(f, c.finger);
        EXPECT_EQ(i, c.impression);
        EXPECT_EQ(ext, c.ext);
    }
}
