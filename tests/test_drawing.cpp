// The drawing of blocks: what each pass asks of the image operations, and the
// alpha arithmetic of Still1.
#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "BlockDrawing.h"
#include "TestSupport.h"

namespace tilesweep::test {
namespace {

std::string rectText(const Rect* r) {
    if (r == nullptr) return "all";
    std::ostringstream s;
    s << r->left << "," << r->top << "," << r->right << "," << r->bottom;
    return s.str();
}

// Records every operation; the pixels still go through the engine's own operations.
class RecordingServices : public LocalServices {
public:
    using LocalServices::LocalServices;
    std::vector<std::string> ops;
    std::vector<CompositeMode> modes;
    std::vector<int32_t> progressed;
    int failAt = 0;

    int32_t fail() { return static_cast<int>(ops.size()) == failAt ? 99 : 0; }
    int32_t copy(const Rect* s, const Rect* d) override {
        ops.push_back("copy " + rectText(s) + " " + rectText(d));
        if (int32_t e = fail()) return e;
        return LocalServices::copy(s, d);
    }
    int32_t fill(const Rect* r) override {
        ops.push_back("fill " + rectText(r));
        if (int32_t e = fail()) return e;
        return LocalServices::fill(r);
    }
    int32_t transfer_rect(const Rect& s, const CompositeMode& m, int32_t x, int32_t y) override {
        ops.push_back("transfer " + rectText(&s) + " " + std::to_string(x) + "," + std::to_string(y));
        modes.push_back(m);
        if (int32_t e = fail()) return e;
        return LocalServices::transfer_rect(s, m, x, y);
    }
    void progress(int32_t current, int32_t) override { progressed.push_back(current); }
};

// An opaque 8-bit picture whose pixels tell where they came from.
struct Frame8 {
    int32_t width;
    int32_t height;
    std::vector<uint8_t> in;
    std::vector<uint8_t> out;
    Frame8(int32_t w, int32_t h) : width(w), height(h), in(static_cast<std::size_t>(w * h * 4)), out(in.size(), 77) {
        for (int32_t y = 0; y < h; ++y) {
            for (int32_t x = 0; x < w; ++x) {
                uint8_t* p = &in[static_cast<std::size_t>((y * w + x) * 4)];
                p[0] = 255;
                p[1] = static_cast<uint8_t>(x);
                p[2] = static_cast<uint8_t>(y);
                p[3] = 9;
            }
        }
    }
    ImageView input() { return ImageView{in.data(), width, width, height}; }
    ImageView output() { return ImageView{out.data(), width, width, height}; }
    uint8_t alpha(int32_t x, int32_t y) const { return out[static_cast<std::size_t>((y * width + x) * 4)]; }
    const uint8_t* pixel(int32_t x, int32_t y) const { return &out[static_cast<std::size_t>((y * width + x) * 4)]; }
};

struct Rendered {
    int32_t err;
    std::vector<std::string> ops;
    std::vector<CompositeMode> modes;
    std::vector<int32_t> progressed;
};

Rendered render(Frame8& f, const WipeSettings& s, int failAt = 0) {
    RecordingServices services(f.input(), f.output(), Depth8);
    services.failAt = failAt;
    Rendered r;
    r.err = renderFrame(s, f.input(), f.output(), Depth8, services);
    r.ops = services.ops;
    r.modes = services.modes;
    r.progressed = services.progressed;
    return r;
}

// One block of the given size wiping at progress p: one step, no delay, linear.
WipeSettings singleBlock(ModeKind mode, double p, int32_t direction) {
    WipeSettings s = defaultSettings();
    s.rows = 1;
    s.columns = 1;
    s.mode = popupValue(mode);
    s.completion = p;
    s.delay = 0.0;
    s.easing = popupValue(EasingKind::Linear);
    // Horizontal with Normal is Right; Inverse Left; Vertical Down/Up.
    const bool horizontal = direction == kRight || direction == kLeft;
    s.direction = popupValue(horizontal ? DirectionKind::Horizontal : DirectionKind::Vertical);
    s.directionMode =
        popupValue(direction == kRight || direction == kDown ? DirectionModeKind::Normal : DirectionModeKind::Inverse);
    return s;
}

TEST(Still1, RightClearsWholeColumnsAndHalvesThePartialOne) {
    Frame8 f(10, 4);
    const Rendered r = render(f, singleBlock(ModeKind::Still1, 0.25, kRight));
    ASSERT_EQ(r.err, 0);
    for (int32_t y = 0; y < 4; ++y) {
        EXPECT_EQ(f.alpha(0, y), 0);
        EXPECT_EQ(f.alpha(1, y), 0);
        EXPECT_EQ(f.alpha(2, y), 127);
        EXPECT_EQ(f.alpha(3, y), 255);
        EXPECT_EQ(f.pixel(0, y)[1], 0) << "colour stays as copied";
        EXPECT_EQ(f.pixel(2, y)[1], 2);
    }
    EXPECT_EQ(r.ops, std::vector<std::string>{"copy all all"});
    EXPECT_EQ(r.progressed, std::vector<int32_t>{0});
}

TEST(Still1, UpAddsHalfAPixelAndDownDoesNot) {
    Frame8 up(4, 10);
    ASSERT_EQ(render(up, singleBlock(ModeKind::Still1, 0.25, kUp)).err, 0);
    for (int32_t y = 0; y < 10; ++y) EXPECT_EQ(up.alpha(1, y), y >= 7 ? 0 : 255) << y;
    Frame8 down(4, 10);
    ASSERT_EQ(render(down, singleBlock(ModeKind::Still1, 0.25, kDown)).err, 0);
    EXPECT_EQ(down.alpha(1, 0), 0);
    EXPECT_EQ(down.alpha(1, 1), 0);
    EXPECT_EQ(down.alpha(1, 2), 127);
    EXPECT_EQ(down.alpha(1, 3), 255);
}

TEST(Still1, LeftTakesColumnsFromTheRight) {
    Frame8 f(10, 2);
    ASSERT_EQ(render(f, singleBlock(ModeKind::Still1, 0.25, kLeft)).err, 0);
    EXPECT_EQ(f.alpha(9, 0), 0);
    EXPECT_EQ(f.alpha(8, 0), 0);
    EXPECT_EQ(f.alpha(7, 0), 127);
    EXPECT_EQ(f.alpha(6, 0), 255);
}

// Two rows of blocks: with Up near the end of a wipe the partial row would fall
// into the block above; it must stay inside the wiping block. The lower block
// goes first, so the block above is still whole and would show the stray row.
TEST(Still1, UpPartialRowStaysInsideTheBlock) {
    Frame8 f(4, 20);
    WipeSettings s = singleBlock(ModeKind::Still1, 0.0, kUp);
    s.rows = 2;
    s.delay = 1.0;
    s.order = popupValue(OrderKind::Vertical);
    s.orderInverse = 1;  // the lower block is step 0
    // Two steps with full delay: at C = 0.48 step 0 is at 0.96, so X = 9.6 + 0.5 = 10.1,
    // and step 1 has not started.
    s.completion = 0.48;
    ASSERT_EQ(render(f, s).err, 0);
    for (int32_t y = 10; y < 20; ++y) EXPECT_EQ(f.alpha(0, y), 0) << y;
    for (int32_t y = 0; y < 10; ++y) EXPECT_EQ(f.alpha(0, y), 255) << "the upper block is untouched, row " << y;
    s.completion = 0.2;  // step 0 at 0.4: X = 4.5, four rows gone and half of the fifth
    Frame8 g(4, 20);
    ASSERT_EQ(render(g, s).err, 0);
    for (int32_t y = 16; y < 20; ++y) EXPECT_EQ(g.alpha(0, y), 0) << y;
    EXPECT_EQ(g.alpha(0, 15), 127);
    for (int32_t y = 0; y < 15; ++y) EXPECT_EQ(g.alpha(0, y), 255) << y;
}

TEST(Still1, FloatAndSixteenBitAlphaArithmetic) {
    std::vector<uint16_t> in16(10 * 4, 0);
    for (std::size_t i = 0; i < in16.size(); i += 4) in16[i] = 32768;
    std::vector<uint16_t> out16(in16.size());
    const ImageView i16{in16.data(), 10, 10, 1};
    const ImageView o16{out16.data(), 10, 10, 1};
    LocalServices s16(i16, o16, Depth16);
    ASSERT_EQ(renderFrame(singleBlock(ModeKind::Still1, 0.25, kRight), i16, o16, Depth16, s16), 0);
    EXPECT_EQ(out16[2 * 4], 16384);
    std::vector<float> inF(10 * 4, 0.f);
    for (std::size_t i = 0; i < inF.size(); i += 4) inF[i] = 1.0f;
    std::vector<float> outF(inF.size());
    const ImageView iF{inF.data(), 10, 10, 1};
    const ImageView oF{outF.data(), 10, 10, 1};
    LocalServices sF(iF, oF, Depth32f);
    ASSERT_EQ(renderFrame(singleBlock(ModeKind::Still1, 0.33, kRight), iF, oF, Depth32f, sF), 0);
    // X = 3.3: three columns gone, the fourth keeps 1 - 0.3 of its alpha.
    EXPECT_EQ(outF[3 * 4], static_cast<float>(1.0 * (1 - (0.33 * 10 - 3))));
    EXPECT_EQ(outF[2 * 4], 0.0f);
}

// Still1 works on the alpha words itself: a depth it has no layout for must not be
// guessed, or 8-bit rows would be written as float ones.
TEST(Still1, ADepthWithoutPixelTraitsDrawsNothingAndSaysSo) {
    Frame8 f(10, 4);
    RecordingServices services(f.input(), f.output(), Depth8);
    const auto unknownDepth = static_cast<PixelDepth>(3);
    const WipeSettings s = singleBlock(ModeKind::Still1, 0.25, kRight);
    EXPECT_EQ(renderFrame(s, f.input(), f.output(), unknownDepth, services), kErrBadCallbackParam);
    EXPECT_EQ(services.ops, std::vector<std::string>{"copy all all"});
    EXPECT_EQ(f.out, f.in) << "only the output preparation ran";
}

struct ModeCase {
    const char* name;
    ModeKind mode;
    double p;
    int32_t direction;
    std::vector<std::string> ops;  // after the output preparation
};

class WipingBlockTable : public ::testing::TestWithParam<ModeCase> {};

// A 100 x 60 layer with one block.
TEST_P(WipingBlockTable, DrawsTheWipingBlock) {
    const ModeCase& c = GetParam();
    Frame8 f(100, 60);
    const Rendered r = render(f, singleBlock(c.mode, c.p, c.direction));
    ASSERT_EQ(r.err, 0);
    ASSERT_FALSE(r.ops.empty());
    EXPECT_EQ(r.ops.front(), "fill all");
    EXPECT_EQ(std::vector<std::string>(r.ops.begin() + 1, r.ops.end()), c.ops);
}

INSTANTIATE_TEST_SUITE_P(
    Modes, WipingBlockTable,
    ::testing::Values(
        ModeCase{"Still2", ModeKind::Still2, 0.5, kRight, {"transfer 0,0,100,60 0,0"}},
        ModeCase{"Still3", ModeKind::Still3, 0.5, kRight, {"copy 0,0,100,60 0,0,100,60", "fill 25,15,75,45"}},
        ModeCase{"Move1Right", ModeKind::Move1, 0.25, kRight, {"copy 0,0,75,60 25,0,100,60"}},
        ModeCase{"Move1Left", ModeKind::Move1, 0.25, kLeft, {"copy 25,0,100,60 0,0,75,60"}},
        ModeCase{"Move1Down", ModeKind::Move1, 0.25, kDown, {"copy 0,0,100,45 0,15,100,60"}},
        ModeCase{"Move1Up", ModeKind::Move1, 0.25, kUp, {"copy 0,15,100,60 0,0,100,45"}},
        ModeCase{"Move2Right", ModeKind::Move2, 0.5, kRight, {"transfer 0,0,100,60 50,0"}},
        ModeCase{"Move2Up", ModeKind::Move2, 0.5, kUp, {"transfer 0,0,100,60 0,-50"}},
        ModeCase{"Move3Left", ModeKind::Move3, 0.5, kLeft, {"transfer 0,0,100,60 -50,0"}},
        ModeCase{"Move3Down", ModeKind::Move3, 0.25, kDown, {"transfer 0,0,100,60 0,15"}},
        ModeCase{"Shrink1Right", ModeKind::Shrink1, 0.25, kRight, {"copy 0,0,100,60 25,0,100,60"}},
        ModeCase{"Shrink1Up", ModeKind::Shrink1, 0.25, kUp, {"copy 0,0,100,60 0,0,100,45"}},
        ModeCase{"Shrink2", ModeKind::Shrink2, 0.5, kRight, {"copy 0,0,100,60 25,15,75,45"}}),
    [](const ::testing::TestParamInfo<ModeCase>& param) { return param.param.name; });

// The insets of Still3's hole and Shrink2's target are rounded, not truncated:
// blocks whose halves are not whole pixels show the difference.
TEST(Drawing, HoleAndShrinkInsetsRoundToTheNearestPixel) {
    struct Inset {
        ModeKind mode;
        int32_t width, height;
        double p;
        const char* op;  // the last operation
    };
    const Inset cases[] = {
        {ModeKind::Still3, 7, 5, 0.5, "fill 2,1,5,4"},    // insets 1.75 and 1.25
        {ModeKind::Still3, 7, 5, 0.3, "fill 2,2,5,3"},    // 2.45 and 1.75
        {ModeKind::Still3, 9, 3, 0.9, "fill 0,0,9,3"},    // 0.45 and 0.15
        {ModeKind::Still3, 11, 13, 0.1, "fill 5,6,6,7"},  // 4.95 and 5.85
        {ModeKind::Shrink2, 7, 5, 0.5, "copy 0,0,7,5 2,1,5,4"},
        {ModeKind::Shrink2, 7, 5, 0.7, "copy 0,0,7,5 2,2,5,3"},
        {ModeKind::Shrink2, 11, 13, 0.9, "copy 0,0,11,13 5,6,6,7"},
    };
    for (const Inset& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height) + " at " + std::to_string(c.p));
        Frame8 f(c.width, c.height);
        const Rendered r = render(f, singleBlock(c.mode, c.p, kRight));
        ASSERT_EQ(r.err, 0);
        ASSERT_FALSE(r.ops.empty());
        EXPECT_EQ(r.ops.back(), c.op);
    }
}

