// Which way each slot of the wipe sequence wipes.
#pragma once

#include <cstdint>

#include "ParamChoices.h"
#include "SeededRandom.h"
#include "WipeTypes.h"

namespace tilesweep {

// Two draws per slot, used or not, so changing only the seed of an unused choice
// changes nothing.
void fillDirections(DirectionCode* directions, int32_t blockCount, int32_t direction,
                    int32_t directionMode, SeededRandom& directionGenerator);

DirectionCode towardDirection(int32_t nextLeft, int32_t nextTop, int32_t previousLeft,
                              int32_t previousTop, DependenceKind dependence);

// Each insider slot wipes away from the insider before it. Reads `blockAtRank`.
void applyDirectionDependence(const BlockRecord* blocks, DirectionCode* directions,
                              int32_t blockCount, DependenceKind dependence);

}  // namespace tilesweep
