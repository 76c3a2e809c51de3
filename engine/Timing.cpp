#include "Timing.h"

#include "BlockOrder.h"
#include "Easing.h"

namespace tilesweep {

TimingConstants computeTiming(int32_t stepCount, double delay) {
    TimingConstants timing;
    const double total = 1.0 + (static_cast<double>(stepCount) - 1.0) * delay;
    if (total != 0.0) {
        timing.span = 1.0 / total;
        timing.stepOffset = delay * timing.span;
    }
    return timing;
}

void fillStepValues(double* stepProgress, int32_t stepCount, double completion,
                    const TimingConstants& timing) {
    for (int32_t r = 0; r < stepCount; ++r) {
        stepProgress[r] = (completion - timing.stepOffset * r) / timing.span;
    }
}

namespace {

// The host objects of one Custom mapping; each is released only if obtained.
class CustomCurve {
public:
    explicit CustomCurve(EasingKeyframeSource& source) : source_(source) {}
    CustomCurve(const CustomCurve&) = delete;
    CustomCurve& operator=(const CustomCurve&) = delete;

    int32_t open(int32_t& keyframeCount) {
        if (note(source_.getEffect(&effect_))) return err_;
        if (note(source_.getStream(effect_, &stream_))) return err_;
        note(source_.numKeyframes(stream_, &keyframeCount));
        return err_;
    }

    int32_t keyframeTime(int32_t index, KeyframeTime& time) {
        if (err_ == 0) note(source_.keyframeTime(stream_, index, &time));
        return err_;
    }

    // The stream's value at `time`; the value object is disposed once its number is read.
    int32_t valueAt(KeyframeTime time, double& value) {
        if (err_ != 0) return err_;
        void* streamValue = nullptr;
        if (note(source_.newStreamValue(stream_, time, &streamValue, &value))) return err_;
        note(source_.disposeStreamValue(streamValue));
        return err_;
    }

    // Releases the stream, then the effect; returns the first error of the whole curve.
    int32_t close() {
        if (stream_ != nullptr) note(source_.disposeStream(stream_));
        if (effect_ != nullptr) note(source_.disposeEffect(effect_));
        stream_ = nullptr;
        effect_ = nullptr;
        return err_;
    }

    ~CustomCurve() { close(); }

private:
    bool note(int32_t err) {
        if (err_ == 0) err_ = err;
        return err_ != 0;
    }

    EasingKeyframeSource& source_;
    void* effect_ = nullptr;
    void* stream_ = nullptr;
    int32_t err_ = 0;
};

int32_t mapThroughKeyframes(double* stepProgress, int32_t stepCount,
                            EasingKeyframeSource& source, double& effectiveCompletion) {
    CustomCurve curve(source);
    int32_t count = 0;
    if (curve.open(count) != 0 || count < 2) return curve.close();
    KeyframeTime first;
    KeyframeTime last;
    double v0 = 0.0;
    double v1 = 0.0;
    curve.keyframeTime(0, first);
    curve.keyframeTime(count - 1, last);
    curve.valueAt(first, v0);
    if (curve.valueAt(last, v1) != 0) return curve.close();
    if (v0 != 0.0 || v1 != 100.0) effectiveCompletion = 0.5;
    // The time difference wraps as 32-bit integers do; the product is a double.
    const int32_t duration =
        static_cast<int32_t>(static_cast<uint32_t>(last.value) - static_cast<uint32_t>(first.value));
    for (int32_t r = 0; r < stepCount; ++r) {
        const double p = stepProgress[r];
        if (p <= 0) {
            stepProgress[r] = v0 * 0.01;
        } else if (p >= 1) {
            stepProgress[r] = v1 * 0.01;
        } else {
            KeyframeTime sample;
            sample.value = static_cast<int32_t>(
                static_cast<uint32_t>(truncToInt32(duration * p)) + static_cast<uint32_t>(first.value));
            sample.scale = first.scale;
            double value = 0.0;
            if (curve.valueAt(sample, value) != 0) break;
            stepProgress[r] = value * 0.01;
        }
    }
    return curve.close();
}

}  // namespace

int32_t readEasingCurve(EasingKeyframeSource& source, EasingCurveReader& reader) {
    CustomCurve curve(source);
    int32_t count = 0;
    if (curve.open(count) != 0) return curve.close();
    int32_t err = reader.keyframeCount(count);
    for (int32_t i = 0; err == 0 && i < count; ++i) {
        KeyframeTime time;
        double value = 0.0;
        if (curve.keyframeTime(i, time) != 0 || curve.valueAt(time, value) != 0) break;
        err = reader.keyframe(time, value);
    }
    const int32_t closeErr = curve.close();
    return closeErr != 0 ? closeErr : err;
}

int32_t easeStepValues(double* stepProgress, int32_t stepCount, int32_t easing,
                       int32_t easingMode, EasingKeyframeSource* keyframes,
                       double& effectiveCompletion) {
    if (popupChoice<EasingKind>(easing) == EasingKind::Custom) {
        if (keyframes == nullptr) return 0;  // no animation: eased as Linear
        return mapThroughKeyframes(stepProgress, stepCount, *keyframes, effectiveCompletion);
    }
    for (int32_t r = 0; r < stepCount; ++r) {
        const double p = stepProgress[r];
        if (p > 0 && p < 1) stepProgress[r] = applyEasing(p, easing, easingMode);
    }
    return 0;
}

}  // namespace tilesweep
