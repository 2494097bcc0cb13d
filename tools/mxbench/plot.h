// Score histograms and the DET curve drawn straight into an RGB image.
#pragma once

#include <string>
#include <vector>

#include "imageio.h"
#include "stats.h"

namespace mxbench {

// Genuine (green) and impostor (red) score distributions, each as a share of its own count.
imageio::RgbImage DrawHistograms(const std::vector<double>& genuine,
                                 const std::vector<double>& impostor);

// FNMR against FMR on logarithmic axes from 0.01 % to 100 %, with the EER diagonal.
imageio::RgbImage DrawDet(const Accuracy& accuracy);

}  // namespace mxbench
