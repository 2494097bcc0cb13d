#include "generator.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "rng.h"

namespace fpgen {

namespace {

constexpr double Pi = 3.14159265358979323846;

double Smoothstep(double t) {
    t = std::clamp(t, 0.0, 1.0);
    return t * t * (3 - 2 * t);
}

// Smooth random field in [0, 1] on a coarse lattice with cosine interpolation.
class ValueNoise {
  public:
    ValueNoise(uint64_t seed, double cell, int width, int height) : cell_(cell) {
        Rng rng(seed);
        cols_ = static_cast<int>(width / cell) + 3;
        rows_ = static_cast<int>(height / cell) + 3;
        values_.resize(static_cast<size_t>(cols_) * rows_);
        for (double& v : values_) v = rng.Uniform();
    }
    double At(double x, double y) const {
        const double fx = std::clamp(x / cell_ + 1, 0.0, cols_ - 2.001);
        const double fy = std::clamp(y / cell_ + 1, 0.0, rows_ - 2.001);
        const int ix = static_cast<int>(fx), iy = static_cast<int>(fy);
        const double tx = Smoothstep(fx - ix), ty = Smoothstep(fy - iy);
        auto v = [&](int cx, int cy) { return values_[static_cast<size_t>(cy) * cols_ + cx]; };
        const double top = v(ix, iy) + (v(ix + 1, iy) - v(ix, iy)) * tx;
        const double bottom = v(ix, iy + 1) + (v(ix + 1, iy + 1) - v(ix, iy + 1)) * tx;
        return top + (bottom - top) * ty;
    }

