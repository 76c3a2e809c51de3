// Keyframe strings ("UI Name=TIME:VALUE"), one per line as repeated --keyframe options
// bring them, then the scene evaluated at any time as the host's streams are.
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "FuzzChecks.h"
#include "SceneParsing.h"
#include "WipeSettings.h"

using namespace tilesweep;
using tilesweep::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const int32_t maskCount = data[0] % 4;
    Scene scene;
    for (int32_t m = 0; m < maskCount; ++m) scene.masks.emplace_back();
    for (const std::string& line : fuzz::linesOf(data + 1, size - 1)) {
        std::string error;
        if (!parseKeyframe(line, maskCount, scene, error)) fuzz::requireOneLine(error);
    }
    for (const auto& [index, keys] : scene.keyframes) {
        for (std::size_t k = 1; k < keys.size(); ++k) require(keys[k - 1].time < keys[k].time, "keyframes sorted, one per time");
    }
    std::string error;
    if (!validateScene(scene, error)) fuzz::requireOneLine(error);
    constexpr int32_t kTimes[] = {std::numeric_limits<int32_t>::min(), -1, 0, 1, 150, 4999, 100000, 99999999,
                                  std::numeric_limits<int32_t>::max()};
    for (const int32_t time : kTimes) {
        const RawParamValues raw = scene.rawValuesAt(time);
        const WipeSettings settings = settingsFromHostValues(raw, std::fmod);
        require(std::isfinite(settings.completion) && std::isfinite(settings.orderOffset), "settings are finite");
    }
    return 0;
}
