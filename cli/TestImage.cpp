#include "TestImage.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "PixelBuffer.h"

namespace tilesweep {

namespace {

struct Glyph {
    char character;
    uint8_t rows[kGlyphHeight];  // bit 4 is the leftmost cell
};

// clang-format off
constexpr Glyph kGlyphs[] = {
    {'0', {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}}, {'1', {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E}},
    {'2', {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}}, {'3', {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E}},
    {'4', {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}}, {'5', {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E}},
    {'6', {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}}, {'7', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08}},
    {'8', {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}}, {'9', {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C}},
    {'A', {0x0E, 0x11, 0x11, 0x11, 0x1F, 0x11, 0x11}}, {'B', {0x1E, 0x11, 0x11, 0x1E, 0x11, 0x11, 0x1E}},
    {'C', {0x0E, 0x11, 0x10, 0x10, 0x10, 0x11, 0x0E}}, {'D', {0x1C, 0x12, 0x11, 0x11, 0x11, 0x12, 0x1C}},
    {'E', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x1F}}, {'F', {0x1F, 0x10, 0x10, 0x1E, 0x10, 0x10, 0x10}},
    {'G', {0x0E, 0x11, 0x10, 0x17, 0x11, 0x11, 0x0F}}, {'H', {0x11, 0x11, 0x11, 0x1F, 0x11, 0x11, 0x11}},
    {'I', {0x0E, 0x04, 0x04, 0x04, 0x04, 0x04, 0x0E}}, {'J', {0x07, 0x02, 0x02, 0x02, 0x02, 0x12, 0x0C}},
    {'K', {0x11, 0x12, 0x14, 0x18, 0x14, 0x12, 0x11}}, {'L', {0x10, 0x10, 0x10, 0x10, 0x10, 0x10, 0x1F}},
    {'M', {0x11, 0x1B, 0x15, 0x15, 0x11, 0x11, 0x11}}, {'N', {0x11, 0x11, 0x19, 0x15, 0x13, 0x11, 0x11}},
    {'O', {0x0E, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'P', {0x1E, 0x11, 0x11, 0x1E, 0x10, 0x10, 0x10}},
    {'Q', {0x0E, 0x11, 0x11, 0x11, 0x15, 0x12, 0x0D}}, {'R', {0x1E, 0x11, 0x11, 0x1E, 0x14, 0x12, 0x11}},
    {'S', {0x0F, 0x10, 0x10, 0x0E, 0x01, 0x01, 0x1E}}, {'T', {0x1F, 0x04, 0x04, 0x04, 0x04, 0x04, 0x04}},
    {'U', {0x11, 0x11, 0x11, 0x11, 0x11, 0x11, 0x0E}}, {'V', {0x11, 0x11, 0x11, 0x11, 0x11, 0x0A, 0x04}},
    {'W', {0x11, 0x11, 0x11, 0x15, 0x15, 0x15, 0x0A}}, {'X', {0x11, 0x11, 0x0A, 0x04, 0x0A, 0x11, 0x11}},
    {'Y', {0x11, 0x11, 0x11, 0x0A, 0x04, 0x04, 0x04}}, {'Z', {0x1F, 0x01, 0x02, 0x04, 0x08, 0x10, 0x1F}},
    {' ', {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}}, {'%', {0x18, 0x19, 0x02, 0x04, 0x08, 0x13, 0x03}},
    {'.', {0x00, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x0C}}, {':', {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}},
    {'-', {0x00, 0x00, 0x00, 0x1F, 0x00, 0x00, 0x00}}, {'/', {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x00}},
};
// clang-format on
constexpr Glyph kUnknownGlyph{'?', {0x1F, 0x11, 0x11, 0x11, 0x11, 0x11, 0x1F}};
constexpr int32_t kGlyphWidth = 5;
constexpr int32_t kGlyphAdvance = kGlyphWidth + 1;

const Glyph& glyphOf(char c) {
    const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const Glyph& g : kGlyphs) {
        if (g.character == upper) return g;
    }
    return kUnknownGlyph;
}

Rgb hsv(float hue, float saturation, float value) {
    const float h = (hue - std::floor(hue)) * 6.0f;
    const int sector = static_cast<int>(h) % 6;
    const float f = h - std::floor(h);
    const float p = value * (1 - saturation);
    const float q = value * (1 - saturation * f);
    const float t = value * (1 - saturation * (1 - f));
    switch (sector) {
        case 0: return {value, t, p};
        case 1: return {q, value, p};
        case 2: return {p, value, t};
        case 3: return {p, q, value};
        case 4: return {t, p, value};
        default: return {value, p, q};
    }
}

// Cell edges as the effect lays out its grid, so that the default 8 x 8 blocks
// coincide with the cells.
int32_t cellEdge(int32_t index, int32_t count, int32_t pixels) {
    return static_cast<int32_t>(int64_t{index} * pixels / count);
}

template <typename Channel>
void fillOpaque(const RgbCanvas& canvas, FrameImage& image, float scale) {
    Channel* out = image.channels<Channel>();
    const std::size_t pixels = canvas.pixels.size() / 3;
    for (std::size_t p = 0; p < pixels; ++p, out += kChannelsPerPixel) {
        const float* c = canvas.pixels.data() + p * 3;
        if constexpr (std::is_same_v<Channel, float>) {
            out[0] = 1.0f;
            for (int k = 0; k < 3; ++k) out[k + 1] = c[k];
        } else {
            out[0] = static_cast<Channel>(scale);
            for (int k = 0; k < 3; ++k) {
                out[k + 1] = static_cast<Channel>(std::lround(std::clamp(c[k], 0.0f, 1.0f) * scale));
            }
        }
    }
}

}  // namespace

