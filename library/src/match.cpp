#include "match.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <vector>

namespace mx {

namespace {

constexpr int TableSize = 1024;
constexpr int SameTypeFactor = 10;
constexpr int Unknown = 255;  // a working grid cell without an orientation
constexpr int SecurityLevels = 5;

struct Tables {
    int squares[TableSize + 1];
    int arctangent[TableSize + 1];
    int cosine[360];
    int sine[360];

    Tables() {
        const double degree = std::acos(-1.0) / 180.0;
        for (int k = 0; k <= TableSize; ++k) {
            squares[k] = k * k;
            arctangent[k] = static_cast<int>(std::lround(std::atan(k / 1024.0) / degree));
        }
        for (int t = 0; t < 360; ++t) {
            cosine[t] = static_cast<int>(1024.0 * std::cos(t * degree) + 0.5);
            sine[t] = static_cast<int>(1024.0 * std::sin(t * degree) + 0.5);
        }
    }
};

// Built when the library loads, so that the hot loops read them without a guard.
const Tables tables;

const Tables& T() {
    return tables;
}

// Difference of two directions (degrees) and of two orientations (0..180).
int Fold(int x) {
    x = std::abs(x);
    return x <= 180 ? x : 360 - x;
}
int Fold180(int x) {
    x = std::abs(x);
    return x <= 90 ? x : 180 - x;
}
int Wrap360(int x) {
    return x < 0 ? x + 360 : x;
}

struct Rotation {
    int cs, sn;
    explicit Rotation(int theta) : cs(T().cosine[theta]), sn(T().sine[theta]) {}
    int rx(int x, int y) const { return (cs * x - sn * y + 512) >> 10; }
    int ry(int x, int y) const { return (sn * x + cs * y + 512) >> 10; }
    int ix(int x, int y) const { return (cs * x + sn * y + 512) >> 10; }
    int iy(int x, int y) const { return (cs * y - sn * x + 512) >> 10; }
};

// Sorting key of a neighbour: distance above, index below, so that plain integer order is
// "by distance, ties by lower index" (distances and indices are both below 1024).
constexpr int KeyShift = 10;
constexpr int KeyIndexMask = (1 << KeyShift) - 1;

// The matcher's working copy of one set with its pair tables.
struct Prepared {
    int n = 0;
    std::vector<int> x, y, dir, quality, type, orient;
    int gridWidth = 0, gridHeight = 0;
    uint8_t grid[GridRows][GridColumns];    // orientation in degrees, or Unknown
    std::vector<int16_t> dist, angle, rel;  // n x n
    // Row i (i < n - 1) holds the n - 1 - i indices j > i by distance, ties by index.
    std::vector<int16_t> neighbours;
    std::vector<int> first;       // position of the first neighbour >= MinPairDistance
    std::vector<int> byDistance;  // pairs i < j as (i << KeyShift) | j, by distance, j, i
    int maxDist = 0;              // largest distance of any pair

    int D(int i, int j) const { return dist[i * n + j]; }
    int A(int i, int j) const { return angle[i * n + j]; }
    int R(int i, int j) const { return rel[i * n + j]; }
    const int16_t* Neighbours(int i) const {
        return neighbours.data() + static_cast<size_t>(i) * n;
    }
    int NeighbourCount(int i) const { return n - 1 - i; }
    int Cell(int col, int row) const {
        if (col < 0 || row < 0 || col >= GridColumns || row >= GridRows) return Unknown;
        return grid[row][col];
    }

