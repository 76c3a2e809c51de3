// Frames in memory as the engine holds them (alpha, red, green, blue; straight
// alpha) and their trip to and from image files through OpenImageIO.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
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

// The 16-bit mappings between the engine's 0..32768 and a file's 0..65535. Both
// round to nearest, so engineWordFromFile(fileWordFromEngine(v)) == v for every v
// in 0..32768; file words between two engine steps go to the nearer one. Engine
// words above 32768 are written as 65535.
uint16_t fileWordFromEngine(uint16_t engineWord);
uint16_t engineWordFromFile(uint16_t fileWord);

// Reads the first image of a file. The depth follows the file's channel type
// (8-bit, 16-bit, anything else 32-bit float) unless `depth` is given. Missing alpha
// is opaque, greyscale is replicated into red, green and blue. False with a
// one-line reason; `warning` is set when something of the file is left out.
bool readImageFile(const std::string& path, std::optional<PixelDepth> depth, FrameImage& image,
                   std::string& warning, std::string& error);

// Whether the format named by `path`'s extension holds every value of `depth`
// exactly, with alpha. False with a one-line reason naming what would.
bool checkOutputFormat(const std::string& path, PixelDepth depth, std::string& error);

// Writes through a temporary file beside `path`, renamed onto it when complete:
// the target is either the whole new image or untouched, and no temporary file
// stays behind. False with a one-line reason.
bool writeImageFile(const std::string& path, const FrameImage& image, std::string& error);

// The temporary name `writeImageFile` uses: hidden, beside the target, ending in the
// target's extension so that the writer picks the same format.
std::string temporaryPathFor(const std::string& path);

// Removes an unfinished temporary file when the process is interrupted or
// terminated, then ends it as the signal would.
void removeTemporaryFilesOnSignals();

}  // namespace tilesweep
