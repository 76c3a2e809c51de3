// Planning a 4K frame: grid, order, timing and the rank-to-block map (Move2 fills it).
#include <benchmark/benchmark.h>

#include <cmath>

#include "FramePipeline.h"
#include "LocalServices.h"
#include "MaskPath.h"

namespace {

using namespace tilesweep;

void planBenchmark(benchmark::State& state, int32_t order) {
    WipeSettings s = settingsFromHostValues(defaultRawValues(), std::fmod);
    s.rows = static_cast<int32_t>(state.range(0));
    s.columns = static_cast<int32_t>(state.range(0));
    s.order = order;
    s.mode = 5;
    s.completion = 0.4;
    s.orderPathId = order == 6 ? 1 : 0;
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

void Horizontal(benchmark::State& state) { planBenchmark(state, 1); }
void Clockwise(benchmark::State& state) { planBenchmark(state, 3); }
void Random(benchmark::State& state) { planBenchmark(state, 5); }
void Path(benchmark::State& state) { planBenchmark(state, 6); }

}  // namespace

BENCHMARK(Horizontal)->Arg(8)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(Clockwise)->Arg(8)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(Random)->Arg(8)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
BENCHMARK(Path)->Arg(8)->Arg(300)->Arg(3000)->Unit(benchmark::kMillisecond);
