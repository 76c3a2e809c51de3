// Frames in memory as the engine holds them: alpha, red, green, blue, straight
// alpha. Free of any image library, so that commands without images stay light.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "WipeTypes.h"

namespace tilesweep {

constexpr int kChannelsPerPixel = 4;
// 16-bit frames hold 0..32768, the host's range, not the file's 0..65535.
constexpr uint16_t kEngine16Max = 32768;

std::size_t bytesPerChannel(PixelDepth depth);
const char* depthName(PixelDepth depth);  // "8-bit", "16-bit", "32-bit float"

// A tightly packed frame.
struct FrameImage {
    PixelDepth depth = Depth8;
    int32_t width = 0;
    int32_t height = 0;
    std::vector<unsigned char> bytes;

    // All transparent black.
    static FrameImage blank(PixelDepth depth, int32_t width, int32_t height);
    ImageView view() const;
    template <typename Channel>
    Channel* channels() { return reinterpret_cast<Channel*>(bytes.data()); }
    template <typename Channel>
    const Channel* channels() const { return reinterpret_cast<const Channel*>(bytes.data()); }
};

// The pixels of `region`, which lies within `frame`.
FrameImage cropFrame(const FrameImage& frame, const Rect& region);

// The picture as a viewer shows a frame stored with EXIF orientation `orientation`
// (1 as stored; 2 to 8 mirrored and turned; anything else is taken as 1).
FrameImage orientFrame(const FrameImage& stored, int orientation);

// The size of `size` pixels at 1/factor: ceil(size / factor); a factor below 1 keeps it.
int32_t reducedSize(int32_t size, int32_t factor);

// Every factorX-th pixel across and factorY-th down from the top-left, as a viewer at
// reduced resolution shows the frame. Factors are 1 or more.
FrameImage subsampleFrame(const FrameImage& frame, int32_t factorX, int32_t factorY);

// The 16-bit mappings between the engine's 0..32768 and a file's 0..65535. Both
// round to nearest, so engineWordFromFile(fileWordFromEngine(v)) == v for every v
// in 0..32768; file words between two engine steps go to the nearer one. Engine
// words above 32768 are written as 65535.
uint16_t fileWordFromEngine(uint16_t engineWord);
uint16_t engineWordFromFile(uint16_t fileWord);

}  // namespace tilesweep
