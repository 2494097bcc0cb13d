// Foreground segmentation on the pixel uncertainty, and the image quality figure.
#pragma once

#include "extraction_params.h"
#include "image.h"
#include "raw_features.h"

namespace mx {

// Sets BackgroundBit in dirImage on pixels whose clipped 33 x 33 window holds too few clean
// pixels, unless they lie near a singular point of raw. Returns MeanUncertainty: the mean
// uncertainty over the foreground, or 255 when there is none.
int SegmentForeground(ImageView dirImage, ImageView uncertainty, const RawFeatures& raw,
                      int r = kParams.segmentRadius);

}  // namespace mx
