// A frei0r plug-in through its exported functions, in any order the frei0r API
// allows: sizes of any value, parameters of any value of their type, any parameter
// index, frames in place or apart. Frames are written only within their pixels,
// inputs stay as they were, and the same frame renders alike twice.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "Frei0rApi.h"
#include "FuzzChecks.h"

using tilesweep::fuzz::require;

namespace {

constexpr std::size_t kGuardWords = 16;
constexpr uint32_t kGuard = 0xA5C3E1F7u;
// Larger sizes are tried only where the plug-in must refuse them.
constexpr uint64_t kMaxPixels = 64 * 64;
constexpr unsigned kMaxSide = 16384;

struct Frame {
    explicit Frame(std::size_t pixels) : words(pixels + 2 * kGuardWords, kGuard) {}
    uint32_t* pixels() { return words.data() + kGuardWords; }
    bool guardsIntact() const {
        for (std::size_t i = 0; i < kGuardWords; ++i) {
            if (words[i] != kGuard || words[words.size() - 1 - i] != kGuard) return false;
        }
        return true;
    }
    std::vector<uint32_t> words;
};

Frame frameOf(FuzzedDataProvider& input, std::size_t pixels) {
    Frame frame(pixels);
    const std::vector<uint8_t> pattern = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange<std::size_t>(1, 32));
    for (std::size_t i = 0; i < pixels * 4; ++i) {
        reinterpret_cast<uint8_t*>(frame.pixels())[i] = pattern.empty() ? 0 : pattern[i % pattern.size()];
    }
    return frame;
}

struct Instance {
    f0r_instance_t handle = nullptr;
    std::size_t pixels = 0;
};

Instance construct(FuzzedDataProvider& input) {
    unsigned width = input.ConsumeIntegralInRange<unsigned>(0, 48);
    unsigned height = input.ConsumeIntegralInRange<unsigned>(0, 48);
    if (input.ConsumeIntegralInRange<int>(0, 7) == 0) {
        width = input.ConsumeIntegral<unsigned>();
        height = input.ConsumeIntegral<unsigned>();
    }
    const bool valid = width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide;
    if (valid && static_cast<uint64_t>(width) * height > kMaxPixels) return {};
    Instance instance{f0r_construct(width, height), static_cast<std::size_t>(width) * height};
    require((instance.handle != nullptr) == valid, "an instance is made exactly for the sizes frei0r allows");
    return instance;
}

int paramType(int index, int count) {
    if (index < 0 || index >= count) return -1;
    f0r_param_info_t info{};
    f0r_get_param_info(&info, index);
    return info.type;
}

void setParam(FuzzedDataProvider& input, const Instance& instance, int index, int type) {
    if (type == F0R_PARAM_STRING || (type < 0 && input.ConsumeBool())) {
        const std::string text = input.ConsumeRandomLengthString(2048);
        f0r_param_string value = const_cast<char*>(text.c_str());
        f0r_set_param_value(instance.handle, &value, index);
    } else {
        const uint64_t bits = input.ConsumeIntegral<uint64_t>();
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        f0r_set_param_value(instance.handle, &value, index);
    }
}

void getParam(const Instance& instance, int index, int type) {
    if (type == F0R_PARAM_STRING) {
        const char* text = nullptr;
        f0r_get_param_value(instance.handle, &text, index);
        require(text != nullptr && std::strlen(text) <= 65536, "a string read back is a terminated text");
    } else if (type >= 0) {
        double value = -1;
        f0r_get_param_value(instance.handle, &value, index);
        require(value >= 0.0 && value <= 1.0, "a number read back is within 0..1");
    }
}

void update(FuzzedDataProvider& input, const Instance& instance, bool transition) {
    const Frame firstBefore = frameOf(input, instance.pixels);
    Frame second = frameOf(input, instance.pixels);
    const Frame secondBefore = second;
    const bool inPlace = input.ConsumeBool();
    Frame out(instance.pixels);
    Frame again(instance.pixels);
    for (Frame* target : {&out, &again}) {
        Frame source = firstBefore;
        uint32_t* destination = inPlace ? source.pixels() : target->pixels();
        if (transition) {
            f0r_update2(instance.handle, 0.0, source.pixels(), second.pixels(), nullptr, destination);
        } else if (input.ConsumeBool()) {
            f0r_update(instance.handle, 0.0, source.pixels(), destination);
        } else {
            f0r_update2(instance.handle, 0.0, source.pixels(), nullptr, nullptr, destination);
        }
        if (inPlace) *target = source;
        require(target->guardsIntact(), "a frame is written only within its pixels");
        require(inPlace || source.words == firstBefore.words, "the first input is never written");
        require(second.words == secondBefore.words, "the second input is never written");
    }
    require(out.words == again.words, "the same frame renders the same bytes");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const bool initialised = f0r_init() == 1;
    require(initialised, "the plug-in initialises");
    f0r_plugin_info_t info{};
    f0r_get_plugin_info(&info);
    const bool transition = info.plugin_type == F0R_PLUGIN_TYPE_MIXER2;
    const int count = info.num_params;

    FuzzedDataProvider input(data, size);
    Instance instance = construct(input);
    for (int step = 0; step < 48 && input.remaining_bytes() > 0; ++step) {
        const int index = input.ConsumeIntegralInRange<int>(-2, count + 1);
        const int type = paramType(index, count);
        switch (input.ConsumeIntegralInRange<int>(0, 4)) {
            case 0:
            case 1:
                if (instance.handle != nullptr) setParam(input, instance, index, type);
                break;
            case 2:
                if (instance.handle != nullptr) getParam(instance, index, type);
                break;
            case 3:
                if (instance.handle != nullptr) update(input, instance, transition);
                break;
            case 4:
                f0r_destruct(instance.handle);
                instance = construct(input);
                break;
        }
    }
    f0r_destruct(instance.handle);
    return 0;
}
