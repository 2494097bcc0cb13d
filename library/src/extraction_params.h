// Every constant of the feature extraction, in the order the pipeline uses them. Fixed at load;
// stage code reads them from kParams and keeps only the geometry it states itself.
#pragma once

#include "features.h"

namespace mx {

struct ExtractionParams {
    // Fitting and verdict.
    int maxTemplateSize = MaxTemplateSize;
    int minMinutiae = 10;        // fewer selected minutiae refuse the image
    int uncertaintyLimit = 150;  // a MeanUncertainty of this or more refuses the image

    // Pre-smoothing and contrast normalisation.
    int preSmoothRadius = 1;      // 3 x 3 mean of the input
    int normaliseRadius = 16;     // 33 x 33 local mean and deviation
    int postNormalisePasses = 2;  // 3 x 3 means of the normalised image

    // Block orientation and mask.
    int blockContrastThreshold = 19;  // per term and pixel; block sums compare against 19 x 512
    int blockUncertaintyLimit = 208;  // a block below this counts as clean
    int blockMaskMinClean = 5;        // clean blocks needed in the 3 x 3 neighbourhood

    // Pixel orientation.
    int pixelRadius = 12;  // 25 x 25 window
    int pixelContrastThreshold =
        13;  // per term and pixel; window sums compare against 13 x 625 x 2

    // Singular points.
    int maxSingularCandidates = MaxSingular;
    int singularSearchRadius = 16;     // 33 x 33 window around the first estimate
    int dissimilarityRadius = 2;       // 5 x 5 window of DirectionDissimilarity
    int singularCircleRadius = 40;     // circle the direction of a singular point is read on
    int singularCircleTolerance = 40;  // |dx^2 + dy^2 - radius^2| below this lies on the circle

    // Foreground segmentation.
    int segmentRadius = 16;           // 33 x 33 window
    int pixelUncertaintyLimit = 197;  // a pixel below this counts as clean
    int singularKeepRadius = 16;      // pixels this close to a singular point stay foreground

    // Local and adaptive binarisation, ridge density.
    int localSmallRadius = 3;  // 7 x 7 mean of BinariseLocal
    int localLargeRadius = 7;  // 15 x 15 mean of BinariseLocal
    int densityRadius = 16;    // 33 x 33 window of the density map and its mean
    int smallBinariseRadius = 3;
    int middleBinariseRadius = 5;
    int largeBinariseRadius = 7;
    int highDensityThreshold = 130;
    int lowDensityThreshold = 113;

    // Whole-image and level smoothing.
    int smoothingRadius = 12;
    int smoothingPasses = 2;
    int levelClampHigh = 32;
    int levelClampLow = 20;
    int levelBase = 0;
    int levelMaximum = 4;
    int levelSingularRadius = 4;  // no extra smoothing this close to a singular point

    // Thinning and skeleton repair.
    int thinningPasses = 12;
    int bridgeTraceSteps = 10;
    int bridgeMinSteps = 4;
    int bridgeRadius = 15;
    int bridgeAngleTolerance = 165;  // folded angle difference that counts as facing
    int cleanMargin = 21;            // bifurcations this close to the border stay as they are
    int branchSteps = 30;
    int branchShortPoints = 11;   // a branch with fewer points counts as short
    int bridgeBranchPoints = 15;  // a looping branch shorter than this may be a bridge
    int linkBranchPoints = 6;     // ... shorter than this may be a short link
    int linkMinPoints = 3;
    int bridgeKeepPoints = 3;  // points of the other branches redrawn after a bridge
    int linkAngleLimit = 61;   // folded difference below this counts as parallel
    int straightAngle = 165;   // ClassifyBranches: a straight ridge
    int perpendicularLow = 76;
    int perpendicularHigh = 104;
    int forkMinAngle = 141;
    int forkBranchLow = 46;
    int forkBranchHigh = 139;

    // Detection.
    int detectMargin = 2;
    int endingTraceSteps = 20;
    int bifurcationTraceSteps = 20;
    int bifurcationMinSteps = 10;
    int bifurcationSideSteps = 2;   // CrossingNumber is checked once more steps are done
    int bifurcationMinSpread = 90;  // the widest branch pair must open at least this much
    int localDeviationRadius = 10;

    // Validation.
    int crowdingDistanceSq = 196;
    int crowdingMaxNeighbours = 5;
    bool facingPairRemoval = true;
    int facingNearDistanceSq = 4;
    int facingBifurcationDistanceSq = 36;
    int facingTolerance = 28;  // strictly closer than this to 180 degrees counts as facing
    int borderRadius = 10;
    bool contrastPatchTest = true;
    int contrastTestUncertainty = 95;  // the test runs only on images at least this clean
    int contrastPatchSize = 30;
    int contrastMinSide = 130;
    int contrastMinTotal = 760;

    // Selection.
    int selectDistanceSq = 36;
    int selectMaxNeighbours = 2;  // this many close neighbours drop a minutia

    constexpr int BlockContrastLimit() const { return blockContrastThreshold * 512; }
    constexpr int PixelContrastLimit() const {
        const int side = 2 * pixelRadius + 1;
        return pixelContrastThreshold * side * side * 2;
    }
};

inline constexpr ExtractionParams kParams{};

// Rejection marks written into a minutia's Angle.
constexpr int RejectNoDirection = -20;
constexpr int RejectShortBranch = -666;
constexpr int RejectCrowded = -15;
constexpr int RejectFacing = -45;
constexpr int RejectBorder = -25;
constexpr int RejectContrast = -1;

}  // namespace mx
