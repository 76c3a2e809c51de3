// The engine as a host can drive it: any 25-field settings record (expressions and
// damaged projects can hand any value to any parameter), a small image of each depth
// with any pixel words and row padding, a mask and an easing curve of any values,
// through renderFrame. Nothing may be written outside the output's pixels, the input
// stays as it was, and two renders of the same frame give the same bytes.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "FramePipeline.h"
#include "FuzzChecks.h"
#include "LocalServices.h"
#include "MaskPathParser.h"
#include "MaskPathSource.h"
#include "SceneKeyframeSource.h"

using namespace tilesweep;
using tilesweep::fuzz::require;

namespace {

constexpr int32_t kMaxSide = 24;
constexpr std::size_t kGuardBytes = 64;
constexpr uint8_t kGuard = 0xA5;
constexpr const char* kFallbackMask = "M -5 3 C 40 -20 10 80 60 30 L 2 2 Z";

struct Frame {
    PixelDepth depth;
    int32_t width, height, inputRow, outputRow;
};

std::size_t pixelBytes(PixelDepth depth) { return depth == Depth8 ? 4 : depth == Depth16 ? 8 : 16; }

// Output storage with guard bytes before, after and in every row's padding.
struct GuardedOutput {
    GuardedOutput(const Frame& f, uint8_t fill)
        : pixel(pixelBytes(f.depth)), row(static_cast<std::size_t>(f.outputRow) * pixel),
          width(static_cast<std::size_t>(f.width) * pixel), height(static_cast<std::size_t>(f.height)),
          bytes(2 * kGuardBytes + row * height, kGuard) {
        for (std::size_t y = 0; y < height; ++y) std::memset(body() + y * row, fill, width);
    }
    uint8_t* body() { return bytes.data() + kGuardBytes; }
    bool guardsIntact() const {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            const std::size_t at = i - kGuardBytes;
            const bool inPixels = i >= kGuardBytes && at < row * height && at % row < width;
            if (!inPixels && bytes[i] != kGuard) return false;
        }
        return true;
    }
    std::size_t pixel, row, width, height;
    std::vector<uint8_t> bytes;
};

struct Render {
    int32_t err;
    std::vector<uint8_t> bytes;
};

Render render(const WipeSettings& settings, const Frame& f, std::vector<uint8_t>& input, uint8_t fill,
              const std::vector<MaskPath>& masks, const Scene& curve) {
    GuardedOutput output(f, fill);
    const ImageView in{input.data(), f.inputRow, f.width, f.height};
    const ImageView out{output.body(), f.outputRow, f.width, f.height};
    LocalServices services(in, out, f.depth);
    MaskPathSource paths(masks);
    SceneKeyframeSource keyframes(curve);
    services.setOrderPath(&paths);
    services.setEasingKeyframes(&keyframes);
    const int32_t err = renderFrame(settings, in, out, f.depth, services);
    require(output.guardsIntact(), "nothing is written outside the output's pixels");
    return Render{err, std::move(output.bytes)};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    WipeSettings settings;
    if (size < sizeof settings) return 0;
    std::memcpy(&settings, data, sizeof settings);
    FuzzedDataProvider rest(data + sizeof settings, size - sizeof settings);

    const int32_t width = rest.ConsumeIntegralInRange<int32_t>(0, kMaxSide);
    const int32_t height = rest.ConsumeIntegralInRange<int32_t>(0, kMaxSide);
    const int32_t inputPad = rest.ConsumeIntegralInRange<int32_t>(0, 3);
    const int32_t outputPad = rest.ConsumeIntegralInRange<int32_t>(0, 3);
    const uint8_t fill = rest.ConsumeIntegral<uint8_t>();

    // "Easing Keyframe" as a host's stream may hold it: any times, any values.
    Scene curve;
    curve.fps = rest.PickValueInArray({30.0, 25.0, 0.01, 1000.0});
    const int keyCount = rest.ConsumeIntegralInRange<int>(0, 4);
    std::vector<Keyframe>& keys = curve.keyframes[EasingKeyframe];
    for (int k = 0; k < keyCount; ++k) {
        Keyframe key;
        key.time = rest.ConsumeIntegral<int32_t>();
        uint64_t bits = rest.ConsumeIntegral<uint64_t>();
        std::memcpy(&key.value, &bits, sizeof key.value);
        if (keys.empty() || key.time > keys.back().time) keys.push_back(key);
    }
    const std::vector<uint8_t> pattern = rest.ConsumeBytes<uint8_t>(rest.ConsumeIntegralInRange<std::size_t>(1, 64));

    std::vector<MaskPath> masks(2);
    std::string error;
    if (!parseMaskPath(rest.ConsumeRemainingBytesAsString(), masks[0], error)) masks[0] = MaskPath{};
    require(parseMaskPath(kFallbackMask, masks[1], error), "the fallback mask parses");

    for (const PixelDepth depth : {Depth8, Depth16, Depth32f}) {
        const Frame f{depth, width, height, width + inputPad, width + outputPad};
        std::vector<uint8_t> input(static_cast<std::size_t>(f.inputRow) * f.height * pixelBytes(depth));
        for (std::size_t i = 0; i < input.size(); ++i) input[i] = pattern.empty() ? 0 : pattern[i % pattern.size()];
        const std::vector<uint8_t> original = input;
        const Render first = render(settings, f, input, fill, masks, curve);
        require(input == original, "the input is never written");
        const Render second = render(settings, f, input, fill, masks, curve);
        require(first.err == second.err && first.bytes == second.bytes, "the same frame renders the same bytes");
        require(first.err == kErrNone || first.err == kErrBadCallbackParam, "a frame renders or reports the host's error");
    }
    return 0;
}
