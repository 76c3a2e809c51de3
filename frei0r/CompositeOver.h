// The transition's picture: the wiped first input laid over the second, the
// standard "over" of straight-alpha 8-bit pixels, rounded to nearest in integers so
// that every host and every test gets the same bytes. A fully opaque wiped pixel
// stays as it is; a fully transparent one shows the second input's pixel unchanged.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tilesweep::frei0r {

struct Rgba8 {
    uint8_t r, g, b, a;
};

Rgba8 over(Rgba8 top, Rgba8 under);

// `wipedArgb` in the engine's order; `underRgba` and `outRgba` in frei0r's.
void compositeOverRgba(const uint8_t* wipedArgb, const uint8_t* underRgba, uint8_t* outRgba, std::size_t pixels);

}  // namespace tilesweep::frei0r
