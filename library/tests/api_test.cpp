// The library as the console uses it: libminutix.so loaded with dlopen, the 14 functions bound
// by name, the simulated sensor serving fpgen impressions from a folder.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "fpgen_images.h"
#include "match.h"
#include "minutix.h"
#include "template.h"

namespace {

namespace fs = std::filesystem;

struct Api {
    int32_t (*Initialize)();
    void (*Uninitialize)();
    int32_t (*IsSensorOn)();
    int32_t (*IsFingerOn)();
    int32_t (*Capture)();
    uint8_t* (*GetImageBuffer)();
    int32_t (*GetImageWidth)();
    int32_t (*GetImageHeight)();
    int32_t (*Clear)();
    void (*Draw)(void*, int32_t, int32_t, int32_t, int32_t, int32_t);
    int32_t (*Enroll)(uint8_t*, int32_t*, int32_t);
    int32_t (*EnrollTwice1)(int32_t);
    int32_t (*EnrollTwice2)(uint8_t*, uint32_t*, int32_t, int32_t);
    void (*RotateTemplate)(uint8_t*);
};

constexpr uint32_t Red = 0xFF000000u | 255u << 16 | 50u << 8 | 100u;

struct Panel {
    int width, height;
    std::vector<uint32_t> pixels;
    MX_Surface surface;
    Panel(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h, 0) {
        surface = MX_Surface{pixels.data(), w, h, w * 4};
    }
    int RedPixels() const {
        int n = 0;
        for (uint32_t p : pixels) n += p == Red;
        return n;
    }
    bool AllWhite() const {
        for (uint32_t p : pixels)
            if (p != 0xFFFFFFFFu) return false;
        return true;
    }
};

std::vector<uint8_t> ReadPgmPixels(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxval = 0;
    in >> magic >> w >> h >> maxval;
    in.get();
    std::vector<uint8_t> pixels(static_cast<size_t>(w) * h);
    in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(pixels.size()));
    return pixels;
}

class Library : public testing::Test {
  protected:
    static void SetUpTestSuite() {
        images_ = minutix_test::FpgenImages();
        haveImages_ = !images_.empty();
    }

