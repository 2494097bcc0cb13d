#include "thinning.h"

#include <algorithm>

#include "orientation.h"

namespace mx {

namespace {

constexpr int kMoveDx[8] = {0, 1, 0, -1, 1, 1, -1, -1};
constexpr int kMoveDy[8] = {-1, 0, 1, 0, -1, 1, 1, -1};

constexpr uint8_t kDeletable[] = {7,   14,  15,  28,  30,  31,  56,  60,  62,  63,  67,  88,
                                  97,  99,  112, 120, 124, 126, 131, 135, 143, 159, 191, 193,
                                  195, 208, 216, 224, 225, 227, 240, 248, 252, 254};

void SetPoints(ImageView s, const Branch& b, uint8_t value) {
    for (int i = 0; i < b.count; ++i) s[b.points[i].y][b.points[i].x] = value;
}

void SetPoints(ImageView s, const Branch& b, int first, int last, uint8_t value) {
    for (int i = first; i < last; ++i) s[b.points[i].y][b.points[i].x] = value;
}

void SetAll(ImageView s, const BranchTrace& t, uint8_t value) {
    for (const Branch& b : t.branch) SetPoints(s, b, value);
}

bool SameLast(const Branch& a, const Branch& b) {
    return a.HasPoints() && b.HasPoints() && a.Last() == b.Last();
}

// Traces the ridge from an ending for up to maxSteps steps, whitening each position through
// log; returns the steps done and leaves p at the position reached.
int TraceEnding(ImageView s, Point& p, int maxSteps, PixelLog& log, std::vector<Point>* visited) {
    int steps = 0;
    while (steps < maxSteps) {
        if (p.x < 1 || p.y < 1 || p.x >= s.width - 1 || p.y >= s.height - 1) break;
        if (CrossingNumber(s, p.x, p.y) != 1) break;
        log.Set(s, p.x, p.y, 255);
        if (visited) visited->push_back(p);
        MoveAlongRidge(s, p);
        ++steps;
    }
    return steps;
}

}  // namespace

int CrossingNumber(ImageView s, int x, int y) {
    int n = 0;
    bool previous = IsRidge(s, x + kNeighbourDx[7], y + kNeighbourDy[7]);
    for (int k = 0; k < 8; ++k) {
        const bool black = IsRidge(s, x + kNeighbourDx[k], y + kNeighbourDy[k]);
        if (!previous && black) ++n;
        previous = black;
    }
    return n;
}

int MoveAlongRidge(ImageView s, Point& p) {
    for (int k = 0; k < 8; ++k)
        if (IsRidge(s, p.x + kMoveDx[k], p.y + kMoveDy[k])) {
            p.x += kMoveDx[k];
            p.y += kMoveDy[k];
            return k;
        }
    return -1;
}

const std::array<uint8_t, 256>& ThinningTable() {
    static const auto table = [] {
        std::array<uint8_t, 256> t{};
        for (uint8_t index : kDeletable) t[index] = 1;
        return t;
    }();
    return table;
}

void Thin(ImageView s, int maxPasses) {
    const int w = s.width;
    const int h = s.height;
    if (w < 3 || h < 3) return;
    const auto& table = ThinningTable();
    std::vector<uint8_t> settled(h, 0);
    static Image before;
    for (int pass = 0; pass < maxPasses; ++pass) {
        before.CopyFrom(s);
        bool deleted = false;
        for (int y = 1; y <= h - 2; ++y) {
            if (settled[y]) continue;
            settled[y] = 1;
            const uint8_t* up = before[y - 1];
            const uint8_t* mid = before[y];
            const uint8_t* down = before[y + 1];
            for (int x = 1; x <= w - 2; ++x) {
                if (mid[x] != 0) continue;
                // Bit k set when neighbour k (clockwise from N) is black.
                const int index = (up[x] == 0) | (up[x + 1] == 0) << 1 | (mid[x + 1] == 0) << 2 |
                                  (down[x + 1] == 0) << 3 | (down[x] == 0) << 4 |
                                  (down[x - 1] == 0) << 5 | (mid[x - 1] == 0) << 6 |
                                  (up[x - 1] == 0) << 7;
                if (table[index]) {
                    s[y][x] = 255;
                    settled[y] = 0;
                    deleted = true;
                }
            }
        }
        if (!deleted) break;
    }
}

bool LineIsClear(ImageView s, Point a, Point b) {
    if (a == b) return false;
    bool clear = true;
    LineWalk(a.x, a.y, b.x, b.y, [&](int x, int y) {
        if ((x != a.x || y != a.y) && IsRidge(s, x, y)) clear = false;
    });
    return clear;
}

void DrawLine(ImageView s, Point a, Point b) {
    if (a == b) return;
    auto paint = [&](int x, int y) {
        if (s.Contains(x, y)) s[y][x] = 0;
    };
    paint(b.x, b.y);
    LineWalk(a.x, a.y, b.x, b.y, paint);
}

void BridgeGaps(ImageView s, ImageView dirImage) {
    const int w = s.width;
    const int h = s.height;
    const int reach = kParams.bridgeRadius;
    std::vector<Point> path;
    for (int y0 = 1; y0 <= h - 2; ++y0)
        for (int x0 = 1; x0 <= w - 2; ++x0) {
            if (s[y0][x0] != 0 || (dirImage[y0][x0] & BackgroundBit)) continue;
            if (CrossingNumber(s, x0, y0) != 1) continue;
            const Point e0{x0, y0};

            // The trace stays white while the partner is searched, so that the ending's own
            // ridge does not block the line of sight.
            path.clear();
            PixelLog trace;
            Point end = e0;
            const int n = TraceEnding(s, end, kParams.bridgeTraceSteps, trace, &path);
            if (n >= kParams.bridgeMinSteps) {
                const int a0 = DirectionAngle(e0.x, e0.y, end.x, end.y);
                bool accepted = false;
                Point partner;
                for (int y = std::max(1, y0 - reach); y <= y0 + reach && y < h - 1 && !accepted;
                     ++y)
                    for (int x = std::max(1, x0 - reach); x <= x0 + reach && x < w - 1; ++x) {
                        const Point c{x, y};
                        if (s[y][x] != 0 || CrossingNumber(s, x, y) != 1) continue;
                        if (!LineIsClear(s, e0, c)) continue;
                        const int ac = DirectionAngle(e0.x, e0.y, x, y);
                        if (FoldDegrees(ac, a0) < kParams.bridgeAngleTolerance) continue;
                        PixelLog other;
                        Point otherEnd = c;
                        const int m =
                            TraceEnding(s, otherEnd, kParams.bridgeTraceSteps, other, nullptr);
                        const int a1 = m >= kParams.bridgeMinSteps
                                           ? DirectionAngle(x, y, otherEnd.x, otherEnd.y)
                                           : RejectNoDirection;
                        other.Restore(s);
                        if (a1 >= 0 &&
                            FoldDegrees(a1, (ac + 180) % 360) >= kParams.bridgeAngleTolerance) {
                            accepted = true;
                            partner = c;
                            break;
                        }
                    }
                if (accepted)
                    LineWalk(e0.x, e0.y, partner.x, partner.y, [&](int x, int y) {
                        path.push_back({x, y});
                    });
            }
            for (const Point p : path) s[p.y][p.x] = 0;
        }
}

BranchTrace TraceBranches(ImageView s, Point a, bool fill) {
    const int w = s.width;
    const int h = s.height;
    BranchTrace t;
    t.origin = a;
    for (int b = 0; b < 3; ++b) {
        Branch& br = t.branch[b];
        Point p = a;
        int k = 0;
        bool sideSaved = false;
        Point side[2];
        uint8_t sideValue[2] = {0, 0};
        br.status = BranchLong;
        for (; k < kParams.branchSteps; ++k) {
            if (p.x > w - 3 || p.x < 2 || p.y > h - 3 || p.y < 2) {
                br.status = BranchAtMargin;
                break;
            }
            const int c = CrossingNumber(s, p.x, p.y);
            if (c == 0 && k == 0) {
                br.status = BranchSkipped;
                break;
            }
            br.points[k] = p;
            br.count = k + 1;
            bool closed = false;
            for (int e = 0; e < b && !closed; ++e)
                for (int i = 2; i < t.branch[e].count; ++i)
                    if (t.branch[e].points[i] == p) {
                        closed = true;
                        break;
                    }
            if (closed) {
                s[p.y][p.x] = 255;
                br.status = BranchMeets;
                break;
            }
            if (c != 1 && k > 1) {
                br.status = c == 0 ? BranchEnded : c == 2 ? BranchMeets : BranchBlocked;
                break;
            }
            s[p.y][p.x] = 255;
            const bool crossed = k == 0 && (IsRidge(s, a.x, a.y - 1) || IsRidge(s, a.x, a.y + 1)) &&
                                 (IsRidge(s, a.x - 1, a.y) || IsRidge(s, a.x + 1, a.y));
            const int move = MoveAlongRidge(s, p);
            if (crossed && (IsVerticalMove(move) || IsHorizontalMove(move))) {
                // Keep the next branches from slipping past the corner of the bifurcation.
                if (IsVerticalMove(move)) {
                    side[0] = {a.x - 1, a.y};
                    side[1] = {a.x + 1, a.y};
                } else {
                    side[0] = {a.x, a.y - 1};
                    side[1] = {a.x, a.y + 1};
                }
                for (int i = 0; i < 2; ++i) {
                    sideValue[i] = s[side[i].y][side[i].x];
                    s[side[i].y][side[i].x] = 255;
                }
                sideSaved = true;
            }
            if (k == 1 && sideSaved) {
                for (int i = 0; i < 2; ++i) s[side[i].y][side[i].x] = sideValue[i];
                sideSaved = false;
            }
        }
    }
    for (Branch& br : t.branch) {
        SetPoints(s, br, fill ? 0 : 255);
        if (br.HasPoints()) br.angle = DirectionAngle(a.x, a.y, br.Last().x, br.Last().y);
    }
    if (t.branch[0].HasPoints() && t.branch[1].HasPoints() && t.branch[2].HasPoints()) {
        t.d01 = FoldDegrees(t.branch[0].angle, t.branch[1].angle);
        t.d12 = FoldDegrees(t.branch[1].angle, t.branch[2].angle);
        t.d02 = FoldDegrees(t.branch[0].angle, t.branch[2].angle);
    }
    return t;
}

int ClassifyBranches(const BranchTrace& t) {
    if (t.d01 < 0) return -1;
    int dmax = t.d01, p = t.d12, q = t.d02;
    if (t.d12 > dmax) {
        dmax = t.d12;
        p = t.d01;
        q = t.d02;
    }
    if (t.d02 > dmax) {
        dmax = t.d02;
        p = t.d01;
        q = t.d12;
    }
    auto within = [](int v, int lo, int hi) { return v >= lo && v <= hi; };
    if (dmax > kParams.straightAngle &&
        within(p, kParams.perpendicularLow, kParams.perpendicularHigh) &&
        within(q, kParams.perpendicularLow, kParams.perpendicularHigh))
        return 1;
    if (dmax < kParams.forkMinAngle || !within(p, kParams.forkBranchLow, kParams.forkBranchHigh) ||
        !within(q, kParams.forkBranchLow, kParams.forkBranchHigh))
        return -1;
    return 2;
}

void CleanBifurcations(ImageView s, ImageView dirImage) {
    const int margin = kParams.cleanMargin;
    for (int y0 = margin; y0 <= s.height - 1 - margin; ++y0)
        for (int x0 = margin; x0 <= s.width - 1 - margin; ++x0) {
            if (s[y0][x0] != 0 || (dirImage[y0][x0] & BackgroundBit)) continue;
            if (CrossingNumber(s, x0, y0) != 3) continue;
            const Point a{x0, y0};
            BranchTrace t = TraceBranches(s, a, false);

            bool anyMeets = false;
            for (const Branch& b : t.branch) anyMeets |= b.status == BranchMeets;
            if (!anyMeets) {
                SetAll(s, t, 0);
                continue;
            }

            // Two branches ending in the same pixel enclose a small loop: open its longer side.
            int pair = -1;
            for (int b = 0; b < 3; ++b)
                if (SameLast(t.branch[b], t.branch[(b + 1) % 3])) pair = b;
            if (pair >= 0) {
                const int other = (pair + 1) % 3;
                const int keep = t.branch[pair].count >= t.branch[other].count ? pair : other;
                SetPoints(s, t.branch[keep], 255);
                for (int b = 0; b < 3; ++b)
                    if (b != keep) SetPoints(s, t.branch[b], 0);
                continue;
            }

            SetAll(s, t, 0);
            int nshort = 0;
            for (const Branch& b : t.branch) nshort += b.count < kParams.branchShortPoints;

            for (int b = 0; b < 3; ++b) {
                const Branch& tb = t.branch[b];
                if (tb.status != BranchMeets) continue;
                const int o1 = b == 0 ? 1 : 0;
                const int o2 = b == 2 ? 1 : 2;
                const Point bp = tb.Last();
                const BranchTrace u = TraceBranches(s, bp, true);

                // Triangle: a second branch of A and a branch of B meet in the same pixel P;
                // replace the three sides by a star from the triangle's centre.
                bool done = false;
                if (nshort >= 2) {
                    for (int o : {o1, o2}) {
                        for (int j = 0; j < 3 && !done; ++j) {
                            if (!SameLast(t.branch[o], u.branch[j])) continue;
                            const Point pp = u.branch[j].Last();
                            SetPoints(s, tb, 255);
                            SetPoints(s, t.branch[o], 255);
                            SetPoints(s, u.branch[j], 255);
                            const Point centre{(bp.x + pp.x + a.x) / 3, (bp.y + pp.y + a.y) / 3};
                            DrawLine(s, centre, bp);
                            DrawLine(s, centre, pp);
                            DrawLine(s, centre, a);
                            done = true;
                        }
                        if (done) break;
                    }
                }
                if (done) break;

                const Point middle = tb.points[tb.count / 2];
                int jb = 0;
                for (int j = 0; j < 3; ++j) {
                    const Branch& ub = u.branch[j];
                    if (std::find(ub.points.begin(), ub.points.begin() + ub.count, middle) !=
                        ub.points.begin() + ub.count) {
                        jb = j;
                        break;
                    }
                }
                const int u1 = jb == 0 ? 1 : 0;
                const int u2 = jb == 2 ? 1 : 2;

                // Bridge: a short branch joins two plain forks; cut it and mend both ridges.
                if (tb.count < kParams.bridgeBranchPoints && ClassifyBranches(t) == 2 &&
                    ClassifyBranches(u) == 2) {
                    SetPoints(s, tb, 255);
                    SetPoints(s, t.branch[o1], 0,
                              std::min(kParams.bridgeKeepPoints, t.branch[o1].count), 0);
                    SetPoints(s, t.branch[o2], 0,
                              std::min(kParams.bridgeKeepPoints, t.branch[o2].count), 0);
                    SetPoints(s, u.branch[u1], 0);
                    SetPoints(s, u.branch[u2], 0);
                    break;
                }

                // Short link between two nearly parallel ridges: cut its inner pixels.
                auto parallel = [](const Branch& p, const Branch& q) {
                    return p.HasPoints() && q.HasPoints() &&
                           FoldDegrees(p.angle, q.angle) < kParams.linkAngleLimit;
                };
                if (tb.count < kParams.linkBranchPoints && parallel(t.branch[o1], t.branch[o2]) &&
                    parallel(u.branch[u1], u.branch[u2]) && tb.count >= kParams.linkMinPoints)
                    SetPoints(s, tb, 1, tb.count - 1, 255);
            }
        }
}

}  // namespace mx