TEST(Drawing, Still2FadesWithItsOwnMode) {
    Frame8 f(10, 10);
    WipeSettings s = singleBlock(ModeKind::Still2, 0.5, kRight);
    s.blendMode = popupValue(BlendModeKind::Multiply);
    const Rendered r = render(f, s);
    ASSERT_EQ(r.modes.size(), 1u);
    EXPECT_EQ(r.modes[0].xfer, TransferMode::InFront);
    EXPECT_EQ(r.modes[0].opacity, 127);
    EXPECT_EQ(r.modes[0].opacitySu, 16384);
    EXPECT_EQ(f.alpha(5, 5), 127);
}

TEST(Drawing, Move2TravelsTheLongerSideOfTheLayer) {
    Frame8 f(1920, 1080);
    WipeSettings s = singleBlock(ModeKind::Move2, 0.5, kRight);
    s.rows = 8;
    s.columns = 8;
    const Rendered r = render(f, s);
    ASSERT_EQ(r.err, 0);
    for (std::size_t i = 1; i < r.ops.size(); ++i) {
        int32_t l, t, rr, b, x, y;
        ASSERT_EQ(std::sscanf(r.ops[i].c_str(), "transfer %d,%d,%d,%d %d,%d", &l, &t, &rr, &b, &x, &y), 6);
        EXPECT_EQ(x - l, 960);
        EXPECT_EQ(y, t);
    }
}

