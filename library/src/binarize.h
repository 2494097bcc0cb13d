// Binarisation: a first local threshold, the ridge-density map that picks the window of the
// adaptive threshold, the final majority filter, and the image's ridge density figure.
#pragma once

#include <cstdint>

#include "extraction_params.h"
#include "image.h"

namespace mx {

// result = 255 where I >= (7 x 7 mean + 15 x 15 mean) / 2, else 0.
void BinariseLocal(ImageView input, ImageView result);

// The direction-weighted share (0..255) of ridge-border pixels among the foreground pixels of
// the clipped window of radius r; result may be the binary image.
void RidgeDensityMap(ImageView binary, ImageView dirImage, ImageView result,
                     int r = kParams.densityRadius);

// Weight of the density by ridge direction, 100 for horizontal and vertical ridges.
int DensityWeight(int code);

// dst = src thresholded against its window mean, the window chosen by the density (dst may be
// src).
void AdaptiveBinarise(ImageView src, ImageView density, ImageView dst);

// dst = 3 x 3 majority vote of src inside the image; the outermost rows and columns become
// white (dst may be src).
void MajorityFilter(ImageView src, ImageView dst);

// Share (0..255) of foreground pixels whose 3 x 3 neighbourhood is mixed black and white.
uint8_t MeasureRidgeDensity(ImageView binary, ImageView dirImage);

}  // namespace mx
