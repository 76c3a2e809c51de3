// Frames for the frei0r tests: made-up pictures in frei0r's byte order and the
// reference render of the command line's direct path.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ImageFile.h"
#include "RenderCommand.h"
#include "SceneParsing.h"
#include "WipeCases.h"

namespace tilesweep::test {

using RgbaFrame = std::vector<uint32_t>;

// Bytes red, green, blue, alpha; every channel varies, alpha included.
inline RgbaFrame patternFrame(int32_t width, int32_t height, uint32_t seed, bool opaque) {
    RgbaFrame frame(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    uint32_t state = seed * 2654435761u + 1u;
    for (uint32_t& pixel : frame) {
        state = state * 1664525u + 1013904223u;
        uint8_t* bytes = reinterpret_cast<uint8_t*>(&pixel);
        bytes[0] = static_cast<uint8_t>(state >> 24);
        bytes[1] = static_cast<uint8_t>(state >> 16);
        bytes[2] = static_cast<uint8_t>(state >> 8);
        bytes[3] = opaque ? 255 : static_cast<uint8_t>(state);
    }
    return frame;
}

inline FrameImage engineImage(const RgbaFrame& frame, int32_t width, int32_t height) {
    FrameImage image = FrameImage::blank(Depth8, width, height);
    const auto* rgba = reinterpret_cast<const uint8_t*>(frame.data());
    for (std::size_t p = 0; p < frame.size(); ++p) {
        image.bytes[4 * p] = rgba[4 * p + 3];
        image.bytes[4 * p + 1] = rgba[4 * p];
        image.bytes[4 * p + 2] = rgba[4 * p + 1];
        image.bytes[4 * p + 3] = rgba[4 * p + 2];
    }
    return image;
}

inline RgbaFrame rgbaFrame(const FrameImage& image) {
    RgbaFrame frame(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height));
    auto* rgba = reinterpret_cast<uint8_t*>(frame.data());
    for (std::size_t p = 0; p < frame.size(); ++p) {
        rgba[4 * p] = image.bytes[4 * p + 1];
        rgba[4 * p + 1] = image.bytes[4 * p + 2];
        rgba[4 * p + 2] = image.bytes[4 * p + 3];
        rgba[4 * p + 3] = image.bytes[4 * p];
    }
    return frame;
}

// The scene the command line builds from the same settings.
inline Scene sceneOf(const WipeCase& wipe, std::string& error) {
    Scene scene;
    const std::vector<std::string> options = toolOptions(wipe);
    for (std::size_t i = 0; i + 1 < options.size(); i += 2) {
        bool ok = true;
        if (options[i] == "--mask") ok = addMask(options[i + 1], scene, error);
        if (options[i] == "--param") ok = parseParamAssignment(options[i + 1], static_cast<int32_t>(scene.masks.size()), scene, error);
        if (options[i] == "--keyframe") ok = parseKeyframe(options[i + 1], static_cast<int32_t>(scene.masks.size()), scene, error);
        if (!ok) break;
    }
    return scene;
}

// What `tilesweep render --direct --depth 8` makes of `input`, in frei0r's order.
inline RgbaFrame directRender(const WipeCase& wipe, const RgbaFrame& input, int32_t width, int32_t height,
                              std::string& error) {
    const Scene scene = sceneOf(wipe, error);
    FrameImage output;
    if (!error.empty() || !renderSceneFrame(scene, 0, engineImage(input, width, height), FrameWindow{}, {}, output, error)) return {};
    return rgbaFrame(output);
}

}  // namespace tilesweep::test
