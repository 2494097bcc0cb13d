// fpgen: synthetic fingerprints for tests and benchmarks.
//
//   fpgen --out DIR --fingers N --impressions M --seed S [options]
//   fpgen --contact-sheet DIR OUT.png [--scale K]
//
// Writes DIR/F_I.pgm and DIR/F_I.png (finger F = 1..N, impression I = 1..M, 280 x 320, 8-bit
// grey, 500 dpi, 0 = ridge) and per finger DIR/F_master.json with the truth (format in README.md).

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "generator.h"
#include "imageio.h"
#include "rng.h"

namespace fs = std::filesystem;
using namespace fpgen;

namespace {

struct Options {
    std::string out;
    int fingers = 0;
    int impressions = 0;
    uint64_t seed = 0;
    bool haveSeed = false;
    int threads = 2;
    bool png = true;
    bool pgm = true;
    bool masters = false;
    bool classCycle = false;
    int forcedClass = -1;
};

const FingerClass AllClasses[] = {FingerClass::Arch, FingerClass::TentedArch, FingerClass::LeftLoop,
                                  FingerClass::RightLoop, FingerClass::Whorl};

int Usage() {
    std::fprintf(stderr,
                 "usage: fpgen --out DIR --fingers N --impressions M --seed S\n"
                 "             [--threads T] [--no-png] [--no-pgm] [--masters]\n"
                 "             [--class arch|tented_arch|left_loop|right_loop|whorl | "
                 "--class-cycle]\n"
                 "       fpgen --contact-sheet DIR OUT.png [--scale K]\n");
    return 2;
}

bool ParseInt(const char* s, long long lo, long long hi, long long& v) {
    char* end = nullptr;
    errno = 0;
    v = std::strtoll(s, &end, 10);
    return errno == 0 && end && *end == 0 && end != s && v >= lo && v <= hi;
}

std::string Num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.1f", v);
    return buf;
}

const char* KindName(SingularKind k) {
    return k == SingularKind::Core ? "core" : "delta";
}

std::string SingularJson(SingularKind k, Point p) {
    return std::string("{\"kind\": \"") + KindName(k) + "\", \"x\": " + Num(p.x) +
           ", \"y\": " + Num(p.y) + "}";
}

std::string MinutiaJson(const Minutia& m, Point p, int angle) {
    return std::string("{\"type\": \"") + (m.bifurcation ? "bifurcation" : "ending") +
           "\", \"x\": " + Num(p.x) + ", \"y\": " + Num(p.y) +
           ", \"angle\": " + std::to_string(angle) + "}";
}

bool InFrame(Point p) {
    return p.x >= 0 && p.y >= 0 && p.x < FrameWidth && p.y < FrameHeight;
}

// Writes one array with one element per line, so the files read well and diff well.
void WriteArray(std::ostream& out, const char* indent, const char* name,
                const std::vector<std::string>& items, bool last) {
    out << indent << "\"" << name << "\": [";
    for (size_t i = 0; i < items.size(); ++i)
        out << "\n" << indent << "  " << items[i] << (i + 1 < items.size() ? "," : "");
    out << (items.empty() ? "" : std::string("\n") + indent) << "]" << (last ? "" : ",") << "\n";
}

