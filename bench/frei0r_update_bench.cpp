// One frame of the frei0r plug-ins at 1080p, as a host's update call costs it:
// byte-order conversions, the engine's render and (for the transition) the
// composite over the second input.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "WipeInstance.h"

namespace {

using tilesweep::frei0r::WipeInstance;

constexpr unsigned kWidth = 1920;
constexpr unsigned kHeight = 1080;

std::vector<uint32_t> frame(uint32_t seed) {
    std::vector<uint32_t> pixels(std::size_t{kWidth} * kHeight);
    for (uint32_t& p : pixels) {
        seed = seed * 1664525u + 1013904223u;
        p = seed | 0xff000000u;
    }
    return pixels;
}

void configure(WipeInstance& instance, int64_t mode) {
    using namespace tilesweep;
    frei0r::ParamValues& values = instance.values();
    frei0r::setNumber(values, paramSpec(Completion), 0.5);
    frei0r::setText(values, paramSpec(Mode), mode == 1 ? "Still1" : "Move2");
}

void BM_Transition(benchmark::State& state) {
    auto instance = WipeInstance::create(kWidth, kHeight);
    configure(*instance, state.range(0));
    const std::vector<uint32_t> first = frame(1);
    const std::vector<uint32_t> second = frame(2);
    std::vector<uint32_t> out(first.size());
    for (auto _ : state) {
        instance->renderTransition(first.data(), second.data(), out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Transition)->Arg(1)->Arg(5)->ArgName("mode")->Unit(benchmark::kMillisecond);

void BM_Filter(benchmark::State& state) {
    auto instance = WipeInstance::create(kWidth, kHeight);
    configure(*instance, state.range(0));
    const std::vector<uint32_t> input = frame(3);
    std::vector<uint32_t> out(input.size());
    for (auto _ : state) {
        instance->renderWipe(input.data(), out.data());
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Filter)->Arg(1)->Arg(5)->ArgName("mode")->Unit(benchmark::kMillisecond);

}  // namespace
