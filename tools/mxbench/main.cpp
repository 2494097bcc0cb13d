// mxbench: speed and accuracy of the minutix library on a folder of fingerprints.
//
//   mxbench DIR [--json FILE] [--plots DIR] [--scores FILE]
//
// DIR holds images named F_I.pgm / .png / .tif (finger F, impression I; any size, fitted to the
// 280 x 320 frame around the print's centre of mass) and/or templates named F_I.txt (768
// hexadecimal characters) or F_I.bin (384 bytes). Accuracy follows the FVC protocol: genuine
// comparisons between every pair of impressions of a finger, impostor comparisons between the
// first impressions of different fingers. Figures the library cannot give yet are reported as
// not available, never estimated.

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "features.h"
#include "imageio.h"
#include "plot.h"
#include "stats.h"
#include "template.h"
#if MXBENCH_WITH_EXTRACTION
#include "extract.h"
#endif
#if MXBENCH_WITH_MATCHING
#include "match.h"
#endif

namespace fs = std::filesystem;
// Work is timed in the thread's CPU time: on a shared machine wall time mostly measures the
// neighbours. On an idle machine the two agree.
double ThreadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec * 1e-9;
}

namespace {

struct Sample {
    int finger = 0, impression = 0;
    fs::path image, tmpl;
    bool attempted = false;  // extracted, or read from a template file
    bool enrolled = false;   // a usable template exists
    std::unique_ptr<mx::MinutiaSet> set;
};

int Usage() {
    std::fprintf(stderr, "usage: mxbench DIR [--json FILE] [--plots DIR] [--scores FILE]\n");
    return 2;
}

bool ParseHexTemplate(const std::string& text, uint8_t* out) {
    std::string hex;
    for (char c : text)
        if (!std::isspace(static_cast<unsigned char>(c))) hex += c;
    if (hex.size() != 2 * mx::MaxTemplateSize) return false;
    for (size_t i = 0; i < hex.size(); i += 2) {
        int v = 0;
        for (int k = 0; k < 2; ++k) {
            const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(hex[i + k])));
            const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
            if (d < 0) return false;
            v = v * 16 + d;
        }
        out[i / 2] = static_cast<uint8_t>(v);
    }
    return true;
}

// Reads a template file; false when it is not a valid template.
bool LoadTemplate(const fs::path& path, mx::MinutiaSet& set) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    const std::string data = s.str();
    uint8_t buf[mx::MaxTemplateSize] = {};
    if (path.extension() == ".bin") {
        if (data.size() != mx::MaxTemplateSize) return false;
        std::memcpy(buf, data.data(), mx::MaxTemplateSize);
    } else if (!ParseHexTemplate(data, buf)) {
        return false;
    }
    const int size = mx::HeaderTemplateSize(buf);
    if (size < 1 || size > mx::MaxTemplateSize) return false;
    uint8_t density = 0;
    mx::UnpackTemplate(set, density, buf);
    return true;
}

std::string Figure(std::optional<double> v, int decimals = 2) {
    if (!v) return "n/a";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, *v);
    return buf;
}

std::string JsonNumber(std::optional<double> v) {
    if (!v) return "null";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.6g", *v);
    return buf;
}

std::string JsonString(const std::string& s) {
    std::string out = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') out += '\\';
        if (static_cast<unsigned char>(c) < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
            continue;
        }
        out += c;
    }
    return out + "\"";
}

}  // namespace

