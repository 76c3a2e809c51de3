// Planning a 4K frame: grid, order, timing and the rank-to-block map (Move2 fills it).
#include <benchmark/benchmark.h>

#include <cmath>

#include "FramePipeline.h"
#include "LocalServices.h"
#include "MaskPath.h"

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

void Horizontal(benchmark::State& state) { planBenchmark(state, OrderKind::Horizontal); }
void Clockwise(benchmark::State& state) { planBenchmark(state, OrderKind::Clockwise); }
void Random(benchmark::State& state) { planBenchmark(state, OrderKind::Random); }
void Path(benchmark::State& state) { planBenchmark(state, OrderKind::Path); }

}  // namespace

BENCHMARK(Horizontal)->Arg(8)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(Clockwise)->Arg(8)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(Random)->Arg(8)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(Path)->Arg(8)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
