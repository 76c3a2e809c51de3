#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "ImageOps.h"
#include "ResultCodes.h"

namespace tilesweep {
namespace {

template <typename Channel, PixelDepth D, int32_t Max>
struct DepthCase {
    using C = Channel;
    static constexpr PixelDepth kDepth = D;
    static constexpr double kMax = Max;
    static constexpr bool kInteger = std::numeric_limits<Channel>::is_integer;
    // One step of the channel, or the float accuracy the drawing needs.
    static constexpr double kStep = kInteger ? 1.0 / Max : 1e-6;
    static C channel(double unit) {
        if (kInteger) return static_cast<C>(std::lround(unit * kMax));
        return static_cast<C>(unit);
    }
    static double unit(C c) { return static_cast<double>(c) / kMax; }
};

using Depths = ::testing::Types<DepthCase<uint8_t, Depth8, 255>,
                                DepthCase<uint16_t, Depth16, 32768>, DepthCase<float, Depth32f, 1>>;

constexpr int32_t kPadding = 3;

// An image with padding columns after each row; every operation must leave them alone.
template <typename D>
struct Image {
    using C = typename D::C;
    int32_t width;
    int32_t height;
    std::vector<C> data;

    Image(int32_t w, int32_t h, uint32_t seed = 1) : width(w), height(h) {
        data.resize(static_cast<std::size_t>((w + kPadding) * h * 4));
        std::mt19937 random(seed);
        for (C& c : data)
            c = D::channel(std::uniform_int_distribution<int>(0, 1000)(random) / 1000.0);
    }
    ImageView view() const {
        return {const_cast<C*>(data.data()), width + kPadding, width, height};
    }
    C* at(int32_t x, int32_t y) {
        return &data[static_cast<std::size_t>((y * (width + kPadding) + x) * 4)];
    }
    void setAll(int32_t x, int32_t y, double a, double r, double g, double b) {
        C* p = at(x, y);
        p[0] = D::channel(a), p[1] = D::channel(r), p[2] = D::channel(g), p[3] = D::channel(b);
    }
    void flat(double a, double r, double g, double b) {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) setAll(x, y, a, r, g, b);
    }
    bool samePixel(int32_t x, int32_t y, const Image& other, int32_t ox, int32_t oy) {
        return std::equal(at(x, y), at(x, y) + 4,
                          other.data.data() + (oy * (other.width + kPadding) + ox) * 4);
    }
};

template <typename D>
class ImageOpsTest : public ::testing::Test {};
TYPED_TEST_SUITE(ImageOpsTest, Depths, );

bool inside(const Rect& r, int32_t x, int32_t y) {
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

CompositeMode modeOf(TransferMode xfer, double opacity = 1.0) {
    return {xfer, 0, static_cast<uint8_t>(255 * opacity), 0,
            static_cast<uint16_t>(32768 * opacity)};
}

// A number the engine has no name for.
TransferMode unnamedMode(int32_t number) { return static_cast<TransferMode>(number); }
int32_t number(TransferMode mode) { return static_cast<int32_t>(mode); }

const TransferMode kAllModes[] = {
    TransferMode::InFront,    TransferMode::Add,        TransferMode::Multiply,    TransferMode::Screen,
    TransferMode::Overlay,    TransferMode::HardLight,  TransferMode::Darken,      TransferMode::Lighten,
    TransferMode::Difference, TransferMode::ColorDodge, TransferMode::ColorBurn,   TransferMode::LinearLight,
    TransferMode::VividLight, TransferMode::PinLight,   TransferMode::HardMix,     unnamedMode(0),
    unnamedMode(1),           unnamedMode(3),           unnamedMode(99),           unnamedMode(-7)};

TYPED_TEST(ImageOpsTest, SameSizeCopyIsExactAndTranslates) {
    Image<TypeParam> source(9, 7, 1), whole(9, 7, 2);
    const Image<TypeParam> original = whole;
    ASSERT_EQ(0, copyImage(TypeParam::kDepth, source.view(), whole.view(), nullptr, nullptr));
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 9 + kPadding; ++x)
            EXPECT_TRUE(whole.samePixel(x, y, x < 9 ? source : original, x, y));

    // Source partly outside its image and destination partly outside its own: only
    // pixels with a source pixel behind them and inside the destination are written.
    const Rect from{-2, 3, 5, 9}, to{4, -1, 11, 5};
    Image<TypeParam> out(9, 7, 3);
    const Image<TypeParam> before = out;
    ASSERT_EQ(0, copyImage(TypeParam::kDepth, source.view(), out.view(), &from, &to));
    for (int32_t y = 0; y < 7; ++y)
        for (int32_t x = 0; x < 9 + kPadding; ++x) {
            const int32_t sx = x - 4 - 2, sy = y + 1 + 3;
            const bool written = x < 9 && inside(to, x, y) && sx >= 0 && sx < 9 && sy < 7;
            EXPECT_TRUE(written ? out.samePixel(x, y, source, sx, sy)
                                : out.samePixel(x, y, before, x, y))
                << x << "," << y;
        }
}

struct ScaleCase {
    int32_t sw, sh, dw, dh;
};

TYPED_TEST(ImageOpsTest, ScalingKeepsFlatColourExactlyAndTouchesOnlyTheDestination) {
    const ScaleCase cases[] = {{7, 3, 3, 7}, {3, 7, 7, 3},   {7, 7, 3, 3},
                               {3, 3, 7, 7}, {5, 4, 1, 4},   {4, 5, 4, 1},
                               {1, 1, 9, 9}, {13, 11, 1, 1}, {64, 48, 17, 31}};
    const double flats[][4] = {{1, 0.3, 0.7, 0.11}, {0.37, 0.9, 0.01, 0.5}, {0, 0.6, 0.2, 0.8}};
    for (const ScaleCase& c : cases)
        for (const auto& f : flats) {
            Image<TypeParam> source(c.sw + 2, c.sh + 2, 4), out(c.dw + 3, c.dh + 3, 5);
            source.flat(f[0], f[1], f[2], f[3]);
            const Image<TypeParam> before = out;
            const Rect from{1, 1, 1 + c.sw, 1 + c.sh}, to{2, 1, 2 + c.dw, 1 + c.dh};
            ASSERT_EQ(0, copyImage(TypeParam::kDepth, source.view(), out.view(), &from, &to));
            for (int32_t y = 0; y < out.height; ++y)
                for (int32_t x = 0; x < out.width + kPadding; ++x)
                    EXPECT_TRUE(x < out.width && inside(to, x, y)
                                    ? out.samePixel(x, y, source, 1, 1)
                                    : out.samePixel(x, y, before, x, y))
                        << c.sw << "x" << c.sh << "->" << c.dw << "x" << c.dh << " at " << x << ","
                        << y;
        }
}

// One row of source values, scaled into a row of another width: the box filter's
// fractional coverage, and colour weighted by alpha.
struct FilterCase {
    const char* name;
    std::vector<double> alpha, red;              // source row
    std::vector<double> expectAlpha, expectRed;  // destination row
};

TYPED_TEST(ImageOpsTest, ScalingAveragesByCoverageAndAlpha) {
    const FilterCase cases[] = {
        {"halve", {1, 1}, {0, 1}, {1}, {0.5}},
        {"three to two", {1, 1, 1}, {0, 1, 0}, {1, 1}, {1.0 / 3, 1.0 / 3}},
        {"two to three", {1, 1}, {0, 1}, {1, 1, 1}, {0, 0.5, 1}},
        {"no dark fringe", {1, 0}, {1, 0}, {0.5}, {1}},
        {"weighted colour", {1, 0.5, 0}, {0.9, 0.3, 0}, {0.5}, {0.7}},
        {"all transparent", {0, 0}, {0.2, 0.6}, {0}, {0.4}},
    };
    for (const FilterCase& c : cases) {
        Image<TypeParam> source(static_cast<int32_t>(c.alpha.size()), 1);
        Image<TypeParam> out(static_cast<int32_t>(c.expectAlpha.size()), 1);
        for (std::size_t x = 0; x < c.alpha.size(); ++x)
            source.setAll(static_cast<int32_t>(x), 0, c.alpha[x], c.red[x], 0, 0);
        ASSERT_EQ(0, copyImage(TypeParam::kDepth, source.view(), out.view(), nullptr, nullptr));
        for (std::size_t x = 0; x < c.expectAlpha.size(); ++x) {
            const auto* p = out.at(static_cast<int32_t>(x), 0);
            EXPECT_NEAR(TypeParam::unit(p[0]), c.expectAlpha[x], TypeParam::kStep) << c.name;
            EXPECT_NEAR(TypeParam::unit(p[1]), c.expectRed[x], TypeParam::kStep) << c.name;
        }
    }
}

TYPED_TEST(ImageOpsTest, ScalingIntoAPartlyOutsideDestinationKeepsTheFullMapping) {
    Image<TypeParam> source(4, 1), out(3, 1, 7);
    for (int32_t x = 0; x < 4; ++x) source.setAll(x, 0, 1, 0.2 * x, 0, 0);
    const Rect to{-4, 0, 4, 1};  // twice as wide: destination pixel k shows source k / 2
    const Image<TypeParam> before = out;
    ASSERT_EQ(0, copyImage(TypeParam::kDepth, source.view(), out.view(), nullptr, &to));
    EXPECT_TRUE(out.samePixel(0, 0, source, 2, 0));
    EXPECT_TRUE(out.samePixel(1, 0, source, 2, 0));
    EXPECT_TRUE(out.samePixel(2, 0, source, 3, 0));
    for (int32_t x = 3; x < 3 + kPadding; ++x) EXPECT_TRUE(out.samePixel(x, 0, before, x, 0));
}

TYPED_TEST(ImageOpsTest, ScalingReadsOnlyInsideTheSourceImage) {
    // Padding and rows around the source hold other values; the footprints that reach
    // outside the image are normalised over their inside part.
    Image<TypeParam> source(4, 2, 15);
    source.flat(0.8, 0.1, 0.5, 0.9);
    const Rect around{-1, -1, 5, 3};
    Image<TypeParam> shrunk(3, 2, 16);
    ASSERT_EQ(0, copyImage(TypeParam::kDepth, source.view(), shrunk.view(), &around, nullptr));
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            EXPECT_TRUE(shrunk.samePixel(x, y, source, 0, 0)) << x << "," << y;

    // A destination pixel whose whole footprint is outside stays as it was.
    const Rect leftHalfOutside{-4, 0, 4, 2};
    Image<TypeParam> halves(2, 2, 17);
    const Image<TypeParam> before = halves;
    ASSERT_EQ(
        0, copyImage(TypeParam::kDepth, source.view(), halves.view(), &leftHalfOutside, nullptr));
    for (int32_t y = 0; y < 2; ++y) {
        EXPECT_TRUE(halves.samePixel(0, y, before, 0, y));
        EXPECT_TRUE(halves.samePixel(1, y, source, 0, 0));
    }
}

TYPED_TEST(ImageOpsTest, EmptyRectanglesDoNothing) {
    const Rect empties[] = {{2, 2, 2, 5}, {2, 2, 5, 2}, {4, 1, 1, 3}, {1, 4, 3, 1}};
    const Rect fine{0, 0, 3, 3};
    Image<TypeParam> source(6, 6, 8), out(6, 6, 9);
    const Image<TypeParam> before = out;
    for (const Rect& e : empties) {
        EXPECT_EQ(0, copyImage(TypeParam::kDepth, source.view(), out.view(), &e, &fine));
        EXPECT_EQ(0, copyImage(TypeParam::kDepth, source.view(), out.view(), &fine, &e));
        EXPECT_EQ(0, fillImage(TypeParam::kDepth, out.view(), &e));
        EXPECT_EQ(0,
                  transferRect(TypeParam::kDepth, source.view(), e, modeOf(TransferMode::InFront), 1, 1, out.view()));
    }
    EXPECT_EQ(before.data, out.data);
}

// Rectangles and positions against a 6 x 5 destination: inside, over every edge, and
// fully outside on every side.
const Rect kClipRects[] = {{1, 1, 4, 3},  {-2, 1, 3, 4},    {1, -3, 4, 2},  {4, 1, 9, 3},
                           {2, 3, 5, 8},  {-5, -5, 20, 20}, {-9, 0, -1, 3}, {6, 0, 9, 5},
                           {0, -8, 6, 0}, {0, 5, 6, 9}};

TYPED_TEST(ImageOpsTest, FillClipsToTheImage) {
    for (const Rect& r : kClipRects) {
        Image<TypeParam> out(6, 5, 10);
        const Image<TypeParam> before = out;
        ASSERT_EQ(0, fillImage(TypeParam::kDepth, out.view(), &r));
        for (int32_t y = 0; y < 5; ++y)
            for (int32_t x = 0; x < 6 + kPadding; ++x) {
                const bool cleared = x < 6 && inside(r, x, y);
                const auto* p = out.at(x, y);
                EXPECT_TRUE(cleared ? std::all_of(p, p + 4, [](auto c) { return c == 0; })
                                    : out.samePixel(x, y, before, x, y));
            }
    }
    Image<TypeParam> whole(6, 5, 11);
    ASSERT_EQ(0, fillImage(TypeParam::kDepth, whole.view(), nullptr));
    for (int32_t y = 0; y < 5; ++y)
        for (int32_t x = 0; x < 6; ++x)
            EXPECT_TRUE(
                std::all_of(whole.at(x, y), whole.at(x, y) + 4, [](auto c) { return c == 0; }));
}

TYPED_TEST(ImageOpsTest, TransferClipsAtEveryEdge) {
    Image<TypeParam> source(7, 6, 12);  // random colours, opaque alpha
    for (int32_t y = 0; y < 6; ++y)
        for (int32_t x = 0; x < 7; ++x) source.at(x, y)[0] = TypeParam::channel(1);
    const Rect sourceRects[] = {{1, 1, 5, 4}, {-2, -1, 4, 3}, {3, 2, 10, 9}};
    const int32_t positions[][2] = {
        {0, 0},
        {-2, -1},
        {4, 3},
        {-3, 2},
        {2, -2},
        {-100, 0},
        {0, 100},
        {6, 0},
        {0, 5},
        {std::numeric_limits<int32_t>::min(), 0},
        {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max()}};
    for (const Rect& from : sourceRects)
        for (const auto& at : positions) {
            Image<TypeParam> out(6, 5, 14);
            const Image<TypeParam> before = out;
            ASSERT_EQ(0, transferRect(TypeParam::kDepth, source.view(), from, modeOf(TransferMode::InFront), at[0],
                                      at[1], out.view()));
            for (int32_t y = 0; y < 5; ++y)
                for (int32_t x = 0; x < 6 + kPadding; ++x) {
                    const int64_t sx = int64_t{x} - at[0] + from.left,
                                  sy = int64_t{y} - at[1] + from.top;
                    const bool written =
                        x < 6 && sx >= std::max(from.left, 0) && sx < std::min(from.right, 7) &&
                        sy >= std::max(from.top, 0) && sy < std::min(from.bottom, 6);
                    EXPECT_TRUE(written ? out.samePixel(x, y, source, static_cast<int32_t>(sx),
                                                        static_cast<int32_t>(sy))
                                        : out.samePixel(x, y, before, x, y))
                        << "at " << at[0] << "," << at[1] << " pixel " << x << "," << y;
                }
        }
}

// Opaque source over an opaque backdrop, the same value in all three colour channels.
struct BlendCase {
    TransferMode xfer;
    double backdrop, source, expected;
};

TYPED_TEST(ImageOpsTest, BlendModesOnKnownValues) {
    // Values are multiples of 0.2, exact at 8-bit; 16-bit rounds them by under half a step.
    const BlendCase cases[] = {
        {TransferMode::InFront, 0.2, 0.8, 0.8},
        {TransferMode::Add, 0.2, 0.4, 0.6},
        {TransferMode::Add, 0.8, 0.6, 1},
        {TransferMode::Multiply, 0.4, 0.6, 0.24},
        {TransferMode::Multiply, 1, 0.2, 0.2},
        {TransferMode::Screen, 0.4, 0.6, 0.76},
        {TransferMode::Screen, 0, 0.8, 0.8},
        {TransferMode::Overlay, 0.4, 0.6, 0.48},
        {TransferMode::Overlay, 0.8, 0.4, 0.76},
        {TransferMode::HardLight, 0.6, 0.4, 0.48},
        {TransferMode::HardLight, 0.4, 0.8, 0.76},
        {TransferMode::Darken, 0.4, 0.6, 0.4},
        {TransferMode::Darken, 0.8, 0.2, 0.2},
        {TransferMode::Lighten, 0.4, 0.6, 0.6},
        {TransferMode::Lighten, 0.8, 0.2, 0.8},
        {TransferMode::Difference, 0.2, 0.8, 0.6},
        {TransferMode::Difference, 0.8, 0.2, 0.6},
        {TransferMode::ColorDodge, 0.2, 0.6, 0.5},
        {TransferMode::ColorDodge, 0.6, 0.6, 1},
        {TransferMode::ColorDodge, 0, 1, 0},
        {TransferMode::ColorDodge, 0.4, 1, 1},
        {TransferMode::ColorBurn, 0.8, 0.4, 0.5},
        {TransferMode::ColorBurn, 0.2, 0.4, 0},
        {TransferMode::ColorBurn, 1, 0, 1},
        {TransferMode::ColorBurn, 0.6, 0, 0},
        {TransferMode::LinearLight, 0.4, 0.6, 0.6},
        {TransferMode::LinearLight, 0.2, 0.2, 0},
        {TransferMode::LinearLight, 0.8, 0.8, 1},
        {TransferMode::VividLight, 0.8, 0.4, 0.75},
        {TransferMode::VividLight, 0.2, 0.8, 0.5},
        {TransferMode::PinLight, 0.6, 0.2, 0.4},
        {TransferMode::PinLight, 0.2, 0.4, 0.2},
        {TransferMode::PinLight, 0.2, 0.8, 0.6},
        {TransferMode::PinLight, 0.8, 0.6, 0.8},
        {TransferMode::HardMix, 0.4, 0.6, 1},
        {TransferMode::HardMix, 0.4, 0.4, 0},
        {TransferMode::HardMix, 0.8, 0.6, 1},
        {TransferMode::HardMix, 0, 0, 0},
};
    for (const BlendCase& c : cases) {
        Image<TypeParam> source(1, 1), out(1, 1);
        source.setAll(0, 0, 1, c.source, c.source, c.source);
        out.setAll(0, 0, 1, c.backdrop, c.backdrop, c.backdrop);
        ASSERT_EQ(0, transferRect(TypeParam::kDepth, source.view(), {0, 0, 1, 1}, modeOf(c.xfer), 0,
                                  0, out.view()));
        EXPECT_EQ(TypeParam::channel(1), out.at(0, 0)[0]) << number(c.xfer);
        for (int ch = 1; ch < 4; ++ch)
            EXPECT_NEAR(TypeParam::unit(out.at(0, 0)[ch]), c.expected, TypeParam::kStep * 1.001)
                << "xfer " << number(c.xfer) << " backdrop " << c.backdrop << " source " << c.source;
    }
}

// Partly transparent pixels: the source-over arithmetic around the blend.
struct CompositeCase {
    TransferMode xfer;
    double sourceAlpha, source, backdropAlpha, backdrop, opacity, expectAlpha, expectColour;
};

TYPED_TEST(ImageOpsTest, CompositesStraightAlpha) {
    const CompositeCase cases[] = {
        {TransferMode::InFront, 0.6, 0.8, 0.4, 0.2, 1, 0.76, 0.512 / 0.76},
        {TransferMode::Multiply, 1, 0.6, 0.4, 0.4, 1, 1, 0.456},  // (1 - ab) Cs + ab Cs Cb
        {TransferMode::Multiply, 0.6, 0.6, 1, 0.4, 1, 1, 0.6 * 0.24 + 0.4 * 0.4},
        {TransferMode::InFront, 1, 0.8, 1, 0.2, 0.5, 1, 0.5},
        {TransferMode::Screen, 0.4, 0.4, 0, 0.9, 1, 0.4, 0.4},  // no backdrop: the source's colour
    };
    for (const CompositeCase& c : cases) {
        Image<TypeParam> source(1, 1), out(1, 1);
        source.setAll(0, 0, c.sourceAlpha, c.source, c.source, c.source);
        out.setAll(0, 0, c.backdropAlpha, c.backdrop, c.backdrop, c.backdrop);
        const CompositeMode mode{c.xfer, 0, static_cast<uint8_t>(std::lround(255 * c.opacity)), 0,
                                 static_cast<uint16_t>(std::lround(32768 * c.opacity))};
        ASSERT_EQ(0, transferRect(TypeParam::kDepth, source.view(), {0, 0, 1, 1}, mode, 0, 0,
                                  out.view()));
        // Two steps: the expectation is taken at the unrounded inputs.
        EXPECT_NEAR(TypeParam::unit(out.at(0, 0)[0]), c.expectAlpha, 2 * TypeParam::kStep)
            << number(c.xfer);
        EXPECT_NEAR(TypeParam::unit(out.at(0, 0)[2]), c.expectColour, 2 * TypeParam::kStep)
            << number(c.xfer);
    }
}

TYPED_TEST(ImageOpsTest, ExactnessThatTheDrawingReliesOn) {
    Image<TypeParam> source(16, 8, 20), backdrop(16, 8, 21);
    for (int32_t y = 0; y < 8; ++y) {
        for (int32_t x = 0; x < 16; ++x) source.at(x, y)[0] = TypeParam::channel(1);
        backdrop.at(y, y)[0] = TypeParam::channel(0);  // some transparent, the rest random
        backdrop.at(15 - y, y)[0] = TypeParam::channel(1);
    }
    for (TransferMode xfer : kAllModes) {
        Image<TypeParam> out = backdrop;
        ASSERT_EQ(0, transferRect(TypeParam::kDepth, source.view(), {0, 0, 16, 8}, modeOf(xfer), 0,
                                  0, out.view()));
        for (int32_t y = 0; y < 8; ++y)
            for (int32_t x = 0; x < 16; ++x) {
                EXPECT_EQ(TypeParam::channel(1), out.at(x, y)[0]) << number(xfer);
                if (xfer == TransferMode::InFront || x == y) {
                    EXPECT_TRUE(out.samePixel(x, y, source, x, y)) << number(xfer);
                }
            }
        // Transparent source pixels leave the destination as it was.
        Image<TypeParam> clear = source;
        clear.flat(0, 0.5, 0.5, 0.5);
        out = backdrop;
        ASSERT_EQ(0, transferRect(TypeParam::kDepth, clear.view(), {0, 0, 16, 8}, modeOf(xfer), 0,
                                  0, out.view()));
        EXPECT_EQ(backdrop.data, out.data) << number(xfer);
    }
}

TYPED_TEST(ImageOpsTest, OpacityFadesOverTransparent) {
    for (double q : {0.001, 0.1, 0.25, 0.5, 0.75, 0.999}) {
        for (double sourceAlpha : {1.0, 0.6}) {
            Image<TypeParam> source(3, 2, 30), out(3, 2);
            for (int32_t x = 0; x < 3; ++x)
                source.at(x, 0)[0] = source.at(x, 1)[0] = TypeParam::channel(sourceAlpha);
            out.flat(0, 0.3, 0.3, 0.3);
            const CompositeMode mode{TransferMode::InFront, 0, static_cast<uint8_t>(255 * q), 0,
                                     static_cast<uint16_t>(32768 * q)};
            ASSERT_EQ(0, transferRect(TypeParam::kDepth, source.view(), {0, 0, 3, 2}, mode, 0, 0,
                                      out.view()));
            const double factor = TypeParam::kDepth == Depth8 ? std::trunc(255 * q) / 255
                                                              : std::trunc(32768 * q) / 32768;
            for (int32_t x = 0; x < 3; ++x) {
                EXPECT_NEAR(TypeParam::unit(out.at(x, 1)[0]),
                            TypeParam::unit(source.at(x, 1)[0]) * factor, TypeParam::kStep)
                    << q;
                // The source's colour where anything was drawn; nothing drawn at opacity 0.
                const auto* expected = factor > 0 ? source.at(x, 1) : out.at(x, 0);
                EXPECT_TRUE(std::equal(out.at(x, 1) + 1, out.at(x, 1) + 4, expected + 1)) << q;
            }
        }
    }
    Image<TypeParam> source(2, 2, 31), out(2, 2, 32);
    const Image<TypeParam> before = out;
    ASSERT_EQ(0, transferRect(TypeParam::kDepth, source.view(), {0, 0, 2, 2}, modeOf(TransferMode::Multiply, 0), 0, 0,
                              out.view()));
    EXPECT_EQ(before.data, out.data);
}

// Long rows take the run-based paths; single pixels cannot. Both must agree.
TYPED_TEST(ImageOpsTest, WideRowsMatchPixelByPixelTransfers) {
    Image<TypeParam> source(100, 3, 50);
    const Image<TypeParam> backdrop(100, 3, 51);
    // Opaque runs broken at the first and the last pixel of a 32-pixel stretch, by a
    // pair, and at the row's end; the other pixels keep their random alpha.
    const std::vector<int32_t> brokenAt[3] = {{0, 50, 99}, {3, 4, 36, 70}, {31, 64, 65, 98}};
    for (int32_t y = 0; y < 3; ++y)
        for (int32_t x = 0; x < 100; ++x)
            if (std::find(brokenAt[y].begin(), brokenAt[y].end(), x) == brokenAt[y].end())
                source.at(x, y)[0] = TypeParam::channel(1);
    for (TransferMode xfer : {TransferMode::InFront, TransferMode::Multiply, TransferMode::HardMix}) {
        for (double opacity : {1.0, 0.5}) {
            Image<TypeParam> whole = backdrop, single = backdrop;
            ASSERT_EQ(0, transferRect(TypeParam::kDepth, source.view(), {0, 0, 100, 3},
                                      modeOf(xfer, opacity), 0, 0, whole.view()));
            for (int32_t y = 0; y < 3; ++y)
                for (int32_t x = 0; x < 100; ++x)
                    ASSERT_EQ(0,
                              transferRect(TypeParam::kDepth, source.view(), {x, y, x + 1, y + 1},
                                           modeOf(xfer, opacity), x, y, single.view()));
            EXPECT_EQ(single.data, whole.data) << number(xfer) << " " << opacity;
            EXPECT_NE(backdrop.data, whole.data);
        }
    }
}

TYPED_TEST(ImageOpsTest, UnknownTransferModesBehaveAsNormal) {
    const Image<TypeParam> source(12, 9, 40), backdrop(12, 9, 41);  // random alphas throughout
    Image<TypeParam> normal = backdrop;
    const CompositeMode half = {TransferMode::InFront, 0, 128, 0, 16384};
    ASSERT_EQ(0, transferRect(TypeParam::kDepth, source.view(), {0, 0, 12, 9}, half, 1, 2,
                              normal.view()));
    EXPECT_NE(backdrop.data, normal.data);
    for (int32_t xfer : {0, 1, 3, 8, 12, 25, 35, 99, -2}) {
        Image<TypeParam> out = backdrop;
        CompositeMode mode = half;
        mode.xfer = unnamedMode(xfer);
        ASSERT_EQ(0, transferRect(TypeParam::kDepth, source.view(), {0, 0, 12, 9}, mode, 1, 2,
                                  out.view()));
        EXPECT_EQ(normal.data, out.data) << xfer;
    }
}

TEST(ImageOps, ADepthWithoutPixelTraitsTouchesNothing) {
    using D8 = DepthCase<uint8_t, Depth8, 255>;
    const Image<D8> source(6, 5, 60), backdrop(6, 5, 61);
    Image<D8> out = backdrop;
    const Rect r{1, 1, 4, 4};
    const auto unknownDepth = static_cast<PixelDepth>(3);
    EXPECT_EQ(copyImage(unknownDepth, source.view(), out.view(), nullptr, nullptr), kErrBadCallbackParam);
    EXPECT_EQ(copyImage(unknownDepth, source.view(), out.view(), &r, nullptr), kErrBadCallbackParam);
    EXPECT_EQ(fillImage(unknownDepth, out.view(), &r), kErrBadCallbackParam);
    EXPECT_EQ(transferRect(unknownDepth, source.view(), r, modeOf(TransferMode::InFront), 0, 0, out.view()),
              kErrBadCallbackParam);
    EXPECT_EQ(out.data, backdrop.data);
}

}  // namespace
}  // namespace tilesweep
