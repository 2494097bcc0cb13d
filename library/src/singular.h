// Singular points (cores and deltas): candidate blocks by their Poincare index on the block
// grid, clustered and located at pixel resolution on the pixel orientation field.
#pragma once

#include "image.h"
#include "orientation.h"
#include "raw_features.h"

namespace mx {

struct SingularCandidate {
    int bx = 0;
    int by = 0;
    int direction = -1;
    int kind = 0;  // Poincare index; 0 once taken into a cluster
};

struct SingularCandidates {
    int count = 0;
    SingularCandidate items[MaxSingular];
};

// Index in half turns of the n direction codes around a closed ring; 0 when ambiguous.
int PoincareIndex(const int* values, int n);

// Blocks two or more inside the grid whose rings are unmasked and turn. A grid with more
// candidates than the list holds keeps the first ones in scan order.
SingularCandidates FindSingularCandidates(const BlockField& field);

// Sum of folded direction differences over the 5 x 5 window around (x, y).
int DirectionDissimilarity(ImageView dirImage, int x, int y);

// Direction in degrees, from the point of the radius-40 circle whose line toward (x, y) best
// follows the ridge flow.
int SingularDirection(ImageView dirImage, int x, int y);

// Clusters the candidates and writes the located points into the singular part of raw.
void RefineSingularPoints(ImageView dirImage, SingularCandidates candidates, RawFeatures& raw);

}  // namespace mx
