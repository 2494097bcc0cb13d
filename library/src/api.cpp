// The exported MX_ functions over the library's module-level state. Nothing is thrown across
// this boundary: an exception (only an allocation failure can raise one) becomes the function's
// failure result.
#include <algorithm>
#include <new>

#include "draw.h"
#include "enroll.h"
#include "enroll_twice.h"
#include "minutix.h"
#include "sensor.h"
#include "state.h"
#include "template.h"

namespace {

template <typename F>
auto Guarded(decltype(std::declval<F>()()) failure, F body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

// Rectangles far beyond any surface are clamped so that their arithmetic cannot overflow.
int32_t ClampCoordinate(int32_t v) {
    return std::clamp<int32_t>(v, -(1 << 24), 1 << 24);
}

}  // namespace

extern "C" {

MX_EXPORT int32_t MX_Initialize(void) {
    using namespace mx;
    return Guarded(0, [] {
        if (CurrentSensor) {
            // Probing again must not leak the device handle that is open now.
            CurrentSensor->Close();
            CurrentSensor->Open();
        } else {
            CurrentSensor = std::make_unique<IzzixSensor>();
        }
        return MX_IsSensorOn();
    });
}

MX_EXPORT void MX_Uninitialize(void) {
    mx::CurrentSensor.reset();
}

MX_EXPORT int32_t MX_IsSensorOn(void) {
    return mx::CurrentSensor && mx::CurrentSensor->Handle() != 0 ? 1 : 0;
}

MX_EXPORT int32_t MX_IsFingerOn(void) {
    return mx::CurrentSensor ? mx::CurrentSensor->IsFingerOn() : 0;
}

MX_EXPORT int32_t MX_Capture(void) {
    using namespace mx;
    CorePosition = CorePoint{};
    if (!CurrentSensor) return 0;
    CapturedImage.reset();
    return Guarded(0, [] {
        if (!CurrentSensor->Capture(CapturedImage, ImageWidth, ImageHeight)) {
            CapturedImage.reset();
            DisplayBitmap.reset();
            return 0;
        }
        UpdateDisplayBitmap();
        return 1;
    });
}

MX_EXPORT uint8_t* MX_GetImageBuffer(void) {
    return mx::CurrentSensor ? mx::CurrentSensor->ImageBuffer() : nullptr;
}

MX_EXPORT int32_t MX_GetImageWidth(void) {
    return mx::ImageWidth;
}

MX_EXPORT int32_t MX_GetImageHeight(void) {
    return mx::ImageHeight;
}

MX_EXPORT int32_t MX_Clear(void) {
    mx::CorePosition = mx::CorePoint{};
    mx::CapturedImage.reset();
    mx::DisplayBitmap.reset();
    return 1;
}

MX_EXPORT void MX_Draw(void* window, int32_t left, int32_t top, int32_t right, int32_t bottom,
                       int32_t showCore) {
    using namespace mx;
    if (window == nullptr) return;
    Guarded(0, [&] {
        DrawImage(*static_cast<const MX_Surface*>(window), DisplayBitmap.get(),
                  ClampCoordinate(left), ClampCoordinate(top), ClampCoordinate(right),
                  ClampCoordinate(bottom), showCore != 0, CorePosition.x, CorePosition.y,
                  ImageWidth, ImageHeight);
        return 0;
    });
}

MX_EXPORT int32_t MX_Enroll(uint8_t* tmpl, int32_t* length, int32_t coreCheck) {
    if (tmpl == nullptr) return 0;
    return Guarded(0, [&] { return mx::EnrollCapture(tmpl, length, coreCheck != 0); });
}

MX_EXPORT int32_t MX_EnrollTwice1(int32_t coreCheck) {
    return Guarded(0, [&] { return mx::EnrollCapture(mx::FirstEnrolBuffer, nullptr, coreCheck); });
}

MX_EXPORT int32_t MX_EnrollTwice2(uint8_t* out, uint32_t* length, int32_t coreCheck,
                                  int32_t securityLevel) {
    using namespace mx;
    if (out == nullptr) return 0;
    return Guarded(0, [&] {
        if (!HasFirstTemplate(FirstEnrolBuffer)) return 0;
        const int enrolled = EnrollCapture(SecondEnrolBuffer, nullptr, coreCheck != 0);
        if (enrolled != MX_ENROLL_OK) return enrolled;
        const TwoPassState state{FirstEnrolBuffer, SecondEnrolBuffer,  &PrimarySet,
                                 &SecondarySet,    &SecondarySingular, &LibraryMatchParams,
                                 &LastMatchResult};
        return DecideTwoPass(state, securityLevel, out, length);
    });
}

MX_EXPORT void MX_RotateTemplate(uint8_t* tmpl) {
    using namespace mx;
    if (tmpl == nullptr) return;
    UnpackTemplate(SecondarySet, SecondarySingular.RidgeDensity, tmpl);
    RotateSet180(PrimarySet, SecondarySet);
    PackTemplate(PrimarySet, SecondarySingular.RidgeDensity, tmpl);
}

}  // extern "C"
