// The transition's composite, worked out by hand and at its exact ends.
#include <gtest/gtest.h>

#include "CompositeOver.h"

namespace tilesweep::frei0r {

// Found by argument lookup only in the pixel's own namespace.
inline bool operator==(Rgba8 a, Rgba8 b) { return a.r == b.r && a.g == b.g && a.b == b.b && a.a == b.a; }

inline std::ostream& operator<<(std::ostream& out, Rgba8 p) {
    return out << "(" << int{p.r} << ", " << int{p.g} << ", " << int{p.b} << ", " << int{p.a} << ")";
}

namespace {

TEST(CompositeOver, WorkedExamples) {
    struct Row {
        Rgba8 top;
        Rgba8 under;
        Rgba8 expected;
    };
    // Weights in 1/65025: top a x 255, under a x (255 - top a); channels and alpha
    // rounded to nearest.
    const Row rows[] = {
        {{200, 100, 0, 128}, {0, 0, 255, 255}, {100, 50, 127, 255}},  // 6528000 / 65025 = 100.39
        {{255, 0, 0, 128}, {0, 0, 255, 128}, {170, 0, 85, 192}},      // total 48896; alpha 191.75
        {{10, 20, 30, 1}, {250, 240, 230, 255}, {249, 239, 229, 255}},
        {{90, 180, 45, 254}, {0, 0, 0, 0}, {90, 180, 45, 254}},       // nothing under: the top as it is
        {{255, 255, 255, 64}, {0, 0, 0, 64}, {146, 146, 146, 112}},   // 4161600 / 28544 = 145.8
        {{1, 2, 3, 255}, {9, 9, 9, 9}, {1, 2, 3, 255}},
        {{1, 2, 3, 0}, {9, 8, 7, 6}, {9, 8, 7, 6}},
        {{1, 2, 3, 0}, {9, 8, 7, 0}, {9, 8, 7, 0}},
    };
    for (const Row& row : rows) EXPECT_EQ(over(row.top, row.under), row.expected) << row.top << " over " << row.under;
}

// Over an opaque pixel the result is opaque and lies between the two colours.
TEST(CompositeOver, OverOpaqueStaysOpaqueAndBetween) {
    for (int a = 0; a < 256; ++a) {
        for (int c = 0; c < 256; c += 15) {
            const Rgba8 top{static_cast<uint8_t>(c), 0, 255, static_cast<uint8_t>(a)};
            const Rgba8 under{static_cast<uint8_t>(255 - c), 255, 0, 255};
            const Rgba8 result = over(top, under);
            EXPECT_EQ(result.a, 255);
            EXPECT_GE(result.r, std::min(top.r, under.r));
            EXPECT_LE(result.r, std::max(top.r, under.r));
            // The green and blue channels run from the under colour to the top's with the top's alpha.
            EXPECT_EQ(result.b, (255 * a + 127) / 255) << a;
            EXPECT_EQ(result.g, (255 * (255 - a) + 127) / 255) << a;
        }
    }
}

TEST(CompositeOver, RowsKeepTheirByteOrders) {
    // One pixel in the engine's order (alpha first) over one in frei0r's (alpha last).
    const uint8_t wipedArgb[8] = {255, 10, 20, 30, 0, 1, 2, 3};
    const uint8_t underRgba[8] = {40, 50, 60, 255, 70, 80, 90, 200};
    uint8_t out[8] = {};
    compositeOverRgba(wipedArgb, underRgba, out, 2);
    const uint8_t expected[8] = {10, 20, 30, 255, 70, 80, 90, 200};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(out[i], expected[i]) << i;
}

}  // namespace
}  // namespace tilesweep::frei0r
