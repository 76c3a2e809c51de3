// The JPEG marker reader that weighs a file's frame size before the image library
// opens it.
#include <cstdint>

#include "FuzzChecks.h"
#include "JpegHeader.h"

using namespace tilesweep;
using tilesweep::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    JpegFrame frame;
    const bool read = readJpegFrame(data, size, frame);
    if (read) {
        require(frame.width > 0 && frame.width <= 65535 && frame.height > 0 && frame.height <= 65535,
                "a frame's sides are those a JPEG can hold");
        require(frame.components >= 1 && frame.components <= 10, "a frame has 1 to 10 components");
    }
    return 0;
}
