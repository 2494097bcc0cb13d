// fpgen runs as a real process here; its images and truth files are measured with methods of
// their own (structure tensor, Poincare index, ridge counting) rather than the generator's code.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "generator.h"
#include "imageio.h"

namespace fs = std::filesystem;
using imageio::GreyImage;

namespace {

constexpr double Pi = 3.14159265358979323846;

fs::path TempDir(const std::string& name) {
    fs::path d =
        fs::temp_directory_path() / ("fpgen_test_" + std::to_string(::getpid()) + "_" + name);
    fs::remove_all(d);
    return d;
}

int RunFpgen(const std::string& args) {
    const std::string cmd = std::string(FPGEN_PATH) + " " + args + " > /dev/null";
    return std::system(cmd.c_str());
}

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

GreyImage Load(const fs::path& p) {
    GreyImage img;
    std::string error;
    EXPECT_TRUE(imageio::ReadGrey(p.string(), img, &error)) << error;
    return img;
}

struct TruthPoint {
    bool core = false;
    double x = 0, y = 0;
};

// The singular points of the master (first "singular" array) or of one impression.
std::vector<TruthPoint> ReadSingular(const fs::path& json, int impression) {
    std::ifstream in(json);
    std::string line;
    int current = 0;  // 0: the master's part
    std::vector<TruthPoint> out;
    bool inSingular = false;
    while (std::getline(in, line)) {
        int imp = 0;
        if (std::sscanf(line.c_str(), " \"impression\": %d", &imp) == 1) current = imp;
        if (line.find("\"singular\": [") != std::string::npos) inSingular = true;
        if (inSingular && line.find(']') != std::string::npos &&
            line.find("\"kind\"") == std::string::npos)
            inSingular = false;
        char kind[16] = {};
        TruthPoint p;
        if (inSingular && current == impression &&
            std::sscanf(line.c_str(), " {\"kind\": \"%15[a-z]\", \"x\": %lf, \"y\": %lf", kind,
                        &p.x, &p.y) == 3) {
            p.core = std::string(kind) == "core";
            out.push_back(p);
        }
    }
    return out;
}

// Ridge orientation (radians, [0, pi), image coordinates) from the smoothed structure tensor.
struct OrientationField {
    int w = 0, h = 0;
    std::vector<double> theta;
    std::vector<double> coherence;
    std::vector<double> energy;  // local gradient energy: high on ridges, low on background
    explicit OrientationField(const GreyImage& img, int radius = 6) : w(img.width), h(img.height) {
        std::vector<double> gxx(w * h), gyy(w * h), gxy(w * h);
        for (int y = 1; y < h - 1; ++y)
            for (int x = 1; x < w - 1; ++x) {
                const double gx = img.row(y)[x + 1] - img.row(y)[x - 1];
                const double gy = img.row(y + 1)[x] - img.row(y - 1)[x];
                gxx[y * w + x] = gx * gx, gyy[y * w + x] = gy * gy, gxy[y * w + x] = gx * gy;
            }
        auto box = [&](std::vector<double>& a) {
            std::vector<double> t(a.size());
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    double s = 0;
                    for (int k = -radius; k <= radius; ++k)
                        s += a[y * w + std::clamp(x + k, 0, w - 1)];
                    t[y * w + x] = s;
                }
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    double s = 0;
                    for (int k = -radius; k <= radius; ++k)
                        s += t[std::clamp(y + k, 0, h - 1) * w + x];
                    a[y * w + x] = s;
                }
        };
        box(gxx), box(gyy), box(gxy);
        theta.resize(w * h);
        coherence.resize(w * h);
        energy.resize(w * h);
        for (int i = 0; i < w * h; ++i) {
            // Gradient direction doubled; ridges run across it.
            const double a = gxx[i] - gyy[i], b = 2 * gxy[i];
            double t = 0.5 * std::atan2(b, a) + Pi / 2;
            if (t >= Pi) t -= Pi;
            theta[i] = t;
            coherence[i] = std::sqrt(a * a + b * b) / (gxx[i] + gyy[i] + 1e-9);
            energy[i] = gxx[i] + gyy[i];
        }
    }
    double At(double x, double y) const {
        const int ix = std::clamp(static_cast<int>(std::lround(x)), 0, w - 1);
        const int iy = std::clamp(static_cast<int>(std::lround(y)), 0, h - 1);
        return theta[iy * w + ix];
    }
    // Poincare index in half turns (+1 core, -1 delta, +2 whorl centre, 0 none) around a
    // circle, walked counter-clockwise on the image.
    // Inside the ridge area: energy at least a fifth of the image's 95th percentile.
    bool InPrint(int x, int y) const {
        if (threshold < 0) {
            std::vector<double> e = energy;
            std::nth_element(e.begin(), e.begin() + e.size() * 95 / 100, e.end());
            threshold = 0.2 * e[e.size() * 95 / 100];
        }
        return x >= 0 && y >= 0 && x < w && y < h && energy[y * w + x] > threshold;
    }
    mutable double threshold = -1;
    int Index(double cx, double cy, double r) const {
        const int n = 32;
        double sum = 0;
        double prev = At(cx + r, cy);
        for (int k = 1; k <= n; ++k) {
            const double a = 2 * Pi * k / n;
            const double cur = At(cx + r * std::cos(a), cy - r * std::sin(a));
            // Orientations are measured on the image (y down): the sum runs the other way.
            double d = prev - cur;
            while (d > Pi / 2) d -= Pi;
            while (d < -Pi / 2) d += Pi;
            sum += d;
            prev = cur;
        }
        return static_cast<int>(std::lround(sum / Pi));
    }
};

