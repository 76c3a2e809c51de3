// The easing curves that bend each timing step's progress.
#pragma once

#include <cstdint>

namespace tilesweep {

enum EasingKind : int32_t {
    kEasingLinear = 1,
    kEasingQuad = 2,
    kEasingCubic = 3,
    kEasingQuart = 4,
    kEasingQuint = 5,
    kEasingExpo = 6,
    kEasingCirc = 7,
    kEasingSine = 8,
    kEasingBounce = 9,
    kEasingCustom = 10,
};
enum EasingModeKind : int32_t { kEaseIn = 1, kEaseOut = 2, kEaseInOut = 3 };

// The eased value of a step value 0 < t < 1. Linear, Custom and unknown curves or
// modes return t unchanged.
double applyEasing(double t, int32_t easing, int32_t easingMode);

double bounceOut(double x);

}  // namespace tilesweep
