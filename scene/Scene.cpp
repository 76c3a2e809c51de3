#include "Scene.h"

#include <cmath>

namespace tilesweep {

namespace {

bool interpolates(const ParamSpec& param) {
    return param.kind == ParamKind::FixedSlider || param.kind == ParamKind::Slider || param.kind == ParamKind::Angle;
}

}  // namespace

int32_t rawFromUserValue(const ParamSpec& param, double value) {
    if (param.kind == ParamKind::FixedSlider || param.kind == ParamKind::Angle) {
        return static_cast<int32_t>(std::llround(value * kFixedOne));
    }
    return static_cast<int32_t>(std::llround(value));
}

uint32_t Scene::timeScale() const { return static_cast<uint32_t>(std::llround(100.0 * fps)); }

double Scene::valueAt(int32_t parameter, int32_t time) const {
    const ParamSpec& param = paramSpec(parameter);
    const auto found = keyframes.find(parameter);
    if (found == keyframes.end() || found->second.empty()) {
        const int32_t raw1 = raw[static_cast<std::size_t>(parameter)];
        if (param.kind == ParamKind::FixedSlider || param.kind == ParamKind::Angle) return raw1 / 65536.0;
        return raw1;
    }
    const std::vector<Keyframe>& keys = found->second;
    if (time <= keys.front().time) return keys.front().value;
    if (time >= keys.back().time) return keys.back().value;
    std::size_t b = 1;
    while (keys[b].time <= time) ++b;
    const Keyframe& ka = keys[b - 1];
    const Keyframe& kb = keys[b];
    if (!interpolates(param)) return ka.value;
    return ka.value + (kb.value - ka.value) * (time - ka.time) / (kb.time - ka.time);
}

RawParamValues Scene::rawValuesAt(int32_t time) const {
    RawParamValues values = raw;
    for (const auto& [index, keys] : keyframes) {
        if (!keys.empty()) values[static_cast<std::size_t>(index)] = rawFromUserValue(paramSpec(index), valueAt(index, time));
    }
    return values;
}

}  // namespace tilesweep
