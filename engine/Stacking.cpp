#include "Stacking.h"

#include <utility>

namespace tilesweep {

void shuffleStackingOrder(BlockRecord* blocks, int32_t blockCount, SeededRandom& stackingGenerator) {
    const double n = blockCount;
    for (int32_t i = 0; i < blockCount; ++i) {
        const int32_t k = drawIndex(stackingGenerator.next(), n);
        std::swap(blocks[i].blockAtRank, blocks[k].blockAtRank);
    }
}

}  // namespace tilesweep
