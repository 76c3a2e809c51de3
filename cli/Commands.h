// The tool's commands, callable from tests without a process.
#pragma once

#include <string>
#include <vector>

#include "Scene.h"

namespace tilesweep {

// Exit codes: 0 done, 1 failed while working, 2 bad input.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitBadInput = 2;

// The scene options that plan and render share, as given on the command line.
struct SceneOptions {
    std::vector<std::string> params;
    std::vector<std::string> masks;
    std::vector<std::string> keyframes;
    double fps = 30.0;
};

// Builds the scene; false with a one-line message on bad input.
bool buildScene(const SceneOptions& options, bool easingKeyframesOnly, Scene& scene, std::string& error);

// Parses an image size "W" for --width/--height: 0 to 30000.
bool parseSize(const std::string& option, const std::string& text, int32_t& value, std::string& error);

// The plan of one frame as JSON, or a message; returns the exit code.
int runPlan(const SceneOptions& options, const std::string& width, const std::string& height,
            std::string& out, std::string& error);

// The 26 parameters with kinds, ranges, defaults and items.
std::string paramsText();

}  // namespace tilesweep
