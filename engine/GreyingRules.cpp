#include "GreyingRules.h"

#include "ParamChoices.h"

namespace tilesweep {

namespace {

constexpr int32_t kFullPercent = 100 * kFixedOne;

// The item a popup's value word selects.
template <typename Choice>
Choice chosen(const RawParamValues& v) {
    return popupChoice<Choice>(v[ChoiceParam<Choice>::index]);
}

// Modes whose blocks do not travel in any direction.
bool directionMatters(const RawParamValues& v) {
    const auto mode = chosen<ModeKind>(v);
    return mode != ModeKind::Still2 && mode != ModeKind::Still3 && mode != ModeKind::Shrink2;
}
bool directionChosenFreely(const RawParamValues& v) {
    return directionMatters(v) && chosen<DependenceKind>(v) == DependenceKind::Off;
}
bool directionSeedUsed(const RawParamValues& v) {
    return directionChosenFreely(v) && (chosen<DirectionKind>(v) == DirectionKind::Random ||
                                        chosen<DirectionModeKind>(v) == DirectionModeKind::Random);
}
bool lineOrder(const RawParamValues& v) {
    return chosen<OrderKind>(v) == OrderKind::Horizontal || chosen<OrderKind>(v) == OrderKind::Vertical;
}
bool pathOrder(const RawParamValues& v) { return chosen<OrderKind>(v) == OrderKind::Path; }
bool perBlockLineOrder(const RawParamValues& v) {
    return lineOrder(v) && chosen<OrderPerKind>(v) == OrderPerKind::Block;
}
bool orderSeedUsed(const RawParamValues& v) {
    // A signed comparison: the host never delivers more than 100 %.
    return pathOrder(v) || v[OrderInsider] < kFullPercent || chosen<OrderKind>(v) == OrderKind::Random ||
           (lineOrder(v) && chosen<PerBlockModeKind>(v) == PerBlockModeKind::Random);
}
bool easingCurveChosen(const RawParamValues& v) {
    return chosen<EasingKind>(v) != EasingKind::Linear && chosen<EasingKind>(v) != EasingKind::Custom;
}
bool customEasing(const RawParamValues& v) { return chosen<EasingKind>(v) == EasingKind::Custom; }
bool blocksStack(const RawParamValues& v) {
    return chosen<ModeKind>(v) == ModeKind::Move2 || chosen<ModeKind>(v) == ModeKind::Move3;
}
bool randomStacking(const RawParamValues& v) { return blocksStack(v) && chosen<ZIndexKind>(v) == ZIndexKind::Random; }

constexpr const char* kDirectionFree =
    "\"Mode\" is not Still2, Still3 or Shrink2 and \"Direction Dependence On Order\" is Off";
constexpr const char* kBlocksStack = "\"Mode\" is Move2 or Move3";

}  // namespace

const std::array<GreyingRule, kGreyingRuleCount> kGreyingRules = {{
    {Direction, directionChosenFreely, kDirectionFree},
    {DirectionMode, directionChosenFreely, kDirectionFree},
    {DirectionSeed, directionSeedUsed,
     "\"Mode\" is not Still2, Still3 or Shrink2, \"Direction Dependence On Order\" is Off and "
     "\"Direction\" or \"Direction Mode\" is Random"},
    {OrderPer, lineOrder, "\"Order\" is Horizontal or Vertical"},
    {OrderPath, pathOrder, "\"Order\" is Path"},
    {DirectionDependenceOnOrder, directionMatters, "\"Mode\" is not Still2, Still3 or Shrink2"},
    {OrderPerBlockMode, perBlockLineOrder, "\"Order\" is Horizontal or Vertical and \"Order Per\" is Block"},
    {OrderSeed, orderSeedUsed,
     "\"Order\" is Path or Random, \"Order Insider\" is below 100 %, or \"Order Per Block Mode\" is "
     "Random with \"Order\" Horizontal or Vertical"},
    {EasingMode, easingCurveChosen, "\"Easing\" is neither Linear nor Custom"},
    {EasingKeyframe, customEasing, "\"Easing\" is Custom"},
    {BlendMode, blocksStack, kBlocksStack},
    {ZIndex, blocksStack, kBlocksStack},
    {ZIndexSeed, randomStacking, "\"Mode\" is Move2 or Move3 and \"Z-index\" is Random"},
}};

const GreyingRule* greyingRuleOf(int32_t param) {
    for (const GreyingRule& rule : kGreyingRules) {
        if (rule.param == param) return &rule;
    }
    return nullptr;
}

}  // namespace tilesweep
