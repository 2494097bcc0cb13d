// The decision of the two-pass enrolment: compare the template of the first capture with the
// features of the second and hand out one of the two templates when they match well enough.
#pragma once

#include <cstdint>

#include "features.h"
#include "match.h"

namespace mx {

struct TwoPassState {
    const uint8_t* firstTemplate;   // MaxTemplateSize bytes from the first capture
    const uint8_t* secondTemplate;  // MaxTemplateSize bytes from the second capture
    const MinutiaSet* secondSet;    // the second capture's features
    MinutiaSet* firstSet;           // receives the first template's features
    SingularSet* firstSingular;     // receives the first template's ridge density
    const MatchParams* params;
    MatchResult* result;
};

// Whether a first template exists: its header claims 1..MaxTemplateSize bytes.
bool HasFirstTemplate(const uint8_t* firstTemplate);

// Unpacks the first template, matches it (set 1) against the second capture's features (set 2)
// and, when the score reaches EnrolThreshold(securityLevel), copies the template with more
// minutiae (the first on equal counts) into `out` and its length into `length` (when not
// null). Returns 1 when a template was handed out, else 0 with `out` untouched.
int DecideTwoPass(const TwoPassState& state, int securityLevel, uint8_t* out, uint32_t* length);

}  // namespace mx
