// Which parameters the other settings make irrelevant, and why. The plug-in greys
// out a parameter whose rule is not met; the command-line tool tells the user the
// reason when they set one.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "ParamTable.h"

namespace tilesweep {

struct GreyingRule {
    ParamIndex param;
    // Whether the parameter has an effect with these raw value words.
    bool (*enabled)(const RawParamValues& values);
    // When it has one, completing "<parameter> has no effect unless ...".
    const char* reason;
};

constexpr std::size_t kGreyingRuleCount = 13;

// In the order the plug-in sends its updates; a parameter has one rule at most.
extern const std::array<GreyingRule, kGreyingRuleCount> kGreyingRules;

// Null for a parameter that always has an effect.
const GreyingRule* greyingRuleOf(int32_t param);

}  // namespace tilesweep
