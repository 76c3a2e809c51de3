// A whole life of the effect as a host gives it: load, register, one instance that
// shows its controls and renders frames, then setdown and unload. A host stops a
// life where a real one would: a plug-in that fails its global setup is not used,
// one whose registration fails or is incomplete gets no instance, an instance whose
// setup fails renders nothing.
#pragma once

#include <cstdint>
#include <vector>

#include "SimHost.h"

namespace tilesweep::simhost {

struct LifeFrame {
    Scene scene;
    int32_t time = 0;  // hundredths of a frame
    PF_LRect request{};  // empty: the whole layer
};

struct LifePlan {
    PixelDepth depth = Depth8;
    int32_t width = 16;
    int32_t height = 12;
    int32_t paddingPixels = 0;
    uint32_t imageSeed = 1;
    // Each frame's scene is shown to the user (a parameter-UI update) before it renders.
    std::vector<LifeFrame> frames;
    // The 32-bit flavour also answers PF_Cmd_COMPLETELY_GENERAL.
    const char* generalText = "Tovela";
    // The instance is set up again (as after loading a project) before its frames.
    bool resetup = false;
    // How the host shows every frame: its resolution and where the buffer lies (each
    // frame's own request replaces this one's).
    FrameOptions frameOptions;
};

struct LifeReport {
    bool reachedSetdown = false;
    std::vector<PixelBuffer> outputs;  // one per frame rendered
    std::vector<PF_Err> frameErrs;
};

// The input every frame of the plan renders from.
PixelBuffer lifeInput(const LifePlan& plan);

LifeReport runLife(SimHost& host, const LifePlan& plan);

}  // namespace tilesweep::simhost
