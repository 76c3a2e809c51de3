// Drawing one frame of the scene: the seam where another backend can take over.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "FrameImage.h"
#include "Scene.h"

namespace tilesweep {

// Blocks drawn so far of the frame's total.
using BlockProgress = std::function<void(int32_t done, int32_t total)>;

// What the tool shows of a frame: the layer at 1/downsampleX across and 1/downsampleY
// down, as a viewer at reduced resolution subsamples it, and of that all or only
// `region` (in reduced pixels).
struct FrameWindow {
    std::optional<Rect> region;
    int32_t downsampleX = 1;
    int32_t downsampleY = 1;

    bool reduced() const { return downsampleX != 1 || downsampleY != 1; }
};

// Renders the scene at `time` (hundredths of a frame) over `input`, at the input's
// depth, into `output`: the whole layer, or what `window` says of it. False with a one-line reason. Every frame the command writes goes through one
// such function, so another backend can replace it. It is called from several
// threads at once, each with its own `output`.
using FrameRenderer =
    std::function<bool(const Scene& scene, int32_t time, const FrameImage& input, const FrameWindow& window,
                       const BlockProgress& progress, FrameImage& output, std::string& error)>;

// The engine's own frame pipeline with the tool's reusing services.
bool renderSceneFrame(const Scene& scene, int32_t time, const FrameImage& input, const FrameWindow& window,
                      const BlockProgress& progress, FrameImage& output, std::string& error);

}  // namespace tilesweep
