// Any bit pattern in the settings record, at any image size, must plan and render
// without undefined behaviour or out-of-bounds access (run under the sanitizers).
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "MaskPathParser.h"
#include "MaskPathSource.h"
#include "TestSupport.h"

namespace tilesweep::test {
namespace {

double wildFraction(std::mt19937& rng) {
    static const double kSpecial[] = {0.0, 1.0, 0.5, -0.0, -1.0, 2.0, 1e300, -1e300,
                                      std::numeric_limits<double>::quiet_NaN(),
                                      std::numeric_limits<double>::infinity(),
                                      -std::numeric_limits<double>::infinity(), 0.999999999, 1e-300};
    if (rng() % 2) return kSpecial[rng() % (sizeof kSpecial / sizeof kSpecial[0])];
    return std::uniform_real_distribution<double>(-0.5, 1.5)(rng);
}

int32_t wildInt(std::mt19937& rng, int32_t typicalMax) {
    switch (rng() % 6) {
        case 0: return static_cast<int32_t>(rng());
        case 1: return -static_cast<int32_t>(rng() % 5);
        case 2: return std::numeric_limits<int32_t>::max();
        case 3: return std::numeric_limits<int32_t>::min();
        default: return static_cast<int32_t>(rng() % static_cast<uint32_t>(typicalMax + 2));
    }
}

WipeSettings wildSettings(std::mt19937& rng) {
    WipeSettings s;
    std::memset(&s, 0, sizeof s);
    s.completion = wildFraction(rng);
    s.delay = wildFraction(rng);
    s.rows = wildInt(rng, 40);
    s.columns = wildInt(rng, 40);
    s.order = wildInt(rng, 6);
    s.orderInverse = wildInt(rng, 1);
    s.orderPer = wildInt(rng, 3);
    s.orderPathId = wildInt(rng, 2);
    s.directionDependence = wildInt(rng, 3);
    s.orderInsider = wildFraction(rng);
    s.orderInsiderMode = wildInt(rng, 2);
    s.orderOutsider = wildInt(rng, 1);
    s.orderPerBlockMode = wildInt(rng, 4);
    s.orderOffset = wildFraction(rng);
    s.orderSeed = wildInt(rng, 10000);
    s.direction = wildInt(rng, 5);
    s.directionMode = wildInt(rng, 5);
    s.directionSeed = wildInt(rng, 10000);
    s.easing = wildInt(rng, 10);
    s.easingMode = wildInt(rng, 3);
    s.mode = wildInt(rng, 8);
    s.blendMode = wildInt(rng, 15);
    s.zIndex = wildInt(rng, 3);
    s.zIndexSeed = wildInt(rng, 10000);
    s.viewingMode = wildInt(rng, 3);
    return s;
}

// Grids above a few thousand blocks only slow the sweep down.
void tameGrid(WipeSettings& s) {
    if (s.rows > 60) s.rows = s.rows % 60;
    if (s.columns > 60) s.columns = s.columns % 60;
}

TEST(Robustness, ArbitraryRecordsPlanAndRenderSafely) {
    std::mt19937 rng(20261207);
    MaskPath mask;
    std::string error;
    ASSERT_TRUE(parseMaskPath("M -5 3 C 40 -20 10 80 60 30 L 2 2 Z", mask, error));
    std::vector<MaskPath> masks{mask, mask};
    MaskPathSource paths(masks);
    for (int round = 0; round < 3000; ++round) {
        WipeSettings s = wildSettings(rng);
        tameGrid(s);
        const int32_t width = static_cast<int32_t>(rng() % 5 == 0 ? 0 : rng() % 70);
        const int32_t height = static_cast<int32_t>(rng() % 5 == 0 ? 0 : rng() % 50);
        const PixelDepth depth = static_cast<PixelDepth>(rng() % 3);
        const std::size_t pixelBytes = depth == Depth8 ? 4 : depth == Depth16 ? 8 : 16;
        const int32_t rowPixels = width + static_cast<int32_t>(rng() % 3);
        std::vector<unsigned char> in(static_cast<std::size_t>(rowPixels) * height * pixelBytes + 1, 0x7F);
        std::vector<unsigned char> out(in.size(), 0);
        const ImageView input{in.data(), rowPixels, width, height};
        const ImageView output{out.data(), rowPixels, width, height};
        LocalServices services(input, output, depth);
        services.setOrderPath(&paths);
        const int32_t err = renderFrame(s, input, output, depth, services);
        ASSERT_TRUE(err == 0) << "round " << round << " error " << err;
    }
}

TEST(Robustness, ImagesThatDoNotFitAreRefusedUntouched) {
    std::vector<uint8_t> in(10 * 10 * 4, 200);
    std::vector<uint8_t> out(10 * 12 * 4, 9);
    const ImageView input{in.data(), 10, 10, 10};
    const ImageView taller{out.data(), 10, 10, 12};
    LocalServices services(input, taller, Depth8);
    EXPECT_EQ(renderFrame(defaultSettings(), input, taller, Depth8, services), 255);
    EXPECT_EQ(out, std::vector<uint8_t>(10 * 12 * 4, 9));
    const ImageView narrow{out.data(), 9, 9, 10};
    EXPECT_EQ(renderFrame(defaultSettings(), input, narrow, Depth8, services), 255);
    const ImageView shortStride{in.data(), 9, 10, 10};
    EXPECT_EQ(renderFrame(defaultSettings(), shortStride, input, Depth8, services), 255);
}

}  // namespace
}  // namespace tilesweep::test