TEST(Drawing, BlendModeTableReachesTheMovingBlocks) {
    using T = TransferMode;
    const TransferMode expected[] = {T::InFront,    T::Add,        T::Multiply,    T::Screen,     T::Overlay,
                                     T::HardLight,  T::Darken,     T::Lighten,     T::Difference, T::ColorDodge,
                                     T::ColorBurn,  T::LinearLight, T::VividLight, T::PinLight,   T::HardMix};
    static_assert(std::size(expected) == static_cast<std::size_t>(itemCount<BlendModeKind>()));
    for (int32_t blend = 1; blend <= itemCount<BlendModeKind>(); ++blend) {
        EXPECT_EQ(frameCompositeMode(blend).xfer, expected[blend - 1]) << blend;
    }
    for (int32_t other : {0, itemCount<BlendModeKind>() + 1, -1}) {
        EXPECT_EQ(frameCompositeMode(other).xfer, TransferMode::InFront);
    }
    const CompositeMode m = frameCompositeMode(popupValue(BlendModeKind::Multiply));
    EXPECT_EQ(m.opacity, 255);
    EXPECT_EQ(m.opacitySu, 32768);
    EXPECT_EQ(m.rgbOnly, 0);
    EXPECT_EQ(m.randSeed, 0);
}

// One row of four blocks, Horizontal, Move2, every block wiping.
std::vector<int32_t> stackingOf(ZIndexKind zIndex) {
    Frame8 f(40, 10);
    WipeSettings s = singleBlock(ModeKind::Move2, 0.5, kDown);
    s.columns = 4;
    s.zIndex = popupValue(zIndex);
    const Rendered r = render(f, s);
    std::vector<int32_t> lefts;
    for (std::size_t i = 1; i < r.ops.size(); ++i) {
        int32_t l = 0;
        std::sscanf(r.ops[i].c_str(), "transfer %d", &l);
        lefts.push_back(l / 10);
    }
    return lefts;
}

