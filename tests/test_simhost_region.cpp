// A host that asks for part of a layer (a zoomed viewer, a region of interest, a
// layer partly outside the composition) gets exactly those pixels of the
// whole-layer frame, whatever the mode, viewing mode, order and depth.
#include <gtest/gtest.h>

#include "SimHostSupport.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ParamTable.h"
#include "SimHost.h"

namespace tilesweep::simhost {
namespace {

using test::pluginPath;
using test::sceneOf;
using test::show;

constexpr int32_t kWidth = 24;
constexpr int32_t kHeight = 16;
constexpr int32_t kPadding = 2;
// What the host leaves in output pixels the render must not touch.
constexpr unsigned char kUntouched = 0x3C;

const Flavour kFlavours[] = {Flavour::Plugin64, Flavour::Plugin32};
const PixelDepth kDepths[] = {Depth8, Depth16, Depth32f};

std::string name(Flavour flavour, PixelDepth depth) {
    return std::string(flavour == Flavour::Plugin64 ? "64" : "32") + " depth " + std::to_string(depth);
}


bool isEmpty(const PF_LRect& r) { return r.left >= r.right || r.top >= r.bottom; }

bool within(const PF_LRect& inner, const PF_LRect& outer) {
    return isEmpty(inner) || (inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
                              inner.bottom <= outer.bottom);
}

// A random look: every mode and viewing mode, every order including Path along one
// of two masks, moving blocks stacked and blended, insiders and outsiders.
Scene randomScene(std::mt19937& random) {
    int32_t rows = 0;
    int32_t columns = 0;
    return sceneOf(test::randomLook(random, 9, 9, 0, rows, columns), {},
                   {"M 1 2 L 22 13 L 4 14", "M 0 15 C 6 -8 18 24 23 0"});
}

// A request somewhere around the layer: inside, across an edge, all of it, or none.
PF_LRect randomRequest(std::mt19937& random) {
    auto pick = [&random](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    };
    const int32_t left = pick(-6, kWidth + 2);
    const int32_t top = pick(-6, kHeight + 2);
    return PF_LRect{left, top, left + pick(1, kWidth + 4), top + pick(1, kHeight + 4)};
}

class RegionHost : public test::InstanceHost {
public:
    RegionHost(Flavour flavour, PixelDepth depth)
        : InstanceHost(flavour), input(makePatternImage(depth, kWidth, kHeight, kPadding, 8)) {}

    // The frame as the host shows it for `request`; pixels outside the output
    // world keep kUntouched.
    PixelBuffer render(const Scene& scene, const PF_LRect& request, PF_Err expected = PF_Err_NONE) {
        PixelBuffer output(input.depth(), kWidth, kHeight, kPadding);
        output.fillBytes(kUntouched);
        FrameOptions options;
        options.request = request;
        EXPECT_EQ(host.renderFrame(instance, scene, 0, input, output, options), expected)
            << show(request) << " " << host.lastCommand().returnMsg;
        return output;
    }

