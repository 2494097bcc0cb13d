#include "validate.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "orientation.h"

namespace mx {

namespace {

// Nearest integer to 100 x sin and 100 x cos of each whole degree.
struct TrigTable {
    std::array<int, 360> sin{};
    std::array<int, 360> cos{};
};

const TrigTable& Trig() {
    static const TrigTable table = [] {
        TrigTable t;
        for (int a = 0; a < 360; ++a) {
            const double r = a * std::numbers::pi / 180.0;
            t.sin[a] = static_cast<int>(std::lround(100.0 * std::sin(r)));
            t.cos[a] = static_cast<int>(std::lround(100.0 * std::cos(r)));
        }
        return t;
    }();
    return table;
}

int DistanceSq(const RawFeatures& raw, int i, int j) {
    const int dx = raw.X[i] - raw.X[j];
    const int dy = raw.Y[i] - raw.Y[j];
    return dx * dx + dy * dy;
}

void RemoveCrowded(RawFeatures& raw) {
    const int n = raw.MinutiaCount;
    std::vector<int> neighbours(n, 0);
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n; ++j)
            if (DistanceSq(raw, i, j) < kParams.crowdingDistanceSq) {
                ++neighbours[i];
                ++neighbours[j];
            }
    for (int i = 0; i < n; ++i)
        if (neighbours[i] > kParams.crowdingMaxNeighbours) raw.Angle[i] = RejectCrowded;
}

void RemoveFacingPairs(RawFeatures& raw) {
    const int n = raw.MinutiaCount;
    for (int i = 0; i < n; ++i)
        for (int j = i + 1; j < n && raw.Angle[i] >= 0; ++j) {
            if (raw.Angle[j] < 0) continue;
            const int d2 = DistanceSq(raw, i, j);
            const bool tested = d2 < kParams.facingNearDistanceSq ||
                                (d2 < kParams.facingBifurcationDistanceSq &&
                                 raw.Type[i] == Bifurcation && raw.Type[j] == Bifurcation);
            if (!tested) continue;
            const int diff = ((raw.Angle[i] - raw.Angle[j]) % 360 + 360) % 360;
            if (std::abs(diff - 180) < kParams.facingTolerance) {
                raw.Angle[i] = RejectFacing;
                raw.Angle[j] = RejectFacing;
            }
        }
}

void RemoveNearBorder(RawFeatures& raw, ImageView dirImage) {
    const int w = dirImage.width;
    const int h = dirImage.height;
    const int r = kParams.borderRadius;
    for (int i = 0; i < raw.MinutiaCount; ++i) {
        if (raw.Angle[i] < 0) continue;
        const int x = raw.X[i];
        const int y = raw.Y[i];
        bool near = false;
        for (int yy = std::max(0, y - r); yy < std::min(y + r + 1, h - 1) && !near; ++yy)
            for (int xx = std::max(0, x - r); xx < std::min(x + r + 1, w - 1); ++xx)
                if (dirImage[yy][xx] & BackgroundBit) {
                    near = true;
                    break;
                }
        if (near) raw.Angle[i] = RejectBorder;
    }
}

}  // namespace

bool ContrastPatchTest(ImageView inputCopy, int x, int y, int angle) {
    constexpr int kSize = kParams.contrastPatchSize;
    constexpr int kHalf = kSize / 2;
    static_assert(kSize == 30, "the thresholds below are for a 30 x 30 patch");
    const int a = ((angle % 360) + 360) % 360;
    const int s = Trig().sin[a];
    const int c = Trig().cos[a];

    int patch[kSize][kSize];
    for (int i = 0; i < kSize; ++i)
        for (int j = 0; j < kSize; ++j) {
            const int px = x + ((i - kHalf) * s + (j - kHalf) * c) / 100;
            const int py = y + ((i - kHalf) * c - (j - kHalf) * s) / 100;
            patch[i][j] = inputCopy.Contains(px, py) ? inputCopy[py][px] : 255;
        }

    int smooth[kSize][kSize];
    std::copy(&patch[0][0], &patch[0][0] + kSize * kSize, &smooth[0][0]);
    for (int i = 1; i < kSize - 1; ++i)
        for (int j = 1; j < kSize - 1; ++j) {
            int sum = 0;
            for (int di = -1; di <= 1; ++di)
                for (int dj = -1; dj <= 1; ++dj) sum += patch[i + di][j + dj];
            smooth[i][j] = sum / 9;
        }
    for (int j = 1; j < kSize; ++j) {
        smooth[0][j] = smooth[1][j];
        smooth[kSize - 1][j] = smooth[kSize - 2][j];
    }
    for (int i = 0; i < kSize; ++i) {
        smooth[i][0] = smooth[i][1];
        smooth[i][kSize - 1] = smooth[i][kSize - 2];
    }

    // Grey-level steps across the minutia direction, clamped to twice their mean.
    int d[kSize][kSize] = {};
    int total = 0;
    for (int i = 0; i < kSize - 1; ++i)
        for (int j = 0; j < kSize; ++j) {
            d[i][j] = std::abs(smooth[i][j] - smooth[i + 1][j]);
            total += d[i][j];
        }
    const int clampTo = 2 * (total / ((kSize - 1) * kSize));
    int top = 0, bottom = 0, left = 0, right = 0;
    for (int i = 0; i < kSize; ++i)
        for (int j = 0; j < kSize; ++j) {
            const int v = std::min(d[i][j], clampTo);
            (i < kHalf ? top : bottom) += v;
            (j < kHalf ? left : right) += v;
        }
    const int cells = kHalf * kSize;  // 450 values in each half
    top = 100 * top / cells;
    bottom = 100 * bottom / cells;
    left = 100 * left / cells;
    right = 100 * right / cells;
    const int minSide = kParams.contrastMinSide;
    if (top < minSide || bottom < minSide || left < minSide || right < minSide) return false;
    return top + bottom + left + right >= kParams.contrastMinTotal;
}

void ValidateMinutiae(RawFeatures& raw, ImageView dirImage, ImageView inputCopy,
                      int meanUncertainty) {
    RemoveCrowded(raw);
    if (kParams.facingPairRemoval) RemoveFacingPairs(raw);
    RemoveNearBorder(raw, dirImage);
    if (kParams.contrastPatchTest && meanUncertainty <= kParams.contrastTestUncertainty)
        for (int i = 0; i < raw.MinutiaCount; ++i)
            if (raw.Angle[i] >= 0 &&
                !ContrastPatchTest(inputCopy, raw.X[i], raw.Y[i], raw.Angle[i]))
                raw.Angle[i] = RejectContrast;
}

void CompactMinutiae(RawFeatures& raw) {
    int kept = 0;
    for (int i = 0; i < raw.MinutiaCount; ++i) {
        if (raw.Angle[i] < 0) continue;
        raw.X[kept] = raw.X[i];
        raw.Y[kept] = raw.Y[i];
        raw.Angle[kept] = raw.Angle[i];
        raw.Type[kept] = raw.Type[i];
        raw.Quality[kept] = raw.Quality[i];
        ++kept;
    }
    raw.MinutiaCount = kept;
}

}  // namespace mx
