// Matches per second of MatchSets on synthetic sets of 30, 50 and 80 minutiae, for impressions
// of the same finger and of different fingers.
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "match.h"
#include "synthetic_sets.h"

namespace {

using mx::synthetic::Distortion;

constexpr int PairsPerCase = 16;

struct Pairs {
    std::vector<std::unique_ptr<mx::MinutiaSet>> first, second;
};

Pairs MakePairs(int n, bool sameFinger) {
    Distortion d;
    d.rotation = 10;
    d.shiftX = 12;
    d.shiftY = -8;
    d.jitter = 2;
    d.angleJitter = 5;
    d.dropPercent = 10;
    Pairs pairs;
    for (unsigned k = 0; k < PairsPerCase; ++k) {
        const unsigned seed = 1000 * n + k;
        auto finger = mx::synthetic::Finger(n, seed);
        // The second set of a pair keeps about n minutiae after the drop and the frame cut.
        auto other = sameFinger ? mx::synthetic::Finger(n + n / 5, seed)
                                : mx::synthetic::Finger(n + n / 5, seed + 500000);
        pairs.second.push_back(mx::synthetic::Impression(*other, d, seed + 7));
        pairs.first.push_back(std::move(finger));
    }
    return pairs;
}

void BM_MatchSets(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const bool same = state.range(1) != 0;
    const Pairs pairs = MakePairs(n, same);
    auto result = std::make_unique<mx::MatchResult>();
    const mx::MatchParams params;
    size_t k = 0;
    int64_t scoreSum = 0;
    for (auto _ : state) {
        scoreSum += mx::MatchSets(*pairs.first[k], *pairs.second[k], params, *result);
        k = (k + 1) % PairsPerCase;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["mean_score"] =
        benchmark::Counter(static_cast<double>(scoreSum) / state.iterations());
    state.SetLabel(same ? "same finger" : "different fingers");
}

BENCHMARK(BM_MatchSets)
    ->ArgNames({"minutiae", "same"})
    ->ArgsProduct({{30, 50, 80}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
