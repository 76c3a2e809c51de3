// Which of two overlapping moving blocks lies on top.
#pragma once

#include <cstdint>

#include "ParamChoices.h"
#include "SeededRandom.h"
#include "WipeTypes.h"

namespace tilesweep {

// Permutes the `blockAtRank` entries: a swap with any index for every entry, -1
// entries and outsiders included.
void shuffleStackingOrder(BlockRecord* blocks, int32_t blockCount, SeededRandom& stackingGenerator);

// The map entry drawn at turn `turn` of the block pass when blocks move.
inline int32_t stackingEntry(int32_t turn, int32_t blockCount, ZIndexKind zIndex) {
    return (zIndex == ZIndexKind::Late || zIndex == ZIndexKind::Random) ? turn : blockCount - 1 - turn;
}

}  // namespace tilesweep
