// Synthetic feature sets for the matcher's tests and benchmark: a random "finger" (minutiae
// spread over a 280 x 320 frame under a smooth orientation field) and impressions of it that
// are rotated, shifted and perturbed the way a second capture would be.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>

#include "features.h"

namespace mx::synthetic {

constexpr int FrameWidth = 280;
constexpr int FrameHeight = 320;

// Ridge orientation of the synthetic finger in degrees 0..180, clockwise on the image.
inline double Orientation(double x, double y) {
    const double cx = 140, cy = 150;
    double o = std::atan2(y - cy, x - cx) * 90.0 / std::acos(-1.0) + 40.0 + 0.05 * x;
    o = std::fmod(o, 180.0);
    return o < 0 ? o + 180 : o;
}

inline uint8_t OrientationCode(double degrees) {
    int code = static_cast<int>(std::lround(degrees / 1.5)) % 120;
    return static_cast<uint8_t>(std::min(((code + 4) / 8) % 15, 14) * 8);
}

// A finger with n minutiae at least 12 pixels apart, inside a margin of the frame.
inline std::unique_ptr<MinutiaSet> Finger(int n, unsigned seed) {
    std::mt19937 rng(seed);
    auto set = std::make_unique<MinutiaSet>();
    std::memset(set->Grid, MaskedCode, sizeof set->Grid);
    set->GridWidth = FrameWidth / BlockSize;
    set->GridHeight = FrameHeight / BlockSize;
    for (int r = 0; r < set->GridHeight; ++r)
        for (int c = 0; c < set->GridWidth; ++c)
            set->Grid[r][c] = OrientationCode(Orientation(8 + 16 * c, 8 + 16 * r));
    std::uniform_int_distribution<int> ux(24, FrameWidth - 24), uy(24, FrameHeight - 24);
    std::uniform_int_distribution<int> angle(0, 359), quality(0, 40), type(0, 1);
    int count = 0;
    for (int tries = 0; count < n && tries < 100000; ++tries) {
        const int x = ux(rng) & ~1, y = uy(rng) & ~1;
        bool crowded = false;
        for (int i = 0; i < count && !crowded; ++i)
            crowded = std::abs(set->X[i] - x) < 12 && std::abs(set->Y[i] - y) < 12;
        if (crowded) continue;
        set->X[count] = static_cast<int16_t>(x);
        set->Y[count] = static_cast<int16_t>(y);
        set->Angle[count] = static_cast<int16_t>(angle(rng));
        set->Quality[count] = static_cast<uint8_t>(quality(rng));
        set->Type[count] = static_cast<uint8_t>(type(rng));
        ++count;
    }
    set->Count = count;
    return set;
}

struct Distortion {
    int rotation = 0;  // degrees, clockwise on the image
    int shiftX = 0;
    int shiftY = 0;
    int jitter = 0;  // pixels of random displacement per minutia
    int angleJitter = 0;
    int dropPercent = 0;  // share of minutiae lost
};

// Another impression of `finger`: rotated about the frame centre, shifted, perturbed, with the
// minutiae that leave the frame (or are dropped) missing and the grid resampled.
inline std::unique_ptr<MinutiaSet> Impression(const MinutiaSet& finger, const Distortion& dist,
                                              unsigned seed) {
    std::mt19937 rng(seed);
    const double t = dist.rotation * std::acos(-1.0) / 180.0;
    const double cs = std::cos(t), sn = std::sin(t);
    const double cx = FrameWidth / 2.0, cy = FrameHeight / 2.0;
    auto set = std::make_unique<MinutiaSet>();
    std::memset(set->Grid, MaskedCode, sizeof set->Grid);
    set->GridWidth = finger.GridWidth;
    set->GridHeight = finger.GridHeight;
    for (int r = 0; r < set->GridHeight; ++r)
        for (int c = 0; c < set->GridWidth; ++c) {
            // The finger point that lands on this block's centre.
            const double bx = 8 + 16 * c - cx - dist.shiftX, by = 8 + 16 * r - cy - dist.shiftY;
            const double x = cs * bx + sn * by + cx, y = -sn * bx + cs * by + cy;
            if (x < 0 || y < 0 || x >= FrameWidth || y >= FrameHeight) continue;
            set->Grid[r][c] =
                OrientationCode(std::fmod(Orientation(x, y) + dist.rotation + 360, 180));
        }
    std::uniform_int_distribution<int> jitter(-dist.jitter, dist.jitter);
    std::uniform_int_distribution<int> angleJitter(-dist.angleJitter, dist.angleJitter);
    std::uniform_int_distribution<int> percent(0, 99);
    int count = 0;
    for (int i = 0; i < finger.Count; ++i) {
        if (percent(rng) < dist.dropPercent) continue;
        const double x = finger.X[i] - cx, y = finger.Y[i] - cy;
        const int nx =
            static_cast<int>(std::lround(cs * x - sn * y + cx)) + dist.shiftX + jitter(rng);
        const int ny =
            static_cast<int>(std::lround(sn * x + cs * y + cy)) + dist.shiftY + jitter(rng);
        if (nx < 0 || ny < 0 || nx >= 16 * set->GridWidth || ny >= 16 * set->GridHeight) continue;
        set->X[count] = static_cast<int16_t>(nx & ~1);
        set->Y[count] = static_cast<int16_t>(ny & ~1);
        set->Angle[count] = static_cast<int16_t>(
            ((finger.Angle[i] - dist.rotation + angleJitter(rng)) % 360 + 360) % 360);
        set->Quality[count] = finger.Quality[i];
        set->Type[count] = finger.Type[i];
        ++count;
    }
    set->Count = count;
    // Detection order: by y, then x.
    std::vector<int> order(count);
    for (int i = 0; i < count; ++i) order[i] = i;
    std::sort(order.begin(), order.end(), [&](int l, int r) {
        return set->Y[l] != set->Y[r] ? set->Y[l] < set->Y[r] : set->X[l] < set->X[r];
    });
    MinutiaSet sorted = *set;
    for (int i = 0; i < count; ++i) {
        set->X[i] = sorted.X[order[i]];
        set->Y[i] = sorted.Y[order[i]];
        set->Angle[i] = sorted.Angle[order[i]];
        set->Quality[i] = sorted.Quality[order[i]];
        set->Type[i] = sorted.Type[order[i]];
    }
    return set;
}

}  // namespace mx::synthetic
