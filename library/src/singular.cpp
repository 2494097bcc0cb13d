#include "singular.h"

#include <algorithm>
#include <cstdlib>

namespace mx {

namespace {

constexpr int kInnerRing[8][2] = {{-1, -1}, {0, -1}, {1, -1}, {1, 0},
                                  {1, 1},   {0, 1},  {-1, 1}, {-1, 0}};
constexpr int kOuterRing[12][2] = {{-1, -2}, {0, -2}, {1, -2}, {2, -1}, {2, 0},  {2, 1},
                                   {1, 2},   {0, 2},  {-1, 2}, {-2, 1}, {-2, 0}, {-2, -1}};

int HalfTurnDistance(int a, int b) {
    const int d = std::abs(a - b);
    return d > 120 ? 240 - d : d;
}

}  // namespace

int PoincareIndex(const int* values, int n) {
    int prev = values[n - 1];
    int sum = 0;
    for (int i = 0; i < n; ++i) {
        int c = values[i];
        const int d1 = HalfTurnDistance(prev, c);
        const int c2 = (c + 120) % 256;
        const int d2 = HalfTurnDistance(prev, c2);
        if (d1 == d2) return 0;
        if (d2 < d1) c = c2;
        int delta = c - prev;
        while (delta > 120) delta -= 240;
        while (delta < -120) delta += 240;
        sum += delta;
        prev = c;
    }
    return sum / 120;
}

SingularCandidates FindSingularCandidates(const BlockField& field) {
    SingularCandidates list;
    for (int by = 2; by <= field.height - 3; ++by)
        for (int bx = 2; bx <= field.width - 3; ++bx) {
            int inner[8];
            int outer[12];
            bool masked = false;
            for (int i = 0; i < 8; ++i) {
                inner[i] = field.Direction(bx + kInnerRing[i][0], by + kInnerRing[i][1]);
                masked |= inner[i] == MaskedCode;
            }
            for (int i = 0; i < 12; ++i) {
                outer[i] = field.Direction(bx + kOuterRing[i][0], by + kOuterRing[i][1]);
                masked |= outer[i] == MaskedCode;
            }
            if (masked) continue;
            const int p8 = PoincareIndex(inner, 8);
            const int p12 = PoincareIndex(outer, 12);
            int index;
            if (p8 == p12)
                index = p8;
            else if (p8 * p12 >= 1)
                index = p12;
            else
                continue;
            if (index == 0) continue;
            // More candidates than the list holds only come from a chaotic field; the first
            // ones in scan order are kept and the rest are not recorded.
            if (list.count >= kParams.maxSingularCandidates) return list;
            list.items[list.count++] = {bx, by, -1, index};
        }
    return list;
}

int DirectionDissimilarity(ImageView dirImage, int x, int y) {
    const int c = dirImage[y][x] & DirectionBits;
    if (c == NoDirection) return 0;
    const int r = kParams.dissimilarityRadius;
    int sum = 0;
    for (int yy = std::max(y - r, 0); yy <= std::min(y + r, dirImage.height - 1); ++yy)
        for (int xx = std::max(x - r, 0); xx <= std::min(x + r, dirImage.width - 1); ++xx) {
            const int d = dirImage[yy][xx] & DirectionBits;
            if (d != NoDirection) sum += FoldCodes(c, d);
        }
    return sum;
}

int SingularDirection(ImageView dirImage, int x, int y) {
    const int radius = kParams.singularCircleRadius;
    const int tolerance = kParams.singularCircleTolerance;
    int best = 120;
    int result = 0;
    for (int py = y - radius; py <= y + radius; ++py)
        for (int px = x - radius; px <= x + radius; ++px) {
            const int dx = px - x;
            const int dy = py - y;
            if (std::abs(dx * dx + dy * dy - radius * radius) >= tolerance) continue;
            const int a = DirectionAngle(px, py, x, y);
            int k = a * 120 / 180;
            if (k >= 120) k -= 120;
            const int c = 120 - k;  // code of the radial line, 120 standing for 0
            int sum = 0;
            int count = 0;
            LineWalk(px, py, x, y, [&](int lx, int ly) {
                if (!dirImage.Contains(lx, ly)) return;
                sum += FoldCodes(dirImage[ly][lx] & DirectionBits, c);
                ++count;
            });
            const int average = count > 0 ? sum / count : 60;
            if (average < best) {
                best = average;
                result = a;
            }
        }
    return result;
}

void RefineSingularPoints(ImageView dirImage, SingularCandidates candidates, RawFeatures& raw) {
    raw.SingularCount = 0;
    const int n = candidates.count;
    std::vector<int> cluster;
    for (;;) {
        cluster.clear();
        int first = -1;
        for (int i = 0; i < n; ++i)
            if (candidates.items[i].kind != 0) {
                first = i;
                break;
            }
        if (first < 0) break;

        const int kind = candidates.items[first].kind;
        bool mixed = false;
        cluster.push_back(first);
        candidates.items[first].kind = 0;
        for (bool grew = true; grew;) {
            grew = false;
            for (int i = first + 1; i < n; ++i) {
                SingularCandidate& c = candidates.items[i];
                if (c.kind == 0) continue;
                for (int m : cluster) {
                    const int dx = c.bx - candidates.items[m].bx;
                    const int dy = c.by - candidates.items[m].by;
                    if (dx * dx + dy * dy < 4) {
                        mixed |= c.kind != kind;
                        c.kind = 0;
                        cluster.push_back(i);
                        grew = true;
                        break;
                    }
                }
            }
        }
        if (mixed) continue;

        // The pixel of the cluster's blocks where the flow varies most, then the same search
        // in a fixed window around it.
        int best = -1;
        int px = 0;
        int py = 0;
        auto consider = [&](int x, int y) {
            if (!dirImage.Contains(x, y)) return;
            const int v = DirectionDissimilarity(dirImage, x, y);
            if (v > best) {
                best = v;
                px = x;
                py = y;
            }
        };
        for (int m : cluster) {
            const int x0 = candidates.items[m].bx * BlockSize;
            const int y0 = candidates.items[m].by * BlockSize;
            for (int y = y0; y < y0 + BlockSize; ++y)
                for (int x = x0; x < x0 + BlockSize; ++x) consider(x, y);
        }
        const int r = kParams.singularSearchRadius;
        const int cx = px;
        const int cy = py;
        for (int y = cy - r; y <= cy + r; ++y)
            for (int x = cx - r; x <= cx + r; ++x) consider(x, y);

        if (raw.SingularCount >= MaxSingular) continue;
        const int i = raw.SingularCount++;
        raw.SingularX[i] = px;
        raw.SingularY[i] = py;
        raw.SingularDirection[i] = SingularDirection(dirImage, px, py);
        raw.SingularKind[i] = kind;
    }
}

}  // namespace mx