int main(int argc, char** argv) {
    std::string dir, jsonPath, plotDir, scoresPath;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--json" && i + 1 < argc) {
            jsonPath = argv[++i];
        } else if (a == "--scores" && i + 1 < argc) {
            scoresPath = argv[++i];
        } else if (a == "--plots" && i + 1 < argc) {
            plotDir = argv[++i];
        } else if (!a.empty() && a[0] != '-' && dir.empty()) {
            dir = a;
        } else {
            return Usage();
        }
    }
    if (dir.empty()) return Usage();
    std::error_code ec;
    if (!fs::is_directory(dir, ec)) {
        std::fprintf(stderr, "mxbench: %s is not a folder\n", dir.c_str());
        return 1;
    }

    // Samples by finger and impression; an image and a template of the same name may coexist.
    std::map<std::pair<int, int>, Sample> samples;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        int finger = 0, impression = 0;
        std::string ext;
        if (!e.is_regular_file() ||
            !imageio::ParseSampleName(e.path().filename().string(), finger, impression, ext))
            continue;
        const bool isTemplate = ext == "txt" || ext == "bin";
        const bool isImage = ext == "pgm" || ext == "png" || ext == "tif" || ext == "tiff";
        if (!isTemplate && !isImage) continue;
        Sample& s = samples[{finger, impression}];
        s.finger = finger;
        s.impression = impression;
        if (isTemplate) {
            if (s.tmpl.empty() || ext == "txt") s.tmpl = e.path();
        } else if (s.image.empty() || ext == "pgm") {
            s.image = e.path();
        }
    }
    if (samples.empty()) {
        std::fprintf(stderr, "mxbench: no images or templates named F_I in %s\n", dir.c_str());
        return 1;
    }

    std::vector<std::string> missing;  // figures that cannot be given, and why
    int images = 0, templates = 0, badImages = 0, badTemplates = 0, refused = 0, extracted = 0;
    std::vector<double> extractMs;
    for (auto& [key, s] : samples) images += !s.image.empty();

#if MXBENCH_WITH_EXTRACTION
    const bool canExtract = true;
#else
    const bool canExtract = false;
    if (images > 0)
        missing.push_back(
            "extraction: the library has no ExtractFeatures yet, so the images are not used "
            "(failure-to-enrol rate and extraction times unavailable)");
#endif

    for (auto& [key, s] : samples) {
        s.set = std::make_unique<mx::MinutiaSet>();
        if (canExtract && !s.image.empty()) {
#if MXBENCH_WITH_EXTRACTION
            imageio::GreyImage img;
            std::string error;
            if (!imageio::ReadGrey(s.image.string(), img, &error)) {
                // An unreadable image is a failure to enrol; its comparisons score 0.
                std::fprintf(stderr, "mxbench: %s\n", error.c_str());
                ++badImages;
                s.attempted = true;
                continue;
            }
            img = imageio::FitToFrame(img, 280, 320);
            s.attempted = true;
            std::vector<uint8_t*> rows(img.height);
            for (int y = 0; y < img.height; ++y) rows[y] = img.row(y);
            mx::SingularSet singular;
            const double t0 = ThreadSeconds();
            const int ok = mx::ExtractFeatures(rows.data(), img.width, img.height, *s.set, singular,
                                               mx::MaxTemplateSize);
            extractMs.push_back(1000 * (ThreadSeconds() - t0));
            ++extracted;
            if (ok == 1) {
                // Compare what a reader would store: the packed template, unpacked again.
                uint8_t buf[mx::MaxTemplateSize] = {};
                mx::PackTemplate(*s.set, singular.RidgeDensity, buf);
                uint8_t density = 0;
                mx::UnpackTemplate(*s.set, density, buf);
                s.enrolled = true;
            } else {
                ++refused;
            }
#endif
        } else if (!s.tmpl.empty()) {
            ++templates;
            s.attempted = true;
            s.enrolled = LoadTemplate(s.tmpl, *s.set);
            if (!s.enrolled) {
                std::fprintf(stderr, "mxbench: %s is not a valid template\n",
                             s.tmpl.string().c_str());
                ++badTemplates;
            }
        }
    }

    // FVC pairs: a sample that could not be enrolled takes part with score 0.
    std::map<int, std::vector<Sample*>> byFinger;
    for (auto& [key, s] : samples)
        if (s.attempted) byFinger[s.finger].push_back(&s);
    std::vector<std::pair<Sample*, Sample*>> genuinePairs, impostorPairs;
    for (auto& [finger, list] : byFinger)
        for (size_t i = 0; i < list.size(); ++i)
            for (size_t j = i + 1; j < list.size(); ++j)
                genuinePairs.emplace_back(list[i], list[j]);
    for (auto a = byFinger.begin(); a != byFinger.end(); ++a)
        for (auto b = std::next(a); b != byFinger.end(); ++b)
            impostorPairs.emplace_back(a->second.front(), b->second.front());

    const bool usable = extracted > 0 || templates > 0;
    std::vector<double> genuine, impostor;
    std::optional<double> genuinePerSecond, impostorPerSecond;