    PixelBuffer input;
};

// Every pixel of the output world equals the whole frame's; every other pixel (and
// all row padding) stays as the host left it.
void expectCropOf(const PixelBuffer& whole, const PixelBuffer& part, const PF_LRect& shown) {
    PixelBuffer untouched(whole.depth(), kWidth, kHeight, kPadding);
    untouched.fillBytes(kUntouched);
    int32_t wrong = 0;
    for (int32_t y = 0; y < kHeight; ++y) {
        for (int32_t x = 0; x < kWidth; ++x) {
            const bool inside = x >= shown.left && x < shown.right && y >= shown.top && y < shown.bottom;
            if (!part.samePixels(x, y, inside ? whole : untouched, x, y, 1, 1)) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0) << "pixels differing from the whole frame's crop, shown " << show(shown);
    EXPECT_TRUE(part.paddingIs(kUntouched));
}

TEST(SimHostRegion, TheIssuesExampleShrink1AtHalfWay) {
    for (Flavour flavour : kFlavours) {
        for (PixelDepth depth : kDepths) {
            SCOPED_TRACE(name(flavour, depth));
            RegionHost f(flavour, depth);
            const Scene scene = sceneOf({"Completion=50", "Mode=Shrink1", "Row=3", "Column=4"});
            const PixelBuffer whole = f.render(scene, PF_LRect{0, 0, kWidth, kHeight});
            const PF_LRect request{9, 5, 15, 11};
            const PixelBuffer part = f.render(scene, request);
            EXPECT_TRUE(within(f.host.lastFrame().resultRect, request));
            expectCropOf(whole, part, request);
            // The whole layer was checked out for the region, and only its pixels were used.
            const FrameReport& report = f.host.lastFrame();
            ASSERT_EQ(report.layerRequests.size(), 2u);
            EXPECT_EQ(report.layerRequests[0].first, 0);
            EXPECT_EQ(report.layerRequests[1].first, 1);
            EXPECT_EQ(show(report.layerRequests[1].second), show(PF_LRect{0, 0, kWidth, kHeight}));
            EXPECT_EQ(report.pixelCheckouts, std::vector<A_long>{1});
            f.finish();
        }
    }
}

TEST(SimHostRegion, AWholeLayerRequestIsRenderedAsBefore) {
    for (Flavour flavour : kFlavours) {
        SimHost host(pluginPath(flavour), flavour);
        ASSERT_EQ(host.globalSetup(), PF_Err_NONE);
        ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
        const InstanceId instance = host.sequenceSetup();
        PixelBuffer input = makePatternImage(Depth8, kWidth, kHeight, 0, 2);
        PixelBuffer output(Depth8, kWidth, kHeight);
        ASSERT_EQ(host.renderFrame(instance, sceneOf({"Completion=40", "Mode=Move2"}), 0, input, output),
                  PF_Err_NONE);
        const FrameReport& report = host.lastFrame();
        EXPECT_EQ(report.layerRequests.size(), 1u);
        EXPECT_EQ(report.pixelCheckouts, std::vector<A_long>{0});
        EXPECT_EQ(host.callCount(CallKind::NewWorld), 0);
        EXPECT_EQ(show(report.resultRect), show(PF_LRect{0, 0, kWidth, kHeight}));
        host.sequenceSetdown(instance);
        host.globalSetdown();
        host.unload();
        EXPECT_EQ(host.outstanding(), std::vector<std::string>{});
    }
}

TEST(SimHostRegion, RandomRequestsRenderCropsOfTheWholeFrame) {
    constexpr int kScenes = 24;
    constexpr int kRequestsPerScene = 4;
    for (Flavour flavour : kFlavours) {
        for (PixelDepth depth : kDepths) {
            SCOPED_TRACE(name(flavour, depth));
            std::mt19937 random(1234);
            RegionHost f(flavour, depth);
            int regions = 0;
            for (int i = 0; i < kScenes; ++i) {
                const Scene scene = randomScene(random);
                const PixelBuffer whole = f.render(scene, PF_LRect{0, 0, kWidth, kHeight});
                for (int k = 0; k < kRequestsPerScene; ++k) {
                    const PF_LRect request = randomRequest(random);
                    SCOPED_TRACE("scene " + std::to_string(i) + ", request " + show(request));
                    const PixelBuffer part = f.render(scene, request);
                    const PF_LRect shown = f.host.lastFrame().resultRect;
                    EXPECT_TRUE(within(shown, request)) << show(shown);
                    expectCropOf(whole, part, shown);
                    if (!isEmpty(shown) && f.host.lastFrame().pixelCheckouts == std::vector<A_long>{1}) ++regions;
                }
            }
            EXPECT_GT(regions, kScenes);  // the requests did reach the layer
            f.finish();
        }
    }
}

// An output world that the host made larger than the layer (its own result
// rectangle merged in) shows the layer in place and nothing around it.
TEST(SimHostRegion, OutputBeyondTheLayerIsTransparent) {
    for (Flavour flavour : kFlavours) {
        for (PixelDepth depth : kDepths) {
            SCOPED_TRACE(name(flavour, depth));
            RegionHost f(flavour, depth);
            const Scene scene = sceneOf({"Completion=30", "Mode=Move3", "Order=Random"});
            const PixelBuffer whole = f.render(scene, PF_LRect{0, 0, kWidth, kHeight});
            // The request's corner lies outside the layer; the host's own result
            // rectangle adds more of the outside.
            PixelBuffer output(depth, kWidth, kHeight, kPadding);
            output.fillBytes(kUntouched);
            FrameOptions options;
            options.request = PF_LRect{-4, -3, 10, 9};
            options.initialResult = PF_LRect{-2, -2, 1, 1};
            ASSERT_EQ(f.host.renderFrame(f.instance, scene, 0, f.input, output, options), PF_Err_NONE);
            const FrameReport& report = f.host.lastFrame();
            EXPECT_EQ(show(report.resultRect), show(PF_LRect{-2, -2, 10, 9}));
            expectCropOf(whole, output, PF_LRect{0, 0, 10, 9});
            // The world itself: two transparent rows and columns, then the layer.
            const PixelBuffer& world = report.outputWorld;
            ASSERT_EQ(world.width(), 12);
            ASSERT_EQ(world.height(), 11);
            for (int32_t y = 0; y < world.height(); ++y) {
                for (int32_t x = 0; x < world.width(); ++x) {
                    if (x >= 2 && y >= 2) {
                        EXPECT_TRUE(world.samePixels(x, y, whole, x - 2, y - 2, 1, 1)) << x << ", " << y;
                    } else {
                        EXPECT_EQ(world.pixel(x, y), (std::array<double, 4>{0, 0, 0, 0})) << x << ", " << y;
                    }
                }
            }
            f.finish();
        }
    }
}

}  // namespace
}  // namespace tilesweep::simhost
