// The plan of one frame: grid, order, timing and the per-frame arrays, as the
// drawing reads them.
#pragma once

#include <cstdint>

#include "BlockOrder.h"
#include "FrameGeometry.h"
#include "Timing.h"
#include "WipeTypes.h"

namespace tilesweep {

// Everything decided about a frame before any block is drawn.
struct FramePlan {
    int32_t imageWidth = 0;  // what is drawn
    int32_t imageHeight = 0;
    int32_t gridWidth = 0;  // what the grid is laid over, at full resolution
    int32_t gridHeight = 0;
    PixelScale scaleX;  // image pixels per grid pixel
    PixelScale scaleY;
    int32_t gridRows = 0;
    int32_t gridColumns = 0;
    int32_t blockCount = 0;
    int32_t stepCount = 0;
    OrderChoice order{};  // effective order settings
    bool pathOrder = false;
    bool rowMode = false;
    bool moveStacking = false;
    bool lateOutsiders = false;
    TimingConstants timing;
    double effectiveCompletion = 0.0;
    BlockRecord* blocks = nullptr;
    DirectionCode* directions = nullptr;
    double* stepProgress = nullptr;

    BlockGrid grid() const { return BlockGrid{blocks, blockCount, gridRows, gridColumns}; }
};

}  // namespace tilesweep
