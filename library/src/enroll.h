// Enrolment of the captured image: extraction, the core-position check and packing.
#pragma once

#include <cstdint>

#include "features.h"
#include "state.h"

namespace mx {

// The core check on the singular points of an enrolment: the mean core goes to `core`, and the
// result is 0 when it lies in the middle half of the image, MX_ENROLL_NO_CORE (core set to
// (-1, -1)) without a core, or the sum of the MX_CORE_* flags.
int CoreCheck(const SingularSet& singular, int imageWidth, int imageHeight, CorePoint& core);

// MX_Enroll on the library state: extracts PrimarySet/PrimarySingular from CapturedImage and,
// on success, packs the template into `tmpl` and its length into `length` when not null.
int EnrollCapture(uint8_t* tmpl, int32_t* length, bool coreCheck);

// Copies the captured image for drawing (or forgets the copy when there is no image).
void UpdateDisplayBitmap();

}  // namespace mx
