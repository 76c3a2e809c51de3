#include "PixelOrder.h"

namespace tilesweep::frei0r {

void argbFromRgba(const uint8_t* rgba, uint8_t* argb, std::size_t pixels) {
    for (std::size_t p = 0; p < pixels; ++p) storeWord(argb + 4 * p, argbWordFromRgba(loadWord(rgba + 4 * p)));
}

void rgbaFromArgb(const uint8_t* argb, uint8_t* rgba, std::size_t pixels) {
    for (std::size_t p = 0; p < pixels; ++p) storeWord(rgba + 4 * p, rgbaWordFromArgb(loadWord(argb + 4 * p)));
}

}  // namespace tilesweep::frei0r
