// The pixel layouts of the three depths: alpha, red, green, blue per pixel, the
// channel type and its unit arithmetic, the alpha word that Still1 masks, and the one
// dispatch from a depth to them.
#pragma once

#include <cstdint>

#include "ResultCodes.h"
#include "WipeTypes.h"

namespace tilesweep {

constexpr int kChannels = 4;

// Unit values of 8-bit channels, tabulated at compile time: a lookup costs far less than
// a division, and holds the same correctly rounded quotient.
template <int32_t Max>
struct UnitTable {
    double value[Max + 1];
    constexpr UnitTable() : value() {
        for (int32_t c = 0; c <= Max; ++c) value[c] = c / static_cast<double>(Max);
    }
};

// One channel type per depth. Unit values are 0..1 with 1 the channel's opaque value;
// integer channels round to nearest and clamp on the way back, float channels are
// stored as they come so that out-of-range (HDR) colour survives.
template <typename C, int32_t Max>
struct IntegerTraits {
    using Channel = C;
    static constexpr Channel kOpaque = static_cast<Channel>(Max);
    static constexpr double kMax = Max;
    // The 8-bit opacity field is the only one with 8-bit resolution.
    static constexpr bool kByteOpacity = Max == 255;
    static constexpr bool kTabulated = Max <= 255;
    static_assert(kTabulated || (Max & (Max - 1)) == 0, "untabulated maxima must be powers of two");
    static constexpr UnitTable<kTabulated ? Max : 1> kUnits{};

    // Exact quotients either way, so 0 and Max give exactly 0 and 1, which the blend
    // formulas compare against.
    static double toUnit(Channel c) {
        if constexpr (kTabulated) return kUnits.value[c];
        return static_cast<double>(c) * (1.0 / kMax);
    }
    // Branch-free clamp; NaN becomes 0.
    static Channel fromScaled(double v) {
        const double low = v > 0.0 ? v : 0.0;
        return static_cast<Channel>((low < kMax ? low : kMax) + 0.5);
    }
    static Channel fromUnit(double u) { return fromScaled(u * kMax); }
};

struct FloatTraits {
    using Channel = float;
    static constexpr Channel kOpaque = 1.0f;
    static constexpr bool kByteOpacity = false;

    static double toUnit(Channel c) { return static_cast<double>(c); }
    static Channel fromScaled(double v) { return static_cast<Channel>(v); }
    static Channel fromUnit(double u) { return static_cast<Channel>(u); }
};

using Traits8 = IntegerTraits<uint8_t, 255>;
using Traits16 = IntegerTraits<uint16_t, 32768>;

// Clearing masks alpha out of whole pixel words, which vectorises where a strided
// store of one channel does not; alpha is the first channel, the low bytes of the
// first word on the little-endian processors we build for.
static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "alpha masks assume little-endian words");

template <typename Channel>
struct AlphaWord;
template <>
struct AlphaWord<uint8_t> {
    using Word = uint32_t;
    static constexpr Word kKeepColour = 0xFFFFFF00u;
};
template <>
struct AlphaWord<uint16_t> {
    using Word = uint64_t;
    static constexpr Word kKeepColour = 0xFFFFFFFFFFFF0000ull;
};
template <>
struct AlphaWord<float> {
    using Word = uint64_t;  // the first of two words: alpha and red
    static constexpr Word kKeepColour = 0xFFFFFFFF00000000ull;
};

// Calls `kernel` with the traits of `depth` (a value of Traits8, Traits16 or
// FloatTraits) and returns its result; a depth without traits gives the host's
// bad-parameter code and calls nothing.
template <typename Kernel>
int32_t withPixelTraits(PixelDepth depth, Kernel&& kernel) {
    switch (depth) {
        case Depth8: return kernel(Traits8{});
        case Depth16: return kernel(Traits16{});
        case Depth32f: return kernel(FloatTraits{});
    }
    return kErrBadCallbackParam;
}

}  // namespace tilesweep
