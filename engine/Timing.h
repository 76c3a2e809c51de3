// Spreads "Completion" over the timing steps and bends each step's progress.
#pragma once

#include <cstdint>

#include "RenderServices.h"

namespace tilesweep {

struct TimingConstants {
    double span = 0.0;        // length of one step in units of completion
    double stepOffset = 0.0;  // distance between the starts of successive steps
};

TimingConstants computeTiming(int32_t stepCount, double delay);

// The raw (uneased) progress of every step at `completion`.
void fillStepValues(double* stepProgress, int32_t stepCount, double completion,
                    const TimingConstants& timing);

// Eases the step values in place: the curves for every easing but Custom; for
// Custom, the "Easing Keyframe" animation (Linear when it has fewer than two
// keyframes or no source). May set `effectiveCompletion` to 0.5. Returns the first
// host error; whatever was obtained from the source is released on every path.
int32_t easeStepValues(double* stepProgress, int32_t stepCount, int32_t easing,
                       int32_t easingMode, EasingKeyframeSource* keyframes,
                       double& effectiveCompletion);

// Told of the keyframes of the "Easing Keyframe" curve. A non-zero result stops the
// reading and becomes its result.
class EasingCurveReader {
public:
    virtual ~EasingCurveReader() = default;
    virtual int32_t keyframeCount(int32_t count) = 0;
    virtual int32_t keyframe(const KeyframeTime& time, double value) = 0;
};

// Reads the whole "Easing Keyframe" curve, every keyframe's time and the value there,
// in keyframe order: everything the Custom easing can depend on. Returns the first
// host or reader error; whatever was obtained from the source is released.
int32_t readEasingCurve(EasingKeyframeSource& source, EasingCurveReader& reader);

}  // namespace tilesweep