    Prepared(const MinutiaSet& set, int minPairDistance) {
        n = std::clamp<int>(set.Count, 0, MaxMinutiae);
        x.resize(n), y.resize(n), dir.resize(n), quality.resize(n), type.resize(n);
        orient.resize(n);
        gridWidth = std::min<int>(set.GridWidth, GridColumns);
        gridHeight = std::min<int>(set.GridHeight, GridRows);
        for (int r = 0; r < GridRows; ++r)
            for (int c = 0; c < GridColumns; ++c) {
                const int cell = set.Grid[r][c];
                grid[r][c] = (cell & 127) < 127 ? static_cast<uint8_t>((3 * cell) >> 1) : Unknown;
            }
        for (int i = 0; i < n; ++i) {
            x[i] = set.X[i];
            y[i] = set.Y[i];
            // 360 - Angle, with 0 and 360 both 0; a damaged set's angles are wrapped too.
            dir[i] = ((360 - set.Angle[i]) % 360 + 360) % 360;
            quality[i] = set.Quality[i];
            type[i] = set.Type[i];
            orient[i] = Cell(x[i] >> 4, y[i] >> 4);
        }

        const size_t nn = static_cast<size_t>(n) * n;
        dist.assign(nn, 0);
        angle.assign(nn, 0);
        rel.assign(nn, 0);
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) {
                const int dx = x[j] - x[i], dy = y[j] - y[i];
                const int64_t d2 = int64_t{dx} * dx + int64_t{dy} * dy;
                const int d = isqrt(static_cast<int>(std::min<int64_t>(d2, INT32_MAX)));
                maxDist = std::max(maxDist, d);
                dist[i * n + j] = dist[j * n + i] = static_cast<int16_t>(d);
                const int a = VectorAngle(dx, dy);
                angle[i * n + j] = static_cast<int16_t>(a);
                angle[j * n + i] = static_cast<int16_t>(a < 180 ? a + 180 : a - 180);
                const int r = Wrap360(dir[j] - dir[i]);
                rel[i * n + j] = static_cast<int16_t>(r);
                rel[j * n + i] = static_cast<int16_t>(r == 0 ? 0 : 360 - r);
            }

        // All pairs i < j by distance, then j, then i (a counting sort on the distance, filled
        // in index order): read in that order, each row of neighbours comes out by distance,
        // ties by lower index.
        std::vector<int> distStart(maxDist + 2, 0);
        for (int j = 1; j < n; ++j)
            for (int i = 0; i < j; ++i) ++distStart[D(i, j) + 1];
        for (size_t k = 1; k < distStart.size(); ++k) distStart[k] += distStart[k - 1];
        byDistance.resize(static_cast<size_t>(n) * (n - 1) / 2);
        for (int j = 1; j < n; ++j)
            for (int i = 0; i < j; ++i) byDistance[distStart[D(i, j)]++] = (i << KeyShift) | j;

        neighbours.assign(nn, 0);
        first.assign(std::max(n - 1, 0), 0);
        std::vector<int> fill(std::max(n, 1), 0);
        for (const int pair : byDistance) {
            const int i = pair >> KeyShift, j = pair & KeyIndexMask;
            neighbours[static_cast<size_t>(i) * n + fill[i]++] = static_cast<int16_t>(j);
            if (D(i, j) < minPairDistance) ++first[i];
        }
    }

