// Frames' trips to and from image files through OpenImageIO.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FrameImage.h"

namespace tilesweep {

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