// Mean ridge period along the normal of the ridges through (cx, cy), by counting crossings of
// the local mean over a 64-pixel profile.
double LocalPeriod(const GreyImage& img, const OrientationField& f, int cx, int cy) {
    const double t = f.At(cx, cy);
    const double nx = -std::sin(t), ny = std::cos(t);
    std::vector<double> prof;
    for (int k = -32; k <= 32; ++k) {
        double s = 0;
        // A little averaging along the ridge direction steadies the profile.
        for (int a = -3; a <= 3; ++a) {
            const double x = cx + k * nx + a * std::cos(t), y = cy + k * ny + a * std::sin(t);
            const int ix = std::clamp(static_cast<int>(std::lround(x)), 0, img.width - 1);
            const int iy = std::clamp(static_cast<int>(std::lround(y)), 0, img.height - 1);
            s += img.row(iy)[ix];
        }
        prof.push_back(s);
    }
    double mean = 0;
    for (double v : prof) mean += v;
    mean /= prof.size();
    std::vector<int> up;
    for (size_t i = 1; i < prof.size(); ++i)
        if (prof[i - 1] < mean && prof[i] >= mean) up.push_back(static_cast<int>(i));
    if (up.size() < 3) return 0;
    return static_cast<double>(up.back() - up.front()) / (up.size() - 1);
}

}  // namespace

