// The skeleton: thinning of the binary ridge image to one-pixel lines and its repair (bridging
// facing ridge endings; removing spurs, bridges, small loops and triangles at bifurcations).
// Skeleton images hold 0 (ridge) and 255; pixels outside the image count as white.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "extraction_params.h"
#include "image.h"

namespace mx {

// The 8 neighbours clockwise from north: N, NE, E, SE, S, SW, W, NW.
constexpr int kNeighbourDx[8] = {0, 1, 1, 1, 0, -1, -1, -1};
constexpr int kNeighbourDy[8] = {-1, -1, 0, 1, 1, 1, 0, -1};

inline bool IsRidge(ImageView s, int x, int y) {
    return s.Contains(x, y) && s[y][x] == 0;
}

// Number of white-to-black steps going once around the 8 neighbours: 1 at a ridge ending,
// 2 on a plain ridge, 3 at a bifurcation.
int CrossingNumber(ImageView s, int x, int y);

// Moves p to its first black neighbour in the order N, E, S, W, NE, SE, SW, NW; returns the
// index in that order (0 N, 1 E, 2 S, 3 W = the straight moves) or -1 when it stays.
int MoveAlongRidge(ImageView s, Point& p);
inline bool IsVerticalMove(int move) {
    return move == 0 || move == 2;
}
inline bool IsHorizontalMove(int move) {
    return move == 1 || move == 3;
}

// Pixel writes that can be undone in reverse order, for traces that whiten temporarily.
class PixelLog {
  public:
    void Set(ImageView s, int x, int y, uint8_t value) {
        entries_.push_back({x, y, s[y][x]});
        s[y][x] = value;
    }
    void Restore(ImageView s) {
        for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) s[it->y][it->x] = it->value;
        entries_.clear();
    }

  private:
    struct Entry {
        int x, y;
        uint8_t value;
    };
    std::vector<Entry> entries_;
};

// 256 flags by neighbourhood index (bit k set when neighbour k is black): 1 = delete.
const std::array<uint8_t, 256>& ThinningTable();

// Parallel thinning passes until one deletes nothing, at most maxPasses, in place.
void Thin(ImageView s, int maxPasses = kParams.thinningPasses);
// skeleton = ridges thinned.
inline void Thin(ImageView ridges, ImageView skeleton, int maxPasses = kParams.thinningPasses) {
    CopyImage(ridges, skeleton);
    Thin(skeleton, maxPasses);
}

// True when no pixel of the line from a to b (a excepted, b not visited) is black.
bool LineIsClear(ImageView s, Point a, Point b);

// b and the pixels of the line from a to b become black.
void DrawLine(ImageView s, Point a, Point b);

// Joins each ridge ending (outside the background) to a facing ending within 15 pixels.
void BridgeGaps(ImageView s, ImageView dirImage);

// How a branch of TraceBranches ended.
enum BranchStatus : int {
    BranchSkipped = -3,   // no black pixel left at the bifurcation: no points
    BranchAtMargin = -2,  // ran into the 2-pixel image margin: points up to it, no verdict
    BranchBlocked = -1,   // met a pixel that is neither ending, ridge nor bifurcation
    BranchEnded = 0,      // reached a ridge ending
    BranchLong = 1,       // still a plain ridge after 30 points
    BranchMeets = 2,      // met another bifurcation or closed a loop
};

struct Branch {
    int count = 0;
    std::array<Point, 30> points;
    int status = BranchSkipped;
    int angle = -1;  // DirectionAngle from the bifurcation toward the last point; -1: no points

    bool HasPoints() const { return count > 0; }
    Point Last() const { return points[count - 1]; }
};

struct BranchTrace {
    Point origin;
    Branch branch[3];
    int d01 = -1, d12 = -1, d02 = -1;  // folded angle differences; -1 when a branch is empty
};

// Follows the three branches of the bifurcation a for up to 30 points each. Afterwards the
// traced points are black when fill is set and white otherwise.
BranchTrace TraceBranches(ImageView s, Point a, bool fill);

// 1: a straight ridge with a perpendicular branch; 2: a plain fork; -1: neither (also when a
// branch has no points).
int ClassifyBranches(const BranchTrace& t);

// Removes small loops, bridges between ridges and triangles at bifurcations away from the
// image border.
void CleanBifurcations(ImageView s, ImageView dirImage);

}  // namespace mx
