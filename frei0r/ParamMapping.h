// The effect's parameters as frei0r hosts take them: every entry of the engine's
// table, typed and scaled by frei0r's conventions (doubles and booleans in 0..1,
// strings for choices and for what a frame's image cannot carry).
#pragma once

#include <array>
#include <string>

#include "ParamTable.h"
#include "Scene.h"

namespace tilesweep::frei0r {

// How a frei0r value maps onto a parameter of the table.
enum class ParamShape {
    Fraction,       // percent slider: 0..1 is 0..100 %
    Turn,           // angle: 0..1 is 0..360 degrees
    ScaledInteger,  // integer slider: 0..1 is 0..the valid maximum, held to the valid range
    Choice,         // popup: item text or 1-based item number
    Switch,         // checkbox: on from 0.5
    PathText,       // mask: an SVG path in the frame's pixels, empty for none
    KeyframeText,   // keyframed curve: "FRAME:VALUE" pairs, empty for none
};

constexpr int kFrei0rParamCount = kUserParamCount;
// Host strings longer than this are refused: no mask or curve needs more.
constexpr std::size_t kMaxTextBytes = 65536;

// The table entry behind frei0r parameter `index` (0-based); null outside the list.
const ParamSpec* paramAt(int index);
ParamShape shapeOf(const ParamSpec& param);
// F0R_PARAM_DOUBLE, F0R_PARAM_BOOL or F0R_PARAM_STRING.
int frei0rType(const ParamSpec& param);
// What a host shows as the parameter's explanation, built from the table.
const char* explanationOf(int index);

// One instance's parameter values: the scene the engine renders, and the texts the
// host last set or will read back.
struct ParamValues {
    Scene scene;
    std::string pathText;
    std::string keyframeText;
    std::array<std::string, kFrei0rParamCount> returnedText;  // owned for the host's read
};

// Host values are applied only when they make sense: out-of-range numbers are held
// to the range, anything else that does not parse is ignored. False when ignored.
bool setNumber(ParamValues& values, const ParamSpec& param, double value);
bool setText(ParamValues& values, const ParamSpec& param, const char* text);
double numberOf(const ParamValues& values, const ParamSpec& param);
// Valid until the next read of the same parameter.
const char* textOf(ParamValues& values, const ParamSpec& param);

}  // namespace tilesweep::frei0r
