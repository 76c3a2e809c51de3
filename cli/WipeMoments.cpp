#include "WipeMoments.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>

namespace tilesweep {

void sweepCompletion(Scene& scene, int32_t firstTime, int32_t lastTime) {
    const auto found = scene.keyframes.find(Completion);
    if (found != scene.keyframes.end() && !found->second.empty()) return;
    if (firstTime >= lastTime) return;
    scene.keyframes[Completion] = {Keyframe{firstTime, 0.0}, Keyframe{lastTime, 100.0}};
}

std::vector<int32_t> momentsOfTheWipe(Scene& scene, int32_t count) {
    int32_t first = INT32_MAX;
    int32_t last = INT32_MIN;
    for (const auto& [index, keys] : scene.keyframes) {
        if (index == EasingKeyframe || keys.empty()) continue;
        first = std::min(first, keys.front().time);
        last = std::max(last, keys.back().time);
    }
    if (!(first < last)) {
        first = 0;
        last = 100 * (count - 1);
    }
    sweepCompletion(scene, first, last);
    std::vector<int32_t> times;
    for (int32_t k = 0; k < count; ++k) {
        const double along = count > 1 ? static_cast<double>(k) / (count - 1) : 0.0;
        times.push_back(first + static_cast<int32_t>(std::llround(along * (last - first))));
    }
    return times;
}

std::string frameText(int32_t time) {
    std::string text = std::to_string(time / 100);
    if (time % 100 != 0) {
        const int32_t hundredths = time % 100;
        text += (hundredths < 10 ? ".0" : ".") + std::to_string(hundredths);
        while (text.back() == '0') text.pop_back();
    }
    return text;
}

std::string percentText(double percent) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", percent);
    std::string text = buffer;
    if (text.size() > 2 && text.compare(text.size() - 2, 2, ".0") == 0) text.resize(text.size() - 2);
    return text + "%";
}

std::string momentCaption(const Scene& scene, int32_t time) {
    std::string choices;
    for (const auto& [index, keys] : scene.keyframes) {
        const ParamSpec& param = paramSpec(index);
        if (keys.empty() || param.kind != ParamKind::Popup) continue;
        const std::vector<std::string> items = popupItems(param);
        const double item = scene.valueAt(index, time);
        if (!(item >= 1.0 && item <= static_cast<double>(items.size()))) continue;
        if (!choices.empty()) choices += ' ';
        choices += items[static_cast<std::size_t>(item) - 1];
    }
    if (choices.empty()) choices = "F" + frameText(time);
    return choices + "  " + percentText(scene.valueAt(Completion, time));
}

}  // namespace tilesweep
