// Before each frame: the frame's settings record for the render, the input request
// and the output extent.
#pragma once

#include <array>

#include "AE_HostApi.h"
#include "Flavour.h"
#include "FrameRegion.h"
#include "ParamTable.h"
#include "WipeSettings.h"

namespace tilesweep::plugin {

// Every parameter the engine reads, in checkout order; "Easing Keyframe" is read by
// the render through its keyframes instead.
constexpr std::array<ParamIndex, 25> kPreRenderCheckouts = {
    Completion, Delay, Row, Column, Direction, DirectionMode, DirectionSeed, Order, OrderPer,
    OrderPath, DirectionDependenceOnOrder, OrderInsider, OrderInsiderMode, OrderOutsider,
    OrderInverse, OrderPerBlockMode, OrderOffset, OrderSeed, Easing, EasingMode, Mode, BlendMode,
    ZIndex, ZIndexSeed, ViewingMode};

// The block behind the pre-render data. The host calls the disposer with nothing
// but the handle, so the handle carries what the disposer needs to reach the
// host's allocator again: the handle suite, or the utility callback when the suite
// cannot be had between commands.
struct SettingsBlock {
    WipeSettings record;
    const SPBasicSuite* basic;
    A_long handleSuiteVersion;
    FrameRegion region;
    void (*utilityDispose)(PF_Handle);
};

// Grows `destination` to hold `source`; an empty destination becomes a copy of
// `source`, an empty source changes nothing.
void mergeRect(PF_LRect& destination, const PF_LRect& source);

// The pre-render data's disposer: frees the settings handle.
void disposeSettingsHandle(void* preRenderData);

PF_Err smartPreRender(const Flavour& flavour, PF_InData& in, PF_PreRenderExtra& extra);

}  // namespace tilesweep::plugin
