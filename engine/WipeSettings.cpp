#include "WipeSettings.h"

#include <cstring>

namespace tilesweep {

double percentFraction(int32_t fixedPercent) {
    return static_cast<double>(fixedPercent) / 65536.0 * 0.01;
}

double turnFraction(int32_t fixedDegrees, FmodFunction fmod) {
    double degrees = fmod(static_cast<double>(fixedDegrees) / 65536.0, 360.0);
    if (degrees < 0.0) degrees += 360.0;
    return degrees / 360.0;
}

WipeSettings settingsFromHostValues(const RawParamValues& raw, FmodFunction fmod) {
    WipeSettings s;
    std::memset(&s, 0, sizeof s);
    s.completion = percentFraction(raw[Completion]);
    s.delay = percentFraction(raw[Delay]);
    s.rows = raw[Row];
    s.columns = raw[Column];
    s.order = raw[Order];
    s.orderInverse = raw[OrderInverse];
    s.orderPer = raw[OrderPer];
    s.orderPathId = raw[OrderPath];
    s.directionDependence = raw[DirectionDependenceOnOrder];
    s.orderInsider = percentFraction(raw[OrderInsider]);
    s.orderInsiderMode = raw[OrderInsiderMode];
    s.orderOutsider = raw[OrderOutsider];
    s.orderPerBlockMode = raw[OrderPerBlockMode];
    s.orderOffset = turnFraction(raw[OrderOffset], fmod);
    s.orderSeed = raw[OrderSeed];
    s.direction = raw[Direction];
    s.directionMode = raw[DirectionMode];
    s.directionSeed = raw[DirectionSeed];
    s.easing = raw[Easing];
    s.easingMode = raw[EasingMode];
    s.mode = raw[Mode];
    s.blendMode = raw[BlendMode];
    s.zIndex = raw[ZIndex];
    s.zIndexSeed = raw[ZIndexSeed];
    s.viewingMode = raw[ViewingMode];
    return s;
}

}  // namespace tilesweep