bool MakeFinger(const Options& opt, int finger, std::string& error) {
    uint64_t state = opt.seed;
    const uint64_t base =
        SplitMix64(state) ^ (0x9E3779B97F4A7C15ull * static_cast<uint64_t>(finger));
    uint64_t fs = base;
    const uint64_t classSeed = SplitMix64(fs), masterSeed = SplitMix64(fs),
                   growSeed = SplitMix64(fs), impressionSeed = SplitMix64(fs);
    FingerClass c = DrawClass(classSeed);
    if (opt.forcedClass >= 0) c = AllClasses[opt.forcedClass];
    if (opt.classCycle) c = AllClasses[(finger - 1) % 5];

    const Master master = GrowMaster(DrawMaster(c, masterSeed), growSeed);
    const std::string stem = (fs::path(opt.out) / std::to_string(finger)).string();

    std::ostringstream json;
    json << "{\n";
    json << "  \"finger\": " << finger << ",\n";
    json << "  \"seed\": " << opt.seed << ",\n";
    json << "  \"class\": \"" << ClassName(c) << "\",\n";
    json << "  \"width\": " << FrameWidth << ",\n  \"height\": " << FrameHeight << ",\n";
    json << "  \"dpi\": 500,\n";
    json << "  \"ridge_period_base\": " << Num(master.params.periodBase) << ",\n";
    json << "  \"ridge_period_min\": " << Num(master.params.periodMin) << ",\n";
    json << "  \"ridge_period_max\": " << Num(master.params.periodMax) << ",\n";
    json << "  \"gabor_iterations\": " << master.iterations << ",\n";
    std::vector<std::string> items;
    for (const Singular& s : master.params.singular) items.push_back(SingularJson(s.kind, s.at));
    WriteArray(json, "  ", "singular", items, false);
    items.clear();
    for (const Minutia& m : master.minutiae) items.push_back(MinutiaJson(m, {m.x, m.y}, m.angle));
    WriteArray(json, "  ", "minutiae", items, false);
    json << "  \"impressions\": [\n";

    uint64_t is = impressionSeed;
    for (int imp = 1; imp <= opt.impressions; ++imp) {
        const ImpressionParams p = DrawImpression(master, SplitMix64(is));
        const imageio::GreyImage img = RenderImpression(master, p);
        const std::string name = stem + "_" + std::to_string(imp);
        if (opt.pgm && !imageio::WritePgm(name + ".pgm", img, &error)) return false;
        if (opt.png && !imageio::WritePng(name + ".png", img, &error)) return false;

        json << "    {\n      \"impression\": " << imp << ",\n";
        json << "      \"rotation\": " << Num(p.rotationDeg) << ", \"dx\": " << Num(p.dx)
             << ", \"dy\": " << Num(p.dy) << ",\n";
        json << "      \"skin\": \""
             << (p.skin < 0   ? "dry"
                 : p.skin > 0 ? "wet"
                              : "normal")
             << "\", \"pressure\": " << Num(p.pressure * 100) << ",\n";
        items.clear();
        for (const Singular& s : master.params.singular) {
            const Point q = MasterToImpression(p, s.at);
            if (InFrame(q)) items.push_back(SingularJson(s.kind, q));
        }
        WriteArray(json, "      ", "singular", items, false);
        items.clear();
        for (const Minutia& m : master.minutiae) {
            const Point q = MasterToImpression(p, {m.x, m.y});
            if (InFrame(q))
                items.push_back(MinutiaJson(
                    m, q,
                    ((m.angle + static_cast<int>(std::lround(p.rotationDeg))) % 360 + 360) % 360));
        }
        WriteArray(json, "      ", "minutiae", items, true);
        json << "    }" << (imp < opt.impressions ? "," : "") << "\n";
    }
    json << "  ]\n}\n";
    {
        std::ofstream f(stem + "_master.json", std::ios::trunc);
        f << json.str();
        if (!f) {
            error = stem + "_master.json: write failed";
            return false;
        }
    }
    if (opt.masters) {
        imageio::GreyImage bin = master.Binary(), frame;
        frame.width = FrameWidth;
        frame.height = FrameHeight;
        frame.pixels.resize(static_cast<size_t>(FrameWidth) * FrameHeight);
        for (int y = 0; y < FrameHeight; ++y)
            std::memcpy(frame.row(y), bin.row(y + CanvasMargin) + CanvasMargin, FrameWidth);
        if (!imageio::WritePgm(stem + "_master.pgm", frame, &error)) return false;
    }
    return true;
}

