// A region of a 4K frame through the plug-in on the simulated host, as a zoomed
// viewer asks for it: 960 x 540 in the middle against the whole frame, Shrink2 and
// Move2 at 16 x 16, 8-bit and float. Each iteration renders both; "share" is the
// region's best time as a fraction of the whole frame's best. Target: a share of at
// most 0.2.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "ParamChoices.h"
#include "ParamTable.h"
#include "SimHost.h"

namespace tilesweep {
namespace {

using Clock = std::chrono::steady_clock;
using simhost::FrameOptions;
using simhost::PixelBuffer;
using simhost::SimHost;

constexpr int32_t kWidth = 3840;
constexpr int32_t kHeight = 2160;
const PF_LRect kRegion{1500, 850, 2460, 1390};

// One loaded plug-in with an instance, for the whole run.
struct PluginHost {
    PluginHost() : host(TILESWEEP_PLUGIN64_PATH, simhost::Flavour::Plugin64) {
        if (host.globalSetup() != PF_Err_NONE || host.paramsSetup() != PF_Err_NONE) {
            throw std::runtime_error("the plug-in would not set up");
        }
        instance = host.sequenceSetup();
    }
    ~PluginHost() {
        host.sequenceSetdown(instance);
        host.globalSetdown();
    }
    SimHost host;
    simhost::InstanceId instance = -1;
};

PluginHost& pluginHost() {
    static PluginHost host;
    return host;
}

PixelBuffer& inputFrame(PixelDepth depth) {
    static std::map<PixelDepth, std::unique_ptr<PixelBuffer>> frames;
    auto& frame = frames[depth];
    if (!frame) frame = std::make_unique<PixelBuffer>(simhost::makePatternImage(depth, kWidth, kHeight, 0, 3));
    return *frame;
}

double secondsOf(PluginHost& p, const Scene& scene, PixelBuffer& input, PixelBuffer& output,
                 const FrameOptions& options, benchmark::State& state) {
    const Clock::time_point start = Clock::now();
    if (p.host.renderFrame(p.instance, scene, 0, input, output, options) != PF_Err_NONE) {
        state.SkipWithError("the plug-in failed to render");
    }
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void BM_RegionAgainstWholeFrame(benchmark::State& state) {
    const auto mode = static_cast<ModeKind>(state.range(0));
    const auto depth = static_cast<PixelDepth>(state.range(1));
    PluginHost& p = pluginHost();
    Scene scene;
    scene.raw[Mode] = popupValue(mode);
    scene.raw[Row] = 16;
    scene.raw[Column] = 16;
    scene.raw[Completion] = 50 * kFixedOne;
    PixelBuffer& input = inputFrame(depth);
    PixelBuffer output(depth, kWidth, kHeight);
    FrameOptions region;
    region.request = kRegion;
    double bestWhole = 1e30;
    double bestRegion = 1e30;
    for (auto _ : state) {
        bestWhole = std::min(bestWhole, secondsOf(p, scene, input, output, FrameOptions{}, state));
        const double part = secondsOf(p, scene, input, output, region, state);
        bestRegion = std::min(bestRegion, part);
        state.SetIterationTime(part);
    }
    state.counters["whole_ms"] = bestWhole * 1e3;
    state.counters["region_ms"] = bestRegion * 1e3;
    state.counters["share"] = bestRegion / bestWhole;
    state.SetLabel(popupItems(paramSpec(Mode)).at(static_cast<std::size_t>(popupValue(mode) - 1)) +
                   (depth == Depth8 ? " 8bit" : " 32bit"));
}

BENCHMARK(BM_RegionAgainstWholeFrame)
    ->ArgsProduct({{static_cast<int64_t>(ModeKind::Shrink2), static_cast<int64_t>(ModeKind::Move2)},
                   {Depth8, Depth32f}})
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(20);

}  // namespace
}  // namespace tilesweep
