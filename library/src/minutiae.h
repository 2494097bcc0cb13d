// Minutiae on the skeleton: ridge endings and bifurcations with their directions and the local
// direction deviation as quality.
#pragma once

#include "extraction_params.h"
#include "image.h"
#include "raw_features.h"

namespace mx {

// Records every ending and bifurcation on the foreground, rows first, into raw (at most 1000).
void DetectMinutiae(ImageView s, ImageView dirImage, RawFeatures& raw);

// Direction (degrees) from the pixel 20 steps along the ridge through the ending a, or
// RejectNoDirection when the ridge is shorter or meets a bifurcation first.
int EndingDirection(ImageView s, Point a);

// Bisector (degrees) of the two closest of the three branches of the bifurcation a;
// RejectShortBranch when a branch is shorter than 10 steps, RejectNoDirection when the branches
// do not spread.
int BifurcationDirection(ImageView s, Point a);

// Mean folded direction difference around (x, y), scaled to 0..255.
int LocalDeviation(ImageView dirImage, int x, int y, int r = kParams.localDeviationRadius);

}  // namespace mx
