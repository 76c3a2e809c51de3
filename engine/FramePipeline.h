// One frame of the wipe: settings, input and output in, finished output out.
#pragma once

#include <cstdint>

#include "FrameGeometry.h"
#include "FramePlan.h"
#include "RenderServices.h"
#include "ResultCodes.h"
#include "WipeSettings.h"
#include "WipeTypes.h"

namespace tilesweep {

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

// Grid, directions, order, offset, timing and easing of a frame (everything up to
// drawing), the blocks placed in an image of `imageWidth` x `imageHeight` that lies
// under the grid as `geometry` says. Returns 0, 512 after "Memory Error!", or the
// first host error.
int32_t planWipe(const WipeSettings& settings, const FrameGeometry& geometry, int32_t imageWidth,
                 int32_t imageHeight, PlanServices& services, FrameArrays& arrays, FramePlan& plan);

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
// The same for an input that lies under the grid as `geometry` says (a reduced
// resolution, a buffer that does not start at the layer's corner).
int32_t renderFrame(const WipeSettings& settings, const FrameGeometry& geometry, const ImageView& input,
                    const ImageView& output, PixelDepth depth, RenderServices& services);
// The same into an output that shows only `outputArea` of the frame (input image
// coordinates, the output's size; beyond the image it is transparent): exactly those
// pixels of the whole frame, at the cost of the area.
int32_t renderFrame(const WipeSettings& settings, const FrameGeometry& geometry, const ImageView& input,
                    const ImageView& output, const Rect& outputArea, PixelDepth depth, RenderServices& services);

}  // namespace tilesweep