TEST(Stacking, LateDrawsTheSequenceInOrderEarlyBackwards) {
    EXPECT_EQ(stackingOf(ZIndexKind::Late), (std::vector<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(stackingOf(ZIndexKind::Early), (std::vector<int32_t>{3, 2, 1, 0}));
    std::vector<int32_t> random = stackingOf(ZIndexKind::Random);
    std::sort(random.begin(), random.end());
    EXPECT_EQ(random, (std::vector<int32_t>{0, 1, 2, 3}));
}

TEST(Outsiders, Still1AtTheEndShowsOnlyTheOutsiders) {
    Frame8 f(40, 10);
    WipeSettings s = singleBlock(ModeKind::Still1, 1.0, kRight);
    s.columns = 4;
    s.orderInsider = 0.5;
    const Rendered r = render(f, s);
    ASSERT_EQ(r.err, 0);
    EXPECT_EQ(r.ops.front(), "fill all");
    auto f2 = planOf(s, 40, 10);
    for (int32_t b = 0; b < 4; ++b) {
        const bool outsider = f2->plan.blocks[b].rank < 0;
        EXPECT_EQ(f.alpha(b * 10 + 5, 5), outsider ? 255 : 0) << b;
    }
}

TEST(Outsiders, TransparentOutsidersAreCutOutAtTheStart) {
    Frame8 f(40, 10);
    WipeSettings s = singleBlock(ModeKind::Move1, 0.0, kRight);
    s.columns = 4;
    s.orderInsider = 0.5;
    s.orderOutsider = 1;
    ASSERT_EQ(render(f, s).err, 0);
    auto plan = planOf(s, 40, 10);
    for (int32_t b = 0; b < 4; ++b) {
        EXPECT_EQ(f.alpha(b * 10 + 5, 5), plan->plan.blocks[b].rank < 0 ? 0 : 255) << b;
    }
}

TEST(Outsiders, LateStackingPutsOutsidersOnTop) {
    Frame8 f(40, 10);
    WipeSettings s = singleBlock(ModeKind::Move2, 0.5, kRight);
    s.columns = 4;
    s.orderInsider = 0.5;
    s.zIndex = popupValue(ZIndexKind::Late);
    const Rendered late = render(f, s);
    ASSERT_FALSE(late.ops.empty());
    auto plan = planOf(s, 40, 10);
    int outsiders = 0;
    for (int32_t b = 0; b < 4; ++b) outsiders += plan->plan.blocks[b].rank < 0;
    ASSERT_GT(outsiders, 0);
    // The outsiders' in-place transfers come last.
    for (std::size_t i = late.ops.size() - static_cast<std::size_t>(outsiders); i < late.ops.size(); ++i) {
        int32_t l, t, rr, b, x, y;
        ASSERT_EQ(std::sscanf(late.ops[i].c_str(), "transfer %d,%d,%d,%d %d,%d", &l, &t, &rr, &b, &x, &y), 6);
        EXPECT_EQ(x, l);
        EXPECT_EQ(plan->plan.blocks[l / 10].rank < 0, true);
    }
    s.zIndex = popupValue(ZIndexKind::Early);
    Frame8 g(40, 10);
    const Rendered early = render(g, s);
    EXPECT_EQ(early.ops[1].rfind("copy", 0), 0u) << "outsiders are copied beneath";
}

struct ViewCase {
    ModeKind mode;
    ViewingModeKind viewing;
    double completion;
    const char* firstOp;
};

class Preparation : public ::testing::TestWithParam<ViewCase> {};

TEST_P(Preparation, OutputStartsAsTheTableSays) {
    const ViewCase& c = GetParam();
    Frame8 f(20, 10);
    WipeSettings s = singleBlock(c.mode, c.completion, kRight);
    s.viewingMode = popupValue(c.viewing);
    const Rendered r = render(f, s);
    ASSERT_FALSE(r.ops.empty());
    EXPECT_EQ(r.ops.front(), c.firstOp);
}

using V = ViewingModeKind;
INSTANTIATE_TEST_SUITE_P(Cases, Preparation,
                         ::testing::Values(ViewCase{ModeKind::Still1, V::Output, 1.0, "fill all"},
                                           ViewCase{ModeKind::Still1, V::Output, 0.0, "copy all all"},
                                           ViewCase{ModeKind::Still1, V::OnlyWiping, 0.0, "fill all"},
                                           ViewCase{ModeKind::Still1, V::OnlyWiping, 0.5, "copy all all"},
                                           ViewCase{ModeKind::Move1, V::Output, 0.0, "copy all all"},
                                           ViewCase{ModeKind::Move1, V::OnlyWiping, 0.0, "fill all"},
                                           ViewCase{ModeKind::Move1, V::OnlyNotWiping, 0.0, "copy all all"},
                                           ViewCase{ModeKind::Move1, V::Output, 0.5, "fill all"},
                                           ViewCase{ModeKind::Shrink2, V::Output, 1.0, "fill all"}));

TEST(ViewingModes, OnlyWipingHidesWaitingBlocksOnlyNotWipingHidesWipingOnes) {
    WipeSettings s = singleBlock(ModeKind::Still1, 0.3, kRight);
    s.columns = 4;
    s.delay = 1.0;  // block 0 wiping (1.2 -> done), ...
    s.completion = 0.3;
    // Steps: 1.2, 0.2, -0.8, -1.8: block 0 done, block 1 wiping, 2 and 3 waiting.
    Frame8 only(40, 10);
    s.viewingMode = popupValue(ViewingModeKind::OnlyWiping);
    ASSERT_EQ(render(only, s).err, 0);
    EXPECT_EQ(only.alpha(5, 5), 0);
    EXPECT_EQ(only.alpha(19, 5), 255);
    EXPECT_EQ(only.alpha(25, 5), 0);
    EXPECT_EQ(only.alpha(35, 5), 0);
    Frame8 notWiping(40, 10);
    s.viewingMode = popupValue(ViewingModeKind::OnlyNotWiping);
    ASSERT_EQ(render(notWiping, s).err, 0);
    EXPECT_EQ(notWiping.alpha(5, 5), 0);
    EXPECT_EQ(notWiping.alpha(15, 5), 0);
    EXPECT_EQ(notWiping.alpha(25, 5), 255);
    EXPECT_EQ(notWiping.alpha(35, 5), 255);
}

TEST(Failures, TheFirstFailedOperationEndsThePasses) {
    WipeSettings s = singleBlock(ModeKind::Move1, 0.4, kRight);
    s.rows = 3;
    s.columns = 3;
    s.delay = 0.5;
    s.orderInsider = 0.6;
    Frame8 probe(30, 30);
    const std::size_t total = render(probe, s).ops.size();
    ASSERT_GT(total, 3u);
    for (std::size_t failAt = 1; failAt <= total; ++failAt) {
        Frame8 f(30, 30);
        const Rendered r = render(f, s, static_cast<int>(failAt));
        EXPECT_EQ(r.err, 99) << failAt;
        EXPECT_EQ(r.ops.size(), failAt) << "no operation after the failed one";
    }
}

TEST(Failures, MemoryErrorLeavesTheOutputUntouched) {
    class NoMemory : public LocalServices {
    public:
        using LocalServices::LocalServices;
        bool allocateArray(std::size_t, ArrayMemory&) override { return false; }
    };
    Frame8 f(20, 20);
    NoMemory services(f.input(), f.output(), Depth8);
    EXPECT_EQ(renderFrame(defaultSettings(), f.input(), f.output(), Depth8, services), 512);
    EXPECT_EQ(services.message(), "Memory Error!");
    EXPECT_EQ(f.out, std::vector<uint8_t>(f.out.size(), 77));
}

}  // namespace
}  // namespace tilesweep::test