#if MXBENCH_WITH_MATCHING
    if (usable) {
        auto run = [](const std::vector<std::pair<Sample*, Sample*>>& pairs,
                      std::vector<double>& scores) -> std::optional<double> {
            mx::MatchParams params;
            auto result = std::make_unique<mx::MatchResult>();
            double seconds = 0;
            int timed = 0;
            for (auto [a, b] : pairs) {
                if (!a->enrolled || !b->enrolled) {
                    scores.push_back(0);
                    continue;
                }
                const double t0 = ThreadSeconds();
                const int score = mx::MatchSets(*a->set, *b->set, params, *result);
                seconds += ThreadSeconds() - t0;
                ++timed;
                scores.push_back(score);
            }
            if (timed == 0 || seconds <= 0) return std::nullopt;
            return timed / seconds;
        };
        genuinePerSecond = run(genuinePairs, genuine);
        impostorPerSecond = run(impostorPairs, impostor);
    }
#else
    missing.push_back(
        "matching: the library has no MatchSets yet (scores, error rates and "
        "matching speed unavailable)");
#endif
    if (!usable && missing.empty())
        missing.push_back("no sample could be used (no readable template, no extraction)");

    const bool scored = !genuine.empty() && !impostor.empty();
    const std::optional<mxbench::Accuracy> accuracy =
        scored ? mxbench::ComputeAccuracy(genuine, impostor) : std::nullopt;
    if (usable && !genuine.empty() && impostor.empty())
        missing.push_back("impostor figures: only one finger in the folder");
    if (usable && genuine.empty() && !impostor.empty())
        missing.push_back("genuine figures: no finger has two impressions");

    std::optional<double> fte, extractMedian, extractP90, eer, fmr100, fmr1000, zeroFmr;
    if (canExtract && extracted > 0) {
        fte = 100.0 * (refused + badImages) / (extracted + badImages);
        extractMedian = mxbench::Median(extractMs);
        extractP90 = mxbench::Percentile(extractMs, 0.9);
    }
    if (accuracy) {
        eer = 100 * accuracy->eer;
        fmr100 = 100 * accuracy->fmr100;
        fmr1000 = 100 * accuracy->fmr1000;
        zeroFmr = 100 * accuracy->zeroFmr;
    }
    const bool matched = MXBENCH_WITH_MATCHING && usable;
    std::optional<double> genuineCount, impostorCount;
    if (matched) genuineCount = genuinePairs.size(), impostorCount = impostorPairs.size();

    // The table.
    std::printf("mxbench: %s: %zu fingers, %d images, %d templates\n", dir.c_str(), byFinger.size(),
                images, templates);
    auto row = [](const char* label, const std::string& value) {
        std::printf("  %-38s %12s\n", label, value.c_str());
    };
    row("images", std::to_string(images));
    if (templates > 0) row("templates read from files", std::to_string(templates));
    if (badImages > 0) row("unreadable images", std::to_string(badImages));
    if (badTemplates > 0) row("invalid templates", std::to_string(badTemplates));
    row("failure to enrol (%)", Figure(fte));
    row("extraction per image, median (ms)", Figure(extractMedian, 3));
    row("extraction per image, 90th pct (ms)", Figure(extractP90, 3));
    row("genuine pairs", matched ? std::to_string(genuinePairs.size()) : "n/a");
    row("impostor pairs", matched ? std::to_string(impostorPairs.size()) : "n/a");
    row("EER (%)", Figure(eer));
    row("FMR100 (%)", Figure(fmr100));
    row("FMR1000 (%)", Figure(fmr1000));
    row("ZeroFMR (%)", Figure(zeroFmr));
    row("genuine matches per second", Figure(genuinePerSecond, 0));
    row("impostor matches per second", Figure(impostorPerSecond, 0));
    if (accuracy)
        std::printf(
            "  (EER interval %.2f .. %.2f %%; comparisons with a sample that could not be "
            "enrolled count as score 0)\n",
            100 * accuracy->eerLow, 100 * accuracy->eerHigh);
    for (const std::string& m : missing) std::printf("  not measured: %s\n", m.c_str());

    int rc = 0;
    if (!jsonPath.empty()) {
        std::ofstream j(jsonPath, std::ios::trunc);
        j << "{\n";
        j << "  \"folder\": " << JsonString(dir) << ",\n";
        j << "  \"images\": " << images << ",\n";
        j << "  \"templates\": " << templates << ",\n";
        j << "  \"fte\": " << JsonNumber(fte) << ",\n";
        j << "  \"extract_ms_median\": " << JsonNumber(extractMedian) << ",\n";
        j << "  \"extract_ms_p90\": " << JsonNumber(extractP90) << ",\n";
        j << "  \"genuine_pairs\": " << JsonNumber(genuineCount) << ",\n";
        j << "  \"impostor_pairs\": " << JsonNumber(impostorCount) << ",\n";
        j << "  \"eer\": " << JsonNumber(eer) << ",\n";
        j << "  \"fmr100\": " << JsonNumber(fmr100) << ",\n";
        j << "  \"fmr1000\": " << JsonNumber(fmr1000) << ",\n";
        j << "  \"zerofmr\": " << JsonNumber(zeroFmr) << ",\n";
        j << "  \"genuine_matches_per_second\": " << JsonNumber(genuinePerSecond) << ",\n";
        j << "  \"impostor_matches_per_second\": " << JsonNumber(impostorPerSecond) << ",\n";
        j << "  \"not_measured\": [";
        for (size_t i = 0; i < missing.size(); ++i) j << (i ? ", " : "") << JsonString(missing[i]);
        j << "]\n}\n";
        j.close();
        if (!j) {
            std::fprintf(stderr, "mxbench: cannot write %s\n", jsonPath.c_str());
            rc = 1;
        }
    }
    if (!scoresPath.empty()) {
        // One comparison per line, for looking into single pairs.
        std::ofstream f(scoresPath, std::ios::trunc);
        f << "kind,finger1,impression1,finger2,impression2,score\n";
        auto dump = [&f](const char* kind, const std::vector<std::pair<Sample*, Sample*>>& pairs,
                         const std::vector<double>& scores) {
            for (size_t i = 0; i < pairs.size() && i < scores.size(); ++i)
                f << kind << ',' << pairs[i].first->finger << ',' << pairs[i].first->impression
                  << ',' << pairs[i].second->finger << ',' << pairs[i].second->impression << ','
                  << scores[i] << '\n';
        };
        dump("genuine", genuinePairs, genuine);
        dump("impostor", impostorPairs, impostor);
        f.close();
        if (!f) {
            std::fprintf(stderr, "mxbench: cannot write %s\n", scoresPath.c_str());
            rc = 1;
        }
    }
    if (!plotDir.empty()) {
        fs::create_directories(plotDir, ec);
        if (!accuracy) {
            std::printf("  plots: none, there are no scores to draw\n");
        } else {
            std::string error;
            const std::string hist = (fs::path(plotDir) / "scores.png").string();
            const std::string det = (fs::path(plotDir) / "det.png").string();
            if (!imageio::WritePng(hist, mxbench::DrawHistograms(genuine, impostor), &error) ||
                !imageio::WritePng(det, mxbench::DrawDet(*accuracy), &error)) {
                std::fprintf(stderr, "mxbench: %s\n", error.c_str());
                rc = 1;
            } else {
                std::printf("  plots: %s, %s\n", hist.c_str(), det.c_str());
            }
        }
    }
    return rc;
}
