// The only source of randomness: a 32-bit linear congruential generator, seeded
// afresh from the seed parameters on every render so equal settings always give the
// same picture.
#pragma once

#include <cstdint>

namespace tilesweep {

struct SeededRandom {
    uint32_t state;

    explicit SeededRandom(int32_t seed) : state(static_cast<uint32_t>(seed)) {}

    // A double in [0, 1) from the advanced state; the product by 2^-31 is exact.
    double next() {
        state = state * 1103515245u + 12345u;
        return static_cast<double>(state & 0x7FFFFFFFu) * 4.656612873077393e-10;
    }
};

// "Order Seed" + 1000 in 32-bit two's complement, without signed overflow.
inline int32_t insiderSeed(int32_t orderSeed) {
    return static_cast<int32_t>(static_cast<uint32_t>(orderSeed) + 1000u);
}

// trunc(draw x count) for a draw in [0, 1): an index 0 .. count - 1.
inline int32_t drawIndex(double draw, double count) { return static_cast<int32_t>(draw * count); }

}  // namespace tilesweep
