// "UI Name=VALUE" scene settings, one per line as repeated --param options bring them.
#include <cmath>
#include <cstdint>
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
        const RawParamValues before = scene.raw;
        std::string error;
        if (parseParamAssignment(line, maskCount, scene, error)) continue;
        fuzz::requireOneLine(error);
        require(scene.raw == before, "a refused value changes nothing");
    }
    // Every accepted value lies in its parameter's valid range.
    for (const ParamSpec& param : kParamTable) {
        if (param.kind != ParamKind::Slider && param.kind != ParamKind::Popup) continue;
        const int32_t raw = scene.raw[static_cast<std::size_t>(param.index)];
        require(raw >= param.validMin && raw <= param.validMax, "an accepted value is in range");
    }
    std::string error;
    if (!validateScene(scene, error)) fuzz::requireOneLine(error);
    const WipeSettings settings = settingsFromHostValues(scene.rawValuesAt(0), std::fmod);
    require(std::isfinite(settings.completion) && std::isfinite(settings.orderOffset), "settings are finite");
    return 0;
}
