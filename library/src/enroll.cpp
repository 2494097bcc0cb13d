#include "enroll.h"

#include <cstring>

#include "extract.h"
#include "minutix.h"
#include "template.h"

namespace mx {

int CoreCheck(const SingularSet& singular, int imageWidth, int imageHeight, CorePoint& core) {
    int64_t sumX = 0, sumY = 0;
    int cores = 0;
    for (int i = 0; i < std::min<int>(std::max(singular.Count, 0), MaxSingular); ++i) {
        if (singular.Kind[i] != 1) continue;
        sumX += singular.X[i];
        sumY += singular.Y[i];
        ++cores;
    }
    if (cores == 0) {
        core = CorePoint{};
        return MX_ENROLL_NO_CORE;
    }
    core.x = static_cast<int32_t>(sumX / cores);
    core.y = static_cast<int32_t>(sumY / cores);
    int flags = 0;
    if (core.x < imageWidth / 4) {
        flags = MX_CORE_TOO_LEFT;
    } else if (core.x > 3 * imageWidth / 4) {
        flags = MX_CORE_TOO_RIGHT;
    }
    if (core.y < imageHeight / 4) {
        flags += MX_CORE_TOO_HIGH;
    } else if (core.y > 3 * imageHeight / 4) {
        flags += MX_CORE_TOO_LOW;
    }
    return flags;
}

int EnrollCapture(uint8_t* tmpl, int32_t* length, bool coreCheck) {
    if (!CapturedImage) return MX_ENROLL_BAD_IMAGE;
    if (!ExtractFeatures(CapturedImage->rows.data(), ImageWidth, ImageHeight, PrimarySet,
                         PrimarySingular, MaxTemplateSize))
        return MX_ENROLL_BAD_IMAGE;
    if (coreCheck) {
        CorePosition = CorePoint{0, 0};
        const int flags = CoreCheck(PrimarySingular, ImageWidth, ImageHeight, CorePosition);
        if (flags != 0) return flags;
    }
    PackTemplate(PrimarySet, PrimarySingular.RidgeDensity, tmpl);
    if (length != nullptr) *length = SetTemplateSize(&PrimarySet) & 0xFFFF;
    return MX_ENROLL_OK;
}

void UpdateDisplayBitmap() {
    DisplayBitmap.reset();
    if (!CapturedImage) return;
    auto image = std::make_unique<DisplayImage>();
    image->width = CapturedImage->width;
    image->height = CapturedImage->height;
    image->pixels.resize(static_cast<size_t>(image->width) * image->height);
    for (int y = 0; y < image->height; ++y)
        std::memcpy(image->pixels.data() + static_cast<size_t>(y) * image->width,
                    CapturedImage->rows[y], image->width);
    DisplayBitmap = std::move(image);
}

}  // namespace mx
