#include "plot.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace mxbench {

namespace {

struct Colour {
    uint8_t r, g, b;
};
constexpr Colour Black{0, 0, 0}, Grey{200, 200, 200}, Green{20, 150, 40}, Red{200, 30, 30},
    Blue{30, 60, 200};

class Canvas {
  public:
    Canvas(int w, int h) {
        img_.width = w;
        img_.height = h;
        img_.pixels.assign(static_cast<size_t>(w) * h * 3, 255);
    }
    void Set(int x, int y, Colour c, double alpha = 1) {
        if (x < 0 || y < 0 || x >= img_.width || y >= img_.height) return;
        uint8_t* p = &img_.pixels[(static_cast<size_t>(y) * img_.width + x) * 3];
        p[0] = static_cast<uint8_t>(p[0] + (c.r - p[0]) * alpha);
        p[1] = static_cast<uint8_t>(p[1] + (c.g - p[1]) * alpha);
        p[2] = static_cast<uint8_t>(p[2] + (c.b - p[2]) * alpha);
    }
    void Line(double x0, double y0, double x1, double y1, Colour c, int width = 1) {
        const int steps = static_cast<int>(std::max(std::abs(x1 - x0), std::abs(y1 - y0))) + 1;
        for (int i = 0; i <= steps; ++i) {
            const double t = static_cast<double>(i) / steps;
            const int x = static_cast<int>(std::lround(x0 + (x1 - x0) * t));
            const int y = static_cast<int>(std::lround(y0 + (y1 - y0) * t));
            for (int d = 0; d < width; ++d) Set(x + d, y, c), Set(x, y + d, c);
        }
    }
    void Fill(int x0, int y0, int x1, int y1, Colour c, double alpha) {
        for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
            for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x) Set(x, y, c, alpha);
    }
    // 5 x 7 capitals, digits and a few signs, scaled by 2.
    void Text(int x, int y, const std::string& s, Colour c) {
        for (char ch : s) {
            const char* g = Glyph(static_cast<char>(std::toupper(static_cast<unsigned char>(ch))));
            for (int row = 0; row < 7; ++row)
                for (int col = 0; col < 5; ++col)
                    if (g[row * 5 + col] == '#')
                        for (int k = 0; k < 4; ++k)
                            Set(x + col * 2 + k % 2, y + row * 2 + k / 2, c);
            x += 12;
        }
    }
    static int TextWidth(const std::string& s) { return static_cast<int>(s.size()) * 12; }
    imageio::RgbImage Take() { return std::move(img_); }

  private:
    static const char* Glyph(char c) {
        struct G {
            char c;
            const char* rows;
        };
        static const G glyphs[] = {
            {'0', ".###.#...##..###.#.###..##...#.###."},
            {'1', "..#...##....#....#....#....#...###."},
            {'2', ".###.#...#....#...#...#...#...#####"},
            {'3', "####.....#....#.###.....#....#####."},
            {'4', "...#...##..#.#.#..#.#####...#....#."},
            {'5', "######....####.....#....##...#.###."},
            {'6', ".###.#....#....####.#...##...#.###."},
            {'7', "#####....#...#...#...#....#....#..."},
            {'8', ".###.#...##...#.###.#...##...#.###."},
            {'9', ".###.#...##...#.####....#....#.###."},
            {'.', "..........................##...##.."},
            {'%', "##...##..#...#...#...#...#..##...##"},
            {'-', "...............#####..............."},
            {' ', "..................................."},
            {'A', ".###.#...##...#######...##...##...#"},
            {'C', ".###.#...##....#....#....#...#.###."},
            {'D', "####.#...##...##...##...##...#####."},
            {'E', "######....#....####.#....#....#####"},
            {'F', "######....#....####.#....#....#...."},
            {'G', ".###.#...##....#.####...##...#.####"},
            {'H', "#...##...##...#######...##...##...#"},
            {'I', ".###...#....#....#....#....#...###."},
            {'M', "#...###.###.#.##...##...##...##...#"},
            {'N', "#...###..##.#.##..###...##...##...#"},
            {'O', ".###.#...##...##...##...##...#.###."},
            {'P', "####.#...##...#####.#....#....#...."},
            {'R', "####.#...##...#####.#.#..#..#.#...#"},
            {'S', ".####.....#.....###.....#....#####."},
            {'T', "#####..#....#....#....#....#....#.."},
            {'U', "#...##...##...##...##...##...#.###."},
            {'=', "..........#####.....#####.........."},
            {':', "...........##.........##..........."},
        };
        for (const G& g : glyphs)
            if (g.c == c) return g.rows;
        return glyphs[13].rows;
    }
    imageio::RgbImage img_;
};

std::string Percent(double share) {
    char buf[32];
    const double p = share * 100;
    if (p == 0) return "0%";
    std::snprintf(buf, sizeof buf, p < 0.1 ? "%.2f%%" : p < 1 ? "%.1f%%" : "%.0f%%", p);
    return buf;
}

}  // namespace

