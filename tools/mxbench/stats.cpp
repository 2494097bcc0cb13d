#include "stats.h"

#include <algorithm>
#include <cmath>

namespace mxbench {

std::optional<Accuracy> ComputeAccuracy(std::vector<double> genuine, std::vector<double> impostor) {
    if (genuine.empty() || impostor.empty()) return std::nullopt;
    std::sort(genuine.begin(), genuine.end());
    std::sort(impostor.begin(), impostor.end());
    const double g = static_cast<double>(genuine.size());
    const double n = static_cast<double>(impostor.size());

    // The curves change only at scores that occur; one threshold above them all closes them.
    std::vector<double> thresholds(genuine);
    thresholds.insert(thresholds.end(), impostor.begin(), impostor.end());
    std::sort(thresholds.begin(), thresholds.end());
    thresholds.erase(std::unique(thresholds.begin(), thresholds.end()), thresholds.end());
    thresholds.push_back(thresholds.back() + 1);

    Accuracy a;
    for (double t : thresholds) {
        ErrorRates r;
        r.threshold = t;
        r.fnmr = static_cast<double>(std::lower_bound(genuine.begin(), genuine.end(), t) -
                                     genuine.begin()) /
                 g;
        r.fmr = static_cast<double>(impostor.end() -
                                    std::lower_bound(impostor.begin(), impostor.end(), t)) /
                n;
        a.curve.push_back(r);
    }

    // t1: the highest threshold with FNMR <= FMR; t2: the lowest with FNMR >= FMR. The first
    // threshold has FNMR 0 and the last FMR 0, so both exist.
    const ErrorRates* t1 = nullptr;
    const ErrorRates* t2 = nullptr;
    for (const ErrorRates& r : a.curve) {
        if (r.fnmr <= r.fmr) t1 = &r;
        if (!t2 && r.fnmr >= r.fmr) t2 = &r;
    }
    if (t1->fnmr + t1->fmr <= t2->fnmr + t2->fmr) {
        a.eerLow = t1->fnmr;
        a.eerHigh = t1->fmr;
    } else {
        a.eerLow = t2->fmr;
        a.eerHigh = t2->fnmr;
    }
    a.eer = (a.eerLow + a.eerHigh) / 2;

    auto lowestFnmr = [&](double maxFmr) {
        double best = 1;
        for (const ErrorRates& r : a.curve)
            if (r.fmr <= maxFmr + 1e-12) best = std::min(best, r.fnmr);
        return best;
    };
    a.fmr100 = lowestFnmr(0.01);
    a.fmr1000 = lowestFnmr(0.001);
    a.zeroFmr = lowestFnmr(0);
    return a;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t m = values.size() / 2;
    return values.size() % 2 ? values[m] : (values[m - 1] + values[m]) / 2;
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const double rank = std::ceil(p * values.size());
    const size_t i = rank < 1 ? 0 : std::min(values.size() - 1, static_cast<size_t>(rank) - 1);
    return values[i];
}

}  // namespace mxbench
