// The converted parameter values of one frame, carried from the pre-render to the
// render in one host handle. Packed: the record's bytes are its interface, so fields
// are copied out by value, never referenced (some doubles are misaligned).
#pragma once

#include <cstddef>
#include <cstdint>

#include "ParamTable.h"

namespace tilesweep {

#pragma pack(push, 1)
struct WipeSettings {
    double completion;
    double delay;
    int32_t rows;
    int32_t columns;
    int32_t order;
    int32_t orderInverse;
    int32_t orderPer;
    int32_t orderPathId;
    int32_t directionDependence;
    double orderInsider;
    int32_t orderInsiderMode;
    int32_t orderOutsider;
    int32_t orderPerBlockMode;
    double orderOffset;
    int32_t orderSeed;
    int32_t direction;
    int32_t directionMode;
    int32_t directionSeed;
    int32_t easing;
    int32_t easingMode;
    int32_t mode;
    int32_t blendMode;
    int32_t zIndex;
    int32_t zIndexSeed;
    int32_t viewingMode;
};
#pragma pack(pop)

static_assert(sizeof(WipeSettings) == 116, "the record is packed: 4 doubles and 21 integers");
static_assert(offsetof(WipeSettings, completion) == 0, "layout");
static_assert(offsetof(WipeSettings, delay) == 8, "layout");
static_assert(offsetof(WipeSettings, rows) == 16, "layout");
static_assert(offsetof(WipeSettings, columns) == 20, "layout");
static_assert(offsetof(WipeSettings, order) == 24, "layout");
static_assert(offsetof(WipeSettings, orderInverse) == 28, "layout");
static_assert(offsetof(WipeSettings, orderPer) == 32, "layout");
static_assert(offsetof(WipeSettings, orderPathId) == 36, "layout");
static_assert(offsetof(WipeSettings, directionDependence) == 40, "layout");
static_assert(offsetof(WipeSettings, orderInsider) == 44, "layout");
static_assert(offsetof(WipeSettings, orderInsiderMode) == 52, "layout");
static_assert(offsetof(WipeSettings, orderOutsider) == 56, "layout");
static_assert(offsetof(WipeSettings, orderPerBlockMode) == 60, "layout");
static_assert(offsetof(WipeSettings, orderOffset) == 64, "layout");
static_assert(offsetof(WipeSettings, orderSeed) == 72, "layout");
static_assert(offsetof(WipeSettings, direction) == 76, "layout");
static_assert(offsetof(WipeSettings, directionMode) == 80, "layout");
static_assert(offsetof(WipeSettings, directionSeed) == 84, "layout");
static_assert(offsetof(WipeSettings, easing) == 88, "layout");
static_assert(offsetof(WipeSettings, easingMode) == 92, "layout");
static_assert(offsetof(WipeSettings, mode) == 96, "layout");
static_assert(offsetof(WipeSettings, blendMode) == 100, "layout");
static_assert(offsetof(WipeSettings, zIndex) == 104, "layout");
static_assert(offsetof(WipeSettings, zIndexSeed) == 108, "layout");
static_assert(offsetof(WipeSettings, viewingMode) == 112, "layout");

using FmodFunction = double (*)(double, double);

// A 16.16 percentage as a fraction: divided by 65536, then multiplied by 0.01.
double percentFraction(int32_t fixedPercent);
// A 16.16 angle in degrees as a fraction of a turn in [0, 1), reduced with `fmod`.
double turnFraction(int32_t fixedDegrees, FmodFunction fmod);

// Fills the record from the host's raw value words (index = ParamIndex; "Easing
// Keyframe" and the layer are not read). Nothing is clamped.
WipeSettings settingsFromHostValues(const RawParamValues& raw, FmodFunction fmod);

}  // namespace tilesweep
