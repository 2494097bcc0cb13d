// mxbench as a real process on a folder of template files written in the reader format.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Minutia {
    int x, y, angle, type;
};

// A format-D template: 8-byte header, 4-byte records, a 17 x 20 grid of horizontal blocks.
std::string HexTemplate(const std::vector<Minutia>& ms) {
    std::vector<uint8_t> t(384, 0);
    const int gw = 17, gh = 20;
    t[0] = 0x44;
    t[1] = static_cast<uint8_t>(ms.size());
    t[2] = gw;
    t[3] = gh;
    t[4] = 100;
    t[5] = 34;
    t[6] = 'c';
    t[7] = 'v';
    size_t at = 8;
    for (const Minutia& m : ms) {
        t[at++] = static_cast<uint8_t>(m.x / 2);
        t[at++] = static_cast<uint8_t>(m.y / 2);
        t[at++] = static_cast<uint8_t>((70833 * m.angle + 50000) / 100000);
        t[at++] = static_cast<uint8_t>((m.type << 7) | 10);
    }
    // Grid nibbles: code 0 (horizontal) everywhere, stored as nibble 0: already zero.
    std::string hex;
    char buf[3];
    for (uint8_t b : t) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        hex += buf;
    }
    return hex;
}

// A finger: minutiae spread over the print from a simple generator of its own.
std::vector<Minutia> Finger(unsigned seed, int dx, int dy) {
    std::vector<Minutia> ms;
    unsigned s = seed;
    auto next = [&s] { return (s = s * 1103515245u + 12345u) >> 16; };
    for (int i = 0; i < 30; ++i)
        ms.push_back({static_cast<int>(40 + next() % 190) + dx,
                      static_cast<int>(40 + next() % 230) + dy, static_cast<int>(next() % 360),
                      static_cast<int>(next() % 2)});
    return ms;
}

void Write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The value text of a top-level key, e.g. "null" or "12".
std::string Value(const std::string& json, const std::string& key) {
    const std::string tag = "\"" + key + "\": ";
    const size_t at = json.find(tag);
    if (at == std::string::npos) return "<missing>";
    const size_t from = at + tag.size();
    return json.substr(from, json.find_first_of(",\n", from) - from);
}

}  // namespace

TEST(Mxbench, TemplateFolderGivesTheFvcCountsAndJson) {
    const fs::path dir = fs::temp_directory_path() / ("mxbench_test_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    // Three fingers of three impressions, the later ones shifted by a few pixels.
    for (int f = 1; f <= 3; ++f)
        for (int i = 1; i <= 3; ++i)
            Write(dir / (std::to_string(f) + "_" + std::to_string(i) + ".txt"),
                  HexTemplate(Finger(100u * f, 2 * (i - 1), 2 * (i - 1))) + "\n");
    // Something that is not a template takes part as a failure: its comparisons score 0.
    Write(dir / "4_1.txt", "not a template");
    Write(dir / "readme.txt", "ignored: not named F_I");

    const fs::path json = dir / "out.json";
    const std::string cmd = std::string(MXBENCH_PATH) + " " + dir.string() + " --json " +
                            json.string() + " > " + (dir / "stdout.txt").string() + " 2>&1";
    ASSERT_EQ(std::system(cmd.c_str()), 0) << ReadAll(dir / "stdout.txt");
    const std::string out = ReadAll(json);
    const std::string table = ReadAll(dir / "stdout.txt");

    EXPECT_EQ(Value(out, "images"), "0");
    EXPECT_EQ(Value(out, "templates"), "10");
    // No extraction ran: the extraction figures cannot be given.
    EXPECT_EQ(Value(out, "fte"), "null");
    EXPECT_EQ(Value(out, "extract_ms_median"), "null");
    EXPECT_EQ(Value(out, "extract_ms_p90"), "null");
    EXPECT_NE(table.find("4_1.txt is not a valid template"), std::string::npos) << table;
#if MXBENCH_WITH_MATCHING
    // 3 fingers x 3 pairs; 4 first impressions give 6 impostor pairs.
    EXPECT_EQ(Value(out, "genuine_pairs"), "9");
    EXPECT_EQ(Value(out, "impostor_pairs"), "6");
    for (const char* key : {"eer", "fmr100", "fmr1000", "zerofmr", "genuine_matches_per_second",
                            "impostor_matches_per_second"})
        EXPECT_NE(Value(out, key), "null") << key;
#else
    EXPECT_EQ(Value(out, "genuine_pairs"), "null");
    EXPECT_EQ(Value(out, "eer"), "null");
    EXPECT_NE(table.find("not measured: matching"), std::string::npos) << table;
#endif
    fs::remove_all(dir);
}

TEST(Mxbench, RefusesAFolderWithoutSamples) {
    const fs::path dir =
        fs::temp_directory_path() / ("mxbench_empty_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string cmd = std::string(MXBENCH_PATH) + " " + dir.string() + " > /dev/null 2>&1";
    EXPECT_NE(std::system(cmd.c_str()), 0);
    EXPECT_NE(std::system((std::string(MXBENCH_PATH) + " > /dev/null 2>&1").c_str()), 0);
    fs::remove_all(dir);
}
