#include "minutiae.h"

#include <algorithm>

#include "orientation.h"
#include "thinning.h"

namespace mx {

namespace {

bool InsideTraceArea(ImageView s, Point p) {
    return p.x >= 1 && p.y >= 1 && p.x < s.width - 1 && p.y < s.height - 1;
}

int Bisector(int g, int h) {
    const int d = std::abs(g - h);
    if (d <= 180) return (g + h) / 2;
    const int half = (360 - d) / 2;
    const int r = std::max(g, h) + half;
    return r >= 360 ? r - 360 : r;
}

}  // namespace

int EndingDirection(ImageView s, Point a) {
    PixelLog log;
    Point p = a;
    int result = 0;
    bool complete = true;
    for (int step = 0; step < kParams.endingTraceSteps; ++step) {
        if (!InsideTraceArea(s, p) || CrossingNumber(s, p.x, p.y) != 1) {
            complete = false;
            break;
        }
        log.Set(s, p.x, p.y, 255);
        MoveAlongRidge(s, p);
    }
    result = complete ? DirectionAngle(a.x, a.y, p.x, p.y) : RejectNoDirection;
    log.Restore(s);
    return result;
}

int BifurcationDirection(ImageView s, Point a) {
    PixelLog log;
    int angles[3];
    for (int b = 0; b < 3; ++b) {
        Point p = a;
        int steps = 0;
        Point side[2];
        uint8_t sideValue[2] = {0, 0};
        bool sideSaved = false;
        while (steps < kParams.bifurcationTraceSteps) {
            if (!InsideTraceArea(s, p)) break;
            if (steps > kParams.bifurcationSideSteps && CrossingNumber(s, p.x, p.y) != 1) break;
            log.Set(s, p.x, p.y, 255);
            const int move = MoveAlongRidge(s, p);
            ++steps;
            if (steps == 1 && (IsVerticalMove(move) || IsHorizontalMove(move))) {
                if (IsVerticalMove(move)) {
                    side[0] = {a.x - 1, a.y};
                    side[1] = {a.x + 1, a.y};
                } else {
                    side[0] = {a.x, a.y - 1};
                    side[1] = {a.x, a.y + 1};
                }
                for (int i = 0; i < 2; ++i) {
                    if (!s.Contains(side[i].x, side[i].y)) continue;
                    sideValue[i] = s[side[i].y][side[i].x];
                    log.Set(s, side[i].x, side[i].y, 255);
                }
                sideSaved = true;
            }
            if (steps == 2 && sideSaved) {
                for (int i = 0; i < 2; ++i)
                    if (s.Contains(side[i].x, side[i].y))
                        log.Set(s, side[i].x, side[i].y, sideValue[i]);
                sideSaved = false;
            }
        }
        if (steps < kParams.bifurcationMinSteps) {
            log.Restore(s);
            return RejectShortBranch;
        }
        angles[b] = DirectionAngle(a.x, a.y, p.x, p.y);
    }
    log.Restore(s);

    static constexpr int kPairs[3][2] = {{2, 1}, {1, 0}, {2, 0}};
    int closest = 0;
    int smallest = FoldDegrees(angles[2], angles[1]);
    int largest = smallest;
    for (int i = 1; i < 3; ++i) {
        const int d = FoldDegrees(angles[kPairs[i][0]], angles[kPairs[i][1]]);
        if (d < smallest) {
            smallest = d;
            closest = i;
        }
        largest = std::max(largest, d);
    }
    if (smallest == 0 || largest < kParams.bifurcationMinSpread) return RejectNoDirection;
    return Bisector(angles[kPairs[closest][0]], angles[kPairs[closest][1]]);
}

int LocalDeviation(ImageView dirImage, int x, int y, int r) {
    const int c = dirImage[y][x] & DirectionBits;
    if (c == NoDirection) return 0;
    int sum = 0;
    int count = 0;
    for (int yy = std::max(y - r, 0); yy <= std::min(y + r, dirImage.height - 1); ++yy)
        for (int xx = std::max(x - r, 0); xx <= std::min(x + r, dirImage.width - 1); ++xx) {
            const int d = dirImage[yy][xx] & DirectionBits;
            if (d == NoDirection) continue;
            sum += FoldCodes(c, d);
            ++count;
        }
    return count > 0 ? sum * 255 / (60 * count) : 0;
}

void DetectMinutiae(ImageView s, ImageView dirImage, RawFeatures& raw) {
    raw.MinutiaCount = 0;
    const int m = kParams.detectMargin;
    for (int y = m; y <= s.height - 1 - m; ++y)
        for (int x = m; x <= s.width - 1 - m; ++x) {
            if (s[y][x] != 0 || dirImage[y][x] >= 128) continue;
            const int c = CrossingNumber(s, x, y);
            if (c != 1 && c != 3) continue;
            if (raw.MinutiaCount >= MaxMinutiae) return;
            const int i = raw.MinutiaCount++;
            raw.X[i] = x;
            raw.Y[i] = y;
            raw.Angle[i] = c == 1 ? EndingDirection(s, {x, y}) : BifurcationDirection(s, {x, y});
            raw.Type[i] = c == 1 ? RidgeEnding : Bifurcation;
            raw.Quality[i] = LocalDeviation(dirImage, x, y);
        }
}

}  // namespace mx
