// Whole frames through renderFrame, for every mode, grid, depth and two moments of
// the wipe, on the tool's test image. "x_copy" is the frame's fastest time as a
// multiple of the fastest plain memcpy of the same frame, timed in the same benchmark
// just before: best against best, so that the ratio holds on a busy machine too.
// Targets: Still1 and Move1 at 8 x 8 within 3x, no mode above 10x; a 3000 x 3000
// grid on a 4K frame under 1 s.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "FramePipeline.h"
#include "ImageFile.h"
#include "LocalServices.h"
#include "ArrayPool.h"
#include "TestImage.h"
#include "WipeSettings.h"

namespace tilesweep {
namespace {

using Clock = std::chrono::steady_clock;

const char* const kDepthNames[] = {"8bit", "16bit", "32bit"};

std::string modeName(int32_t mode) { return popupItems(paramSpec(Mode)).at(static_cast<std::size_t>(mode - 1)); }

// Test images are costly to draw at 4K; each size and depth is drawn once.
const FrameImage& inputFrame(int32_t width, int32_t height, PixelDepth depth) {
    static std::map<std::tuple<int32_t, int32_t, int32_t>, std::unique_ptr<FrameImage>> frames;
    auto& frame = frames[{width, height, depth}];
    if (!frame) frame = std::make_unique<FrameImage>(makeTestImage(width, height, depth));
    return *frame;
}

// The fastest of a few copies: the floor a frame is judged against.
double copySeconds(const FrameImage& input, FrameImage& output) {
    double best = 1e30;
    for (int i = 0; i < 5; ++i) {
        const Clock::time_point start = Clock::now();
        std::memcpy(output.bytes.data(), input.bytes.data(), input.bytes.size());
        benchmark::ClobberMemory();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - start).count());
    }
    return best;
}

WipeSettings settingsFor(int32_t mode, int32_t blocks, double completion) {
    RawParamValues raw = defaultRawValues();
    raw[Mode] = mode;
    raw[Row] = blocks;
    raw[Column] = blocks;
    raw[Completion] = static_cast<int32_t>(std::lround(completion * 100.0 * kFixedOne));
    return settingsFromHostValues(raw, std::fmod);
}

// `Services` decides where the per-frame arrays come from: the tool's reused ones, as a
// sequence (or a host's memory pool) sees them after the first frame, or fresh memory
// for every frame, as a single frame in a new process gets it.
template <typename Services>
void renderBenchmark(benchmark::State& state, int32_t width, int32_t height, PixelDepth depth, int32_t mode,
                     int32_t blocks, double completion) {
    const FrameImage& input = inputFrame(width, height, depth);
    FrameImage output = FrameImage::blank(depth, width, height);
    const double copy = copySeconds(input, output);
    const WipeSettings settings = settingsFor(mode, blocks, completion);
    {
        Services warmUp(input.view(), output.view(), depth);
        renderFrame(settings, input.view(), output.view(), depth, warmUp);
    }
    double best = 1e30;
    for (auto _ : state) {
        Services services(input.view(), output.view(), depth);
        const Clock::time_point start = Clock::now();
        const int32_t err = renderFrame(settings, input.view(), output.view(), depth, services);
        benchmark::ClobberMemory();
        const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        if (err != kErrNone) state.SkipWithError("renderFrame failed");
        state.SetIterationTime(seconds);
        best = std::min(best, seconds);
    }
    state.counters["x_copy"] = best / copy;
    state.counters["copy_ms"] = copy * 1e3;
}

void copyBenchmark(benchmark::State& state, int32_t width, int32_t height, PixelDepth depth) {
    const FrameImage& input = inputFrame(width, height, depth);
    FrameImage output = FrameImage::blank(depth, width, height);
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        std::memcpy(output.bytes.data(), input.bytes.data(), input.bytes.size());
        benchmark::ClobberMemory();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
}

std::string frameName(int32_t width, int32_t height) { return std::to_string(width) + "x" + std::to_string(height); }

int registerAll() {
    struct Size {
        int32_t width;
        int32_t height;
        int64_t iterations;
    };
    for (const Size size : {Size{1920, 1080, 20}, Size{3840, 2160, 5}}) {
        for (const PixelDepth depth : {Depth8, Depth16, Depth32f}) {
            const std::string frame = frameName(size.width, size.height) + "/" + kDepthNames[depth];
            benchmark::RegisterBenchmark(("Copy/" + frame).c_str(), copyBenchmark, size.width, size.height, depth)
                ->UseManualTime()
                ->Iterations(10)
                ->Unit(benchmark::kMillisecond);
            for (int32_t mode = 1; mode <= itemCount<ModeKind>(); ++mode) {
                for (const int32_t blocks : {8, 64}) {
                    for (const double completion : {0.3, 0.7}) {
                        const std::string name = "Render/" + frame + "/" + modeName(mode) + "/" +
                                                 std::to_string(blocks) + "x" + std::to_string(blocks) + "/c" +
                                                 std::to_string(completion).substr(0, 3);
                        benchmark::RegisterBenchmark(name.c_str(), renderBenchmark<ReusingServices>, size.width,
                                                     size.height, depth, mode, blocks, completion)
                            ->UseManualTime()
                            ->Iterations(size.iterations)
                            ->Unit(benchmark::kMillisecond);
                    }
                }
            }
        }
    }
    // Nine million blocks: the cost is the per-block work and the 300 MB of per-frame
    // arrays, not the pixels. "Fresh" pays the first touch of every array page.
    for (int32_t mode = 1; mode <= itemCount<ModeKind>(); ++mode) {
        for (const double completion : {0.3, 0.7}) {
            const std::string moment = modeName(mode) + "/c" + std::to_string(completion).substr(0, 3);
            benchmark::RegisterBenchmark(("Grid3000/3840x2160/8bit/" + moment).c_str(), renderBenchmark<ReusingServices>,
                                         3840, 2160, Depth8, mode, 3000, completion)
                ->UseManualTime()
                ->Iterations(2)
                ->Unit(benchmark::kMillisecond);
            benchmark::RegisterBenchmark(("Grid3000Fresh/3840x2160/8bit/" + moment).c_str(),
                                         renderBenchmark<LocalServices>, 3840, 2160, Depth8, mode, 3000, completion)
                ->UseManualTime()
                ->Iterations(1)
                ->Unit(benchmark::kMillisecond);
        }
    }
    return 0;
}

const int kRegistered = registerAll();

}  // namespace
}  // namespace tilesweep