    // Row c: sorting keys (distance, index) of all j != c in ascending order. The pairs taken by
    // distance, then the higher and then the lower index, give every row in that order.
    std::vector<int> Around() const {
        const int stride = std::max(n - 1, 1);
        std::vector<int> around(static_cast<size_t>(n) * stride);
        std::vector<int> fill(std::max(n, 1), 0);
        for (const int pair : byDistance) {
            const int i = pair >> KeyShift, j = pair & KeyIndexMask;
            const int d = D(i, j) << KeyShift;
            around[static_cast<size_t>(i) * stride + fill[i]++] = d | j;
            around[static_cast<size_t>(j) * stride + fill[j]++] = d | i;
        }
        return around;
    }
};

// A pair of set 2 as the voting step reads it, with its distance, direction and relative angle.
struct SetPair {
    int16_t dist, angle, rel, c, d;
};

// The voting step looks set 2's pairs up in cells. A pair (c, d) with direction A has the two
// angles u = Dir[c] - A and v = Dir[d] - A; the rotation tests of a set-1 pair (a, b) against
// it, fold(ROT(a, c) - theta) and fold(ROT(b, d) - theta), are exactly the circular distances
// of u and v from the set-1 pair's own u and v. So only the cells of u and v within
// AngleTolerance can hold a voting pair; the tests themselves are still made as they stand.
// Cells: u and v in 20-degree buckets, the distance in 16-pixel cells (innermost, so that a
// distance window is one run of the array).
constexpr int TurnBucketWidth = 20;
constexpr int TurnBuckets = 360 / TurnBucketWidth;
constexpr int DistCellShift = 4;
constexpr int DistCells = 1024 >> DistCellShift;

int TurnOf(int dir, int angle) {
    const int u = dir - angle;
    return u < 0 ? u + 360 : u;
}

// Raw score of an alignment: the weight sum scaled by the anchors' type agreement, squared and
// spread over the number of minutiae in the common area. The split at 32767 keeps q x q in
// range for the integer width the format was designed for.
int64_t RawScore(int64_t sum, bool sameTypeFirst, bool sameTypeSecond, int m,
                 const MatchParams& p) {
    const int64_t s = sum * (sameTypeFirst ? SameTypeFactor : p.AnchorTypeFactor) *
                      (sameTypeSecond ? SameTypeFactor : p.AnchorTypeFactor);
    const int64_t q = s / 100;
    return q <= 32767 ? (q * q) / m : (q / m) * q;
}

int GridCheck(int score, int theta, int tx, int ty, const Prepared& s1, const Prepared& s2,
              const MatchParams& p) {
    const int t = theta >= 180 ? theta - 180 : theta;
    const Rotation rot(theta);
    int64_t overlap = 0, agree = 0;
    for (int r = 0; r < s1.gridHeight; ++r)
        for (int k = 0; k < s1.gridWidth; ++k) {
            const int v = s1.grid[r][k];
            if (v == Unknown) continue;
            const int bx = 8 + 16 * k, by = 8 + 16 * r;
            const int xp = rot.rx(bx, by) + tx, yp = rot.ry(bx, by) + ty;
            if ((xp >> 4) < 1 || yp < 16 || (xp >> 4) >= s2.gridWidth || (yp >> 4) >= s2.gridHeight)
                continue;
            const int w = s2.grid[yp >> 4][xp >> 4];
            if (w == Unknown) continue;
            ++overlap;
            int o = v + t;
            if (o >= 180) o -= 180;
            if (Fold180(o - w) < p.GridAgreeLimit) ++agree;
        }
    if (overlap == 0) return 0;
    return static_cast<int>(((score * agree) / overlap * agree) / overlap);
}

// Correspondence tables: the rotation that turns set-1 minutia i onto set-2 minutia j, and
// the weight of that correspondence.
struct Correspondences {
    int n2;
    std::vector<int16_t> rot;
    std::vector<int> wgt;

