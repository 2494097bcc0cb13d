#include "enroll_twice.h"

#include <cstring>

#include "template.h"

namespace mx {

bool HasFirstTemplate(const uint8_t* firstTemplate) {
    const int size = HeaderTemplateSize(firstTemplate);
    return size >= 1 && size <= MaxTemplateSize;
}

int DecideTwoPass(const TwoPassState& s, int securityLevel, uint8_t* out, uint32_t* length) {
    UnpackTemplate(*s.firstSet, s.firstSingular->RidgeDensity, s.firstTemplate);
    const int score = MatchSets(*s.firstSet, *s.secondSet, *s.params, *s.result);
    if (score < EnrolThreshold(securityLevel)) return 0;

    const bool secondIsRicher = s.secondSet->Count > s.firstSet->Count;
    const MinutiaSet& chosenSet = secondIsRicher ? *s.secondSet : *s.firstSet;
    std::memcpy(out, secondIsRicher ? s.secondTemplate : s.firstTemplate, MaxTemplateSize);
    if (length != nullptr) *length = static_cast<uint32_t>(SetTemplateSize(&chosenSet) & 0xFFFF);
    return 1;
}

}  // namespace mx
