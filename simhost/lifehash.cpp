// Plays whole lives of one plug-in build in the simulated host, one life per pixel
// depth, over a fixed sequence of frames (some of them regions of the layer), and prints one line per frame: the render's
// return code and an FNV-1a hash of the output's bytes (row padding included, which
// must stay untouched). Builds that agree print identical text, whatever the
// processor, system or record layout, so comparing two runs is a plain diff.
//   tilesweep_lifehash 64|32 PLUGIN
//   tilesweep_lifehash 32 --pe PLUGIN.aex   (32-bit x86 Linux builds: a 32-bit Windows
//                                           build of the plug-in, through our own loader)
// Exits 1 if a life does not run cleanly (a failed command, a frame that failed, a
// resource not given back, a complaint of the host), 2 on bad arguments.
#include <cstdint>
#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "Fnv1a.h"
#include "Life.h"
#include "ParamTable.h"
#include "SceneParsing.h"
#include "SimHost.h"

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif
#if TILESWEEP_PE32_LOADER
#include "AexEntry.h"
#include "PeModule.h"
#endif

namespace {

using namespace tilesweep;
using namespace tilesweep::simhost;

constexpr int32_t kWidth = 64;
constexpr int32_t kHeight = 48;
constexpr int32_t kPadding = 3;
constexpr uint32_t kImageSeed = 9;
constexpr int kFrameCount = 48;

// A polyline and a closed cubic, in the 64 x 48 layer.
const char* const kMasks[] = {"M 3 4 L 48 10 L 58 40 L 6 36", "M 2 44 C 20 -12 42 66 62 3 Z"};

// A full 0-100 curve and one that neither starts at 0 nor reaches 100.
const std::vector<std::string> kEasingCurves[] = {
    {"Easing Keyframe=0:0", "Easing Keyframe=16:70", "Easing Keyframe=40:100"},
    {"Easing Keyframe=3:20", "Easing Keyframe=30:85"},
};

std::string popupItem(ParamIndex index, int32_t item) {
    return popupItems(paramSpec(index)).at(static_cast<std::size_t>(item - 1));
}

// Frame k of the sequence. The popups step with different periods so that the
// sequence meets every mode, order, easing, easing mode, blend mode, z-index,
// direction rule and viewing mode, and every mode in every viewing mode. Every
// frame has both masks and the Completion and Easing Keyframe animations.
struct FrameSettings {
    std::vector<std::string> values;
    std::vector<std::string> keyframes;
    std::string label;
};

FrameSettings frameSettings(int k) {
    const auto item = [](int count, int step) { return 1 + step % count; };
    const int mode = item(8, k), order = item(6, k), easing = item(10, k), viewing = item(3, k / 8);
    const auto on = [](bool value) { return std::string(value ? "on" : "off"); };
    FrameSettings s;
    s.values = {
        "Delay=" + std::to_string(k * 13 % 101),
        "Row=" + std::to_string(2 + k % 7),
        "Column=" + std::to_string(2 + k * 3 % 9),
        "Mode=" + std::to_string(mode),
        "Blend Mode=" + std::to_string(item(15, k)),
        "Z-index=" + std::to_string(item(3, k / 2)),
        "Z-index Seed=" + std::to_string(k * 3),
        "Order=" + std::to_string(order),
        "Order Per=" + std::to_string(item(3, k / 4)),
        "Order Per Block Mode=" + std::to_string(item(4, k / 12)),
        "Order Path=" + std::to_string(item(2, k / 6)),
        "Order Insider=" + std::to_string(k % 4 == 1 ? 55 : k % 4 == 3 ? 80 : 100),
        "Order Insider Mode=" + std::to_string(item(2, k / 4)),
        "Order Outsider=" + on(k % 3 == 2),
        "Order Offset=" + std::to_string(k * 37 % 360),
        "Order Inverse=" + on(k % 5 == 2),
        "Order Seed=" + std::to_string(k * 7 % 100),
        "Direction Dependence On Order=" + std::to_string(item(3, k / 3)),
        "Direction=" + std::to_string(item(5, k)),
        "Direction Mode=" + std::to_string(item(5, k / 5)),
        "Direction Seed=" + std::to_string(k),
        "Easing=" + std::to_string(easing),
        "Easing Mode=" + std::to_string(item(3, k / 10)),
        "Viewing Mode=" + std::to_string(viewing),
    };
    s.keyframes = {"Completion=0:5", "Completion=" + std::to_string(kFrameCount - 1) + ":95"};
    const std::vector<std::string>& curve = kEasingCurves[k / 10 % 2];
    s.keyframes.insert(s.keyframes.end(), curve.begin(), curve.end());
    s.label = popupItem(Mode, mode) + "/" + popupItem(Order, order) + "/" + popupItem(Easing, easing) + "/" +
              popupItem(ViewingMode, viewing);
    return s;
}

// Every third frame asks for a region of the layer, as a zoomed viewer does, some
// reaching past its edges.
PF_LRect requestFor(int k) {
    if (k % 3 != 1) return PF_LRect{};
    const int32_t left = k * 7 % kWidth - 6;
    const int32_t top = k * 5 % kHeight - 4;
    return PF_LRect{left, top, left + 5 + k % 23, top + 4 + k % 17};
}

bool buildFrames(std::vector<LifeFrame>& frames, std::vector<std::string>& labels) {
    for (int k = 0; k < kFrameCount; ++k) {
        const FrameSettings s = frameSettings(k);
        Scene scene;
        std::string error;
        bool ok = true;
        for (const char* mask : kMasks) ok = ok && addMask(mask, scene, error);
        const auto maskCount = static_cast<int32_t>(scene.masks.size());
        for (const std::string& v : s.values) ok = ok && parseParamAssignment(v, maskCount, scene, error);
        for (const std::string& kf : s.keyframes) ok = ok && parseKeyframe(kf, maskCount, scene, error);
        ok = ok && validateScene(scene, error);
        if (!ok) {
            std::fprintf(stderr, "tilesweep_lifehash: frame %d: %s\n", k, error.c_str());
            return false;
        }
        frames.push_back(LifeFrame{scene, k * 100, requestFor(k)});
        labels.push_back(s.label + (k % 3 == 1 ? " region" : ""));
    }
    return true;
}

const char* depthName(PixelDepth depth) {
    return depth == Depth8 ? "8" : depth == Depth16 ? "16" : "32f";
}

bool anyNonZero(const std::vector<unsigned char>& bytes) {
    for (unsigned char b : bytes) {
        if (b != 0) return true;
    }
    return false;
}

// One life at one depth; prints its lines and says whether it ran cleanly.
// The plug-in as a shared library of this system, or (windowsLibrary) as a 32-bit
// Windows library loaded anew for each life, as the host would load it.
bool playLife(const std::string& pluginPath, bool windowsLibrary, Flavour flavour, PixelDepth depth,
              const std::vector<LifeFrame>& frames, const std::vector<std::string>& labels) {
    const char* flavourName = flavour == Flavour::Plugin32 ? "32" : "64";
    LifePlan plan;
    plan.depth = depth;
    plan.width = kWidth;
    plan.height = kHeight;
    plan.paddingPixels = kPadding;
    plan.imageSeed = kImageSeed;
    plan.frames = frames;
    plan.resetup = true;

#if TILESWEEP_PE32_LOADER
    // Declared first, so that it is unloaded after the host is done with it.
    std::unique_ptr<pe32::PeModule> module;
    std::unique_ptr<SimHost> hostOwner;
    if (windowsLibrary) {
        module = std::make_unique<pe32::PeModule>(pluginPath);
        hostOwner = std::make_unique<SimHost>(pe32::aexEntryPoint(*module), flavour);
    } else {
        hostOwner = std::make_unique<SimHost>(pluginPath, flavour);
    }
#else
    if (windowsLibrary) throw std::runtime_error("this build has no loader of Windows libraries");
    auto hostOwner = std::make_unique<SimHost>(pluginPath, flavour);
#endif
    SimHost& host = *hostOwner;
    const LifeReport report = runLife(host, plan);
    bool clean = report.reachedSetdown && report.outputs.size() == frames.size();

    int drawn = 0;
    for (std::size_t i = 0; i < report.outputs.size(); ++i) {
        Fnv1a pixels;
        pixels.bytes(report.outputs[i].bytes().data(), report.outputs[i].bytes().size());
        if (anyNonZero(report.outputs[i].bytes())) ++drawn;
        clean = clean && report.frameErrs[i] == PF_Err_NONE;
        std::printf("frame %s %s %02zu err %d %016llx %s\n", flavourName, depthName(depth), i,
                    static_cast<int>(report.frameErrs[i]), static_cast<unsigned long long>(pixels.value()), labels[i].c_str());
    }

    // What the commands answered, what was registered and what the UI rules greyed
    // out: the same on every build of one flavour.
    Fnv1a commands;
    for (const CommandResult& c : host.commandLog()) {
        commands.i32(c.cmd);
        commands.i32(c.err);
        commands.text(c.returnMsg);
        commands.i32(c.outFlags);
        commands.i32(c.outFlags2);
        commands.u32(c.myVersion);
        commands.i32(c.numParams);
        clean = clean && c.err == PF_Err_NONE;
    }
    Fnv1a params;
    for (const RegisteredParam& p : host.params()) {
        params.i32(p.def.param_type);
        params.i32(p.def.flags);
        params.i32(p.def.ui_flags);
        params.text(p.name);
        params.text(p.items);
        params.text(p.checkboxText);
    }
    // The life's one instance is the host's first.
    Fnv1a ui;
    for (const UiUpdate& u : host.uiUpdates(0)) {
        ui.i32(u.index);
        ui.i32(u.uiFlags);
        ui.i32(u.type);
        ui.text(u.name);
    }
    const std::size_t outstanding = host.outstanding().size();
    const std::size_t complaints = host.messages().size();
    clean = clean && outstanding == 0 && complaints == 0 && host.params().size() == ParamCount - 1;
    std::printf("life %s %s commands %zu %016llx params %zu %016llx ui %zu %016llx drawn %d outstanding %zu "
                "complaints %zu\n",
                flavourName, depthName(depth), host.commandLog().size(), static_cast<unsigned long long>(commands.value()), host.params().size(),
                static_cast<unsigned long long>(params.value()), host.uiUpdates(0).size(), static_cast<unsigned long long>(ui.value()), drawn, outstanding, complaints);
    for (const std::string& line : host.outstanding()) std::fprintf(stderr, "outstanding: %s\n", line.c_str());
    for (const std::string& line : host.messages()) std::fprintf(stderr, "host: %s\n", line.c_str());
    return clean;
}

}  // namespace

