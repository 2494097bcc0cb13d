#include "extract.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "binarize.h"
#include "boxfilter.h"
#include "enhance.h"
#include "extraction_params.h"
#include "minutiae.h"
#include "orientation.h"
#include "segmentation.h"
#include "singular.h"
#include "template.h"
#include "thinning.h"
#include "validate.h"

namespace mx {

namespace {

inline void Show(StageHook* hook, const char* name, ImageView image) {
    if (hook) hook->OnImage(name, image);
}

void CopyGridToRaw(const BlockField& blocks, RawFeatures& raw) {
    raw.GridWidth = static_cast<uint8_t>(std::min(blocks.width, GridColumns));
    raw.GridHeight = static_cast<uint8_t>(std::min(blocks.height, GridRows));
    std::memset(raw.Grid, MaskedCode, sizeof raw.Grid);
    for (int by = 0; by < raw.GridHeight; ++by)
        for (int bx = 0; bx < raw.GridWidth; ++bx) raw.Grid[by][bx] = blocks.Direction(bx, by);
}

// dst = ridges, white wherever dirImage marks the background.
void MaskBackground(ImageView ridges, ImageView dirImage, ImageView dst) {
    for (int y = 0; y < ridges.height; ++y)
        for (int x = 0; x < ridges.width; ++x)
            dst[y][x] = (dirImage[y][x] & BackgroundBit) ? 255 : ridges[y][x];
}

void CopyGridToSet(const RawFeatures& raw, MinutiaSet& set) {
    set.GridWidth = raw.GridWidth;
    set.GridHeight = raw.GridHeight;
    std::memcpy(set.Grid, raw.Grid, sizeof set.Grid);
}

void CopySingular(const RawFeatures& raw, SingularSet& singular) {
    singular.Count = raw.SingularCount;
    for (int i = 0; i < raw.SingularCount; ++i) {
        singular.X[i] = raw.SingularX[i];
        singular.Y[i] = raw.SingularY[i];
        singular.Direction[i] = raw.SingularDirection[i];
        singular.Kind[i] = raw.SingularKind[i];
    }
    singular.RidgeDensity = raw.RidgeDensity;
}

}  // namespace

void SelectMinutiae(const RawFeatures& raw, MinutiaSet& set) {
    const int gw = raw.GridWidth;
    const int gh = raw.GridHeight;
    const int cw = 2 * gw + 4;
    const int ch = 2 * gh + 4;
    std::vector<uint8_t> cells(static_cast<size_t>(cw) * ch, 0);
    auto cell = [&](int cx, int cy) -> uint8_t& {
        return cells[static_cast<size_t>(cy) * cw + cx];
    };
    for (int by = 0; by < gh; ++by)
        for (int bx = 0; bx < gw; ++bx)
            if ((raw.Grid[by][bx] & 0x7f) != NoDirection)
                for (int j = 0; j < 2; ++j)
                    for (int i = 0; i < 2; ++i) cell(2 * bx + 2 + i, 2 * by + 2 + j) = 2;
    // One erosion: valid cells next to an empty one no longer count as inside.
    for (int cy = 1; cy <= 2 * gh + 2; ++cy)
        for (int cx = 1; cx <= 2 * gw + 2; ++cx) {
            if (cell(cx, cy) != 0) continue;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    if ((dx || dy) && cell(cx + dx, cy + dy) == 2) cell(cx + dx, cy + dy) = 1;
        }

    const int n = raw.MinutiaCount;
    std::vector<uint8_t> inside(n, 0);
    for (int i = 0; i < n; ++i) {
        if (raw.X[i] < 0 || raw.Y[i] < 0) continue;
        const int cx = raw.X[i] / 8;
        const int cy = raw.Y[i] / 8;
        inside[i] = cx < 2 * gw && cy < 2 * gh && cell(cx + 2, cy + 2) == 2;
    }
    std::vector<int> neighbours(n, 0);
    for (int i = 0; i < n; ++i) {
        if (!inside[i]) continue;
        for (int j = i + 1; j < n; ++j) {
            if (!inside[j]) continue;
            const int dx = raw.X[i] - raw.X[j];
            const int dy = raw.Y[i] - raw.Y[j];
            if (dx * dx + dy * dy < kParams.selectDistanceSq) {
                ++neighbours[i];
                ++neighbours[j];
            }
        }
    }
    int kept = 0;
    for (int i = 0; i < n && kept < MaxMinutiae; ++i) {
        if (!inside[i] || neighbours[i] >= kParams.selectMaxNeighbours) continue;
        set.X[kept] = static_cast<int16_t>(raw.X[i]);
        set.Y[kept] = static_cast<int16_t>(raw.Y[i]);
        set.Angle[kept] = static_cast<int16_t>(raw.Angle[i]);
        set.Quality[kept] = static_cast<uint8_t>(raw.Quality[i]);
        set.Type[kept] = static_cast<uint8_t>(raw.Type[i]);
        ++kept;
    }
    set.Count = kept;
}

void QuantiseFeatures(MinutiaSet& set) {
    for (int i = 0; i < set.Count; ++i) {
        set.X[i] = static_cast<int16_t>(set.X[i] / 2 * 2);
        set.Y[i] = static_cast<int16_t>(set.Y[i] / 2 * 2);
        set.Angle[i] = static_cast<int16_t>(set.Angle[i] * 70833 / 100000 * 100000 / 70833);
        set.Type[i] &= 1;
        set.Quality[i] = std::min<uint8_t>(set.Quality[i], 127);
    }
    for (int by = 0; by < set.GridHeight && by < GridRows; ++by)
        for (int bx = 0; bx < set.GridWidth && bx < GridColumns; ++bx) {
            uint8_t& v = set.Grid[by][bx];
            if ((v & 0x7f) == NoDirection) {
                v = MaskedCode;
            } else {
                const int n = (v + 4) / 8;
                v = static_cast<uint8_t>(n == 15 ? 0 : 8 * n);
            }
        }
}

namespace {

// The images of one run, kept per thread so that repeated extractions reuse their memory.
struct Workspace {
    Image original, smoothed, localMean, normalised, uncertainty, dirImage, oriented, localBinary,
        ridgeDensity, density, firstBinary, reSmoothed, levels, enhanced, secondBinary, ridges,
        skeleton;
    RawFeatures raw;

