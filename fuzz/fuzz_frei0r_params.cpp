// frei0r parameter values as any host may set them: doubles of any bit pattern and
// strings of any bytes, to any parameter, read back in between.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "Frei0rApi.h"
#include "FuzzChecks.h"
#include "ParamMapping.h"
#include "WipeSettings.h"

using namespace tilesweep;
using namespace tilesweep::frei0r;
using tilesweep::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    ParamValues values;
    for (int step = 0; step < 64 && input.remaining_bytes() > 0; ++step) {
        const ParamSpec* param = paramAt(input.ConsumeIntegralInRange<int>(-1, kFrei0rParamCount));
        const bool asText = input.ConsumeBool();
        if (param == nullptr) continue;
        const RawParamValues before = values.scene.raw;
        if (asText) {
            const std::string text = input.ConsumeRandomLengthString(4096);
            const bool taken = setText(values, *param, text.c_str());
            require(taken || values.scene.raw == before, "an ignored text changes nothing");
            require(!taken || frei0rType(*param) == F0R_PARAM_STRING, "only string parameters take texts");
        } else {
            double value = 0;
            const uint64_t bits = input.ConsumeIntegral<uint64_t>();
            static_assert(sizeof value == sizeof bits);
            __builtin_memcpy(&value, &bits, sizeof value);
            const bool taken = setNumber(values, *param, value);
            require(taken || values.scene.raw == before, "an ignored number changes nothing");
        }
        // What the host reads back is in frei0r's range and is taken again as it stands.
        const double number = numberOf(values, *param);
        require(number >= 0.0 && number <= 1.0, "a number read back is within 0..1");
        const std::string text = textOf(values, *param);
        if (frei0rType(*param) == F0R_PARAM_STRING) {
            const RawParamValues now = values.scene.raw;
            require(setText(values, *param, text.c_str()), "a text read back is taken again");
            require(values.scene.raw == now, "a text read back sets the same value");
        } else {
            const RawParamValues now = values.scene.raw;
            require(setNumber(values, *param, number), "a number read back is taken again");
            require(values.scene.raw == now, "a number read back sets the same value");
        }
    }
    const WipeSettings settings = settingsFromHostValues(values.scene.rawValuesAt(0), std::fmod);
    require(std::isfinite(settings.completion) && std::isfinite(settings.delay), "settings are finite");
    return 0;
}
