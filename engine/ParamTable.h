// The effect's parameters: the one table that registration, settings conversion,
// the UI rules, the command line and every dump read.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tilesweep {

enum ParamIndex : int32_t {
    Input = 0,
    Completion = 1,
    Delay = 2,
    Row = 3,
    Column = 4,
    Mode = 5,
    BlendMode = 6,
    ZIndex = 7,
    ZIndexSeed = 8,
    Order = 9,
    OrderPer = 10,
    OrderPerBlockMode = 11,
    OrderPath = 12,
    OrderInsider = 13,
    OrderInsiderMode = 14,
    OrderOutsider = 15,
    OrderOffset = 16,
    OrderInverse = 17,
    OrderSeed = 18,
    DirectionDependenceOnOrder = 19,
    Direction = 20,
    DirectionMode = 21,
    DirectionSeed = 22,
    Easing = 23,
    EasingMode = 24,
    EasingKeyframe = 25,
    ViewingMode = 26,
};

// The input layer and the 26 user parameters.
constexpr int32_t ParamCount = 27;
constexpr int32_t kUserParamCount = ParamCount - 1;

enum class ParamKind { FixedSlider, Slider, Popup, Path, Checkbox, Angle };

// One parameter as the user sees it. Ranges and defaults are in the parameter's own
// units: percent for fixed sliders, integers for sliders, 1-based item numbers for
// popups, degrees for the angle.
struct ParamSpec {
    ParamIndex index;
    const char* name;
    ParamKind kind;
    int32_t validMin;
    int32_t validMax;
    int32_t sliderMin;
    int32_t sliderMax;
    int32_t defaultValue;
    int16_t precision;      // decimals shown by a fixed slider
    bool percent;           // fixed sliders display a percent sign
    const char* items;      // popup items joined by '|', as the host takes them
    const char* checkboxText;
};

extern const std::array<ParamSpec, kUserParamCount> kParamTable;

// The entry of parameter `index` (1 to 26).
const ParamSpec& paramSpec(int32_t index);
// Null when no parameter has that UI name.
const ParamSpec* findParam(const std::string& uiName);

// Popup items, split; empty for other kinds.
std::vector<std::string> popupItems(const ParamSpec& param);

const char* kindName(ParamKind kind);

// The raw value word the host delivers for the parameter's default
// (16.16 fixed point for fixed sliders and the angle).
int32_t defaultRawValue(const ParamSpec& param);

// Raw value words of all parameters, indexed by ParamIndex (index 0 unused).
using RawParamValues = std::array<int32_t, ParamCount>;
RawParamValues defaultRawValues();

constexpr int32_t kFixedOne = 65536;

}  // namespace tilesweep
