#include "state.h"

#include "sensor.h"

namespace mx {

RowImage::RowImage(int w, int h) : width(w), height(h) {
    blocks.reserve(h);
    rows.reserve(h);
    for (int y = 0; y < h; ++y) {
        blocks.emplace_back(new uint8_t[w]());
        rows.push_back(blocks.back().get());
    }
}

std::unique_ptr<SensorDevice> CurrentSensor;
std::unique_ptr<RowImage> CapturedImage;
int32_t ImageWidth = 0;
int32_t ImageHeight = 0;
CorePoint CorePosition;

MinutiaSet PrimarySet;
SingularSet PrimarySingular;
MinutiaSet SecondarySet;
SingularSet SecondarySingular;

std::unique_ptr<DisplayImage> DisplayBitmap;

uint8_t FirstEnrolBuffer[MaxTemplateSize] = {};
uint8_t SecondEnrolBuffer[MaxTemplateSize] = {};
MatchParams LibraryMatchParams;
MatchResult LastMatchResult;

}  // namespace mx
