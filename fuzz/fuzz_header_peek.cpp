// The GIF, WebP and HEIF header readers that weigh a file before its decoder takes the
// whole image at open.
#include <cstdint>

#include "FuzzChecks.h"
#include "HeaderPeek.h"

using namespace tilesweep;
using tilesweep::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    PeekedFrame frame;
    if (peekGifFrame(data, size, frame)) {
        require(frame.width >= 0 && frame.width <= 2 * 65535 && frame.height >= 0 && frame.height <= 2 * 65535,
                "a GIF's extent is what its 16-bit fields can reach");
    }
    if (peekWebpFrame(data, size, frame)) {
        require(frame.width >= 0 && frame.width <= (1 << 24) && frame.height >= 0 && frame.height <= (1 << 24),
                "a WebP's size is what its fields can hold");
    }
    if (peekHeifFrame(data, size, frame)) {
        require(frame.width >= 0 && frame.height >= 0 && (frame.width > 0 || frame.height > 0),
                "a HEIF's extent is found only where one is declared");
    }
    return 0;
}
