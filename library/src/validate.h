// Removal of unreliable minutiae: crowded ones, facing pairs, those near the background and
// those without ridge contrast around them.
#pragma once

#include "extraction_params.h"
#include "image.h"
#include "raw_features.h"

namespace mx {

// The four passes in order; a rejected minutia gets the negative Angle of its cause.
void ValidateMinutiae(RawFeatures& raw, ImageView dirImage, ImageView inputCopy,
                      int meanUncertainty);

// True when the 30 x 30 patch of the unprocessed image along the minutia direction shows ridge
// contrast in all four halves.
bool ContrastPatchTest(ImageView inputCopy, int x, int y, int angle);

// Keeps the minutiae with Angle >= 0, in order.
void CompactMinutiae(RawFeatures& raw);

}  // namespace mx
