// What the user asked of a render: parameter values, keyframes and masks,
// evaluated at a frame's time as the host would.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "MaskPath.h"
#include "ParamTable.h"

namespace tilesweep {

// Time in hundredths of a frame; the time scale is 100 x fps.
struct Keyframe {
    int32_t time = 0;
    double value = 0.0;  // in the parameter's own units (percent, degrees, integer, item)
};

struct Scene {
    RawParamValues raw = defaultRawValues();
    std::map<int32_t, std::vector<Keyframe>> keyframes;  // by parameter index, sorted by time
    std::vector<MaskPath> masks;
    double fps = 30.0;

    uint32_t timeScale() const;
    // The raw value words of every parameter at `time` (hundredths of a frame).
    RawParamValues rawValuesAt(int32_t time) const;
    // The user-unit value of a parameter at `time`, as the host's stream gives it.
    double valueAt(int32_t parameter, int32_t time) const;
};

// The raw host word of a value in the parameter's own units.
int32_t rawFromUserValue(const ParamSpec& param, double value);

}  // namespace tilesweep
