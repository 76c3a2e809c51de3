// What the render command line asks for, checked before any image is read.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FrameImage.h"
#include "FramePattern.h"
#include "RenderCommand.h"

namespace tilesweep {

enum class Product { Frame, Sequence, Sheet };

// Everything the command line decided, checked.
struct RenderJob {
    Product product = Product::Frame;
    std::optional<PixelDepth> depth;
    int64_t frameCount = 1;
    int32_t frameTime = 0;
    int32_t sheetColumns = 0;
    int32_t sheetRows = 0;
    int32_t width = 1920;  // of the built-in test image
    int32_t height = 1080;
    std::optional<uint32_t> noiseSeed;  // the seeded noise picture instead of the test image
    FramePattern pattern;
    int32_t downsampleX = 1;  // the frame at 1/downsampleX across, 1/downsampleY down
    int32_t downsampleY = 1;
};

// False with a one-line reason.
bool readJob(const RenderOptions& options, RenderJob& job, std::string& error);

// The files the job writes, in frame order.
std::vector<std::string> outputPaths(const RenderOptions& options, const RenderJob& job);

// "LEFT,TOP,RIGHT,BOTTOM", right and bottom exclusive, within a layer of `width` x
// `height` and not empty. False with a one-line reason.
bool parseRegion(const std::string& text, int32_t width, int32_t height, Rect& region, std::string& error);

// A decimal integer from `low` to `high` and nothing else.
bool parseInteger(const std::string& text, int64_t low, int64_t high, int64_t& value);

}  // namespace tilesweep
