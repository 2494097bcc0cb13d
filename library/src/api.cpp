// The exported MX_ functions. Nothing may be thrown across this boundary.
#include "minutix.h"
#include "state.h"
#include "template.h"

extern "C" {

MX_EXPORT void MX_RotateTemplate(uint8_t* tmpl) {
    using namespace mx;
    if (tmpl == nullptr) return;
    UnpackTemplate(SecondarySet, SecondarySingular.RidgeDensity, tmpl);
    RotateSet180(PrimarySet, SecondarySet);
    PackTemplate(PrimarySet, SecondarySingular.RidgeDensity, tmpl);
}

}  // extern "C"