TEST(Fpgen, SameSeedSameBytesWhateverTheThreads) {
    const fs::path a = TempDir("a"), b = TempDir("b"), c = TempDir("c");
    ASSERT_EQ(RunFpgen("--out " + a.string() + " --fingers 3 --impressions 2 --seed 42"), 0);
    ASSERT_EQ(
        RunFpgen("--out " + b.string() + " --fingers 3 --impressions 2 --seed 42 --threads 1"), 0);
    ASSERT_EQ(RunFpgen("--out " + c.string() + " --fingers 3 --impressions 2 --seed 43"), 0);
    int files = 0;
    for (int f = 1; f <= 3; ++f) {
        for (int i = 1; i <= 2; ++i)
            for (const char* ext : {".pgm", ".png"}) {
                const std::string name = std::to_string(f) + "_" + std::to_string(i) + ext;
                SCOPED_TRACE(name);
                const std::string bytes = ReadAll(a / name);
                ASSERT_FALSE(bytes.empty());
                EXPECT_EQ(bytes, ReadAll(b / name));
                EXPECT_NE(bytes, ReadAll(c / name));
                ++files;
            }
        const std::string truth = std::to_string(f) + "_master.json";
        EXPECT_EQ(ReadAll(a / truth), ReadAll(b / truth));
    }
    EXPECT_EQ(files, 12);
    const GreyImage img = Load(a / "1_1.pgm");
    EXPECT_EQ(img.width, 280);
    EXPECT_EQ(img.height, 320);
    fs::remove_all(a), fs::remove_all(b), fs::remove_all(c);
}

TEST(Fpgen, BadArgumentsAreRefused) {
    const fs::path d = TempDir("bad");
    const char* cases[] = {
        "--fingers 2 --impressions 2 --seed 1",                      // no --out
        "--out DIR --fingers 0 --impressions 2 --seed 1",            // no fingers
        "--out DIR --fingers 2 --impressions x --seed 1",            // not a number
        "--out DIR --fingers 2 --impressions 2",                     // no seed
        "--out DIR --fingers 2 --impressions 2 --seed 1 --class X",  // unknown class
    };
    for (const char* args : cases) {
        SCOPED_TRACE(args);
        std::string a = args;
        const size_t at = a.find("DIR");
        if (at != std::string::npos) a.replace(at, 3, d.string());
        EXPECT_NE(RunFpgen(a + " 2>/dev/null"), 0);
    }
    EXPECT_FALSE(fs::exists(d / "1_1.pgm"));
    fs::remove_all(d);
}

TEST(Fpgen, RidgePeriodLiesInTheRequestedRange) {
    const fs::path d = TempDir("period");
    ASSERT_EQ(RunFpgen("--out " + d.string() +
                       " --fingers 5 --impressions 2 --seed 9 --class-cycle --no-png"),
              0);
    std::vector<double> all;
    for (int f = 1; f <= 5; ++f)
        for (int i = 1; i <= 2; ++i) {
            const GreyImage img = Load(d / (std::to_string(f) + "_" + std::to_string(i) + ".pgm"));
            const OrientationField field(img);
            std::vector<double> periods;
            for (int y = 48; y < img.height - 48; y += 24)
                for (int x = 48; x < img.width - 48; x += 24) {
                    if (field.coherence[y * img.width + x] < 0.5) continue;  // background, cores
                    const double p = LocalPeriod(img, field, x, y);
                    if (p > 0) periods.push_back(p);
                }
            ASSERT_GE(periods.size(), 20u) << f << "_" << i;
            std::sort(periods.begin(), periods.end());
            const double median = periods[periods.size() / 2];
            EXPECT_GE(median, 8.0) << f << "_" << i;
            EXPECT_LE(median, 11.0) << f << "_" << i;
            all.insert(all.end(), periods.begin(), periods.end());
        }
    std::sort(all.begin(), all.end());
    // Nearly every local measurement falls in the range, allowing for measuring error.
    EXPECT_GE(all[all.size() / 10], 7.5);
    EXPECT_LE(all[all.size() * 9 / 10], 11.5);
    fs::remove_all(d);
}

