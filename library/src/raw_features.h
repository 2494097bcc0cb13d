// The record the extraction stages fill: minutiae in detection order (a negative Angle marks a
// rejected one), the singular points, the ridge density and the block direction grid.
#pragma once

#include <cstdint>

#include "features.h"

namespace mx {

struct RawFeatures {
    int32_t MinutiaCount = 0;
    int32_t X[MaxMinutiae] = {};
    int32_t Y[MaxMinutiae] = {};
    int32_t Angle[MaxMinutiae] = {};  // degrees; negative = rejected, the value says why
    int32_t Type[MaxMinutiae] = {};   // RidgeEnding or Bifurcation
    int32_t Quality[MaxMinutiae] = {};

    int32_t SingularCount = 0;
    int32_t SingularX[MaxSingular] = {};
    int32_t SingularY[MaxSingular] = {};
    int32_t SingularDirection[MaxSingular] = {};
    int32_t SingularKind[MaxSingular] = {};

    uint8_t RidgeDensity = 0;
    uint8_t GridWidth = 0;
    uint8_t GridHeight = 0;
    uint8_t Grid[GridRows][GridColumns] = {};
};

}  // namespace mx
