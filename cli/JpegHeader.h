// A JPEG's frame size from its markers alone. The image library starts decoding as
// it opens a file, and for a progressive JPEG that means buffers for the whole
// image, taken before the tool could weigh the header against its memory budget.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tilesweep {

struct JpegFrame {
    int32_t width = 0;
    int32_t height = 0;
    int32_t components = 0;
};

// Whether `data` starts like a JPEG file.
bool looksLikeJpeg(const unsigned char* data, std::size_t size);

// Reads the header (up to the first scan) from the file's first `size` bytes with
// libjpeg; false if it is not there or damaged.
bool readJpegFrame(const unsigned char* data, std::size_t size, JpegFrame& frame);

}  // namespace tilesweep
