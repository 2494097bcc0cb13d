// The minutiae matcher: votes for correspondences from pairs of minutiae, aligns the prints on
// the best-voted anchors, pairs and scores, refines the best alignment, and weighs the score by
// how well the block-direction grids agree. Integer arithmetic with fixed tables throughout.
#pragma once

#include <cstdint>
#include <vector>

#include "features.h"

namespace mx {

struct MatchParams {
    int MaxRotation = 90;           // degrees; theta passes when <= 90 or >= 270
    int DistanceTolerance = 7;      // pixels; +1 is also the pairing radius
    int AngleTolerance = 20;        // degrees
    int MinPairDistance = 10;       // pixels; closer minutiae form no pair
    int MinAnchorDistance = 20;     // pixels between the two anchors in set 1
    int MinOverlapPercent = 5;      // least share of minutiae in the common area
    int TypeMismatchWeight = 8;     // weight of a correspondence of different types (10 if equal)
    int AnchorTypeFactor = 8;       // factor of an anchor of different types (10 if equal)
    int UseQuality = 1;             // 1: the weight falls with the quality difference
    int QualityRange = 30;          // quality difference that gives weight 0
    int OrientationTolerance = 15;  // degrees between the block orientations at the anchors
    int GridAgreeLimit = 16;        // block orientations closer than this agree, degrees
};

struct MatchResult {
    int32_t Score = 0;
    int32_t Rotation = 0;  // theta of the best first-pass alignment, 0..359
    int32_t ShiftX = 0;
    int32_t ShiftY = 0;
    int32_t Pair[MaxMinutiae] = {};  // set-2 index paired with each set-1 minutia, or -1
    // For inspection: the set-1 anchors of that alignment (-1 without one) and the number of
    // alignments that reached the pairing step.
    int32_t AnchorA = -1;
    int32_t AnchorB = -1;
    int32_t Alignments = 0;
};

// Compares two sets; returns the score (also stored in result.Score), 0 for no match.
int MatchSets(const MinutiaSet& set1, const MinutiaSet& set2, const MatchParams& params,
              MatchResult& result);

// The least number of minutiae in the common area, and the raw score at which the alignment
// search stops, for sets of n1 and n2 minutiae.
struct MatchLimits {
    int overlapMin;
    int64_t stopScore;
};
MatchLimits Limits(int n1, int n2, const MatchParams& params);

// The voting stage on its own: for each set-1 minutia its best vote count and the set-2
// minutia that has it, and the order in which the alignment search tries the anchors.
struct VoteResult {
    std::vector<int> best, cand, order;
};
VoteResult VoteCandidates(const MinutiaSet& set1, const MinutiaSet& set2,
                          const MatchParams& params);

// Whether two prints may be rotated by theta (0..359) against each other.
bool RotationAllowed(int theta, const MatchParams& params);

// The largest k <= 1023 with k * k <= x, by bisection over the squares table.
int isqrt(int x);

// Direction of (dx, dy) in whole degrees 0..359, clockwise on the image (y down), 0 along +x.
int VectorAngle(int dx, int dy);

// The fixed tables, for the tests: cosine/sine are 1024-scaled, arctangent gives degrees.
int CosineTable(int degrees);
int SineTable(int degrees);
int ArctangentTable(int k);  // atan(k / 1024), k = 0..1024

// Least score of the two-pass enrolment for a security level; the level is clamped to 1..5.
int EnrolThreshold(int securityLevel);

}  // namespace mx