    Correspondences(const Prepared& s1, const Prepared& s2, const MatchParams& p)
        : n2(s2.n), rot(static_cast<size_t>(s1.n) * s2.n), wgt(rot.size()) {
        // The quality factor of every possible difference (qualities are bytes), worked out
        // only for the differences that occur, as the range may be any value.
        int factor[256];
        std::fill(std::begin(factor), std::end(factor), -1);
        auto qualityFactor = [&](int delta) {
            if (!p.UseQuality) return 1;
            int& q = factor[delta];
            if (q < 0) q = delta <= p.QualityRange ? 100 - (100 * delta) / p.QualityRange : 0;
            return q;
        };
        for (int i = 0; i < s1.n; ++i) {
            int16_t* rotRow = rot.data() + static_cast<size_t>(i) * n2;
            int* wgtRow = wgt.data() + static_cast<size_t>(i) * n2;
            const int dir1 = s1.dir[i], quality1 = s1.quality[i], type1 = s1.type[i];
            for (int j = 0; j < n2; ++j) {
                rotRow[j] = static_cast<int16_t>(Wrap360(s2.dir[j] - dir1));
                const int q = qualityFactor(std::abs(s2.quality[j] - quality1));
                wgtRow[j] = (type1 == s2.type[j] ? SameTypeFactor : p.TypeMismatchWeight) * q;
            }
        }
    }
};

// Voting. The counts do not depend on the order in which matching pairs are visited, so set
// 2's pairs are looked up in cells rather than walked with forward-only cursors; the votes are
// the same.
VoteResult Vote(const Prepared& s1, const Prepared& s2, const Correspondences& corr,
                const MatchParams& p) {
    const int n1 = s1.n, n2 = s2.n;
    auto idx = [n2](int i, int j) { return i * n2 + j; };
    const int16_t* rot = corr.rot.data();
    const int* wgt = corr.wgt.data();
    // Counting sort of set 2's pairs into the cells.
    const int distCells = (s2.maxDist >> DistCellShift) + 1;
    const int cellsPerU = TurnBuckets * distCells;
    std::vector<int> cellStart(static_cast<size_t>(TurnBuckets) * cellsPerU + 1, 0);
    auto cellOf = [&](int c, int d) {
        const int a = s2.A(c, d);
        return (TurnOf(s2.dir[c], a) / TurnBucketWidth) * cellsPerU +
               (TurnOf(s2.dir[d], a) / TurnBucketWidth) * distCells + (s2.D(c, d) >> DistCellShift);
    };
    for (int c = 0; c + 1 < n2; ++c) {
        const int16_t* list = s2.Neighbours(c);
        for (int k = s2.first[c]; k < s2.NeighbourCount(c); ++k)
            ++cellStart[cellOf(c, list[k]) + 1];
    }
    for (size_t i = 1; i < cellStart.size(); ++i) cellStart[i] += cellStart[i - 1];
    std::vector<SetPair> pairs2(cellStart.back());
    {
        std::vector<int> fill(cellStart.begin(), cellStart.end() - 1);
        for (int c = 0; c + 1 < n2; ++c) {
            const int16_t* list = s2.Neighbours(c);
            for (int k = s2.first[c]; k < s2.NeighbourCount(c); ++k) {
                const int d = list[k];
                pairs2[fill[cellOf(c, d)]++] =
                    SetPair{static_cast<int16_t>(s2.D(c, d)), static_cast<int16_t>(s2.A(c, d)),
                            static_cast<int16_t>(s2.R(c, d)), static_cast<int16_t>(c),
                            static_cast<int16_t>(d)};
            }
        }
    }

    // The buckets within AngleTolerance of an angle, counted from the angle's own bucket.
    const int reach = (p.AngleTolerance + TurnBucketWidth - 1) / TurnBucketWidth;
    const int span = std::min(2 * reach + 1, TurnBuckets);
    // For each angle the buckets to read, as offsets into the cell table.
    std::vector<int> uRuns(360 * span), vRuns(360 * span);
    for (int angle = 0; angle < 360; ++angle) {
        int bucket = ((angle / TurnBucketWidth - reach) % TurnBuckets + TurnBuckets) % TurnBuckets;
        for (int k = 0; k < span; ++k, bucket = (bucket + 1) % TurnBuckets) {
            uRuns[angle * span + k] = bucket * cellsPerU;
            vRuns[angle * span + k] = bucket * distCells;
        }
    }
    const int tol = p.AngleTolerance, maxRot = p.MaxRotation;
    std::vector<int> votes(static_cast<size_t>(n1) * n2, 0);
    for (int a = 0; a + 1 < n1; ++a) {
        const int16_t* list = s1.Neighbours(a);
        const int* wgtA = wgt + idx(a, 0);
        const int16_t* rotA = rot + idx(a, 0);
        int* votesA = votes.data() + idx(a, 0);
        for (int k = s1.first[a]; k < s1.NeighbourCount(a); ++k) {
            const int b = list[k];
            const int d1 = s1.D(a, b);
            const int lo = d1 - p.DistanceTolerance, hi = d1 + p.DistanceTolerance;
            // The distance window cut to the distances set 2 has, in cells.
            const int firstCell = std::max(lo, 0) >> DistCellShift;
            const int lastCell = std::min(hi, s2.maxDist) >> DistCellShift;
            if (hi < 0 || firstCell > lastCell) continue;
            const int r1 = s1.R(a, b), a1 = s1.A(a, b);
            const int* wgtB = wgt + idx(b, 0);
            const int16_t* rotB = rot + idx(b, 0);
            int* votesB = votes.data() + idx(b, 0);
            const int* uRun = uRuns.data() + TurnOf(s1.dir[a], a1) * span;
            const int* vRun = vRuns.data() + TurnOf(s1.dir[b], a1) * span;
            for (int ou = 0; ou < span; ++ou) {
                const int* cells = cellStart.data() + uRun[ou];
                for (int ov = 0; ov < span; ++ov) {
                    const int* run = cells + vRun[ov];
                    const int to = run[lastCell + 1];
                    for (int m = run[firstCell]; m < to; ++m) {
                        const SetPair& q = pairs2[m];
                        if (q.dist < lo || q.dist > hi) continue;
                        if (Fold(q.rel - r1) > tol) continue;
                        const int theta = Wrap360(q.angle - a1);
                        if (theta > maxRot && theta < 360 - maxRot) continue;
                        if (wgtA[q.c] == 0 || wgtB[q.d] == 0) continue;
                        if (Fold(rotA[q.c] - theta) > tol || Fold(rotB[q.d] - theta) > tol)
                            continue;
                        ++votesA[q.c];
                        ++votesB[q.d];
                    }
                }
            }
        }
    }

    // Best candidate of each set-1 minutia (the lowest index on equal votes), and the order in
    // which anchors are tried (most votes first, the lower index on equal votes).
    VoteResult result;
    result.best.assign(n1, 0);
    result.cand.assign(n1, 0);
    result.order.resize(n1);
    for (int a = 0; a < n1; ++a)
        for (int j = 0; j < n2; ++j)
            if (votes[idx(a, j)] > result.best[a]) {
                result.best[a] = votes[idx(a, j)];
                result.cand[a] = j;
            }
    std::iota(result.order.begin(), result.order.end(), 0);
    std::stable_sort(result.order.begin(), result.order.end(),
                     [&](int l, int r) { return result.best[l] > result.best[r]; });
    return result;
}

}  // namespace

