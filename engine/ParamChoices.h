// The items of every popup parameter by name. Items are numbered from 1 as the host
// delivers them, so each enum's last item number is its item count; `Count` names it
// and ParamTable.cpp ties it to the item list of the parameter table.
// The settings record keeps plain 32-bit words: convert with `popupChoice` where a
// value is read and `popupValue` where one is written. Any word converts (the enums
// have a fixed underlying type), so a value the effect does not know takes the
// `default:` of a switch.
#pragma once

#include <cstdint>

#include "ParamTable.h"

namespace tilesweep {

enum class ModeKind : int32_t { Still1 = 1, Still2, Still3, Move1, Move2, Move3, Shrink1, Shrink2, Count = Shrink2 };

enum class BlendModeKind : int32_t {
    Normal = 1, Add, Multiply, Screen, Overlay, HardLight, Darken, Lighten, Difference, Dodge, Burn,
    LinearLight, VividLight, PinLight, HardMix, Count = HardMix
};

enum class ZIndexKind : int32_t { Early = 1, Late, Random, Count = Random };

enum class OrderKind : int32_t {
    Horizontal = 1, Vertical, Clockwise, Anticlockwise, Random, Path, Count = Path
};

enum class OrderPerKind : int32_t { Block = 1, Row1, Row2, Count = Row2 };

enum class PerBlockModeKind : int32_t { Normal = 1, Inverse, Zigzag, Random, Count = Random };

enum class InsiderModeKind : int32_t { Retain = 1, Skip, Count = Skip };

enum class DependenceKind : int32_t { Off = 1, Normal, Inverse, Count = Inverse };

enum class DirectionKind : int32_t { Horizontal = 1, Vertical, Alternate1, Alternate2, Random, Count = Random };

enum class DirectionModeKind : int32_t { Normal = 1, Inverse, Alternate1, Alternate2, Random, Count = Random };

enum class EasingKind : int32_t {
    Linear = 1, Quad, Cubic, Quart, Quint, Expo, Circ, Sine, Bounce, Custom, Count = Custom
};

enum class EasingModeKind : int32_t { In = 1, Out, InOut, Count = InOut };

enum class ViewingModeKind : int32_t { Output = 1, OnlyWiping, OnlyNotWiping, Count = OnlyNotWiping };

// The parameter whose items an enum names.
template <typename Choice>
struct ChoiceParam;
template <> struct ChoiceParam<ModeKind> { static constexpr ParamIndex index = Mode; };
template <> struct ChoiceParam<BlendModeKind> { static constexpr ParamIndex index = BlendMode; };
template <> struct ChoiceParam<ZIndexKind> { static constexpr ParamIndex index = ZIndex; };
template <> struct ChoiceParam<OrderKind> { static constexpr ParamIndex index = Order; };
template <> struct ChoiceParam<OrderPerKind> { static constexpr ParamIndex index = OrderPer; };
template <> struct ChoiceParam<PerBlockModeKind> { static constexpr ParamIndex index = OrderPerBlockMode; };
template <> struct ChoiceParam<InsiderModeKind> { static constexpr ParamIndex index = OrderInsiderMode; };
template <> struct ChoiceParam<DependenceKind> { static constexpr ParamIndex index = DirectionDependenceOnOrder; };
template <> struct ChoiceParam<DirectionKind> { static constexpr ParamIndex index = Direction; };
template <> struct ChoiceParam<DirectionModeKind> { static constexpr ParamIndex index = DirectionMode; };
template <> struct ChoiceParam<EasingKind> { static constexpr ParamIndex index = Easing; };
template <> struct ChoiceParam<EasingModeKind> { static constexpr ParamIndex index = EasingMode; };
template <> struct ChoiceParam<ViewingModeKind> { static constexpr ParamIndex index = ViewingMode; };

template <typename Choice>
constexpr Choice popupChoice(int32_t value) {
    return static_cast<Choice>(value);
}

template <typename Choice>
constexpr int32_t popupValue(Choice choice) {
    return static_cast<int32_t>(choice);
}

template <typename Choice>
constexpr int32_t itemCount() {
    return popupValue(Choice::Count);
}

}  // namespace tilesweep