int Generate(const Options& opt) {
    std::error_code ec;
    fs::create_directories(opt.out, ec);
    if (!fs::is_directory(opt.out)) {
        std::fprintf(stderr, "fpgen: cannot create %s\n", opt.out.c_str());
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    std::atomic<int> nextFinger{1};
    std::atomic<bool> failed{false};
    std::mutex errorLock;
    std::string firstError;
    auto worker = [&] {
        for (;;) {
            const int f = nextFinger++;
            if (f > opt.fingers || failed) return;
            std::string error;
            if (!MakeFinger(opt, f, error)) {
                std::lock_guard<std::mutex> lock(errorLock);
                if (!failed.exchange(true)) firstError = error;
            }
        }
    };
    std::vector<std::thread> pool;
    for (int t = 0; t < std::max(1, opt.threads); ++t) pool.emplace_back(worker);
    for (auto& t : pool) t.join();
    if (failed) {
        std::fprintf(stderr, "fpgen: %s\n", firstError.c_str());
        return 1;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("fpgen: %d fingers x %d impressions in %s, seed %llu, %.1f s\n", opt.fingers,
                opt.impressions, opt.out.c_str(), static_cast<unsigned long long>(opt.seed),
                seconds);
    return 0;
}

// ---- contact sheet -----------------------------------------------------------------------

imageio::GreyImage Shrink(const imageio::GreyImage& img, int k) {
    imageio::GreyImage out;
    out.width = img.width / k;
    out.height = img.height / k;
    out.pixels.resize(static_cast<size_t>(out.width) * out.height);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            int sum = 0;
            for (int dy = 0; dy < k; ++dy)
                for (int dx = 0; dx < k; ++dx) sum += img.row(y * k + dy)[x * k + dx];
            out.row(y)[x] = static_cast<uint8_t>((sum + k * k / 2) / (k * k));
        }
    return out;
}

int ContactSheet(const std::string& dir, const std::string& outPath, int scale) {
    // Rows are fingers, columns impressions; other images go row by row after them.
    std::map<std::pair<long, long>, fs::path> byName;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        int finger = 0, impression = 0;
        std::string ext;
        if (!imageio::ParseSampleName(e.path().filename().string(), finger, impression, ext))
            continue;
        if (ext != "pgm" && ext != "png" && ext != "tif" && ext != "tiff") continue;
        const auto key = std::make_pair(static_cast<long>(finger), static_cast<long>(impression));
        // One file per finger and impression: PGM first.
        auto it = byName.find(key);
        if (it == byName.end() || ext == "pgm") byName[key] = e.path();
    }
    if (ec || byName.empty()) {
        std::fprintf(stderr, "fpgen: no images named F_I in %s\n", dir.c_str());
        return 1;
    }
    std::map<long, int> rowOf;
    long maxImp = 1;
    for (auto& [key, path] : byName) {
        rowOf.emplace(key.first, 0);
        maxImp = std::max(maxImp, key.second);
    }
    int r = 0;
    for (auto& [finger, row] : rowOf) row = r++;
    const int cols = static_cast<int>(std::min<long>(maxImp, 64));
    const int tileW = FrameWidth / scale, tileH = FrameHeight / scale, gap = 4;
    imageio::RgbImage sheet;
    sheet.width = cols * (tileW + gap) + gap;
    sheet.height = static_cast<int>(rowOf.size()) * (tileH + gap) + gap;
    sheet.pixels.assign(static_cast<size_t>(sheet.width) * sheet.height * 3, 64);
    for (auto& [key, path] : byName) {
        if (key.second < 1 || key.second > cols) continue;
        imageio::GreyImage img;
        std::string error;
        if (!imageio::ReadGrey(path.string(), img, &error)) {
            std::fprintf(stderr, "fpgen: %s\n", error.c_str());
            return 1;
        }
        const imageio::GreyImage tile = Shrink(imageio::FitToFrame(img), scale);
        const int ox = gap + static_cast<int>(key.second - 1) * (tileW + gap);
        const int oy = gap + rowOf[key.first] * (tileH + gap);
        for (int y = 0; y < tile.height; ++y)
            for (int x = 0; x < tile.width; ++x) {
                uint8_t* px =
                    &sheet.pixels[(static_cast<size_t>(oy + y) * sheet.width + ox + x) * 3];
                px[0] = px[1] = px[2] = tile.row(y)[x];
            }
    }
    std::string error;
    if (!imageio::WritePng(outPath, sheet, &error)) {
        std::fprintf(stderr, "fpgen: %s\n", error.c_str());
        return 1;
    }
    std::printf("fpgen: contact sheet of %zu images (%zu fingers) in %s\n", byName.size(),
                rowOf.size(), outPath.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options opt;
    std::string sheetDir, sheetOut;
    int scale = 2;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        long long v = 0;
        const char* s = nullptr;
        if (a == "--out" && (s = value())) {
            opt.out = s;
        } else if (a == "--fingers" && (s = value()) && ParseInt(s, 1, 100000, v)) {
            opt.fingers = static_cast<int>(v);
        } else if (a == "--impressions" && (s = value()) && ParseInt(s, 1, 1000, v)) {
            opt.impressions = static_cast<int>(v);
        } else if (a == "--seed" && (s = value()) && ParseInt(s, 0, INT64_MAX, v)) {
            opt.seed = static_cast<uint64_t>(v);
            opt.haveSeed = true;
        } else if (a == "--threads" && (s = value()) && ParseInt(s, 1, 64, v)) {
            opt.threads = static_cast<int>(v);
        } else if (a == "--no-png") {
            opt.png = false;
        } else if (a == "--no-pgm") {
            opt.pgm = false;
        } else if (a == "--masters") {
            opt.masters = true;
        } else if (a == "--class-cycle") {
            opt.classCycle = true;
        } else if (a == "--class" && (s = value())) {
            for (int k = 0; k < 5; ++k)
                if (std::string(ClassName(AllClasses[k])) == s) opt.forcedClass = k;
            if (opt.forcedClass < 0) return Usage();
        } else if (a == "--contact-sheet" && i + 2 < argc) {
            sheetDir = argv[++i];
            sheetOut = argv[++i];
        } else if (a == "--scale" && (s = value()) && ParseInt(s, 1, 16, v)) {
            scale = static_cast<int>(v);
        } else {
            return Usage();
        }
    }
    if (!sheetDir.empty()) return ContactSheet(sheetDir, sheetOut, scale);
    if (opt.out.empty() || opt.fingers <= 0 || opt.impressions <= 0 || !opt.haveSeed)
        return Usage();
    return Generate(opt);
}