VoteResult VoteCandidates(const MinutiaSet& set1, const MinutiaSet& set2,
                          const MatchParams& params) {
    const Prepared s1(set1, params.MinPairDistance);
    const Prepared s2(set2, params.MinPairDistance);
    return Vote(s1, s2, Correspondences(s1, s2, params), params);
}

int CosineTable(int degrees) {
    return T().cosine[degrees];
}
int SineTable(int degrees) {
    return T().sine[degrees];
}
int ArctangentTable(int k) {
    return T().arctangent[k];
}

int isqrt(int x) {
    // The same root as a bisection over the squares table, found from a floating-point guess
    // corrected by whole steps.
    if (x <= 0) return 0;
    int k = std::min(static_cast<int>(std::sqrt(static_cast<double>(x))), TableSize - 1);
    while (k > 0 && k * k > x) --k;
    while (k < TableSize - 1 && (k + 1) * (k + 1) <= x) ++k;
    return k;
}

int VectorAngle(int dx, int dy) {
    if (dx == 0 && dy == 0) return 0;
    const int p = std::abs(dx), q = std::abs(dy);
    const int base = p < q ? 90 - T().arctangent[(1024 * p) / q] : T().arctangent[(1024 * q) / p];
    if (dx >= 0 && dy >= 0) return base;
    if (dx < 0 && dy >= 0) return 180 - base;
    if (dx < 0) return 180 + base;
    return base == 0 ? 0 : 360 - base;
}

MatchLimits Limits(int n1, int n2, const MatchParams& p) {
    return {std::min((p.MinOverlapPercent * n1 + 99) / 100, (p.MinOverlapPercent * n2 + 99) / 100),
            int64_t{std::min(n1, n2)} * 100000};
}

bool RotationAllowed(int theta, const MatchParams& p) {
    return theta <= p.MaxRotation || theta >= 360 - p.MaxRotation;
}

int EnrolThreshold(int securityLevel) {
    return 100 * std::clamp(securityLevel, 1, SecurityLevels);
}

