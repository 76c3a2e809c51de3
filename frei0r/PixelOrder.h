// frei0r's RGBA8888 pixels are the bytes red, green, blue, alpha; the engine's 8-bit
// pixels are alpha, red, green, blue. Both are straight (not premultiplied) alpha.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tilesweep::frei0r {

void argbFromRgba(const uint8_t* rgba, uint8_t* argb, std::size_t pixels);
void rgbaFromArgb(const uint8_t* argb, uint8_t* rgba, std::size_t pixels);

}  // namespace tilesweep::frei0r
