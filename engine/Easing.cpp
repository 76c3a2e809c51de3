#include "Easing.h"

#include <cmath>

#include "ExactMath.h"

namespace tilesweep {

namespace {

constexpr double kPi = 3.141592653589793;

double easeQuad(double t, EasingModeKind mode) {
    switch (mode) {
        case EasingModeKind::In: return t * t;
        case EasingModeKind::Out: return (-t) * (t - 2);
        default: {
            const double u = 2 * t;
            if (u < 1) return 0.5 * u * u;
            const double v = u - 1;
            return -0.5 * ((v - 2) * v - 1);
        }
    }
}

double easeCubic(double t, EasingModeKind mode) {
    switch (mode) {
        case EasingModeKind::In: return t * t * t;
        case EasingModeKind::Out: { const double a = t - 1; return a * a * a + 1; }
        default: {
            const double u = 2 * t;
            if (u < 1) return 0.5 * u * u * u;
            const double v = u - 2;
            return 0.5 * (v * v * v + 2);
        }
    }
}

double easeQuart(double t, EasingModeKind mode) {
    switch (mode) {
        case EasingModeKind::In: return t * t * t * t;
        case EasingModeKind::Out: { const double a = t - 1; return -(a * a * a * a - 1); }
        default: {
            const double u = 2 * t;
            if (u < 1) return 0.5 * u * u * u * u;
            const double v = u - 2;
            return -0.5 * (v * v * v * v - 2);
        }
    }
}

double easeQuint(double t, EasingModeKind mode) {
    switch (mode) {
        case EasingModeKind::In: return t * t * t * t * t;
        case EasingModeKind::Out: { const double a = t - 1; return a * a * a * a * a + 1; }
        default: {
            const double u = 2 * t;
            if (u < 1) return 0.5 * u * u * u * u * u;
            const double v = u - 2;
            return 0.5 * (v * v * v * v * v + 2);
        }
    }
}

double easeExpo(double t, EasingModeKind mode) {
    switch (mode) {
        case EasingModeKind::In: return t == 0 ? 0.0 : exactExp2(10 * (t - 1));
        case EasingModeKind::Out: return t == 1 ? 1.0 : 1 - exactExp2(-10 * t);
        default: {
            if (t == 0) return 0.0;
            if (t == 1) return 1.0;
            const double u = 2 * t;
            if (u < 1) return 0.5 * exactExp2(10 * (u - 1));
            const double v = u - 1;
            return 0.5 * (2 - exactExp2(-10 * v));
        }
    }
}

double easeCirc(double t, EasingModeKind mode) {
    switch (mode) {
        case EasingModeKind::In: return -(std::sqrt(1 - t * t) - 1);
        case EasingModeKind::Out: { const double a = t - 1; return std::sqrt(1 - a * a); }
        default: {
            const double u = 2 * t;
            if (u < 1) return -0.5 * (std::sqrt(1 - u * u) - 1);
            const double v = u - 2;
            return 0.5 * (std::sqrt(1 - v * v) + 1);
        }
    }
}

double easeSine(double t, EasingModeKind mode) {
    switch (mode) {
        case EasingModeKind::In: return 1 - exactCos(t * kPi / 2);
        case EasingModeKind::Out: return exactSin(t * kPi / 2);
        default: return -0.5 * (exactCos(kPi * t) - 1);
    }
}

double easeBounce(double t, EasingModeKind mode) {
    switch (mode) {
        case EasingModeKind::In: return 1 - bounceOut(1 - t);
        case EasingModeKind::Out: return bounceOut(t);
        default:
            if (t < 0.5) return 0.5 * (1 - bounceOut(1 - 2 * t));
            return 0.5 * bounceOut(2 * t - 1) + 0.5;
    }
}

}  // namespace

double bounceOut(double x) {
    if (x < 0.36363636363636365) return 7.5625 * x * x;
    if (x < 0.7272727272727273) {
        const double y = x - 0.5454545454545454;
        return 7.5625 * y * y + 0.75;
    }
    if (x < 0.9090909090909091) {
        const double y = x - 0.8181818181818182;
        return 7.5625 * y * y + 0.9375;
    }
    const double y = x - 0.9545454545454546;
    return 7.5625 * y * y + 0.984375;
}

double applyEasing(double t, int32_t easing, int32_t easingMode) {
    const auto mode = popupChoice<EasingModeKind>(easingMode);
    if (mode < EasingModeKind::In || mode > EasingModeKind::InOut) return t;
    switch (popupChoice<EasingKind>(easing)) {
        case EasingKind::Quad: return easeQuad(t, mode);
        case EasingKind::Cubic: return easeCubic(t, mode);
        case EasingKind::Quart: return easeQuart(t, mode);
        case EasingKind::Quint: return easeQuint(t, mode);
        case EasingKind::Expo: return easeExpo(t, mode);
        case EasingKind::Circ: return easeCirc(t, mode);
        case EasingKind::Sine: return easeSine(t, mode);
        case EasingKind::Bounce: return easeBounce(t, mode);
        default: return t;
    }
}

}  // namespace tilesweep