int MatchSets(const MinutiaSet& set1, const MinutiaSet& set2, const MatchParams& p,
              MatchResult& result) {
    result.Score = result.Rotation = result.ShiftX = result.ShiftY = 0;
    result.AnchorA = result.AnchorB = -1;
    result.Alignments = 0;
    std::fill(std::begin(result.Pair), std::end(result.Pair), -1);
    if (set1.Count < 3 || set2.Count < 3) return 0;

    const Prepared s1(set1, p.MinPairDistance);
    const Prepared s2(set2, p.MinPairDistance);
    const int n1 = s1.n, n2 = s2.n;
    auto idx = [n2](int i, int j) { return i * n2 + j; };

    const Correspondences corr(s1, s2, p);
    const std::vector<int16_t>& rot = corr.rot;
    const std::vector<int>& wgt = corr.wgt;
    auto fitsTheta = [&](int theta) { return RotationAllowed(theta, p); };
    const VoteResult votes = Vote(s1, s2, corr, p);
    const std::vector<int>&best = votes.best, &cand = votes.cand, &order = votes.order;

    const MatchLimits limits = Limits(n1, n2, p);
    const int overlapMin = limits.overlapMin;
    const int64_t stopScore = limits.stopScore;
    const int64_t minCount = std::min(n1, n2);
    int64_t bestScore = 0;
    int bestPairs = 0, bestM = 0, anchorA = -1, anchorB = -1;

    // Set 2's minutiae around each c by distance (ties by index), as sorting keys, for building
    // the compatible table.
    const int aroundStride = std::max(n2 - 1, 1);
    const std::vector<int> around = s2.Around();

    // Compatible table, rebuilt for each anchor: a stamp marks C(i, j) = 1 without clearing,
    // and each i keeps its compatible j for the pairing step.
    std::vector<int> stamp(static_cast<size_t>(n1) * n2, -1);
    std::vector<std::vector<int>> compatible(n1);
    std::vector<int> map2(n2), xp(n1), yp(n1);
    std::vector<char> inside1(n1);

    // One alignment on the anchors a -> c and b -> d: project, pair, score, keep the best.
    auto tryAlignment = [&](int a, int b, int c, int d) {
        const int theta = Wrap360(s2.A(c, d) - s1.A(a, b));
        const int t = theta >= 180 ? theta - 180 : theta;
        int o = t + s1.orient[b];
        if (o >= 180) o -= 180;
        if (Fold180(o - s2.orient[d]) > p.OrientationTolerance) return;

        std::fill(map2.begin(), map2.end(), -1);
        map2[c] = a;
        map2[d] = b;
        const Rotation r(theta);
        const int tx = s2.x[c] - r.rx(s1.x[a], s1.y[a]);
        const int ty = s2.y[c] - r.ry(s1.x[a], s1.y[a]);

        int in1 = 0;
        for (int i = 0; i < n1; ++i) {
            inside1[i] = 0;
            if (i == a || i == b) continue;
            xp[i] = r.rx(s1.x[i], s1.y[i]) + tx;
            yp[i] = r.ry(s1.x[i], s1.y[i]) + ty;
            if (xp[i] >= 1 && xp[i] < 16 * s2.gridWidth && yp[i] >= 1 &&
                yp[i] < 16 * s2.gridHeight && s2.grid[yp[i] >> 4][xp[i] >> 4] != Unknown) {
                inside1[i] = 1;
                ++in1;
            }
        }
        if (in1 < overlapMin) return;

        int in2 = 0;
        for (int j = 0; j < n2; ++j) {
            if (j == c || j == d) continue;
            const int u = r.ix(s2.x[j] - tx, s2.y[j] - ty);
            const int v = r.iy(s2.x[j] - tx, s2.y[j] - ty);
            if (u >= 1 && u < 16 * s1.gridWidth && v >= 1 && v < 16 * s1.gridHeight &&
                s1.grid[v >> 4][u >> 4] != Unknown) {
                map2[j] = -1;
                ++in2;
            } else {
                map2[j] = -2;
            }
        }
        if (in2 < overlapMin) return;

        // Each inside minutia takes the nearest free compatible one within the
        // pairing radius; on equal distance the higher set-2 index.
        const int radius2 = (p.DistanceTolerance + 1) * (p.DistanceTolerance + 1);
        int pairs = 0;
        int64_t sum = 0;
        for (int i = 0; i < n1; ++i) {
            if (!inside1[i]) continue;
            int chosen = -1, chosenE = radius2;
            for (int j : compatible[i]) {
                if (map2[j] != -1) continue;
                const int ex = xp[i] - s2.x[j], ey = yp[i] - s2.y[j];
                const int e = ex * ex + ey * ey;
                if (e > chosenE || (e == chosenE && chosen > j)) continue;
                if (Fold(rot[idx(i, j)] - theta) > p.AngleTolerance) continue;
                chosen = j;
                chosenE = e;
            }
            if (chosen >= 0) {
                map2[chosen] = i;
                ++pairs;
                sum += wgt[idx(i, chosen)];
            }
        }
        ++result.Alignments;
        if (pairs == 0) return;

        const int m = std::max(in1, in2);
        const int64_t raw = RawScore(sum, s1.type[a] == s2.type[c], s1.type[b] == s2.type[d], m, p);
        if (raw <= bestScore) return;
        bestScore = raw;
        result.Rotation = theta;
        result.ShiftX = tx;
        result.ShiftY = ty;
        std::fill(std::begin(result.Pair), std::end(result.Pair), -1);
        for (int j = 0; j < n2; ++j)
            if (map2[j] >= 0) result.Pair[map2[j]] = j;
        bestPairs = pairs;
        result.AnchorA = anchorA = a;
        result.AnchorB = anchorB = b;
        bestM = m;
    };

    bool stop = false;
    for (int oa = 0; oa < n1 && !stop; ++oa) {
        const int a = order[oa];
        if (best[a] <= bestPairs) continue;
        const int c = cand[a];

        for (int i = 0; i < n1; ++i) {
            compatible[i].clear();
            if (i == a) continue;
            const int d1 = s1.D(a, i);
            if (d1 < p.MinPairDistance) continue;
            const int* list = around.data() + static_cast<size_t>(c) * aroundStride;
            const int* end = list + (n2 - 1);
            const int loKey = std::max(d1 - p.DistanceTolerance, 0) << KeyShift;
            const int hiDist = d1 + p.DistanceTolerance;
            for (const int* it = std::lower_bound(list, end, loKey);
                 it != end && (*it >> KeyShift) <= hiDist; ++it) {
                const int j = *it & KeyIndexMask;
                if ((*it >> KeyShift) < p.MinPairDistance || wgt[idx(i, j)] == 0) continue;
                if (Fold(s2.R(c, j) - s1.R(a, i)) > p.AngleTolerance) continue;
                const int theta = Wrap360(s2.A(c, j) - s1.A(a, i));
                if (!fitsTheta(theta)) continue;
                if (Fold(rot[idx(a, c)] - theta) > p.AngleTolerance ||
                    Fold(rot[idx(i, j)] - theta) > p.AngleTolerance)
                    continue;
                stamp[idx(i, j)] = a;
                compatible[i].push_back(j);
            }
        }

        for (int ob = 0; ob < n1; ++ob) {
            const int b = order[ob];
            const int d = cand[b];
            if (stamp[idx(b, d)] == a && best[b] >= 1 && s1.D(a, b) >= p.MinAnchorDistance)
                tryAlignment(a, b, c, d);
            if (bestScore > stopScore) {
                stop = true;
                break;
            }
        }
    }

    int score1 = static_cast<int>((bestScore / minCount) / 100);
    if (score1 != 0)
        score1 = GridCheck(score1, result.Rotation, result.ShiftX, result.ShiftY, s1, s2, p);
    int score = score1;

    if (score1 > 0 && score1 < 1000) {
        // Refinement: every pair of paired minutiae, other than the anchors, as a new anchor.
        const int radius2 = (p.DistanceTolerance + 1) * (p.DistanceTolerance + 1);
        std::vector<int> matched;
        for (int i = 0; i < n1; ++i)
            if (result.Pair[i] != -1) matched.push_back(i);
        int64_t bestRaw2 = 0;
        int keptTheta = 0, keptTx = 0, keptTy = 0;
        for (int i : matched) {
            const int j1 = result.Pair[i];
            for (int i2 : matched) {
                if (i2 == i || (i == anchorA && i2 == anchorB) || (i == anchorB && i2 == anchorA))
                    continue;
                const int j2 = result.Pair[i2];
                const int theta = Wrap360(s2.A(j1, j2) - s1.A(i, i2));
                const Rotation r(theta);
                const int tx = s2.x[j1] - r.rx(s1.x[i], s1.y[i]);
                const int ty = s2.y[j1] - r.ry(s1.x[i], s1.y[i]);
                int pairs = 0;
                int64_t sum = 0;
                for (int i3 : matched) {
                    if (i3 == i || i3 == i2) continue;
                    const int j3 = result.Pair[i3];
                    const int ex = r.rx(s1.x[i3], s1.y[i3]) + tx - s2.x[j3];
                    const int ey = r.ry(s1.x[i3], s1.y[i3]) + ty - s2.y[j3];
                    if (ex * ex + ey * ey > radius2) continue;
                    if (Fold(rot[idx(i3, j3)] - theta) > p.AngleTolerance) continue;
                    if (Fold(s1.R(i, i3) - s2.R(j1, j3)) > p.AngleTolerance) continue;
                    ++pairs;
                    sum += wgt[idx(i3, j3)];
                }
                if (pairs == 0) continue;
                const int64_t raw2 =
                    RawScore(sum, s1.type[i] == s2.type[j1], s1.type[i2] == s2.type[j2], bestM, p);
                if (raw2 > bestRaw2) {
                    bestRaw2 = raw2;
                    keptTheta = theta;
                    keptTx = tx;
                    keptTy = ty;
                }
            }
        }
        int score2 = static_cast<int>((bestRaw2 / minCount) / 100);
        if (score2 != 0) score2 = GridCheck(score2, keptTheta, keptTx, keptTy, s1, s2, p);
        score = (score1 + score2) >> 1;
    }

    result.Score = score;
    return score;
}

}  // namespace mx
