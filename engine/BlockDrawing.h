// Puts the picture together: output preparation, the outsider passes and the block
// pass, for every mode and viewing mode.
#pragma once

#include <cstdint>

#include "ParamChoices.h"
#include "RenderServices.h"
#include "WipeSettings.h"
#include "WipeTypes.h"

namespace tilesweep {

struct FramePlan;

// What every pass of one frame draws with.
struct BlockPainter {
    const WipeSettings& settings;
    const FramePlan& plan;
    const ImageView& output;
    Rect outputArea;  // what the output shows, in image coordinates
    PixelDepth depth;
    RenderServices& services;
    CompositeMode frameMode;
};

// The host transfer mode of a "Blend Mode" value, at full opacity.
CompositeMode frameCompositeMode(int32_t blendMode);

// A copy of the input, or all transparent, as the completion and mode ask.
int32_t prepareOutput(const WipeSettings& settings, const FramePlan& plan, RenderServices& services);

int32_t drawOutsiders(const BlockPainter& painter);
int32_t drawBlocks(const BlockPainter& painter);
// With moving blocks stacked Late, outsiders lie on top of them.
int32_t drawLateOutsiders(const BlockPainter& painter);

}  // namespace tilesweep
