// Feature extraction: one greyscale fingerprint image in, the selected minutiae with the block
// direction grid, the singular points and ridge density, and a verdict out.
#pragma once

#include <cstdint>

#include "features.h"
#include "image.h"
#include "raw_features.h"

namespace mx {

// Receives intermediate results of ExtractFeatures, for tools that want to look at them. The
// views are valid only during the call. Without a hook nothing is copied or converted.
class StageHook {
  public:
    virtual ~StageHook() = default;
    // name: "smoothed", "normalised", "pixel-uncertainty", "directions" (DirImage with
    // BackgroundBit), "oriented", "density", "first-binary", "enhanced", "binary", "skeleton".
    virtual void OnImage(const char* name, ImageView image) = 0;
    // The raw record after validation and compaction, before selection.
    virtual void OnRawFeatures(const RawFeatures& /*raw*/) {}
};

struct ExtractionReport {
    int meanUncertainty = 255;  // 0..255; 150 or more refuses the image
    int detectedMinutiae = 0;   // minutiae found on the skeleton, before validation
    int validMinutiae = 0;      // minutiae left after validation, before selection
};

// Extracts the features of the image given by its rows (row 0 at the top, width x height
// bytes, 0 = black ridge). The rows are processed in place: on return they hold the final
// binary image (0 ridge, 255 valley or background). Both sets are filled in every case. When
// sizeLimit is not 0 the set is cut to a template of at most sizeLimit bytes. Returns 1 when
// the image is good enough to enrol, 0 when it is refused (also for no rows or a size of 0).
int ExtractFeatures(uint8_t* const* rows, int width, int height, MinutiaSet& set,
                    SingularSet& singular, int sizeLimit = MaxTemplateSize,
                    ExtractionReport* report = nullptr, StageHook* hook = nullptr);

// The minutiae of raw that lie well inside the valid blocks of its grid and have fewer than two
// close neighbours, into set (Count, X, Y, Angle, Quality, Type only).
void SelectMinutiae(const RawFeatures& raw, MinutiaSet& set);

// Brings the set to template resolution: even coordinates, angles on the 1.41-degree steps of
// the template, type 0 or 1, quality at most 127, grid codes multiples of 8 or 255.
void QuantiseFeatures(MinutiaSet& set);

}  // namespace mx
