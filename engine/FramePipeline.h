// One frame of the wipe: settings, input and output in, finished output out.
#pragma once

#include <cstdint>

#include "BlockOrder.h"
#include "RenderServices.h"
#include "Timing.h"
#include "WipeSettings.h"
#include "WipeTypes.h"

namespace tilesweep {

constexpr int32_t kErrNone = 0;
constexpr int32_t kErrOutOfMemory = 4;
constexpr int32_t kErrBadImageSize = 255;
constexpr int32_t kErrInternalStructDamaged = 512;
constexpr int32_t kErrBadCallbackParam = 516;
constexpr const char* kMemoryErrorMessage = "Memory Error!";

// The frame's per-frame arrays, allocated through the services and freed in the
// order blocks, directions, step progress on every path.
class FrameArrays {
public:
    explicit FrameArrays(ArrayAllocator& allocator) : allocator_(allocator) {}
    FrameArrays(const FrameArrays&) = delete;
    FrameArrays& operator=(const FrameArrays&) = delete;
    ~FrameArrays();

    bool allocate(ArrayMemory& memory, std::size_t bytes);

    ArrayMemory blocks;
    ArrayMemory directions;
    ArrayMemory stepProgress;

private:
    ArrayAllocator& allocator_;
};

// Everything decided about a frame before any block is drawn.
struct FramePlan {
    int32_t imageWidth = 0;
    int32_t imageHeight = 0;
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

// Grid, directions, order, offset, timing and easing of a frame (everything up to
// drawing). Returns 0, 512 after "Memory Error!", or the first host error.
int32_t planWipe(const WipeSettings& settings, int32_t imageWidth, int32_t imageHeight,
                 PlanServices& services, FrameArrays& arrays, FramePlan& plan);

// Fills the rank-to-block map when moving blocks or direction dependence read it,
// applies direction dependence and the random stacking.
void fillRankMap(const WipeSettings& settings, FramePlan& plan);

// The whole plan of a frame, as `renderFrame` makes it before drawing.
int32_t planFrame(const WipeSettings& settings, int32_t imageWidth, int32_t imageHeight,
                  PlanServices& services, FrameArrays& arrays, FramePlan& plan);

// Renders one frame. Returns 0, 255 for images that do not fit, 512 after
// "Memory Error!", or the code of the first failed host operation.
int32_t renderFrame(const WipeSettings& settings, const ImageView& input, const ImageView& output,
                    PixelDepth depth, RenderServices& services);

}  // namespace tilesweep