int main(int argc, char** argv) {
#if defined(_WIN32)
    // Plain line ends, so that the output compares with a Linux run byte for byte.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    const std::vector<std::string> args(argv + 1, argv + argc);
    const bool windowsLibrary = args.size() == 3 && args[1] == "--pe";
    const std::string flavourArg = args.size() == 2 || (windowsLibrary && args[0] == "32") ? args[0] : "";
    if (flavourArg != "64" && flavourArg != "32") {
        std::fprintf(stderr, "usage: tilesweep_lifehash 64|32 PLUGIN\n       tilesweep_lifehash 32 --pe PLUGIN.aex\n");
        return 2;
    }
    const std::string& pluginPath = args.back();
    const Flavour flavour = flavourArg == "32" ? Flavour::Plugin32 : Flavour::Plugin64;
    std::vector<LifeFrame> frames;
    std::vector<std::string> labels;
    if (!buildFrames(frames, labels)) return 2;

    bool clean = true;
    for (PixelDepth depth : {Depth8, Depth16, Depth32f}) {
        try {
            if (!playLife(pluginPath, windowsLibrary, flavour, depth, frames, labels)) {
                std::fprintf(stderr, "tilesweep_lifehash: the life at depth %s did not run cleanly\n",
                             depthName(depth));
                clean = false;
            }
        } catch (const std::exception& error) {
            std::fprintf(stderr, "tilesweep_lifehash: %s\n", error.what());
            return 1;
        }
    }
#if TILESWEEP_PE32_LOADER
    if (windowsLibrary) {
        const pe32::AexEntryCounts c = pe32::aexEntryCounts();
        std::fprintf(stderr, "pe32: EntryPointFunc entered %u times, the disposer %u times; esp %% 16 at the call: "
                     "0 x%u, 4 x%u, 8 x%u, 12 x%u\n", c.entries, c.disposals, c.bySkew[0], c.bySkew[1], c.bySkew[2],
                     c.bySkew[3]);
    }
#endif
    std::fflush(stdout);
    return clean ? 0 : 1;
}
