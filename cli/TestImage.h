// Pictures the tool draws itself: the built-in test image and the canvas, text and
// conversions the contact sheet is drawn with.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ImageFile.h"

namespace tilesweep {

struct Rgb {
    float red = 0;
    float green = 0;
    float blue = 0;
};

// An opaque picture in 0..1 colour, three floats per pixel.
struct RgbCanvas {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<float> pixels;

    RgbCanvas(int32_t w, int32_t h, Rgb fill);
    float* at(int32_t x, int32_t y) {
        return pixels.data() + (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
    }
    void set(int32_t x, int32_t y, Rgb c);
    // Clipped to the canvas.
    void fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, Rgb c);
};

// Glyphs are 5 x 7 cells with one cell of spacing, each cell `scale` pixels square.
// Digits, capital letters, space, '%', '.', ':', '-', '/' are drawn; other
// characters show as a box.
int32_t textWidth(const std::string& text, int32_t scale);
constexpr int32_t kGlyphHeight = 7;
void drawText(RgbCanvas& canvas, int32_t left, int32_t top, int32_t scale, const std::string& text, Rgb colour);

// The opaque frame of a canvas at a depth.
FrameImage frameFromCanvas(const RgbCanvas& canvas, PixelDepth depth);

// An opaque picture that makes the wipe easy to follow: a colour gradient under an
// 8 x 8 checker of cells (the effect's default grid), each labelled with its
// column letter and row number, and a ring around the centre.
FrameImage makeTestImage(int32_t width, int32_t height, PixelDepth depth);

// The simulated host's seeded noise picture, mostly opaque with partly and fully
// transparent pixels: what the reference frames wipe.
FrameImage noiseImage(int32_t width, int32_t height, PixelDepth depth, uint32_t seed);

}  // namespace tilesweep