  private:
    double cell_;
    int cols_ = 0, rows_ = 0;
    std::vector<double> values_;
};

// arg of z - z0 with the y axis pointing up (image y grows downward).
double ArgFrom(Point z0, double x, double y) {
    return std::atan2(-(y - z0.y), x - z0.x);
}

}  // namespace

const char* ClassName(FingerClass c) {
    switch (c) {
        case FingerClass::Arch:
            return "arch";
        case FingerClass::TentedArch:
            return "tented_arch";
        case FingerClass::LeftLoop:
            return "left_loop";
        case FingerClass::RightLoop:
            return "right_loop";
        case FingerClass::Whorl:
            return "whorl";
    }
    return "?";
}

double AngleCorrection::Apply(double alpha) const {
    // alpha in [-pi, pi]: linear between the nine knots.
    const double step = 2 * Pi / 8;
    double t = (alpha + Pi) / step;
    int i = std::clamp(static_cast<int>(t), 0, 7);
    const double f = t - i;
    return alpha + eps[i] + (eps[i + 1] - eps[i]) * f;
}

double Outline::Inside(double x, double y) const {
    const double dx = std::abs(x - centre.x);
    double side = halfWidth - dx;
    if (y < centre.y) {
        // Half ellipse: approximate distance by the normalised radius times the smaller axis.
        const double nx = dx / halfWidth, ny = (centre.y - y) / topHeight;
        side = (1 - std::sqrt(nx * nx + ny * ny)) * std::min(halfWidth, topHeight);
    }
    return std::min(side, bottom - y);
}

FingerClass DrawClass(uint64_t seed) {
    Rng rng(seed ^ 0x636C617373ull);
    // Proportions of the five classes among real fingers (NIST statistics, rounded).
    const double u = rng.Uniform();
    if (u < 0.037) return FingerClass::Arch;
    if (u < 0.066) return FingerClass::TentedArch;
    if (u < 0.404) return FingerClass::LeftLoop;
    if (u < 0.721) return FingerClass::RightLoop;
    return FingerClass::Whorl;
}

MasterParams DrawMaster(FingerClass c, uint64_t seed) {
    Rng rng(seed);
    MasterParams m;
    m.fingerClass = c;
    Outline& o = m.outline;
    o.centre = {FrameWidth / 2.0 + rng.Triangular(16), 178 + rng.Triangular(20)};
    o.halfWidth = rng.Uniform(108, 128);
    o.topHeight = rng.Uniform(125, 155);
    o.bottom = o.centre.y + rng.Uniform(175, 215);

    // Reference for the core: the upper middle of the pad.
    const Point ref{o.centre.x + rng.Triangular(24), o.centre.y - rng.Uniform(-5, 35)};
    auto add = [&](SingularKind k, double x, double y) { m.singular.push_back({k, {x, y}}); };
    switch (c) {
        case FingerClass::Arch:
            break;
        case FingerClass::TentedArch:
            add(SingularKind::Core, ref.x, ref.y - 10);
            add(SingularKind::Delta, ref.x + rng.Triangular(12), ref.y - 10 + rng.Uniform(50, 85));
            break;
        case FingerClass::LeftLoop:
        case FingerClass::RightLoop: {
            // A left loop opens to the left of the image, so its delta lies to the right.
            const double side = c == FingerClass::LeftLoop ? 1 : -1;
            add(SingularKind::Core, ref.x - side * rng.Uniform(0, 15), ref.y);
            add(SingularKind::Delta, ref.x + side * rng.Uniform(75, 115),
                ref.y + rng.Uniform(70, 110));
            break;
        }
        case FingerClass::Whorl: {
            const double half = rng.Uniform(6, 18);
            const double tilt = rng.Triangular(10);
            add(SingularKind::Core, ref.x - tilt, ref.y - half);
            add(SingularKind::Core, ref.x + tilt, ref.y + half);
            add(SingularKind::Delta, ref.x - rng.Uniform(70, 100), ref.y + rng.Uniform(80, 120));
            add(SingularKind::Delta, ref.x + rng.Uniform(70, 100), ref.y + rng.Uniform(80, 120));
            break;
        }
    }
    for (size_t i = 0; i < m.singular.size(); ++i) {
        AngleCorrection a;
        for (int k = 0; k < 8; ++k) a.eps[k] = std::clamp(0.12 * rng.Gaussian(), -0.3, 0.3);
        a.eps[8] = a.eps[0];
        m.corrections.push_back(a);
    }
    m.archAmplitude = rng.Uniform(0.5, 0.9);
    m.archTop = o.centre.y - o.topHeight;
    m.archFade = o.centre.y + rng.Uniform(50, 110);

    m.periodBase = rng.Uniform(8.8, 10.0);
    for (int i = 0; i < 3; ++i) {
        m.waveAmp[i] = rng.Uniform(0.1, 0.3);
        const double dir = rng.Uniform(0, Pi);
        const double len = rng.Uniform(150, 400);
        m.waveKx[i] = 2 * Pi / len * std::cos(dir);
        m.waveKy[i] = 2 * Pi / len * std::sin(dir);
        m.wavePhase[i] = rng.Uniform(0, 2 * Pi);
    }
    m.periodSlope = rng.Uniform(0, 0.004);
    return m;
}

double Orientation(const MasterParams& m, double x, double y) {
    const Outline& o = m.outline;
    double theta = 0;  // y up
    if (m.fingerClass == FingerClass::Arch) {
        // A hump in the middle of the pad that flattens toward the crease.
        const double u = std::clamp((x - o.centre.x) / o.halfWidth, -1.0, 1.0);
        const double dy = (y - m.archTop) / (m.archFade - m.archTop);
        const double fade = dy < 0.5 ? 1.0 : std::clamp(2 - 2 * dy, 0.0, 1.0);
        // Image slope of a ridge: positive right of the centre (descending to the right).
        const double slope = m.archAmplitude * fade * std::sin(Pi * u);
        theta = -std::atan(slope);
    } else {
        for (size_t k = 0; k < m.singular.size(); ++k) {
            const Singular& s = m.singular[k];
            const double g = m.corrections[k].Apply(ArgFrom(s.at, x, y));
            theta += s.kind == SingularKind::Core ? 0.5 * g : -0.5 * g;
        }
    }
    // Toward the tip the ridges follow the rounded outline: blend, in doubled angles, with the
    // tangents of ellipses concentric to the tip, above the topmost singular point.
    double top = o.centre.y;
    for (const Singular& s : m.singular) top = std::min(top, s.at.y - 35);
    const double weight = 0.85 * Smoothstep((top - y) / 70);
    if (weight > 0) {
        const double dome = std::atan2((x - o.centre.x) / (o.halfWidth * o.halfWidth),
                                       (y - o.centre.y) / (o.topHeight * o.topHeight));
        const double cx = (1 - weight) * std::cos(2 * theta) + weight * std::cos(2 * dome);
        const double cy = (1 - weight) * std::sin(2 * theta) + weight * std::sin(2 * dome);
        theta = 0.5 * std::atan2(cy, cx);
    }
    // Back to image coordinates (y down), folded into [0, pi).
    double t = std::fmod(-theta, Pi);
    if (t < 0) t += Pi;
    return t;
}

double RidgePeriod(const MasterParams& m, double x, double y) {
    double p = m.periodBase + m.periodSlope * (y - m.outline.centre.y);
    for (int i = 0; i < 3; ++i)
        p += m.waveAmp[i] * std::cos(m.waveKx[i] * x + m.waveKy[i] * y + m.wavePhase[i]);
    return std::clamp(p, m.periodMin, m.periodMax);
}

namespace {

constexpr int KernelRadius = 7;
constexpr int KernelSize = 2 * KernelRadius + 1;
constexpr int OrientationBins = 36;
constexpr double PeriodStep = 0.25;
constexpr double PeriodLow = 7.5;
constexpr int PeriodBins = 17;  // 7.5 .. 11.5

struct GaborBank {
    std::vector<float> k;  // [period][orientation][KernelSize * KernelSize]
    GaborBank() {
        k.resize(static_cast<size_t>(PeriodBins) * OrientationBins * KernelSize * KernelSize);
        for (int p = 0; p < PeriodBins; ++p) {
            const double period = PeriodLow + p * PeriodStep;
            const double su = 0.36 * period, sw = 0.45 * period;
            for (int o = 0; o < OrientationBins; ++o) {
                const double th = o * Pi / OrientationBins;
                const double c = std::cos(th), s = std::sin(th);
                std::array<double, KernelSize * KernelSize> env{}, wave{};
                double envSum = 0, waveSum = 0;
                for (int dy = -KernelRadius; dy <= KernelRadius; ++dy)
                    for (int dx = -KernelRadius; dx <= KernelRadius; ++dx) {
                        const double u = -dx * s + dy * c;  // across the ridges
                        const double w = dx * c + dy * s;   // along them
                        const int i = (dy + KernelRadius) * KernelSize + dx + KernelRadius;
                        env[i] = std::exp(-0.5 * (u * u / (su * su) + w * w / (sw * sw)));
                        wave[i] = std::cos(2 * Pi * u / period);
                        envSum += env[i];
                        waveSum += env[i] * wave[i];
                    }
                // Zero mean, and a unit response to the matched cosine.
                const double dc = waveSum / envSum;
                double gain = 0;
                for (int i = 0; i < KernelSize * KernelSize; ++i)
                    gain += env[i] * (wave[i] - dc) * wave[i];
                float* out = Kernel(p, o);
                for (int i = 0; i < KernelSize * KernelSize; ++i)
                    out[i] = static_cast<float>(env[i] * (wave[i] - dc) / gain);
            }
        }
    }
    float* Kernel(int p, int o) {
        return k.data() + (static_cast<size_t>(p) * OrientationBins + o) * KernelSize * KernelSize;
    }
    const float* Kernel(int p, int o) const {
        return k.data() + (static_cast<size_t>(p) * OrientationBins + o) * KernelSize * KernelSize;
    }
};

const GaborBank& Bank() {
    static const GaborBank bank;
    return bank;
}

}  // namespace

float Master::At(double cx, double cy) const {
    if (!(cx >= 0 && cy >= 0 && cx <= CanvasWidth - 1.001 && cy <= CanvasHeight - 1.001)) return -1;
    const int ix = static_cast<int>(cx), iy = static_cast<int>(cy);
    const float fx = static_cast<float>(cx - ix), fy = static_cast<float>(cy - iy);
    const float* r0 = ridge.data() + static_cast<size_t>(iy) * CanvasWidth + ix;
    const float* r1 = r0 + CanvasWidth;
    const float top = r0[0] + (r0[1] - r0[0]) * fx;
    const float bottom = r1[0] + (r1[1] - r1[0]) * fx;
    return top + (bottom - top) * fy;
}

imageio::GreyImage Master::Binary() const {
    imageio::GreyImage img;
    img.width = CanvasWidth;
    img.height = CanvasHeight;
    img.pixels.resize(ridge.size());
    for (size_t i = 0; i < ridge.size(); ++i) img.pixels[i] = inside[i] && ridge[i] > 0 ? 0 : 255;
    return img;
}

Master GrowMaster(const MasterParams& params, uint64_t seed) {
    Master m;
    m.params = params;
    const size_t n = static_cast<size_t>(CanvasWidth) * CanvasHeight;
    m.inside.assign(n, 0);
    m.ridge.assign(n, -1.0f);

    // Where to grow the pattern: the outline and a margin for the filter's reach.
    std::vector<uint8_t> region(n, 0);
    std::vector<uint16_t> kernelIndex(n, 0);
    int top = CanvasHeight, bottom = 0, left = CanvasWidth, right = 0;
    for (int y = 0; y < CanvasHeight; ++y)
        for (int x = 0; x < CanvasWidth; ++x) {
            const double fx = x - CanvasMargin, fy = y - CanvasMargin;
            const double in = params.outline.Inside(fx, fy);
            const size_t i = static_cast<size_t>(y) * CanvasWidth + x;
            m.inside[i] = in > 0;
            if (in <= -KernelRadius) continue;
            region[i] = 1;
            top = std::min(top, y), bottom = std::max(bottom, y);
            left = std::min(left, x), right = std::max(right, x);
            const double th = Orientation(params, fx, fy);
            const int o =
                static_cast<int>(std::lround(th / Pi * OrientationBins)) % OrientationBins;
            const double per = RidgePeriod(params, fx, fy);
            const int p = std::clamp(static_cast<int>(std::lround((per - PeriodLow) / PeriodStep)),
                                     0, PeriodBins - 1);
            kernelIndex[i] = static_cast<uint16_t>(p * OrientationBins + o);
        }

    // Padded working buffers so the kernel never reads outside.
    const int pw = CanvasWidth + 2 * KernelRadius;
    const int ph = CanvasHeight + 2 * KernelRadius;
    std::vector<float> cur(static_cast<size_t>(pw) * ph, 0.0f), next(cur.size(), 0.0f);
    auto pad = [&](int x, int y) {
        return static_cast<size_t>(y + KernelRadius) * pw + x + KernelRadius;
    };

    // Random seeds: isolated spikes of either sign, about one per 40 x 40 pixels.
    Rng rng(seed);
    size_t regionCount = 0;
    for (uint8_t r : region) regionCount += r;
    const int seeds = std::max(4, static_cast<int>(regionCount / 1600));
    for (int s = 0; s < seeds; ++s) {
        for (int tries = 0; tries < 100; ++tries) {
            const int x = left + rng.Below(right - left + 1);
            const int y = top + rng.Below(bottom - top + 1);
            if (!m.inside[static_cast<size_t>(y) * CanvasWidth + x]) continue;
            cur[pad(x, y)] = rng.Chance(0.5) ? 1.0f : -1.0f;
            break;
        }
    }

    const GaborBank& bank = Bank();
    constexpr int MaxIterations = 40;
    constexpr int MinIterations = 12;
    constexpr float Gain = 2.0f;
    for (int it = 0; it < MaxIterations; ++it) {
        float maxAbs = 0;
        for (int y = top; y <= bottom; ++y) {
            for (int x = left; x <= right; ++x) {
                const size_t i = static_cast<size_t>(y) * CanvasWidth + x;
                if (!region[i]) continue;
                const int ki = kernelIndex[i];
                const float* k = bank.Kernel(ki / OrientationBins, ki % OrientationBins);
                const float* src = cur.data() + pad(x - KernelRadius, y - KernelRadius);
                float sum = 0;
                for (int ky = 0; ky < KernelSize; ++ky) {
                    const float* row = src + static_cast<size_t>(ky) * pw;
                    const float* kr = k + ky * KernelSize;
                    for (int kx = 0; kx < KernelSize; ++kx) sum += row[kx] * kr[kx];
                }
                next[pad(x, y)] = sum;
                maxAbs = std::max(maxAbs, std::abs(sum));
            }
        }
        // Early on the seeds' echoes are faint: scale them up so the pattern grows.
        const float scale = maxAbs > 0 ? std::max(Gain, 1.0f / maxAbs) : Gain;
        size_t changed = 0;
        for (int y = top; y <= bottom; ++y)
            for (int x = left; x <= right; ++x) {
                if (!region[static_cast<size_t>(y) * CanvasWidth + x]) continue;
                const size_t j = pad(x, y);
                const float v = std::clamp(next[j] * scale, -1.0f, 1.0f);
                if ((v > 0) != (cur[j] > 0) || (cur[j] == 0) != (v == 0)) ++changed;
                cur[j] = v;
            }
        m.iterations = it + 1;
        if (it + 1 >= MinIterations && changed * 100 < regionCount) break;
    }

    for (int y = 0; y < CanvasHeight; ++y)
        for (int x = 0; x < CanvasWidth; ++x) {
            const size_t i = static_cast<size_t>(y) * CanvasWidth + x;
            if (region[i]) m.ridge[i] = cur[pad(x, y)];
        }

    // Minutiae of the clean pattern, away from the outline where ridges are cut.
    std::vector<uint8_t> valid(n, 0);
    for (int y = 0; y < CanvasHeight; ++y)
        for (int x = 0; x < CanvasWidth; ++x)
            valid[static_cast<size_t>(y) * CanvasWidth + x] =
                params.outline.Inside(x - CanvasMargin, y - CanvasMargin) > 12;
    m.minutiae = FindMinutiae(m.Binary(), valid);
    for (Minutia& mi : m.minutiae) {
        mi.x -= CanvasMargin;
        mi.y -= CanvasMargin;
    }
    return m;
}

namespace {

// Zhang-Suen thinning of the set pixels (1) of a w x h map with a zero border.
void Thin(std::vector<uint8_t>& img, int w, int h) {
    std::vector<size_t> del;
    bool any = true;
    while (any) {
        any = false;
        for (int pass = 0; pass < 2; ++pass) {
            del.clear();
            for (int y = 1; y < h - 1; ++y)
                for (int x = 1; x < w - 1; ++x) {
                    const size_t i = static_cast<size_t>(y) * w + x;
                    if (!img[i]) continue;
                    const uint8_t p2 = img[i - w], p3 = img[i - w + 1], p4 = img[i + 1],
                                  p5 = img[i + w + 1], p6 = img[i + w], p7 = img[i + w - 1],
                                  p8 = img[i - 1], p9 = img[i - w - 1];
                    const int b = p2 + p3 + p4 + p5 + p6 + p7 + p8 + p9;
                    if (b < 2 || b > 6) continue;
                    const uint8_t seq[9] = {p2, p3, p4, p5, p6, p7, p8, p9, p2};
                    int a = 0;
                    for (int k = 0; k < 8; ++k) a += !seq[k] && seq[k + 1];
                    if (a != 1) continue;
                    if (pass == 0 ? (p2 && p4 && p6) || (p4 && p6 && p8)
                                  : (p2 && p4 && p8) || (p2 && p6 && p8))
                        continue;
                    del.push_back(i);
                }
            for (size_t i : del) img[i] = 0;
            any = any || !del.empty();
        }
    }
}

const int NX[8] = {1, 1, 0, -1, -1, -1, 0, 1};  // counter-clockwise on the image from +x
const int NY[8] = {0, -1, -1, -1, 0, 1, 1, 1};

// Follows the skeleton from (x, y) through the first step (sx, sy) for up to `steps` pixels.
Point Trace(const std::vector<uint8_t>& sk, int w, int h, int x, int y, int sx, int sy, int steps) {
    std::vector<std::pair<int, int>> seen{{x, y}, {sx, sy}};
    int cx = sx, cy = sy;
    for (int s = 1; s < steps; ++s) {
        bool moved = false;
        // 4-neighbours first keep the path on the ridge's centre line.
        for (int pass = 0; pass < 2 && !moved; ++pass)
            for (int k = pass; k < 8; k += 2) {
                const int nx = cx + NX[k], ny = cy + NY[k];
                if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
                if (!sk[static_cast<size_t>(ny) * w + nx]) continue;
                bool old = false;
                for (auto& p : seen) old = old || (p.first == nx && p.second == ny);
                if (old) continue;
                seen.emplace_back(nx, ny);
                cx = nx, cy = ny;
                moved = true;
                break;
            }
        if (!moved) break;
    }
    return {static_cast<double>(cx), static_cast<double>(cy)};
}

int DegreesUp(double dx, double dy) {
    double a = std::atan2(-dy, dx) * 180 / Pi;
    if (a < 0) a += 360;
    return static_cast<int>(std::lround(a)) % 360;
}

}  // namespace

std::vector<Minutia> FindMinutiae(const imageio::GreyImage& binary,
                                  const std::vector<uint8_t>& valid) {
    const int w = binary.width, h = binary.height;
    std::vector<uint8_t> sk(static_cast<size_t>(w) * h, 0);
    for (int y = 1; y < h - 1; ++y)
        for (int x = 1; x < w - 1; ++x) sk[static_cast<size_t>(y) * w + x] = binary.row(y)[x] == 0;
    Thin(sk, w, h);

    std::vector<Minutia> found;
    for (int y = 2; y < h - 2; ++y)
        for (int x = 2; x < w - 2; ++x) {
            const size_t i = static_cast<size_t>(y) * w + x;
            if (!sk[i] || !valid[i]) continue;
            uint8_t p[9];
            for (int k = 0; k < 8; ++k) p[k] = sk[static_cast<size_t>(y + NY[k]) * w + x + NX[k]];
            p[8] = p[0];
            int cn = 0;
            for (int k = 0; k < 8; ++k) cn += p[k] != p[k + 1];
            cn /= 2;
            if (cn != 1 && cn != 3) continue;
            // One branch start after every gap in the ring of neighbours.
            std::vector<Point> ends;
            for (int k = 0; k < 8; ++k)
                if (!p[k] && p[k + 1]) {
                    const int d = (k + 1) % 8;
                    ends.push_back(Trace(sk, w, h, x, y, x + NX[d], y + NY[d], 10));
                }
            Minutia m;
            m.x = x;
            m.y = y;
            if (cn == 1) {
                if (ends.size() != 1) continue;
                m.angle = DegreesUp(x - ends[0].x, y - ends[0].y);
            } else {
                if (ends.size() != 3) continue;
                // The two branches closest in direction form the fork; the third is the stem.
                int stem = 0;
                double best = 1e9;
                for (int a = 0; a < 3; ++a) {
                    const int b = (a + 1) % 3, c = (a + 2) % 3;
                    const double ab = std::atan2(ends[b].y - y, ends[b].x - x);
                    const double ac = std::atan2(ends[c].y - y, ends[c].x - x);
                    double d = std::abs(ab - ac);
                    if (d > Pi) d = 2 * Pi - d;
                    if (d < best) best = d, stem = a;
                }
                m.bifurcation = true;
                m.angle = DegreesUp(x - ends[stem].x, y - ends[stem].y);
            }
            found.push_back(m);
        }

    // Points closer than about a ridge period are artefacts (spurs, bridges, small holes).
    std::vector<uint8_t> drop(found.size(), 0);
    for (size_t a = 0; a < found.size(); ++a)
        for (size_t b = a + 1; b < found.size(); ++b) {
            const double dx = found[a].x - found[b].x, dy = found[a].y - found[b].y;
            if (dx * dx + dy * dy < 8.0 * 8.0) drop[a] = drop[b] = 1;
        }
    std::vector<Minutia> kept;
    for (size_t a = 0; a < found.size(); ++a)
        if (!drop[a]) kept.push_back(found[a]);
    return kept;
}

ImpressionParams DrawImpression(const Master& master, uint64_t seed) {
    Rng rng(seed);
    ImpressionParams p;
    p.rotationDeg = rng.Triangular(20);
    p.dx = rng.Triangular(32);
    p.dy = rng.Triangular(32);
    const Outline& o = master.params.outline;
    p.contact = {o.centre.x + rng.Triangular(20), o.centre.y - 20 + rng.Triangular(20)};
    p.stickRadius = rng.Uniform(35, 60);
    p.slipRadius = p.stickRadius + rng.Uniform(90, 140);
    p.slipDx = rng.Triangular(14);
    p.slipDy = rng.Triangular(14);
    p.slipRotationDeg = rng.Triangular(6);
    p.pressure = rng.Uniform(0.78, 1.04);
    const double skin = rng.Uniform();
    p.skin = skin < 0.15 ? -1 : skin < 0.3 ? 1 : 0;
    p.threshold = rng.Triangular(0.3);
    p.blurSigma = rng.Uniform(0.5, 1.1);
    p.noiseSigma = rng.Uniform(3, 9);
    p.ridgeGrey = rng.Uniform(10, 70);
    p.valleyGrey = rng.Uniform(185, 225);
    p.backgroundGrey = rng.Uniform(228, 250);
    p.patchiness = rng.Uniform(0.1, 0.5);
    p.textureSeed = rng.Next();
    return p;
}

namespace {

Point Rotate(Point v, double deg) {
    const double a = deg * Pi / 180, c = std::cos(a), s = std::sin(a);
    // Counter-clockwise on the image, whose y axis points down.
    return {c * v.x + s * v.y, -s * v.x + c * v.y};
}

}  // namespace

Point ImpressionToMaster(const ImpressionParams& p, Point q) {
    const Point centre{FrameWidth / 2.0, FrameHeight / 2.0};
    // Undo the finger's placement on the sensor.
    Point r = Rotate({q.x - centre.x - p.dx, q.y - centre.y - p.dy}, -p.rotationDeg);
    Point m{r.x + centre.x, r.y + centre.y};
    // Skin around the stuck contact area slips a little further: blend in a small extra motion.
    const double ux = m.x - p.contact.x, uy = m.y - p.contact.y;
    const double dist = std::sqrt(ux * ux + uy * uy);
    const double t = Smoothstep((dist - p.stickRadius) / (p.slipRadius - p.stickRadius));
    if (t > 0) {
        const Point s = Rotate({ux, uy}, p.slipRotationDeg);
        m.x += t * (s.x - ux + p.slipDx);
        m.y += t * (s.y - uy + p.slipDy);
    }
    return m;
}

Point MasterToImpression(const ImpressionParams& p, Point m) {
    const Point centre{FrameWidth / 2.0, FrameHeight / 2.0};
    const Point r = Rotate({m.x - centre.x, m.y - centre.y}, p.rotationDeg);
    Point q{r.x + centre.x + p.dx, r.y + centre.y + p.dy};
    for (int it = 0; it < 30; ++it) {
        const Point back = ImpressionToMaster(p, q);
        const Point step = Rotate({m.x - back.x, m.y - back.y}, p.rotationDeg);
        q.x += step.x;
        q.y += step.y;
        if (std::abs(step.x) + std::abs(step.y) < 1e-4) break;
    }
    return q;
}

imageio::GreyImage RenderImpression(const Master& master, const ImpressionParams& p) {
    const int w = FrameWidth, h = FrameHeight;
    const Outline& o = master.params.outline;
    const ValueNoise patches(p.textureSeed, 20, w, h);
    const ValueNoise thresholdNoise(p.textureSeed ^ 0x5eed, 40, w, h);
    const ValueNoise backgroundNoise(p.textureSeed ^ 0xbac6, 60, w, h);
    Rng rng(p.textureSeed ^ 0x70153);

    // Contact area: the outline, shrunk around its middle when the finger presses lightly.
    const Point mid{o.centre.x, (o.centre.y - o.topHeight + o.bottom) / 2};
    const double ax = o.halfWidth * (0.1 + p.pressure);
    const double ay = (o.bottom - (o.centre.y - o.topHeight)) / 2 * p.pressure;

    std::vector<double> grey(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Point s = ImpressionToMaster(p, {static_cast<double>(x), static_cast<double>(y)});
            const double nx = (s.x - mid.x) / ax, ny = (s.y - mid.y) / ay;
            const double ellipse = (1 - std::sqrt(nx * nx + ny * ny)) * std::min(ax, ay);
            const double edge = std::min(o.Inside(s.x, s.y), ellipse);
            const double cover = Smoothstep(edge / 10);
            const double v = master.At(s.x + CanvasMargin, s.y + CanvasMargin);
            const double thr = p.threshold + 0.2 * (thresholdNoise.At(x, y) - 0.5);
            double ink = Smoothstep(0.5 + 0.9 * (v - thr));
            ink *= 1 - p.patchiness * Smoothstep(1.6 * patches.At(x, y) - 0.3);
            ink *= Smoothstep(edge / 18 + 0.2);
            const double back =
                p.backgroundGrey + 10 * (backgroundNoise.At(x, y) - 0.5) - 0.02 * (y - h / 2.0);
            const double paper = back + (p.valleyGrey - back) * cover;
            grey[static_cast<size_t>(y) * w + x] = paper + (p.ridgeGrey - paper) * ink * cover;
        }

    // Sweat pores: small light dots on the ridges.
    const int pores = 80 + rng.Below(120);
    for (int k = 0; k < pores; ++k) {
        const int x = 2 + rng.Below(w - 4), y = 2 + rng.Below(h - 4);
        const double r = rng.Uniform(0.7, 1.4);
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                const double d = std::sqrt(dx * dx + dy * dy);
                if (d > r + 0.5) continue;
                double& g = grey[static_cast<size_t>(y + dy) * w + x + dx];
                g += (p.valleyGrey - g) * 0.6 * std::min(1.0, r + 0.5 - d);
            }
    }

