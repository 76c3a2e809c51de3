// One frei0r instance: its frame size, its parameter values and its own buffers.
// Nothing is shared between instances, so hosts may run any number at once.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "ParamMapping.h"

namespace tilesweep::frei0r {

// Frames of up to 16384 pixels a side: past 8K with room to spare.
constexpr unsigned kMaxSide = 16384;

class WipeInstance {
public:
    // Null when the size is zero or too large, or its buffers cannot be had.
    static std::unique_ptr<WipeInstance> create(unsigned width, unsigned height);

    ParamValues& values() { return values_; }

    // The wipe of `input` at the current settings; wiped parts transparent.
    void renderWipe(const uint32_t* input, uint32_t* output);
    // The wipe of `first` laid over `second`.
    void renderTransition(const uint32_t* first, const uint32_t* second, uint32_t* output);

private:
    WipeInstance(int32_t width, int32_t height) : width_(width), height_(height) {}
    std::size_t pixelCount() const { return static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_); }
    // Renders into wiped_; false when the engine failed.
    bool renderInto(const uint32_t* input);

    int32_t width_;
    int32_t height_;
    ParamValues values_;
    std::vector<uint8_t> source_;  // engine order
    std::vector<uint8_t> wiped_;   // engine order
};

}  // namespace tilesweep::frei0r
