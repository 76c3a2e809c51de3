// The frames of one render, drawn by several threads at once and written in order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ContactSheet.h"
#include "FrameImage.h"
#include "FrameRenderer.h"
#include "Scene.h"

namespace tilesweep {

struct FrameBatch {
    std::vector<int32_t> times;        // hundredths of a frame
    std::vector<std::string> outputs;  // one file per time, or the sheet's one file
    std::optional<SheetLayout> sheet;  // every frame on one contact sheet
    int jobs = 1;                      // frames in flight at once at most
    bool quiet = false;
};

// Renders every frame of `batch` and writes each file completely or not at all;
// frames are committed in time order, so a failure leaves the earlier ones. False
// with a one-line reason.
bool renderFrames(const Scene& scene, const FrameImage& input, const FrameWindow& window,
                  const FrameBatch& batch, const FrameRenderer& renderer, std::string& error);

}  // namespace tilesweep
