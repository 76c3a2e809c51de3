// frei0r's RGBA8888 pixels are the bytes red, green, blue, alpha; the engine's 8-bit
// pixels are alpha, red, green, blue. Both are straight (not premultiplied) alpha.
// Read as little-endian words, one order is the other rotated by a byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "pixel words are read as little-endian");

namespace tilesweep::frei0r {

inline uint32_t loadWord(const uint8_t* bytes) {
    uint32_t word;
    std::memcpy(&word, bytes, 4);
    return word;
}

inline void storeWord(uint8_t* bytes, uint32_t word) { std::memcpy(bytes, &word, 4); }

inline uint32_t argbWordFromRgba(uint32_t rgba) { return (rgba << 8) | (rgba >> 24); }
inline uint32_t rgbaWordFromArgb(uint32_t argb) { return (argb >> 8) | (argb << 24); }

void argbFromRgba(const uint8_t* rgba, uint8_t* argb, std::size_t pixels);
void rgbaFromArgb(const uint8_t* argb, uint8_t* rgba, std::size_t pixels);

}  // namespace tilesweep::frei0r
