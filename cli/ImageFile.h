// Frames' trips to and from image files through OpenImageIO.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "FrameImage.h"

namespace tilesweep {

// What a file's header promises, known before any pixel is read.
struct ImageHeader {
    int32_t width = 0;   // of the display window, the frame that is rendered
    int32_t height = 0;
    PixelDepth depth = Depth8;  // the depth the frame will have
    std::size_t rowBytes = 0;   // of the file's rows as they are decoded
};

// Decides from the header whether the image may be read (the memory it would take);
// false with a one-line reason.
using AdmitImage = std::function<bool(const ImageHeader& header, std::string& error)>;

// Reads the first image of a regular file (anything else, a FIFO or a device, is
// refused). The depth follows the file's channel type (8-bit, 16-bit, anything else
// 32-bit float) unless `depth` is given. Missing alpha is opaque, greyscale is
// replicated into red, green and blue, associated (premultiplied) alpha is undone.
// A data window other than the display window keeps its place in the display
// window, which is the frame; what lies outside it is transparent. Any error or
// complaint of the decoder about missing or damaged data fails the read. False
// with a one-line reason; `warning` is set when something of the file is left out.
bool readImageFile(const std::string& path, std::optional<PixelDepth> depth, FrameImage& image,
                   std::string& warning, std::string& error, const AdmitImage& admit = nullptr);

// Whether the format named by `path`'s extension holds every value of `depth`
// exactly, with alpha. False with a one-line reason naming what would.
bool checkOutputFormat(const std::string& path, PixelDepth depth, std::string& error);

// The file `path` would hold, in the format its extension names: PNG and TIFF with
// straight alpha (TIFF marks it unassociated), OpenEXR premultiplied as the format
// defines its colour.
bool encodeImageFile(const std::string& path, const FrameImage& image, std::vector<unsigned char>& bytes,
                     std::string& error);

// Encodes and writes atomically (see writeFileAtomically): the target is either the
// whole new image or untouched. False with a one-line reason.
bool writeImageFile(const std::string& path, const FrameImage& image, std::string& error);

}  // namespace tilesweep
