#include "ParamTable.h"

#include "ParamChoices.h"

namespace tilesweep {

namespace {
constexpr ParamKind kFix = ParamKind::FixedSlider;
constexpr ParamKind kSld = ParamKind::Slider;
constexpr ParamKind kPop = ParamKind::Popup;
}  // namespace

// clang-format off
constexpr std::array<ParamSpec, kUserParamCount> kParamTable = {{
//   index                       UI name                          kind       valid       slider     default prec  pct   items / checkbox text
    {Completion,                 "Completion",                    kFix,      0, 100,     0, 100,    0,      1,    true,  nullptr, nullptr},
    {Delay,                      "Delay",                         kFix,      0, 100,     0, 100,    10,     2,    true,  nullptr, nullptr},
    {Row,                        "Row",                           kSld,      1, 3000,    1, 50,     8,      0,    false, nullptr, nullptr},
    {Column,                     "Column",                        kSld,      1, 3000,    1, 50,     8,      0,    false, nullptr, nullptr},
    {Mode,                       "Mode",                          kPop,      1, 8,       1, 8,      1,      0,    false, "Still1|Still2|Still3|Move1|Move2|Move3|Shrink1|Shrink2", nullptr},
    {BlendMode,                  "Blend Mode",                    kPop,      1, 15,      1, 15,     1,      0,    false, "Normal|Add|Multiply|Screen|Overlay|Hard Light|Darken|Lighten|Difference|Dodge|Burn|Linear Light|Vivid Light|Pin Light|Hard Mix", nullptr},
    {ZIndex,                     "Z-index",                       kPop,      1, 3,       1, 3,      1,      0,    false, "Early|Late|Random", nullptr},
    {ZIndexSeed,                 "Z-index Seed",                  kSld,      0, 10000,   0, 100,    0,      0,    false, nullptr, nullptr},
    {Order,                      "Order",                         kPop,      1, 6,       1, 6,      1,      0,    false, "Horizontal|Vertical|Clockwise|Anticlockwise|Random|Path", nullptr},
    {OrderPer,                   "Order Per",                     kPop,      1, 3,       1, 3,      1,      0,    false, "Block|Row1|Row2", nullptr},
    {OrderPerBlockMode,          "Order Per Block Mode",          kPop,      1, 4,       1, 4,      1,      0,    false, "Normal|Inverse|Zigzag|Random", nullptr},
    {OrderPath,                  "Order Path",                    ParamKind::Path, 0, 0, 0, 0,      0,      0,    false, nullptr, nullptr},
    {OrderInsider,               "Order Insider",                 kFix,      0, 100,     0, 100,    100,    1,    true,  nullptr, nullptr},
    {OrderInsiderMode,           "Order Insider Mode",            kPop,      1, 2,       1, 2,      1,      0,    false, "Retain|Skip", nullptr},
    {OrderOutsider,              "Order Outsider",                ParamKind::Checkbox, 0, 1, 0, 1,  0,      0,    false, nullptr, "Transparent"},
    {OrderOffset,                "Order Offset",                  ParamKind::Angle, 0, 0, 0, 0,     0,      0,    false, nullptr, nullptr},
    {OrderInverse,               "Order Inverse",                 ParamKind::Checkbox, 0, 1, 0, 1,  0,      0,    false, nullptr, ""},
    {OrderSeed,                  "Order Seed",                    kSld,      0, 10000,   0, 100,    0,      0,    false, nullptr, nullptr},
    {DirectionDependenceOnOrder, "Direction Dependence On Order", kPop,      1, 3,       1, 3,      1,      0,    false, "Off|Normal|Inverse", nullptr},
    {Direction,                  "Direction",                     kPop,      1, 5,       1, 5,      1,      0,    false, "Horizontal|Vertical|Alternate1|Alternate2|Random", nullptr},
    {DirectionMode,              "Direction Mode",                kPop,      1, 5,       1, 5,      1,      0,    false, "Normal|Inverse|Alternate1|Alternate2|Random", nullptr},
    {DirectionSeed,              "Direction Seed",                kSld,      0, 10000,   0, 100,    0,      0,    false, nullptr, nullptr},
    {Easing,                     "Easing",                        kPop,      1, 10,      1, 10,     6,      0,    false, "Linear|Quad|Cubic|Quart|Quint|Expo|Circ|Sine|Bounce|Custom", nullptr},
    {EasingMode,                 "Easing Mode",                   kPop,      1, 3,       1, 3,      3,      0,    false, "In|Out|InOut", nullptr},
    {EasingKeyframe,             "Easing Keyframe",               kFix,      0, 100,     0, 100,    0,      1,    true,  nullptr, nullptr},
    {ViewingMode,                "Viewing Mode",                  kPop,      1, 3,       1, 3,      1,      0,    false, "Output|Only Wiping|Only Not Wiping", nullptr},
}};
// clang-format on

namespace {

constexpr int32_t countItems(const char* items) {
    int32_t count = 1;
    for (const char* p = items; *p != '\0'; ++p) count += *p == '|';
    return count;
}

// The enum of a popup names exactly the items the table registers and accepts.
template <typename Choice>
constexpr bool itemsAgree() {
    constexpr ParamIndex index = ChoiceParam<Choice>::index;
    const ParamSpec& param = kParamTable[static_cast<std::size_t>(index - 1)];
    return param.index == index && param.kind == ParamKind::Popup && param.items != nullptr &&
           countItems(param.items) == itemCount<Choice>() && param.validMin == 1 &&
           param.validMax == itemCount<Choice>() && param.sliderMax == itemCount<Choice>();
}

static_assert(itemsAgree<ModeKind>(), "Mode items");
static_assert(itemsAgree<BlendModeKind>(), "Blend Mode items");
static_assert(itemsAgree<ZIndexKind>(), "Z-index items");
static_assert(itemsAgree<OrderKind>(), "Order items");
static_assert(itemsAgree<OrderPerKind>(), "Order Per items");
static_assert(itemsAgree<PerBlockModeKind>(), "Order Per Block Mode items");
static_assert(itemsAgree<InsiderModeKind>(), "Order Insider Mode items");
static_assert(itemsAgree<DependenceKind>(), "Direction Dependence On Order items");
static_assert(itemsAgree<DirectionKind>(), "Direction items");
static_assert(itemsAgree<DirectionModeKind>(), "Direction Mode items");
static_assert(itemsAgree<EasingKind>(), "Easing items");
static_assert(itemsAgree<EasingModeKind>(), "Easing Mode items");
static_assert(itemsAgree<ViewingModeKind>(), "Viewing Mode items");

}  // namespace

const ParamSpec& paramSpec(int32_t index) { return kParamTable.at(static_cast<std::size_t>(index - 1)); }

const ParamSpec* findParam(const std::string& uiName) {
    for (const ParamSpec& param : kParamTable) {
        if (uiName == param.name) return &param;
    }
    return nullptr;
}

std::vector<std::string> popupItems(const ParamSpec& param) {
    std::vector<std::string> items;
    if (param.kind != ParamKind::Popup || param.items == nullptr) return items;
    const char* start = param.items;
    for (const char* p = start;; ++p) {
        if (*p == '|' || *p == '\0') {
            items.emplace_back(start, static_cast<std::size_t>(p - start));
            if (*p == '\0') break;
            start = p + 1;
        }
    }
    return items;
}

const char* kindName(ParamKind kind) {
    switch (kind) {
        case ParamKind::FixedSlider: return "fixed slider";
        case ParamKind::Slider: return "slider";
        case ParamKind::Popup: return "popup";
        case ParamKind::Path: return "path";
        case ParamKind::Checkbox: return "checkbox";
        case ParamKind::Angle: return "angle";
    }
    return "?";
}

int32_t defaultRawValue(const ParamSpec& param) {
    if (param.kind == ParamKind::FixedSlider || param.kind == ParamKind::Angle) {
        return param.defaultValue * kFixedOne;
    }
    return param.defaultValue;
}

RawParamValues defaultRawValues() {
    RawParamValues values{};
    for (const ParamSpec& param : kParamTable) values[static_cast<std::size_t>(param.index)] = defaultRawValue(param);
    return values;
}

}  // namespace tilesweep
