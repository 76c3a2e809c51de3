// The easing curves that bend each timing step's progress.
#pragma once

#include <cstdint>

#include "ParamChoices.h"

namespace tilesweep {

// The eased value of a step value 0 < t < 1. Linear, Custom and unknown curves or
// modes return t unchanged.
double applyEasing(double t, int32_t easing, int32_t easingMode);

double bounceOut(double x);

}  // namespace tilesweep