imageio::RgbImage DrawHistograms(const std::vector<double>& genuine,
                                 const std::vector<double>& impostor) {
    const int w = 720, h = 420, left = 70, right = 40, top = 40, bottom = 60;
    Canvas c(w, h);
    double hi = 1;
    for (double s : genuine) hi = std::max(hi, s);
    for (double s : impostor) hi = std::max(hi, s);
    // A round upper end for the score axis.
    const double mag = std::pow(10, std::floor(std::log10(hi)));
    const double top_score = std::ceil(hi / mag * 1.0001) * mag;
    constexpr int Bins = 60;
    auto histogram = [&](const std::vector<double>& v) {
        std::vector<double> b(Bins, 0);
        for (double s : v) b[std::min(Bins - 1, static_cast<int>(s / top_score * Bins))] += 1;
        for (double& x : b) x /= std::max<size_t>(1, v.size());
        return b;
    };
    const auto g = histogram(genuine), im = histogram(impostor);
    double peak = 0.01;
    for (int i = 0; i < Bins; ++i) peak = std::max({peak, g[i], im[i]});
    const double pw = w - left - right, ph = h - top - bottom;
    auto bar = [&](const std::vector<double>& b, Colour col) {
        for (int i = 0; i < Bins; ++i) {
            if (b[i] <= 0) continue;
            const int x0 = left + static_cast<int>(pw * i / Bins) + 1;
            const int x1 = left + static_cast<int>(pw * (i + 1) / Bins) - 1;
            const int y1 = top + static_cast<int>(ph);
            const int y0 = y1 - static_cast<int>(ph * b[i] / peak);
            c.Fill(x0, y0, x1, y1 - 1, col, 0.45);
        }
    };
    bar(im, Red);
    bar(g, Green);
    c.Line(left, top + ph, left + pw, top + ph, Black);
    c.Line(left, top, left, top + ph, Black);
    for (int k = 0; k <= 5; ++k) {
        const double x = left + pw * k / 5;
        c.Line(x, top + ph, x, top + ph + 5, Black);
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", top_score * k / 5);
        c.Text(static_cast<int>(x) - Canvas::TextWidth(buf) / 2, static_cast<int>(top + ph + 10),
               buf, Black);
        const double y = top + ph - ph * k / 5;
        c.Line(left - 5, y, left, y, Black);
        const std::string share = Percent(peak * k / 5);
        c.Text(left - 8 - Canvas::TextWidth(share), static_cast<int>(y) - 7, share, Black);
    }
    c.Text(left + static_cast<int>(pw) / 2 - 30, h - 24, "SCORE", Black);
    c.Text(left + 10, 10, "GENUINE", Green);
    c.Text(left + 110, 10, "IMPOSTOR", Red);
    return c.Take();
}

imageio::RgbImage DrawDet(const Accuracy& a) {
    const int w = 520, h = 520, left = 90, right = 30, top = 40, bottom = 70;
    Canvas c(w, h);
    const double pw = w - left - right, ph = h - top - bottom;
    const double lo = -4;  // log10 of 0.01 %
    auto px = [&](double share) {
        const double l = std::clamp(std::log10(std::max(share, 1e-4)), lo, 0.0);
        return left + pw * (l - lo) / -lo;
    };
    auto py = [&](double share) {
        const double l = std::clamp(std::log10(std::max(share, 1e-4)), lo, 0.0);
        return top + ph - ph * (l - lo) / -lo;
    };
    for (int d = 0; d <= 4; ++d) {
        const double share = std::pow(10.0, lo + d);
        c.Line(px(share), top, px(share), top + ph, Grey);
        c.Line(left, py(share), left + pw, py(share), Grey);
        const std::string label = Percent(share);
        c.Text(static_cast<int>(px(share)) - Canvas::TextWidth(label) / 2,
               static_cast<int>(top + ph + 8), label, Black);
        c.Text(left - 8 - Canvas::TextWidth(label), static_cast<int>(py(share)) - 7, label, Black);
    }
    c.Line(px(1e-4), py(1e-4), px(1), py(1), Grey);  // FMR = FNMR
    c.Line(left, top + ph, left + pw, top + ph, Black);
    c.Line(left, top, left, top + ph, Black);
    for (size_t i = 1; i < a.curve.size(); ++i) {
        const ErrorRates& p = a.curve[i - 1];
        const ErrorRates& q = a.curve[i];
        // A step: the threshold rise first lowers FMR, then raises FNMR.
        c.Line(px(p.fmr), py(p.fnmr), px(q.fmr), py(p.fnmr), Blue, 2);
        c.Line(px(q.fmr), py(p.fnmr), px(q.fmr), py(q.fnmr), Blue, 2);
    }
    c.Text(left + static_cast<int>(pw) / 2 - 18, h - 40, "FMR", Black);
    c.Text(10, 10, "FNMR", Black);
    c.Text(left + 80, 10, "DET  EER " + Percent(a.eer), Blue);
    return c.Take();
}

}  // namespace mxbench