    void Prepare(int w, int h) {
        for (Image* image : {&original, &smoothed, &localMean, &normalised, &uncertainty, &dirImage,
                             &oriented, &localBinary, &ridgeDensity, &density, &firstBinary,
                             &reSmoothed, &levels, &enhanced, &secondBinary, &ridges, &skeleton})
            if (image->Width() != w || image->Height() != h) *image = Image(w, h);
        dirImage.Fill(0);
        raw = RawFeatures{};
    }
};

}  // namespace

int ExtractFeatures(uint8_t* const* rows, int width, int height, MinutiaSet& set,
                    SingularSet& singular, int sizeLimit, ExtractionReport* report,
                    StageHook* hook) {
    set = MinutiaSet{};
    std::memset(set.Grid, MaskedCode, sizeof set.Grid);
    singular = SingularSet{};
    if (report) *report = ExtractionReport{};
    if (!rows || width <= 0 || height <= 0) return 0;

    static Workspace ws;
    ws.Prepare(width, height);
    const ImageView input{rows, width, height};
    RawFeatures& raw = ws.raw;
    Image& dirImage = ws.dirImage;  // directions in bits 0..6, BackgroundBit from step 9 on

    // 1-3: a clean copy for the contrast test; the smoothed input and its normalised contrast.
    Image& original = ws.original;
    original.CopyFrom(input);
    BoxMean(original, kParams.preSmoothRadius, ws.smoothed);
    BoxMean(ws.smoothed, kParams.normaliseRadius, ws.localMean);
    NormaliseContrast(ws.smoothed, ws.localMean, ws.normalised);
    for (int pass = 0; pass < kParams.postNormalisePasses; ++pass)
        BoxMean(ws.normalised, kParams.preSmoothRadius);
    Show(hook, "smoothed", ws.smoothed);
    Show(hook, "normalised", ws.normalised);

    // 4-6: the block field, its mask, the template grid and the singular candidates.
    const BlockField blocks = BlockOrientation(ws.normalised);
    const BlockField maskedBlocks = MaskBlocks(blocks);
    CopyGridToRaw(maskedBlocks, raw);
    const SingularCandidates candidates = FindSingularCandidates(maskedBlocks);

    // 7-9: the pixel field, the singular points and the foreground.
    PixelOrientation(ws.normalised, dirImage, ws.uncertainty);
    RefineSingularPoints(dirImage, candidates, raw);
    const int meanUncertainty = SegmentForeground(dirImage, ws.uncertainty, raw);
    Show(hook, "pixel-uncertainty", ws.uncertainty);
    Show(hook, "directions", dirImage);

    // 10-11: smoothing along the ridges, a first binarisation picking its window by density.
    OrientedSmooth(ws.smoothed, dirImage, ws.oriented);
    BinariseLocal(ws.oriented, ws.localBinary);
    RidgeDensityMap(ws.localBinary, dirImage, ws.ridgeDensity);
    BoxMean(ws.ridgeDensity, kParams.densityRadius, ws.density);
    AdaptiveBinarise(ws.oriented, ws.density, ws.firstBinary);
    Show(hook, "oriented", ws.oriented);
    Show(hook, "density", ws.density);
    Show(hook, "first-binary", ws.firstBinary);

    // 12-13: whole-image and level smoothing (directions re-estimated), the final binary image.
    IterativeOrientedSmooth(ws.firstBinary, ws.reSmoothed);
    SmoothingLevels(ws.reSmoothed, dirImage, ws.density, raw, ws.levels);
    LevelSmooth(ws.reSmoothed, dirImage, ws.levels, ws.enhanced);
    AdaptiveBinarise(ws.enhanced, ws.levels, ws.secondBinary);
    MajorityFilter(ws.secondBinary, ws.ridges);
    Show(hook, "enhanced", ws.enhanced);

    // 14-15: the caller's image becomes the ridges on the foreground; the ridge density.
    MaskBackground(ws.ridges, dirImage, input);
    raw.RidgeDensity = MeasureRidgeDensity(ws.ridges, dirImage);
    Show(hook, "binary", input);

    // 16: skeleton and its repair, minutiae and their validation.
    Thin(ws.ridges, ws.skeleton);
    BridgeGaps(ws.skeleton, dirImage);
    CleanBifurcations(ws.skeleton, dirImage);
    DetectMinutiae(ws.skeleton, dirImage, raw);
    const int detectedMinutiae = raw.MinutiaCount;
    ValidateMinutiae(raw, dirImage, original, meanUncertainty);
    CompactMinutiae(raw);
    Show(hook, "skeleton", ws.skeleton);
    if (hook) hook->OnRawFeatures(raw);

    // 17-21: the caller's sets, fitted to the template size and quantised.
    SelectMinutiae(raw, set);
    CopyGridToSet(raw, set);
    CopySingular(raw, singular);
    if (sizeLimit != 0 && SetTemplateSize(&set) > sizeLimit)
        FitToTemplateSize(set, singular, width, height, sizeLimit);
    QuantiseFeatures(set);

    // 22: the verdict.
    if (report) {
        report->meanUncertainty = meanUncertainty;
        report->detectedMinutiae = detectedMinutiae;
        report->validMinutiae = raw.MinutiaCount;
    }
    if (meanUncertainty >= kParams.uncertaintyLimit) return 0;
    return set.Count >= kParams.minMinutiae ? 1 : 0;
}

}  // namespace mx