    void SetUp() override {
        simDir_ = fs::temp_directory_path() /
                  ("minutix_api_" + std::to_string(::getpid()) + "_" +
                   testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(simDir_);
        unsetenv("IZZIX_SIM_DIR");
        unsetenv("IZZIX_SIM_NOFINGER");
        unsetenv("IZZIX_SIM_POSITION");
        setenv("IZZIX_SIM_EMPTY_FRAMES", "1", 1);
        setenv("IZZIX_SIM_FRAME_MS", "0", 1);
        // CTest runs every test in a process of its own, so the library starts as at load.
        // Should it stay loaded between tests of one process (UnloadsAfterAnEnrolment tells),
        // the state is reset as far as the interface allows.
        void* already = dlopen(MINUTIX_SO, RTLD_NOW | RTLD_NOLOAD);
        freshLoad_ = already == nullptr;
        if (already != nullptr) dlclose(already);
        lib_ = dlopen(MINUTIX_SO, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(lib_, nullptr) << dlerror();
        ASSERT_TRUE(Bind());
        mx_.Uninitialize();
        mx_.Clear();
    }
    void TearDown() override {
        fs::remove_all(simDir_);
        if (lib_ == nullptr) return;
        mx_.Uninitialize();
        dlclose(lib_);
    }

    template <typename F>
    bool Get(const char* name, F& f) {
        f = reinterpret_cast<F>(dlsym(lib_, name));
        EXPECT_NE(f, nullptr) << name;
        return f != nullptr;
    }
    bool Bind() {
        return Get("MX_Initialize", mx_.Initialize) & Get("MX_Uninitialize", mx_.Uninitialize) &
               Get("MX_IsSensorOn", mx_.IsSensorOn) & Get("MX_IsFingerOn", mx_.IsFingerOn) &
               Get("MX_Capture", mx_.Capture) & Get("MX_GetImageBuffer", mx_.GetImageBuffer) &
               Get("MX_GetImageWidth", mx_.GetImageWidth) &
               Get("MX_GetImageHeight", mx_.GetImageHeight) & Get("MX_Clear", mx_.Clear) &
               Get("MX_Draw", mx_.Draw) & Get("MX_Enroll", mx_.Enroll) &
               Get("MX_EnrollTwice1", mx_.EnrollTwice1) & Get("MX_EnrollTwice2", mx_.EnrollTwice2) &
               Get("MX_RotateTemplate", mx_.RotateTemplate);
    }

    // Points the simulated sensor at this test's folder, serving the impression `file` next.
    void Serve(const std::string& file) {
        setenv("IZZIX_SIM_DIR", simDir_.c_str(), 1);
        std::ofstream(simDir_ / "next") << (images_ / file).string() << "\n";
    }

    Panel Draw(int w, int h, int showCore) {
        Panel panel(w, h);
        mx_.Draw(&panel.surface, 0, 0, w, h, showCore);
        return panel;
    }

    static fs::path images_;
    static bool haveImages_;
    fs::path simDir_;
    void* lib_ = nullptr;
    bool freshLoad_ = false;
    Api mx_{};
};

fs::path Library::images_;
bool Library::haveImages_ = false;

#define REQUIRE_IMAGES() \
    if (!haveImages_) GTEST_SKIP() << "fpgen is not built next to the library"

TEST_F(Library, ExportsOnlyTheFourteenFunctions) {
    EXPECT_EQ(
        dlsym(lib_, "_ZN2mx9MatchSetsERKNS_10MinutiaSetES2_RKNS_11MatchParamsERNS_11MatchResultE"),
        nullptr)
        << "internal code stays hidden";
    EXPECT_EQ(dlsym(lib_, "DFP_Open"), nullptr);
}

TEST_F(Library, WithoutADevice) {
    uint8_t tmpl[MX_TEMPLATE_BUFFER_SIZE] = {};
    uint32_t length = 99;
    EXPECT_EQ(mx_.GetImageBuffer(), nullptr);
    EXPECT_EQ(mx_.IsFingerOn(), 0);
    EXPECT_EQ(mx_.Capture(), 0) << "no sensor object";
    EXPECT_EQ(mx_.Initialize(), 0);
    EXPECT_EQ(mx_.IsSensorOn(), 0);
    EXPECT_EQ(mx_.IsFingerOn(), 0);
    EXPECT_EQ(mx_.Capture(), 0) << "a sensor that did not open";
    EXPECT_EQ(mx_.GetImageWidth(), 0);
    EXPECT_EQ(mx_.GetImageHeight(), 0);
    EXPECT_EQ(mx_.Enroll(tmpl, nullptr, 1), MX_ENROLL_BAD_IMAGE);
    EXPECT_EQ(mx_.EnrollTwice1(1), MX_ENROLL_BAD_IMAGE);
    if (freshLoad_) {
        EXPECT_EQ(mx_.EnrollTwice2(tmpl, &length, 1, 3), 0) << "no first template";
        EXPECT_EQ(length, 99u);
    }
    const Panel panel = Draw(140, 154, 1);
    EXPECT_TRUE(panel.AllWhite()) << "white and no cross";
    EXPECT_EQ(mx_.Clear(), 1);
}

TEST_F(Library, CaptureEnrolDrawRotate) {
    REQUIRE_IMAGES();
    Serve("1_1.pgm");
    uint8_t tmpl[MX_TEMPLATE_BUFFER_SIZE];
    std::memset(tmpl, 0xEE, sizeof tmpl);
    ASSERT_EQ(mx_.Initialize(), 1);
    EXPECT_EQ(mx_.Initialize(), 1) << "initialising twice probes the device again";
    EXPECT_EQ(mx_.IsSensorOn(), 1);
    mx_.Clear();
    EXPECT_EQ(mx_.Enroll(tmpl, nullptr, 1), MX_ENROLL_BAD_IMAGE) << "before a capture";

    ASSERT_EQ(mx_.Capture(), 1);
    EXPECT_EQ(mx_.GetImageWidth(), 280);
    EXPECT_EQ(mx_.GetImageHeight(), 320);
    const std::vector<uint8_t> captured = ReadPgmPixels(images_ / "1_1.pgm");
    ASSERT_EQ(0, std::memcmp(mx_.GetImageBuffer(), captured.data(), captured.size()));
    EXPECT_EQ(mx_.IsFingerOn(), 0) << "the frame after the finger is empty";
    EXPECT_NE(0, std::memcmp(mx_.GetImageBuffer(), captured.data(), captured.size()))
        << "the buffer holds the latest frame";

    int32_t length = -1;
    ASSERT_EQ(mx_.Enroll(tmpl, &length, 1), MX_ENROLL_OK);
    EXPECT_EQ(length, mx::HeaderTemplateSize(tmpl));
    EXPECT_GE(tmpl[1], 10);
    EXPECT_EQ(tmpl[0], 0x44);

    // Drawing shows the image as captured, not the binarised one enrolment left behind.
    const Panel full = Draw(280, 320, 0);
    for (size_t i = 0; i < captured.size(); ++i) {
        const uint32_t g = captured[i];
        ASSERT_EQ(full.pixels[i], 0xFF000000u | g << 16 | g << 8 | g) << i;
    }
    const Panel withCore = Draw(140, 154, 1);
    EXPECT_GT(withCore.RedPixels(), 20);

    // Without the core check the core position stays; enrolling again works on the binarised
    // rows and still gives a template.
    uint8_t again[MX_TEMPLATE_BUFFER_SIZE];
    const int32_t second = mx_.Enroll(again, nullptr, 0);
    EXPECT_TRUE(second == MX_ENROLL_OK || second == MX_ENROLL_BAD_IMAGE) << second;
    EXPECT_EQ(Draw(140, 154, 1).pixels, withCore.pixels);
    EXPECT_EQ(Draw(140, 154, 0).RedPixels(), 0);

    // Rotation twice gives the positions and grid back.
    std::vector<uint8_t> original(tmpl, tmpl + sizeof tmpl);
    mx_.RotateTemplate(tmpl);
    EXPECT_NE(std::vector<uint8_t>(tmpl, tmpl + sizeof tmpl), original);
    mx_.RotateTemplate(tmpl);
    EXPECT_EQ(0, std::memcmp(tmpl, original.data(), 8));

    // A new capture forgets the core; clearing forgets the image.
    ASSERT_EQ(mx_.Capture(), 1);
    EXPECT_EQ(Draw(140, 154, 1).RedPixels(), 0);
    mx_.Clear();
    EXPECT_TRUE(Draw(140, 154, 1).AllWhite());
    EXPECT_EQ(mx_.Enroll(tmpl, nullptr, 1), MX_ENROLL_BAD_IMAGE) << "after MX_Clear";
}

TEST_F(Library, UnloadsAfterAnEnrolment) {
    // The console loads the library for each enrolment window and expects it fresh each time.
    REQUIRE_IMAGES();
    Serve("1_1.pgm");
    ASSERT_EQ(mx_.Initialize(), 1);
    ASSERT_EQ(mx_.Capture(), 1);
    uint8_t tmpl[MX_TEMPLATE_BUFFER_SIZE];
    ASSERT_EQ(mx_.EnrollTwice1(0), MX_ENROLL_OK);
    ASSERT_EQ(mx_.Enroll(tmpl, nullptr, 1), MX_ENROLL_OK);
    mx_.Uninitialize();
    ASSERT_EQ(dlclose(lib_), 0);
    lib_ = nullptr;
    EXPECT_EQ(dlopen(MINUTIX_SO, RTLD_NOW | RTLD_NOLOAD), nullptr) << "still loaded";
}

TEST_F(Library, CaptureTimesOutWithoutAFinger) {
    REQUIRE_IMAGES();
    Serve("1_1.pgm");
    setenv("IZZIX_SIM_NOFINGER", "1", 1);
    ASSERT_EQ(mx_.Initialize(), 1);
    EXPECT_EQ(mx_.IsFingerOn(), 0);
    EXPECT_EQ(mx_.Capture(), 0);  // after the 5 s time-out
    EXPECT_EQ(mx_.GetImageWidth(), 280);
    EXPECT_TRUE(Draw(140, 154, 1).AllWhite());
}

TEST_F(Library, TwoPassEnrolment) {
    REQUIRE_IMAGES();
    Serve("1_1.pgm");
    ASSERT_EQ(mx_.Initialize(), 1);
    auto templateOf = [&](const std::string& file, std::vector<uint8_t>& out) {
        Serve(file);
        out.assign(MX_TEMPLATE_BUFFER_SIZE, 0);
        ASSERT_EQ(mx_.Capture(), 1);
        ASSERT_EQ(mx_.Enroll(out.data(), nullptr, 0), MX_ENROLL_OK) << file;
    };
    auto score = [](const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
        auto sa = std::make_unique<mx::MinutiaSet>(), sb = std::make_unique<mx::MinutiaSet>();
        auto result = std::make_unique<mx::MatchResult>();
        uint8_t density;
        mx::UnpackTemplate(*sa, density, a.data());
        mx::UnpackTemplate(*sb, density, b.data());
        return mx::MatchSets(*sa, *sb, mx::MatchParams{}, *result);
    };
    std::vector<uint8_t> first, same, other;
    templateOf("1_1.pgm", first);
    templateOf("1_2.pgm", same);
    templateOf("2_1.pgm", other);
    const int genuine = score(first, same), impostor = score(first, other);
    std::printf("genuine score %d, impostor score %d\n", genuine, impostor);
    EXPECT_GE(genuine, 100);
    EXPECT_LT(impostor, 100);

    std::vector<uint8_t> out(MX_TEMPLATE_BUFFER_SIZE, 0xEE);
    uint32_t length = 0;
    Serve("1_1.pgm");
    ASSERT_EQ(mx_.Capture(), 1);
    if (freshLoad_) {
        EXPECT_EQ(mx_.EnrollTwice2(out.data(), &length, 0, 1), 0) << "no first template yet";
    }
    ASSERT_EQ(mx_.EnrollTwice1(0), MX_ENROLL_OK);

    Serve("1_2.pgm");
    ASSERT_EQ(mx_.Capture(), 1);
    ASSERT_EQ(mx_.EnrollTwice2(out.data(), &length, 0, 1), genuine >= 100 ? 1 : 0);
    const std::vector<uint8_t>& richer = same[1] > first[1] ? same : first;
    EXPECT_EQ(out, richer);
    EXPECT_EQ(length, static_cast<uint32_t>(mx::HeaderTemplateSize(richer.data())));

    std::vector<uint8_t> untouched(MX_TEMPLATE_BUFFER_SIZE, 0xEE);
    Serve("2_1.pgm");
    ASSERT_EQ(mx_.Capture(), 1);
    EXPECT_EQ(mx_.EnrollTwice2(untouched.data(), nullptr, 0, 1), 0) << "a different finger";
    EXPECT_EQ(untouched, std::vector<uint8_t>(MX_TEMPLATE_BUFFER_SIZE, 0xEE));

    mx_.Clear();
    EXPECT_EQ(mx_.EnrollTwice2(untouched.data(), nullptr, 0, 1), MX_ENROLL_BAD_IMAGE)
        << "the first template stays; the missing image is the second enrolment's result";
}

}  // namespace
