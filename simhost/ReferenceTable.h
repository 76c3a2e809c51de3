// The table of reference frames: scenes that together walk the parameter space,
// each with the hash of its frame at every depth, kept as reviewable text.
//
// A scene is one line:
//   NAME  FRAME  WxH  VIEW  HASH8  HASH16  HASH32F  | SETTING | SETTING ...
// VIEW is "full", "region=LEFT,TOP,RIGHT,BOTTOM" (within the layer), "down=NxM" (the
// layer at 1/N across and 1/M down, as a viewer at reduced resolution shows it) or
// "down=NxM+region=..." (the region in the reduced frame's pixels). A hash is 16
// hex digits, or "-" for a scene not rendered yet. A SETTING is "UI Name=VALUE",
// "key UI Name=TIME:VALUE" (TIME in frames) or "mask SVG-PATH" (masks numbered in
// order from 1). Lines starting with '#' and blank lines are kept as they are.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "Scene.h"
#include "WipeTypes.h"

namespace tilesweep::simhost {

constexpr std::array<PixelDepth, 3> kReferenceDepths = {Depth8, Depth16, Depth32f};
// The seed of the noise picture every scene wipes.
constexpr uint32_t kReferenceNoiseSeed = 9;
// Bounds that the table's text cannot talk past.
constexpr int32_t kMaxReferenceSide = 512;
constexpr int32_t kMaxReferenceFrame = 100000;
constexpr std::size_t kMaxReferenceScenes = 20000;
constexpr int32_t kMaxReferenceDownsample = 16;

struct ReferenceScene {
    std::string name;
    int32_t frame = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t downsampleX = 1;
    int32_t downsampleY = 1;
    std::optional<Rect> region;  // in the (reduced) frame's pixels
    std::array<std::optional<uint64_t>, 3> hashes;  // by kReferenceDepths
    std::vector<std::string> settings;
    int32_t line = 0;  // 1-based, for messages

    int32_t time() const { return frame * 100; }
    // The frame's size at its resolution.
    int32_t frameWidth() const { return (width + downsampleX - 1) / downsampleX; }
    int32_t frameHeight() const { return (height + downsampleY - 1) / downsampleY; }
};

// Comments and blank lines stay where they were, so that a rewrite changes only hashes.
struct ReferenceLine {
    std::string text;                    // when not a scene
    std::optional<ReferenceScene> scene;
};

struct ReferenceTable {
    std::vector<ReferenceLine> lines;

    std::vector<ReferenceScene*> scenes();
    std::vector<const ReferenceScene*> scenes() const;
};

// False with a one-line reason naming the line. Names are unique.
bool parseReferenceTable(const std::string& text, ReferenceTable& table, std::string& error);
std::string formatReferenceTable(const ReferenceTable& table);
std::string formatReferenceScene(const ReferenceScene& scene);

// The scene's settings as the tool reads them. False with a one-line reason.
bool sceneFromSettings(const ReferenceScene& reference, Scene& scene, std::string& error);

// The settings in one line, and the tool's command that renders the frame.
std::string describeReferenceScene(const ReferenceScene& scene);
// The tool's render arguments for the frame, all but the output.
std::vector<std::string> renderArguments(const ReferenceScene& scene, PixelDepth depth);
// The whole command, with an output file named after the scene in a format that
// holds the depth exactly.
std::string renderCommandFor(const ReferenceScene& scene, PixelDepth depth);

std::string hashText(uint64_t hash);

}  // namespace tilesweep::simhost
