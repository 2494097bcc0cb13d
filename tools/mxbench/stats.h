// Accuracy figures of a verification test from its genuine and impostor score lists, computed as
// the Fingerprint Verification Competitions do: a comparison is accepted when its score is at
// least the threshold, FMR(t) and FNMR(t) are step functions evaluated at every score that
// occurs, and the EER is the middle of the interval where the two curves cross.
#pragma once

#include <optional>
#include <vector>

namespace mxbench {

struct ErrorRates {
    double threshold = 0;
    double fmr = 0;   // share of impostor scores >= threshold, 0..1
    double fnmr = 0;  // share of genuine scores < threshold, 0..1
};

struct Accuracy {
    double eer = 0;  // 0..1
    double eerLow = 0, eerHigh = 0;
    double fmr100 = 0;              // lowest FNMR with FMR <= 1 %
    double fmr1000 = 0;             // lowest FNMR with FMR <= 0.1 %
    double zeroFmr = 0;             // lowest FNMR with FMR = 0
    std::vector<ErrorRates> curve;  // by ascending threshold, for the DET plot
};

// Empty when either list is empty.
std::optional<Accuracy> ComputeAccuracy(std::vector<double> genuine, std::vector<double> impostor);

// The middle value, or the mean of the two middle values; 0 for an empty list.
double Median(std::vector<double> values);

// p-th quantile (0..1) of the values, by the nearest rank; 0 for an empty list.
double Percentile(std::vector<double> values, double p);

}  // namespace mxbench
