#include "SceneKeyframeSource.h"

#include "ResultCodes.h"

namespace tilesweep {

// The scene's stream objects are tokens without state of their own.
int32_t SceneKeyframeSource::getEffect(void** effect) {
    *effect = &tokens_[0];
    return 0;
}

int32_t SceneKeyframeSource::getStream(void*, void** stream) {
    *stream = &tokens_[1];
    return 0;
}

int32_t SceneKeyframeSource::numKeyframes(void*, int32_t* count) {
    const auto found = scene_.keyframes.find(EasingKeyframe);
    *count = found == scene_.keyframes.end() ? 0 : static_cast<int32_t>(found->second.size());
    return 0;
}

int32_t SceneKeyframeSource::keyframeTime(void*, int32_t index, KeyframeTime* time) {
    const auto found = scene_.keyframes.find(EasingKeyframe);
    if (found == scene_.keyframes.end() || index < 0 || static_cast<std::size_t>(index) >= found->second.size()) {
        return kErrBadCallbackParam;
    }
    time->value = found->second[static_cast<std::size_t>(index)].time;
    time->scale = scene_.timeScale();
    return 0;
}

int32_t SceneKeyframeSource::newStreamValue(void*, KeyframeTime time, void** streamValue, double* value) {
    *streamValue = &tokens_[2];
    *value = scene_.valueAt(EasingKeyframe, time.value);
    return 0;
}

int32_t SceneKeyframeSource::disposeStreamValue(void*) { return 0; }
int32_t SceneKeyframeSource::disposeStream(void*) { return 0; }
int32_t SceneKeyframeSource::disposeEffect(void*) { return 0; }

}  // namespace tilesweep
