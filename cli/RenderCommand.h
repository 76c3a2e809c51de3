// `tilesweep render`: frames, sequences and contact sheets of the wipe, written as
// image files.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "ImageFile.h"
#include "LocalServices.h"
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
    std::string region;  // "LEFT,TOP,RIGHT,BOTTOM": only this rectangle of the layer
    bool quiet = false;
    bool direct = false;  // the engine alone, without the plug-in
    std::string plugin;   // the plug-in file; empty: the one beside the tool
    std::string jobs;     // frames rendered at once; empty: one per core
    std::string memoryBudget;  // "--memory-budget"; empty: from the machine's memory
};

// Blocks drawn so far of the frame's total.
using BlockProgress = std::function<void(int32_t done, int32_t total)>;

// Renders the scene at `time` (hundredths of a frame) over `input`, at the input's
// depth, into `output`: the whole layer, or with a `region` just that rectangle of
// it. False with a one-line reason. Every frame the command writes goes through one
// such function, so another backend can replace it. It is called from several
// threads at once, each with its own `output`.
using FrameRenderer =
    std::function<bool(const Scene& scene, int32_t time, const FrameImage& input, const std::optional<Rect>& region,
                       const BlockProgress& progress, FrameImage& output, std::string& error)>;

// "LEFT,TOP,RIGHT,BOTTOM", right and bottom exclusive, within a layer of `width` x
// `height` and not empty. False with a one-line reason.
bool parseRegion(const std::string& text, int32_t width, int32_t height, Rect& region, std::string& error);

// Local services whose per-frame arrays are kept for the thread's next frame. Fresh
// memory costs a page fault per page on first touch, which for a big grid (300 MB of
// arrays at 3000 x 3000 blocks) takes far longer than drawing the frame.
class ReusingServices : public LocalServices {
public:
    using LocalServices::LocalServices;
    bool allocateArray(std::size_t bytes, ArrayMemory& memory) override;
    void freeArray(ArrayMemory& memory) override;
};

// The engine's own frame pipeline with the tool's reusing services.
bool renderSceneFrame(const Scene& scene, int32_t time, const FrameImage& input, const std::optional<Rect>& region,
                      const BlockProgress& progress, FrameImage& output, std::string& error);

// An output name with one printf-style frame number ("%d", "%04d", "%4d") in its
// file name; "%%" is a literal percent sign.
class FramePattern {
public:
    static bool parse(const std::string& path, FramePattern& pattern, std::string& error);
    std::string path(int64_t frameNumber) const;

private:
    std::string before_;
    std::string after_;
    int width_ = 0;
    bool zeroPadded_ = false;
};

// Makes "Completion" run from 0 % at `firstTime` to 100 % at `lastTime` unless
// the user keyframed it.
void sweepCompletion(Scene& scene, int32_t firstTime, int32_t lastTime);

// Times of `count` evenly spaced moments of the whole wipe: over the span of the
// user's keyframes when they span any time ("Easing Keyframe" shapes the easing, not
// the timeline), otherwise one frame apart with "Completion" swept over them.
std::vector<int32_t> momentsOfTheWipe(Scene& scene, int32_t count);

// Runs the command; messages and the progress bar go to stderr. Returns the exit
// code with a one-line message in `error` when it is not 0.
int runRender(const RenderOptions& options, std::string& error, const FrameRenderer& renderer = renderSceneFrame);

// The same through the plug-in in a simulated host (what the host would show):
// values are checked against the registered definitions, and parameters the UI
// rules grey out get a warning.
int runRenderThroughPlugin(const RenderOptions& options, std::string& error);

// The render module's file, beside the tool, and its entry point (runRender).
constexpr const char* kRenderModuleFile = "tilesweep_render.so";
constexpr const char* kRenderEntryName = "tilesweepRunRender";
using RenderEntry = int (*)(const RenderOptions* options, std::string* error);

}  // namespace tilesweep
