// Feature sets shared by extraction, the template format and the matcher.
#pragma once

#include <cstdint>

namespace mx {

// Template size limit in force; below 385 the library writes 4-byte (format D) records.
constexpr int MaxTemplateSize = 384;

constexpr int MaxMinutiae = 1000;
constexpr int MaxSingular = 100;
constexpr int GridColumns = 22;  // 16 x 16 blocks across a 352-pixel frame
constexpr int GridRows = 31;     // ... and down a 496-pixel frame
constexpr int BlockSize = 16;

// Direction codes: ridge orientation in units of 1.5 degrees, 0..119.
constexpr uint8_t NoDirection = 127;
constexpr uint8_t MaskedCode = 255;

// Minutia types.
constexpr uint8_t RidgeEnding = 0;
constexpr uint8_t Bifurcation = 1;

struct MinutiaSet {
    int32_t Count = 0;
    int16_t X[MaxMinutiae] = {};
    int16_t Y[MaxMinutiae] = {};
    int16_t Angle[MaxMinutiae] = {};  // degrees, counter-clockwise, y up; 0..360
    uint8_t Quality[MaxMinutiae] = {};  // 0..127, lower is a more uniform flow
    uint8_t Type[MaxMinutiae] = {};
    uint8_t GridWidth = 0;
    uint8_t GridHeight = 0;
    uint8_t Grid[GridRows][GridColumns] = {};  // cells outside the grid hold MaskedCode
};

struct SingularSet {
    uint8_t RidgeDensity = 0;
    int32_t Count = 0;
    int32_t X[MaxSingular] = {};
    int32_t Y[MaxSingular] = {};
    int32_t Direction[MaxSingular] = {};  // degrees
    int32_t Kind[MaxSingular] = {};       // Poincare index in half turns: 1 core, -1 delta, +-2 whorl
};

}  // namespace mx
