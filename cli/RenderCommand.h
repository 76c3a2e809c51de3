// `tilesweep render`: frames, sequences and contact sheets of the wipe, written as
// image files.
#pragma once

#include <string>

#include "Commands.h"
#include "FrameRenderer.h"
#include "Scene.h"

namespace tilesweep {

// The render command's options as given on the command line.
struct RenderOptions {
    SceneOptions scene;
    std::string input;   // empty: the built-in test image
    std::string output;
    std::string depth;   // "8", "16", "32"; empty: the input's
    std::string frames;  // a sequence of this many frames
    std::string frame;   // one frame of the animation
    std::string sheet;   // "CxR" contact sheet
    std::string size;    // "WxH" of the built-in test image
    std::string noise;   // seed of the noise picture that replaces the test image
    std::string region;  // "LEFT,TOP,RIGHT,BOTTOM": only this rectangle of the layer
    std::string downsample;  // "N" or "N,M": at 1/N across and 1/M down
    bool quiet = false;
    bool direct = false;  // the engine alone, without the plug-in
    std::string plugin;   // the plug-in file; empty: the one beside the tool
    std::string jobs;     // frames rendered at once; empty: one per core
    std::string memoryBudget;  // "--memory-budget"; empty: from the machine's memory
};

// Runs the command; messages and the progress bar go to stderr. Returns the exit
// code with a one-line message in `error` when it is not 0.
int runRender(const RenderOptions& options, std::string& error, const FrameRenderer& renderer = renderSceneFrame);

// The same through the plug-in in a simulated host (what the host would show):
// values are checked against the registered definitions, and parameters the UI
// rules grey out get a warning.
int runRenderThroughPlugin(const RenderOptions& options, std::string& error);

// The render module's file, found as findToolFile finds it, and its entry point (runRender).
constexpr const char* kRenderModuleFile = "tilesweep_render.so";
constexpr const char* kRenderEntryName = "tilesweepRunRender";
using RenderEntry = int (*)(const RenderOptions* options, std::string* error);

}  // namespace tilesweep
