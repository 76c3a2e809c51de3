// Which block wipes when: every block gets a rank, and the frame its step count.
#pragma once

#include <cstdint>

#include "ParamChoices.h"
#include "RenderServices.h"
#include "SeededRandom.h"
#include "WipeTypes.h"

namespace tilesweep {

struct BlockGrid {
    BlockRecord* blocks;
    int32_t blockCount;
    int32_t gridRows;
    int32_t gridColumns;
};

// The order settings as the frame uses them (after the Path fallback).
struct OrderChoice {
    OrderKind order;
    OrderPerKind orderPer;
    PerBlockModeKind orderPerBlockMode;
    int32_t orderInverse;
    DependenceKind directionDependence;
    double orderInsider;
    InsiderModeKind orderInsiderMode;
};

// Horizontal or Vertical with "Order Per" other than Block: timing runs per row or
// per column.
bool isRowMode(const OrderChoice& choice);

// Where the grid's corner lies in the coordinates of the mask path (the layer's, at
// full resolution).
struct PathOrigin {
    double x = 0.0;
    double y = 0.0;
};

// Ranks the blocks that the mask passes over, counting `stepCount` up from 0. The
// grid is `gridWidth` x `gridHeight` pixels with its corner at `origin`. Returns the
// first host error; a path that was checked out is always checked in.
int32_t walkOrderPath(const BlockGrid& grid, int32_t gridWidth, int32_t gridHeight,
                      int32_t orderPathId, OrderPathSource& path, const OrderChoice& choice,
                      SeededRandom& insiderGenerator, int32_t& stepCount, PathOrigin origin = {});

// Ranks every block for the order; `stepCount` comes in as the Path walk or the row
// count left it and goes out as the number of timing steps. Ends with "Order Inverse".
void computeBlockOrder(const BlockGrid& grid, DirectionCode* directions, int32_t& stepCount,
                       const OrderChoice& choice, SeededRandom& orderGenerator,
                       SeededRandom& insiderGenerator);

// "Order Offset": the block at position trunc(stepCount x orderOffset) starts the wipe.
void rotateRanks(const BlockGrid& grid, int32_t stepCount, double orderOffset,
                 const OrderChoice& choice);

// Truncation toward zero of a double into 32 bits; NaN gives 0, values beyond the
// range saturate (never an undefined conversion).
int32_t truncToInt32(double value);

}  // namespace tilesweep
