// Extraction of one 280 x 320 impression on one thread: the whole of ExtractFeatures over the
// fpgen prints in testdata/fingers, and each stage on the intermediate images of one print.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "binarize.h"
#include "boxfilter.h"
#include "enhance.h"
#include "extract.h"
#include "minutiae.h"
#include "orientation.h"
#include "segmentation.h"
#include "singular.h"
#include "thinning.h"
#include "validate.h"

namespace {

using namespace mx;

bool ReadPgm(const std::string& path, Image& image) {
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    int w = 0, h = 0, maxValue = 0;
    in >> magic >> w >> h >> maxValue;
    in.get();
    if (magic != "P5" || w <= 0 || h <= 0 || maxValue != 255) return false;
    image = Image(w, h);
    for (int y = 0; y < h; ++y) in.read(reinterpret_cast<char*>(image[y]), w);
    return static_cast<bool>(in);
}

const std::vector<Image>& Prints() {
    static const std::vector<Image> prints = [] {
        std::vector<Image> list;
        for (int f = 1; f <= 5; ++f)
            for (int i = 1; i <= 3; ++i) {
                Image image;
                const std::string path = std::string(CVBIO_SOURCE_DIR) + "/testdata/fingers/" +
                                         std::to_string(f) + "_" + std::to_string(i) + ".pgm";
                if (ReadPgm(path, image)) list.push_back(std::move(image));
            }
        if (list.empty()) std::fprintf(stderr, "no prints in testdata/fingers\n");
        return list;
    }();
    return prints;
}

// Every intermediate of one print, made with the stage functions in the driver's order.
struct Intermediates {
    Image original, smoothed, localMean, normalised, uncertainty, directions, segmented, oriented,
        localBinary, ridgeDensity, density, firstBinary, reSmoothed, levels, enhanced, secondBinary,
        ridges, thinned, bridged, skeleton, levelDirections;
    BlockField blocks, masked;
    SingularCandidates candidates;
    std::unique_ptr<RawFeatures> raw = std::make_unique<RawFeatures>();
    std::unique_ptr<RawFeatures> detected = std::make_unique<RawFeatures>();
    int meanUncertainty = 0;
};

const Intermediates& Stages() {
    static const Intermediates s = [] {
        Intermediates m;
        const Image& input = Prints().at(6);
        const int w = input.Width(), h = input.Height();
        for (Image* image : {&m.smoothed, &m.localMean, &m.normalised, &m.uncertainty, &m.oriented,
                             &m.localBinary, &m.ridgeDensity, &m.density, &m.firstBinary,
                             &m.reSmoothed, &m.levels, &m.enhanced, &m.secondBinary, &m.ridges})
            *image = Image(w, h);
        m.original = input;
        m.directions = Image(w, h, 0);
        BoxMean(m.original, kParams.preSmoothRadius, m.smoothed);
        BoxMean(m.smoothed, kParams.normaliseRadius, m.localMean);
        NormaliseContrast(m.smoothed, m.localMean, m.normalised);
        BoxMean(m.normalised, 1);
        BoxMean(m.normalised, 1);
        m.blocks = BlockOrientation(m.normalised);
        m.masked = MaskBlocks(m.blocks);
        m.candidates = FindSingularCandidates(m.masked);
        PixelOrientation(m.normalised, m.directions, m.uncertainty);
        RefineSingularPoints(m.directions, m.candidates, *m.raw);
        m.segmented = m.directions;
        m.meanUncertainty = SegmentForeground(m.segmented, m.uncertainty, *m.raw);
        OrientedSmooth(m.smoothed, m.segmented, m.oriented);
        BinariseLocal(m.oriented, m.localBinary);
        RidgeDensityMap(m.localBinary, m.segmented, m.ridgeDensity);
        BoxMean(m.ridgeDensity, kParams.densityRadius, m.density);
        AdaptiveBinarise(m.oriented, m.density, m.firstBinary);
        IterativeOrientedSmooth(m.firstBinary, m.reSmoothed);
        m.levelDirections = m.segmented;
        SmoothingLevels(m.reSmoothed, m.levelDirections, m.density, *m.raw, m.levels);
        Image levels = m.levels;
        LevelSmooth(m.reSmoothed, m.levelDirections, levels, m.enhanced);
        AdaptiveBinarise(m.enhanced, levels, m.secondBinary);
        MajorityFilter(m.secondBinary, m.ridges);
        m.thinned = Image(w, h);
        Thin(m.ridges, m.thinned);
        m.bridged = m.thinned;
        BridgeGaps(m.bridged, m.levelDirections);
        m.skeleton = m.bridged;
        CleanBifurcations(m.skeleton, m.levelDirections);
        *m.detected = *m.raw;
        DetectMinutiae(m.skeleton, m.levelDirections, *m.detected);
        return m;
    }();
    return s;
}

void BM_ExtractFeatures(benchmark::State& state) {
    const auto& prints = Prints();
    Image image = prints.at(0);
    auto set = std::make_unique<MinutiaSet>();
    SingularSet singular;
    size_t next = 0;
    for (auto _ : state) {
        image.CopyFrom(prints[next]);  // about 10 us of the time: the rows are processed in place
        next = (next + 1) % prints.size();
        benchmark::DoNotOptimize(ExtractFeatures(image.View().rows, image.Width(), image.Height(),
                                                 *set, singular, MaxTemplateSize));
    }
}
// Single extractions as repetitions, so that median and 90th percentile are per image.
BENCHMARK(BM_ExtractFeatures)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(150)
    ->ComputeStatistics("p90",
                        [](const std::vector<double>& v) {
                            std::vector<double> s = v;
                            std::sort(s.begin(), s.end());
                            return s[s.size() * 9 / 10];
                        })
    ->ReportAggregatesOnly(true);

template <class Run>
void Stage(benchmark::State& state, Run run) {
    const Intermediates& m = Stages();
    Image out = m.original;
    for (auto _ : state) {
        run(m, out);
        benchmark::ClobberMemory();
    }
}

// One benchmark per stage; the body sees the intermediates m and an output image out.
#define STAGE(name, ...)                                                                        \
    void BM_##name(benchmark::State& state) {                                                   \
        Stage(state, [](const Intermediates& m, [[maybe_unused]] Image& out) { __VA_ARGS__; }); \
    }                                                                                           \
    BENCHMARK(BM_##name)->Unit(benchmark::kMicrosecond)

// Steps 2-3.
STAGE(BoxMean3x3, BoxMean(m.original, 1, out));
STAGE(BoxMean33x33, BoxMean(m.smoothed, 16, out));
STAGE(NormaliseContrast, NormaliseContrast(m.smoothed, m.localMean, out));
// Steps 4-9.
STAGE(BlockOrientationAndMask,
      benchmark::DoNotOptimize(MaskBlocks(BlockOrientation(m.normalised))));
STAGE(FindSingularCandidates, benchmark::DoNotOptimize(FindSingularCandidates(m.masked)));
STAGE(PixelOrientation, {
    thread_local Image dir = m.directions;
    PixelOrientation(m.normalised, dir, out);
});
STAGE(RefineSingularPoints, {
    thread_local auto raw = std::make_unique<RawFeatures>();
    RefineSingularPoints(m.directions, m.candidates, *raw);
});
STAGE(SegmentForeground, {
    thread_local Image dir = m.directions;
    benchmark::DoNotOptimize(SegmentForeground(dir, m.uncertainty, *m.raw));
});
// Steps 10-13.
STAGE(OrientedSmooth, OrientedSmooth(m.smoothed, m.segmented, out));
STAGE(BinariseLocal, BinariseLocal(m.oriented, out));
STAGE(RidgeDensityMap, RidgeDensityMap(m.localBinary, m.segmented, out));
STAGE(AdaptiveBinarise, AdaptiveBinarise(m.oriented, m.density, out));
STAGE(IterativeOrientedSmooth, IterativeOrientedSmooth(m.firstBinary, out));
STAGE(SmoothingLevels, {
    thread_local Image dir = m.segmented;
    SmoothingLevels(m.reSmoothed, dir, m.density, *m.raw, out);
});
STAGE(LevelSmooth, {
    thread_local Image levels = m.levels;
    levels.CopyFrom(m.levels);
    LevelSmooth(m.reSmoothed, m.levelDirections, levels, out);
});
STAGE(MajorityFilter, MajorityFilter(m.secondBinary, out));
// Steps 15-16 (the in-place steps copy their input first, a few microseconds).
STAGE(MeasureRidgeDensity,
      benchmark::DoNotOptimize(MeasureRidgeDensity(m.ridges, m.levelDirections)));
STAGE(Thin, Thin(m.ridges, out));
STAGE(BridgeGaps, {
    out.CopyFrom(m.thinned);
    BridgeGaps(out, m.levelDirections);
});
STAGE(CleanBifurcations, {
    out.CopyFrom(m.bridged);
    CleanBifurcations(out, m.levelDirections);
});
STAGE(DetectMinutiae, {
    thread_local auto raw = std::make_unique<RawFeatures>();
    out.CopyFrom(m.skeleton);
    DetectMinutiae(out, m.levelDirections, *raw);
});
STAGE(ValidateMinutiae, {
    thread_local auto raw = std::make_unique<RawFeatures>();
    *raw = *m.detected;
    ValidateMinutiae(*raw, m.levelDirections, m.original, m.meanUncertainty);
    CompactMinutiae(*raw);
});

}  // namespace

BENCHMARK_MAIN();
