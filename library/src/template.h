// The template byte format (header, 4- or 5-byte minutia records, 4-bit direction grid), its
// packing and unpacking, the 180-degree rotation, and the cut that makes a set fit the size limit.
#pragma once

#include <cstdint>

#include "features.h"

namespace mx {

// Record length in force: 4 (format D) while MaxTemplateSize is below 385, else 5 (format E).
constexpr int RecordLength = MaxTemplateSize < 385 ? 4 : 5;

// 8 + RecordLength x Count + (GridWidth x GridHeight + 1) / 2; 0 for a null set.
int SetTemplateSize(const MinutiaSet* set);

// Length a template claims from its first four bytes (all unsigned).
int HeaderTemplateSize(const uint8_t* tmpl);

// Writes the template of `set` into `out` (at least MaxTemplateSize bytes, caller-owned).
void PackTemplate(const MinutiaSet& set, uint8_t density, uint8_t* out);

// Fills `set` from the MaxTemplateSize-byte buffer `tmpl`; byte 4 goes to `density`.
void UnpackTemplate(MinutiaSet& set, uint8_t& density, const uint8_t* tmpl);

// dst = src rotated by 180 degrees about the centre of the grid frame (dst and src differ).
void RotateSet180(MinutiaSet& dst, const MinutiaSet& src);

// Cuts 16-pixel strips off the set (minutiae and grid) until SetTemplateSize <= sizeLimit.
void FitToTemplateSize(MinutiaSet& set, const SingularSet& singular, int imageWidth,
                       int imageHeight, int sizeLimit);

}  // namespace mx
