// Ridge enhancement: local contrast normalisation and smoothing along the ridge direction with
// a table of line kernels, over the whole image and, where the flow is uncertain, by levels.
#pragma once

#include <cstdint>

#include "extraction_params.h"
#include "image.h"
#include "raw_features.h"

namespace mx {

// A tap stands for the two pixels (x + dx, y + dy) and (x - dx, y - dy).
struct LineTap {
    int8_t dy = 0;
    int8_t dx = 0;
    int32_t weight = 0;
};

struct LineKernel {
    int32_t centre = 0;
    int tapCount = 0;
    LineTap taps[18];
};

// Every kernel totals this weight (centre + 2 x taps).
constexpr int32_t LineKernelTotal = 112211;
constexpr int LineKernelReach = 6;  // |dx|, |dy| of every tap

// The 120 kernels, one per direction code: an 11 x 1 pixel strip turned to the code's angle,
// sampled 1111 x 101 times. Built once, on first use.
const LineKernel* LineKernelTable();

// result = I stretched between mean - d and mean + d, d the clipped window mean of |I - mean|.
// result may be the mean image.
void NormaliseContrast(ImageView input, ImageView mean, ImageView result,
                       int r = kParams.normaliseRadius);

// Smoothing of one pixel of src along code (NoDirection: the clipped 3 x 3 mean).
int OrientedSmoothPixel(ImageView src, int x, int y, int code);

// dst = src smoothed along the direction bits of each pixel's dirImage byte (dst may be src).
void OrientedSmooth(ImageView src, ImageView dirImage, ImageView dst);

// Passes of smoothing along directions estimated afresh from the image itself (dst may be src).
void IterativeOrientedSmooth(ImageView src, ImageView dst, int r = kParams.smoothingRadius,
                             int passes = kParams.smoothingPasses);

// Re-estimates the directions of image into dirImage (background bit kept), and writes into
// levels the density map with its low 3 bits replaced by how many extra smoothings the pixel
// gets: none on the background and near singular points, up to 4 where the flow is uncertain.
void SmoothingLevels(ImageView image, ImageView dirImage, ImageView density, const RawFeatures& raw,
                     ImageView levels, int r = kParams.smoothingRadius);

// dst = src with every pixel of a level above 0 smoothed and its level lowered, pass after pass
// until no level is left (dst may be src; levels end with their low 3 bits clear).
void LevelSmooth(ImageView src, ImageView dirImage, ImageView levels, ImageView dst);

}  // namespace mx
