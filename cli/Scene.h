// What the user asked of the command line: parameter values, keyframes and masks,
// evaluated at a frame's time as the host would.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "MaskPath.h"
#include "ParamTable.h"
#include "RenderServices.h"

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

// Parsing of the command line's forms; each returns false with a one-line message.
bool parseParamAssignment(const std::string& text, int32_t maskCount, Scene& scene, std::string& error);
bool parseKeyframe(const std::string& text, int32_t maskCount, Scene& scene, std::string& error);
bool addMask(const std::string& svgPath, Scene& scene, std::string& error);
// Checks cross-references once all options are read (mask numbers, keyframes).
bool validateScene(const Scene& scene, std::string& error);

// The "Easing Keyframe" animation as the host's AEGP suites present it.
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

// Value text of a parameter in the user's terms (for dumps and messages).
std::string describeAccepted(const ParamSpec& param);

}  // namespace tilesweep
