#include "CompositeOver.h"

#include "PixelOrder.h"

namespace tilesweep::frei0r {

namespace {

// Quotient rounded to nearest, halves up; `denominator` > 0.
uint32_t roundedQuotient(uint32_t numerator, uint32_t denominator) {
    return (numerator + denominator / 2) / denominator;
}

}  // namespace

Rgba8 over(Rgba8 top, Rgba8 under) {
    // Wholly kept and wholly wiped pixels, the most of every frame, are exact copies.
    if (top.a == 255) return top;
    if (top.a == 0) return under;
    // Weights in units of 1/65025 (255 x 255): the top's coverage and what the
    // under pixel adds through the top's transparency.
    const uint32_t topWeight = uint32_t{top.a} * 255u;
    const uint32_t underWeight = uint32_t{under.a} * (255u - top.a);
    const uint32_t total = topWeight + underWeight;
    if (total == 0) return Rgba8{0, 0, 0, 0};
    auto channel = [&](uint8_t t, uint8_t u) {
        return static_cast<uint8_t>(roundedQuotient(t * topWeight + u * underWeight, total));
    };
    return Rgba8{channel(top.r, under.r), channel(top.g, under.g), channel(top.b, under.b),
                 static_cast<uint8_t>(roundedQuotient(total, 255u))};
}

void compositeOverRgba(const uint8_t* wipedArgb, const uint8_t* underRgba, uint8_t* outRgba, std::size_t pixels) {
    for (std::size_t p = 0; p < pixels; ++p, wipedArgb += 4, underRgba += 4, outRgba += 4) {
        // The engine's alpha is the word's low byte; whole pixels are moved as words.
        const uint32_t wiped = loadWord(wipedArgb);
        const uint32_t alpha = wiped & 0xffu;
        if (alpha == 255) {
            storeWord(outRgba, rgbaWordFromArgb(wiped));
            continue;
        }
        if (alpha == 0) {
            storeWord(outRgba, loadWord(underRgba));
            continue;
        }
        const Rgba8 top{wipedArgb[1], wipedArgb[2], wipedArgb[3], wipedArgb[0]};
        const Rgba8 under{underRgba[0], underRgba[1], underRgba[2], underRgba[3]};
        const Rgba8 result = over(top, under);
        outRgba[0] = result.r;
        outRgba[1] = result.g;
        outRgba[2] = result.b;
        outRgba[3] = result.a;
    }
}

}  // namespace tilesweep::frei0r