RgbCanvas::RgbCanvas(int32_t w, int32_t h, Rgb fill) : width(w), height(h) {
    pixels.resize(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3);
    for (std::size_t i = 0; i < pixels.size(); i += 3) {
        pixels[i] = fill.red;
        pixels[i + 1] = fill.green;
        pixels[i + 2] = fill.blue;
    }
}

void RgbCanvas::set(int32_t x, int32_t y, Rgb c) {
    float* p = at(x, y);
    p[0] = c.red;
    p[1] = c.green;
    p[2] = c.blue;
}

void RgbCanvas::fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, Rgb c) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, width);
    bottom = std::min(bottom, height);
    for (int32_t y = top; y < bottom; ++y) {
        for (int32_t x = left; x < right; ++x) set(x, y, c);
    }
}

int32_t textWidth(const std::string& text, int32_t scale) {
    if (text.empty()) return 0;
    return (static_cast<int32_t>(text.size()) * kGlyphAdvance - 1) * scale;
}

void drawText(RgbCanvas& canvas, int32_t left, int32_t top, int32_t scale, const std::string& text, Rgb colour) {
    int32_t x0 = left;
    for (char c : text) {
        const Glyph& g = glyphOf(c);
        for (int32_t row = 0; row < kGlyphHeight; ++row) {
            for (int32_t column = 0; column < kGlyphWidth; ++column) {
                if ((g.rows[row] >> (kGlyphWidth - 1 - column)) & 1) {
                    const int32_t x = x0 + column * scale;
                    const int32_t y = top + row * scale;
                    canvas.fillRect(x, y, x + scale, y + scale, colour);
                }
            }
        }
        x0 += kGlyphAdvance * scale;
    }
}

FrameImage frameFromCanvas(const RgbCanvas& canvas, PixelDepth depth) {
    FrameImage image = FrameImage::blank(depth, canvas.width, canvas.height);
    switch (depth) {
        case Depth8: fillOpaque<uint8_t>(canvas, image, 255.0f); break;
        case Depth16: fillOpaque<uint16_t>(canvas, image, static_cast<float>(kEngine16Max)); break;
        default: fillOpaque<float>(canvas, image, 1.0f); break;
    }
    return image;
}

FrameImage makeTestImage(int32_t width, int32_t height, PixelDepth depth) {
    constexpr int32_t kCells = 8;
    RgbCanvas canvas(width, height, Rgb{});
    const float centreX = 0.5f * static_cast<float>(width);
    const float centreY = 0.5f * static_cast<float>(height);
    const float shortSide = static_cast<float>(std::min(width, height));
    const float ringRadius = 0.36f * shortSide;
    const float ringHalfWidth = std::max(1.0f, 0.02f * shortSide);
    for (int32_t y = 0; y < height; ++y) {
        const int32_t row = static_cast<int32_t>(int64_t{y} * kCells / height);
        const float value = 0.95f - 0.4f * static_cast<float>(y) / static_cast<float>(std::max(height - 1, 1));
        for (int32_t x = 0; x < width; ++x) {
            const int32_t column = static_cast<int32_t>(int64_t{x} * kCells / width);
            const float hue = static_cast<float>(x) / static_cast<float>(width);
            Rgb c = hsv(hue, 0.75f, (row + column) % 2 ? value * 0.62f : value);
            const float distance = std::hypot(static_cast<float>(x) + 0.5f - centreX, static_cast<float>(y) + 0.5f - centreY);
            if (std::fabs(distance - ringRadius) < ringHalfWidth) c = Rgb{0.98f, 0.98f, 0.92f};
            canvas.set(x, y, c);
        }
    }
    const int32_t line = std::max(1, static_cast<int32_t>(shortSide / 400));
    const Rgb white{1.0f, 1.0f, 1.0f};
    const Rgb shadow{0.05f, 0.05f, 0.1f};
    for (int32_t r = 0; r < kCells; ++r) {
        const int32_t top = cellEdge(r, kCells, height);
        const int32_t bottom = cellEdge(r + 1, kCells, height);
        for (int32_t c = 0; c < kCells; ++c) {
            const int32_t left = cellEdge(c, kCells, width);
            const int32_t right = cellEdge(c + 1, kCells, width);
            if (right - left < 2 || bottom - top < 2) continue;
            canvas.fillRect(left, top, right, top + line, white);
            canvas.fillRect(left, top, left + line, bottom, white);
            const std::string label = std::string(1, static_cast<char>('A' + c)) + std::to_string(r + 1);
            const int32_t scale = std::min((bottom - top) / (kGlyphHeight * 3), (right - left) / (textWidth(label, 1) * 2));
            if (scale < 1) continue;
            const int32_t x = (left + right - textWidth(label, scale)) / 2;
            const int32_t y = (top + bottom - kGlyphHeight * scale) / 2;
            const int32_t offset = std::max(1, scale / 3);
            drawText(canvas, x + offset, y + offset, scale, label, shadow);
            drawText(canvas, x, y, scale, label, white);
        }
    }
    return frameFromCanvas(canvas, depth);
}

FrameImage noiseImage(int32_t width, int32_t height, PixelDepth depth, uint32_t seed) {
    const simhost::PixelBuffer noise = simhost::makePatternImage(depth, width, height, 0, seed);
    FrameImage image = FrameImage::blank(depth, width, height);
    std::memcpy(image.bytes.data(), noise.bytes().data(), std::min(image.bytes.size(), noise.bytes().size()));
    return image;
}

}  // namespace tilesweep