    // Dry skin leaves thin broken ridges, wet skin thick merged ones: a grey erosion or
    // dilation of the ridges with a cross.
    if (p.skin != 0) {
        std::vector<double> out(grey.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                double best = grey[static_cast<size_t>(y) * w + x];
                const int ox[4] = {1, -1, 0, 0}, oy[4] = {0, 0, 1, -1};
                for (int k = 0; k < 4; ++k) {
                    const int xx = std::clamp(x + ox[k], 0, w - 1),
                              yy = std::clamp(y + oy[k], 0, h - 1);
                    const double g = grey[static_cast<size_t>(yy) * w + xx];
                    best = p.skin < 0 ? std::max(best, g) : std::min(best, g);
                }
                out[static_cast<size_t>(y) * w + x] = best;
            }
        grey.swap(out);
    }

    // Optics: a separable Gaussian blur.
    {
        const int r = 3;
        double k[2 * r + 1], sum = 0;
        for (int i = -r; i <= r; ++i)
            sum += k[i + r] = std::exp(-0.5 * i * i / (p.blurSigma * p.blurSigma));
        for (double& v : k) v /= sum;
        std::vector<double> tmp(grey.size());
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                double s = 0;
                for (int i = -r; i <= r; ++i)
                    s += k[i + r] * grey[static_cast<size_t>(y) * w + std::clamp(x + i, 0, w - 1)];
                tmp[static_cast<size_t>(y) * w + x] = s;
            }
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                double s = 0;
                for (int i = -r; i <= r; ++i)
                    s += k[i + r] * tmp[static_cast<size_t>(std::clamp(y + i, 0, h - 1)) * w + x];
                grey[static_cast<size_t>(y) * w + x] = s;
            }
    }

    imageio::GreyImage img;
    img.width = w;
    img.height = h;
    img.pixels.resize(grey.size());
    for (size_t i = 0; i < grey.size(); ++i) {
        const double g = grey[i] + p.noiseSigma * rng.Gaussian();
        img.pixels[i] = static_cast<uint8_t>(std::clamp(std::lround(g), 0L, 255L));
    }
    return img;
}

}  // namespace fpgen
