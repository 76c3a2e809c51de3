// Planning a 4K frame: grid, order, timing and the rank-to-block map (Move2 fills it).
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "FramePipeline.h"
#include "LocalServices.h"
#include "MaskPathParser.h"
#include "MaskPathSource.h"

namespace {

using namespace tilesweep;

void planBenchmark(benchmark::State& state, OrderKind order) {
    WipeSettings s = settingsFromHostValues(defaultRawValues(), std::fmod);
    s.rows = static_cast<int32_t>(state.range(0));
    s.columns = static_cast<int32_t>(state.range(0));
    s.order = popupValue(order);
    s.mode = popupValue(ModeKind::Move2);
    s.completion = 0.4;
    s.orderPathId = order == OrderKind::Path ? 1 : 0;
    MaskPath mask;
    std::string error;
    parseMaskPath("M 0 0 C 1200 2600 2600 -400 3839 2159 L 0 2159 L 3839 0", mask, error);
    std::vector<MaskPath> masks{mask};
    MaskPathSource paths(masks);
    LocalServices services;
    services.setOrderPath(&paths);
    int64_t blocks = 0;
    for (auto _ : state) {
        FrameArrays arrays(services);
        FramePlan plan;
        benchmark::DoNotOptimize(planFrame(s, 3840, 2160, services, arrays, plan));
        blocks = plan.blockCount;
    }
    state.counters["blocks"] = static_cast<double>(blocks);
    state.counters["ns_per_block"] = benchmark::Counter(static_cast<double>(blocks) * static_cast<double>(state.iterations()),
                                                        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The costliest masks the command line accepts, on a 4K layer with the default grid
// and with the finest: 64 curves that run back and forth beside blocks never ranked
// (the walk cannot pass over those steps), curves that reach a million pixels out,
// and 1024 lines across the layer. Target: each well under a second.
std::string repeated(const std::string& part, int times) {
    std::string whole;
    for (int i = 0; i < times; ++i) whole += part;
    return whole;
}

void HostileMask(benchmark::State& state) {
    static const std::string kMasks[] = {
        "M 0 269.5" + repeated(" C 3840 269.5 0 269.5 3840 269.5 C 0 269.5 3840 269.5 0 269.5", 32),
        "M 0 0" + repeated(" C 0 1000000 1000000 1000000 1000000 0 C -1000000 0 0 -1000000 0 0", 32),
        "M 0 0" + repeated(" L 3839 2159 L 0 2159", 512),
    };
    const std::string& text = kMasks[state.range(0)];
    WipeSettings s = settingsFromHostValues(defaultRawValues(), std::fmod);
    s.rows = static_cast<int32_t>(state.range(1));
    s.columns = static_cast<int32_t>(state.range(1));
    s.order = popupValue(OrderKind::Path);
    s.orderPathId = 1;
    MaskPath mask;
    std::string error;
    if (!parseMaskPath(text, mask, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::vector<MaskPath> masks{mask};
    MaskPathSource paths(masks);
    LocalServices services;
    services.setOrderPath(&paths);
    for (auto _ : state) {
        FrameArrays arrays(services);
        FramePlan plan;
        benchmark::DoNotOptimize(planFrame(s, 3840, 2160, services, arrays, plan));
    }
}

void Horizontal(benchmark::State& state) { planBenchmark(state, OrderKind::Horizontal); }
void Clockwise(benchmark::State& state) { planBenchmark(state, OrderKind::Clockwise); }
void Random(benchmark::State& state) { planBenchmark(state, OrderKind::Random); }
void Path(benchmark::State& state) { planBenchmark(state, OrderKind::Path); }

}  // namespace

BENCHMARK(Horizontal)->Arg(8)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(Clockwise)->Arg(8)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(Random)->Arg(8)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(Path)->Arg(8)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(HostileMask)->ArgsProduct({{0, 1, 2}, {8, 2160}})->Unit(benchmark::kMillisecond);
