// mxtool as a user runs it: show, rotate and match on template files, and capture through the
// simulated sensor.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "fpgen_images.h"
#include "synthetic_sets.h"
#include "template.h"

namespace {

namespace fs = std::filesystem;

struct Result {
    int status;
    std::string output;
};

class Mxtool : public testing::Test {
  protected:
    void SetUp() override {
        tool_ = fs::path(MINUTIX_SO).parent_path() / "mxtool";
        if (!fs::exists(tool_)) GTEST_SKIP() << "mxtool is not built";
        dir_ = fs::temp_directory_path() /
               ("mxtool_test_" + std::to_string(::getpid()) + "_" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    Result Mx(const std::string& args, const std::string& env = "") {
        const std::string command = env + " " + tool_.string() + " " + args + " 2>&1";
        FILE* pipe = popen(command.c_str(), "r");
        Result run{-1, ""};
        if (pipe == nullptr) return run;
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
        const int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    static std::string Slurp(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fs::path WriteTemplate(const std::string& name, const mx::MinutiaSet& set, bool text) {
        std::vector<uint8_t> bytes(mx::MaxTemplateSize);
        mx::PackTemplate(set, 42, bytes.data());
        std::ofstream out(dir_ / name, std::ios::binary);
        if (text) {
            for (uint8_t b : bytes) {
                char hex[3];
                std::snprintf(hex, sizeof hex, "%02X", b);
                out << hex;
            }
            out << "\n";
        } else {
            out.write(reinterpret_cast<const char*>(bytes.data()), mx::MaxTemplateSize);
        }
        return dir_ / name;
    }

    fs::path tool_, dir_;
};

TEST_F(Mxtool, ShowRotateMatch) {
    auto finger = mx::synthetic::Finger(30, 3);
    const fs::path text = WriteTemplate("a.txt", *finger, true);
    const fs::path raw = WriteTemplate("a.bin", *finger, false);

    Result shown = Mx("show " + text.string());
    EXPECT_EQ(shown.status, 0) << shown.output;
    EXPECT_NE(shown.output.find("minutiae: 30"), std::string::npos) << shown.output;
    EXPECT_NE(shown.output.find("grid: 17 x 20 blocks"), std::string::npos);
    EXPECT_NE(shown.output.find("ridge density: 42"), std::string::npos);
    EXPECT_NE(shown.output.find("minutia  29:"), std::string::npos);

    // Output keeps the form of the input: text stays 768 characters, raw stays 384 bytes.
    ASSERT_EQ(Mx("rotate " + text.string() + " " + (dir_ / "r.txt").string()).status, 0);
    ASSERT_EQ(Mx("rotate " + raw.string() + " " + (dir_ / "r.bin").string()).status, 0);
    const std::string rotated = Slurp(dir_ / "r.txt");
    EXPECT_EQ(rotated.size(), 768u);
    EXPECT_EQ(rotated.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(fs::file_size(dir_ / "r.bin"), 384u);
    ASSERT_EQ(Mx("rotate " + (dir_ / "r.txt").string() + " " + (dir_ / "rr.txt").string()).status,
              0);

    Result self = Mx("match " + text.string() + " " + raw.string());
    EXPECT_EQ(self.status, 0);
    EXPECT_EQ(self.output.rfind("score ", 0), 0u) << self.output;
    EXPECT_NE(self.output.find("rotation 0 shift 0 0 pairs 30"), std::string::npos) << self.output;
    Result back = Mx("match " + text.string() + " " + (dir_ / "rr.txt").string());
    EXPECT_NE(back.output.find("pairs 30"), std::string::npos) << back.output;

    std::ofstream(dir_ / "short.txt") << "44ABCD";
    Result bad = Mx("match " + text.string() + " " + (dir_ / "short.txt").string());
    EXPECT_NE(bad.status, 0);
    EXPECT_NE(bad.output.find("neither 384 raw bytes nor 768"), std::string::npos) << bad.output;
    std::vector<uint8_t> damaged(384, 0xFF);
    std::ofstream(dir_ / "damaged.bin", std::ios::binary)
        .write(reinterpret_cast<const char*>(damaged.data()), 384);
    Result refused = Mx("match " + text.string() + " " + (dir_ / "damaged.bin").string());
    EXPECT_NE(refused.status, 0);
    EXPECT_NE(refused.output.find("damaged template"), std::string::npos) << refused.output;
    EXPECT_EQ(Mx("show " + (dir_ / "damaged.bin").string()).status, 0);
}

TEST_F(Mxtool, CaptureWithAndWithoutADevice) {
    Result none = Mx("capture " + (dir_ / "t.txt").string(), "env -u IZZIX_SIM_DIR");
    EXPECT_NE(none.status, 0);
    EXPECT_EQ(none.output.rfind("MX_Initialize 0\n", 0), 0u) << none.output;
    EXPECT_FALSE(fs::exists(dir_ / "t.txt"));

    const fs::path images = minutix_test::FpgenImages();
    if (images.empty()) GTEST_SKIP() << "fpgen is not built next to the library";
    const fs::path sim = dir_ / "sim";
    fs::create_directories(sim);
    std::ofstream(sim / "next") << (images / "1_1.pgm").string() << "\n";
    Result run = Mx("capture " + (dir_ / "t.txt").string() + " --png " + (dir_ / "p.png").string(),
                    "IZZIX_SIM_DIR=" + sim.string() + " IZZIX_SIM_FRAME_MS=0");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(run.output.rfind("MX_Initialize 1\nMX_Clear 1\nMX_Capture 1\nMX_Enroll 1\nMX_Draw\n"
                               "MX_RotateTemplate\n",
                               0),
              0u)
        << run.output;
    const std::string text = Slurp(dir_ / "t.txt");
    EXPECT_EQ(text.size(), 768u);
    EXPECT_NE(run.output.find(text + "\nMX_Uninitialize\n"), std::string::npos);
    EXPECT_EQ(Slurp(dir_ / "p.png").substr(1, 3), "PNG");
}

}  // namespace
