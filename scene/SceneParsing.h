// The command line's forms ("UI Name=VALUE", "UI Name=TIME:VALUE", SVG masks) read
// into a scene; each returns false with a one-line message.
#pragma once

#include <cstdint>
#include <string>

#include "ParamTable.h"
#include "Scene.h"

namespace tilesweep {

bool parseParamAssignment(const std::string& text, int32_t maskCount, Scene& scene, std::string& error);
bool parseKeyframe(const std::string& text, int32_t maskCount, Scene& scene, std::string& error);
bool addMask(const std::string& svgPath, Scene& scene, std::string& error);
// Checks cross-references once all options are read (mask numbers, keyframes).
bool validateScene(const Scene& scene, std::string& error);

// Value text of a parameter in the user's terms (for dumps and messages).
std::string describeAccepted(const ParamSpec& param);

}  // namespace tilesweep
