// An owning image for the simulated host: four channels, alpha, red, green, blue, at
// one of the three depths, with rows that may be padded as a host pads them.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "WipeTypes.h"

namespace tilesweep::simhost {

class PixelBuffer {
public:
    PixelBuffer() = default;
    // All bytes start at zero (transparent black at every depth).
    PixelBuffer(PixelDepth depth, int32_t width, int32_t height, int32_t paddingPixels = 0);

    static int32_t pixelSize(PixelDepth depth);

    PixelDepth depth() const { return depth_; }
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    int32_t rowPixels() const { return rowPixels_; }
    int32_t rowBytes() const { return rowPixels_ * pixelSize(depth_); }
    unsigned char* data() { return bytes_.data(); }
    const std::vector<unsigned char>& bytes() const { return bytes_; }
    ImageView view() { return ImageView{bytes_.data(), rowPixels_, width_, height_}; }

    // Channels as fractions of the depth's opaque value (1.0 = 255, 32768 or 1.0f);
    // integer depths round to nearest and clamp.
    void setPixel(int32_t x, int32_t y, const std::array<double, 4>& argb);
    std::array<double, 4> pixel(int32_t x, int32_t y) const;
    // Every byte, padding included, set to `value` (to see what a writer leaves alone).
    void fillBytes(unsigned char value);
    // The padding bytes at the end of every row.
    void fillPadding(unsigned char value);
    bool paddingIs(unsigned char value) const;
    // The pixels of one rectangle, padding left alone.
    bool samePixels(int32_t x, int32_t y, const PixelBuffer& other, int32_t otherX, int32_t otherY, int32_t width,
                    int32_t height) const;

    bool operator==(const PixelBuffer& other) const;
    bool operator!=(const PixelBuffer& other) const { return !(*this == other); }

private:
    std::size_t offset(int32_t x, int32_t y) const;

    PixelDepth depth_ = Depth8;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t rowPixels_ = 0;
    std::vector<unsigned char> bytes_;
};

// Copies `width` x `height` pixels from (fromX, fromY) of `from` to (toX, toY) of `to`;
// both must hold the rectangle and have the same depth.
void copyPixels(const PixelBuffer& from, int32_t fromX, int32_t fromY, PixelBuffer& to, int32_t toX, int32_t toY,
                int32_t width, int32_t height);

// A deterministic picture with varied colour and partly transparent pixels, so that
// blends and copies show in every channel.
PixelBuffer makePatternImage(PixelDepth depth, int32_t width, int32_t height, int32_t paddingPixels,
                             uint32_t seed);

}  // namespace tilesweep::simhost
