// Frame sizes of formats whose decoder takes the whole image as it opens the file
// (GIF, WebP, HEIF and AVIF), read from their headers alone, so that the memory budget is weighed
// before the decoder runs. Every field is hostile: each read is bounded by `size`.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tilesweep {

struct PeekedFrame {
    int32_t width = 0;
    int32_t height = 0;
};

// A GIF's largest extent: its logical screen, and its first image if that reaches
// beyond it (when the header holds it). False when `data` is no GIF.
bool peekGifFrame(const unsigned char* data, std::size_t size, PeekedFrame& frame);

// A WebP's canvas (VP8X) or its one frame (VP8, VP8L). False when `data` is no WebP.
bool peekWebpFrame(const unsigned char* data, std::size_t size, PeekedFrame& frame);

// The largest image extent ("ispe") a HEIF or AVIF file declares in its item
// properties, which bounds what its decoder allocates. False when `data` is no such
// file, or its properties do not lie within `data`.
bool peekHeifFrame(const unsigned char* data, std::size_t size, PeekedFrame& frame);

}  // namespace tilesweep
