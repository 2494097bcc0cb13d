// The extraction's results on the committed prints, pinned by hashes: the template, the singular
// points, the verdict and every image the stage hook shows. Speed work on the stages must leave
// all of them unchanged; a failure names the print and the first output that moved.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>

#include "extract.h"

namespace mx {
namespace {

uint64_t Fnv(const void* data, size_t n, uint64_t h = 1469598103934665603ull) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    for (size_t i = 0; i < n; ++i) h = (h ^ bytes[i]) * 1099511628211ull;
    return h;
}

uint64_t FnvImage(ImageView image) {
    uint64_t h = Fnv(nullptr, 0);
    for (int y = 0; y < image.height; ++y) h = Fnv(image[y], image.width, h);
    return h;
}

Image ReadPgm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxValue = 0;
    in >> magic >> w >> h >> maxValue;
    in.get();
    if (magic != "P5" || w <= 0 || h <= 0 || maxValue != 255) return {};
    Image image(w, h);
    for (int y = 0; y < h; ++y) in.read(reinterpret_cast<char*>(image[y]), w);
    return in ? image : Image{};
}

struct HashingHook : StageHook {
    std::map<std::string, uint64_t> hashes;
    void OnImage(const char* name, ImageView image) override { hashes[name] = FnvImage(image); }
    void OnRawFeatures(const RawFeatures& raw) override { hashes["raw"] = Fnv(&raw, sizeof raw); }
};

// Hashes of one extraction: the caller's sets and verdict under "result", each hook output
// under its name.
std::map<std::string, uint64_t> ExtractionHashes(const std::string& file) {
    Image image = ReadPgm(std::string(CVBIO_SOURCE_DIR) + "/testdata/fingers/" + file);
    EXPECT_GT(image.Width(), 0) << file;
    auto set = std::make_unique<MinutiaSet>();
    SingularSet singular;
    ExtractionReport report;
    HashingHook hook;
    const int verdict = ExtractFeatures(image.View().rows, image.Width(), image.Height(), *set,
                                        singular, MaxTemplateSize, &report, &hook);
    uint64_t result = Fnv(set.get(), sizeof *set);
    result = Fnv(&singular, sizeof singular, result);
    result = Fnv(&report, sizeof report, result);
    result = Fnv(&verdict, sizeof verdict, result);
    hook.hashes["result"] = result;
    return hook.hashes;
}

struct Expected {
    const char* file;
    uint64_t result, smoothed, normalised, pixelUncertainty, directions, oriented, density,
        firstBinary, enhanced, binary, skeleton, raw;
};

// Made with the extraction as first written; regenerate only for an intended change of results
// (MINUTIX_PRINT_GOLDEN=1 prints the rows).
constexpr Expected kExpected[] = {
#include "extract_golden_table.inc"
};

TEST(ExtractGolden, CommittedPrintsGiveThePinnedResults) {
    const bool print = std::getenv("MINUTIX_PRINT_GOLDEN") != nullptr;
    for (const Expected& e : kExpected) {
        auto h = ExtractionHashes(e.file);
        if (print) {
            std::printf("    {\"%s\"", e.file);
            for (const char* name :
                 {"result", "smoothed", "normalised", "pixel-uncertainty", "directions", "oriented",
                  "density", "first-binary", "enhanced", "binary", "skeleton", "raw"})
                std::printf(", 0x%016llxull", static_cast<unsigned long long>(h[name]));
            std::printf("},\n");
            continue;
        }
        const std::pair<const char*, uint64_t> rows[] = {{"smoothed", e.smoothed},
                                                         {"normalised", e.normalised},
                                                         {"pixel-uncertainty", e.pixelUncertainty},
                                                         {"directions", e.directions},
                                                         {"oriented", e.oriented},
                                                         {"density", e.density},
                                                         {"first-binary", e.firstBinary},
                                                         {"enhanced", e.enhanced},
                                                         {"binary", e.binary},
                                                         {"skeleton", e.skeleton},
                                                         {"raw", e.raw},
                                                         {"result", e.result}};
        // Stages in processing order, so the first mismatch points at the stage that moved.
        for (const auto& [name, value] : rows) {
            EXPECT_EQ(h[name], value) << e.file << ": " << name;
            if (h[name] != value) break;
        }
    }
}

}  // namespace
}  // namespace mx
