// The library's module-level state: one sensor, one captured image, the working feature sets
// and the two-pass enrolment buffers. It lives as long as the loaded library.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "draw.h"
#include "features.h"
#include "match.h"

namespace mx {

class SensorDevice;

// An 8-bit grey image held as row pointers (row 0 at the top), one zero-filled block per row.
struct RowImage {
    int width = 0;
    int height = 0;
    std::vector<std::unique_ptr<uint8_t[]>> blocks;
    std::vector<uint8_t*> rows;

    RowImage(int w, int h);
};

struct CorePoint {
    int32_t x = -1;
    int32_t y = -1;
};

extern std::unique_ptr<SensorDevice> CurrentSensor;
extern std::unique_ptr<RowImage> CapturedImage;
extern int32_t ImageWidth;
extern int32_t ImageHeight;
extern CorePoint CorePosition;

extern MinutiaSet PrimarySet;
extern SingularSet PrimarySingular;
extern MinutiaSet SecondarySet;
extern SingularSet SecondarySingular;

extern std::unique_ptr<DisplayImage> DisplayBitmap;

extern uint8_t FirstEnrolBuffer[MaxTemplateSize];
extern uint8_t SecondEnrolBuffer[MaxTemplateSize];
extern MatchParams LibraryMatchParams;
extern MatchResult LastMatchResult;

}  // namespace mx
