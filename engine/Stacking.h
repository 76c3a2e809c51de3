// Which of two overlapping moving blocks lies on top.
#pragma once

#include <cstdint>

#include "SeededRandom.h"
#include "WipeTypes.h"

namespace tilesweep {

enum ZIndexKind : int32_t { kZEarly = 1, kZLate = 2, kZRandom = 3 };

// Permutes the `blockAtRank` entries: a swap with any index for every entry, -1
// entries and outsiders included.
void shuffleStackingOrder(BlockRecord* blocks, int32_t blockCount, SeededRandom& stackingGenerator);

// The map entry drawn at turn `turn` of the block pass when blocks move.
inline int32_t stackingEntry(int32_t turn, int32_t blockCount, int32_t zIndex) {
    return (zIndex == kZLate || zIndex == kZRandom) ? turn : blockCount - 1 - turn;
}

}  // namespace tilesweep
