// Binarisation: a first local threshold, the ridge-density map that picks the window of the
// adaptive threshold, the final majority filter, and the image's ridge density figure.
#pragma once

#include <cstdint>

#include "extraction_params.h"
#include "image.h"

namespace mx {

// result = 255 where I >= (7 x 7 mean + 15 x 15 mean) / 2, else 0.
void BinariseLocal(ImageView input, ImageView result);

// Replaces the binary image by the direction-weighted share of ridge-border pixels among the
// foreground pixels of the clipped window of radius r.
void RidgeDensityMap(ImageView binaryAndResult, ImageView dirImage, int r = kParams.densityRadius);

// Weight of the density by ridge direction, 100 for horizontal and vertical ridges.
int DensityWeight(int code);

// Thresholds every pixel against its window mean, the window chosen by the density.
void AdaptiveBinarise(ImageView image, ImageView density);

// 3 x 3 majority vote inside the image; the outermost rows and columns become white.
void MajorityFilter(ImageView image);

// Share (0..255) of foreground pixels whose 3 x 3 neighbourhood is mixed black and white.
uint8_t MeasureRidgeDensity(ImageView binary, ImageView dirImage);

}  // namespace mx
