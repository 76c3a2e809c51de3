// The "Easing Keyframe" animation of a scene as the host's AEGP suites present it.
#pragma once

#include <cstdint>

#include "RenderServices.h"
#include "Scene.h"

namespace tilesweep {

class SceneKeyframeSource : public EasingKeyframeSource {
public:
    explicit SceneKeyframeSource(const Scene& scene) : scene_(scene) {}

    int32_t getEffect(void** effect) override;
    int32_t getStream(void* effect, void** stream) override;
    int32_t numKeyframes(void* stream, int32_t* count) override;
    int32_t keyframeTime(void* stream, int32_t index, KeyframeTime* time) override;
    int32_t newStreamValue(void* stream, KeyframeTime time, void** streamValue, double* value) override;
    int32_t disposeStreamValue(void* streamValue) override;
    int32_t disposeStream(void* stream) override;
    int32_t disposeEffect(void* effect) override;

private:
    const Scene& scene_;
    int tokens_[3] = {};
};

}  // namespace tilesweep