TEST(Fpgen, SingularPointsLandWhereTheModelPutThem) {
    const fs::path d = TempDir("singular");
    ASSERT_EQ(RunFpgen("--out " + d.string() +
                       " --fingers 10 --impressions 1 --seed 3 --class-cycle --masters --no-png"),
              0);
    int checked = 0;
    for (int f = 1; f <= 10; ++f) {
        const fs::path json = d / (std::to_string(f) + "_master.json");
        struct Source {
            std::string image;
            int impression;
        };
        const Source sources[] = {{std::to_string(f) + "_master.pgm", 0},
                                  {std::to_string(f) + "_1.pgm", 1}};
        for (const Source& s : sources) {
            SCOPED_TRACE(s.image);
            const GreyImage img = Load(d / s.image);
            const OrientationField field(img, 4);
            const std::vector<TruthPoint> truth = ReadSingular(json, s.impression);
            auto usable = [&](double x, double y) {
                return x >= 30 && y >= 30 && x < img.width - 30 && y < img.height - 30 &&
                       field.InPrint(static_cast<int>(x), static_cast<int>(y));
            };
            // Every model point: a measured point of its kind within 12 pixels.
            for (const TruthPoint& t : truth) {
                if (!usable(t.x, t.y)) continue;
                bool found = false;
                for (int dy = -12; dy <= 12 && !found; dy += 2)
                    for (int dx = -12; dx <= 12 && !found; dx += 2) {
                        const int idx = field.Index(t.x + dx, t.y + dy, 8);
                        found = t.core ? idx >= 1 : idx == -1;
                    }
                std::string map;
                for (int dy = -16; dy <= 16; dy += 4) {
                    for (int dx = -16; dx <= 16; dx += 4)
                        map += std::to_string(field.Index(t.x + dx, t.y + dy, 8)) + " ";
                    map += "\n";
                }
                EXPECT_TRUE(found)
                    << (t.core ? "core" : "delta") << " at " << t.x << "," << t.y << "\n"
                    << map;
                ++checked;
            }
            // Away from the model's points the flow has no singularity.
            int spurious = 0;
            for (int y = 40; y < img.height - 40; y += 8)
                for (int x = 40; x < img.width - 40; x += 8) {
                    bool near = false;
                    for (const TruthPoint& t : truth)
                        near = near || std::hypot(t.x - x, t.y - y) < 40;
                    if (near || field.coherence[y * img.width + x] < 0.3) continue;
                    bool inPrint = true;
                    for (int k = -16; k <= 16 && inPrint; k += 8)
                        inPrint = field.InPrint(x, y + k) && field.InPrint(x + k, y);
                    if (inPrint && field.Index(x, y, 8) != 0) ++spurious;
                }
            EXPECT_LE(spurious, 1);
        }
    }
    EXPECT_GE(checked, 20);
    fs::remove_all(d);
}

TEST(FindMinutiae, CrossingNumberOnDrawnPatterns) {
    // Ridges drawn 3 pixels wide on white: an ending pointing right, and a fork opening right.
    struct Case {
        const char* name;
        bool fork;
        int expectX, expectY, expectAngle;
    };
    const Case cases[] = {{"ending of a ridge running right", false, 60, 40, 0},
                          {"fork opening to the right", true, 50, 40, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GreyImage img;
        img.width = 100;
        img.height = 80;
        img.pixels.assign(100 * 80, 255);
        auto dot = [&](int x, int y) {
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) img.row(y + dy)[x + dx] = 0;
        };
        if (!c.fork) {
            for (int x = 5; x <= 60; ++x) dot(x, 40);
        } else {
            for (int x = 5; x <= 50; ++x) dot(x, 40);
            for (int k = 0; k <= 30; ++k) dot(50 + k, 40 - k * 2 / 3), dot(50 + k, 40 + k * 2 / 3);
        }
        std::vector<uint8_t> valid(100 * 80, 0);
        for (int y = 20; y < 60; ++y)
            for (int x = 20; x < 75; ++x) valid[y * 100 + x] = 1;
        const auto found = fpgen::FindMinutiae(img, valid);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_EQ(found[0].bifurcation, c.fork);
        EXPECT_NEAR(found[0].x, c.expectX, 2);
        EXPECT_NEAR(found[0].y, c.expectY, 2);
        const int diff = std::abs(found[0].angle - c.expectAngle) % 360;
        EXPECT_LE(std::min(diff, 360 - diff), 15);
    }
}
