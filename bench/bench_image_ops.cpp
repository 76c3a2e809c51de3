// Full-frame image operations at 1920 x 1080, per depth. "per_pixel" is the time per
// destination pixel; BM_Memcpy is the floor the other operations are judged against.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "ImageOps.h"

namespace tilesweep {
namespace {

constexpr int32_t kWidth = 1920;
constexpr int32_t kHeight = 1080;

template <typename C, PixelDepth D, int32_t Max>
struct Depth {
    using Channel = C;
    static constexpr PixelDepth kDepth = D;
    static constexpr double kMax = Max;
};
using D8 = Depth<uint8_t, Depth8, 255>;
using D16 = Depth<uint16_t, Depth16, 32768>;
using D32f = Depth<float, Depth32f, 1>;

// An opaque frame with varied colour, so that no blend degenerates to a constant.
template <typename D>
struct Frame {
    std::vector<typename D::Channel> data;
    explicit Frame(uint32_t seed) : data(static_cast<std::size_t>(kWidth) * kHeight * 4) {
        uint32_t state = seed;
        for (std::size_t i = 0; i < data.size(); ++i) {
            state = state * 1664525u + 1013904223u;
            const double unit = i % 4 == 0 ? 1.0 : (state >> 8) / 16777216.0;
            data[i] = static_cast<typename D::Channel>(unit * D::kMax);
        }
    }
    ImageView view() { return {data.data(), kWidth, kWidth, kHeight}; }
};

// Shown as seconds per destination pixel (e.g. "450ps").
void perPixel(benchmark::State& state, int64_t pixels) {
    state.counters["per_pixel"] = benchmark::Counter(
        static_cast<double>(pixels),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

template <typename D>
void BM_Memcpy(benchmark::State& state) {
    Frame<D> source(1), destination(2);
    for (auto _ : state) {
        std::memcpy(destination.data.data(), source.data.data(),
                    source.data.size() * sizeof(typename D::Channel));
        benchmark::ClobberMemory();
    }
    perPixel(state, int64_t{kWidth} * kHeight);
}

template <typename D>
void BM_CopySameSize(benchmark::State& state) {
    Frame<D> source(1), destination(2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            copyImage(D::kDepth, source.view(), destination.view(), nullptr, nullptr));
        benchmark::ClobberMemory();
    }
    perPixel(state, int64_t{kWidth} * kHeight);
}

// Arguments: destination width and height, the whole source scaled into them.
template <typename D>
void BM_CopyScaled(benchmark::State& state) {
    Frame<D> source(1), destination(2);
    const Rect to{0, 0, static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1))};
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            copyImage(D::kDepth, source.view(), destination.view(), nullptr, &to));
        benchmark::ClobberMemory();
    }
    perPixel(state, state.range(0) * state.range(1));
}

// Arguments: transfer mode, opacity (0..255, scaled for the other depths).
template <typename D>
void BM_TransferRect(benchmark::State& state) {
    Frame<D> source(1), destination(2);
    const Frame<D> backdrop = destination;
    const auto opacity = static_cast<int32_t>(state.range(1));
    const CompositeMode mode{static_cast<TransferMode>(state.range(0)), 0, static_cast<uint8_t>(opacity),
                             0, static_cast<uint16_t>(opacity == 255 ? 32768 : opacity * 128)};
    for (auto _ : state) {
        // A fresh backdrop each time: repeated blending would drift it towards black.
        state.PauseTiming();
        destination.data = backdrop.data;
        state.ResumeTiming();
        benchmark::DoNotOptimize(transferRect(D::kDepth, source.view(), {0, 0, kWidth, kHeight},
                                              mode, 0, 0, destination.view()));
        benchmark::ClobberMemory();
    }
    perPixel(state, int64_t{kWidth} * kHeight);
}

#define TILESWEEP_PER_DEPTH(name, ...)         \
    BENCHMARK_TEMPLATE(name, D8) __VA_ARGS__;  \
    BENCHMARK_TEMPLATE(name, D16) __VA_ARGS__; \
    BENCHMARK_TEMPLATE(name, D32f) __VA_ARGS__

// clang-format off
TILESWEEP_PER_DEPTH(BM_Memcpy, ->Unit(benchmark::kMillisecond));
TILESWEEP_PER_DEPTH(BM_CopySameSize, ->Unit(benchmark::kMillisecond));
// Shrinking both ways, and the smallest horizontal squeeze.
TILESWEEP_PER_DEPTH(BM_CopyScaled, ->Args({1280, 720})->Args({1919, 1080})
                                   ->Unit(benchmark::kMillisecond));
// Normal (2) and Multiply (5) at full opacity, Normal at half opacity.
TILESWEEP_PER_DEPTH(BM_TransferRect, ->Args({2, 255})->Args({5, 255})->Args({2, 128})
                                     ->Unit(benchmark::kMillisecond));
// clang-format on

}  // namespace
}  // namespace tilesweep
