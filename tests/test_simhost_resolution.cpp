// The wipe a host shows at a reduced resolution, on a buffer an earlier effect grew
// or a mask cropped, and through the host's frame cache: the same picture as the
// full frame on the layer, and never a stale one.
#include <gtest/gtest.h>

#include "SimHostSupport.h"

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "FrameGeometry.h"
#include "ParamTable.h"
#include "SimHost.h"

namespace tilesweep::simhost {
namespace {

using test::sceneOf;
using test::show;

const Flavour kFlavours[] = {Flavour::Plugin64, Flavour::Plugin32};
const PixelDepth kDepths[] = {Depth8, Depth16, Depth32f};

std::string name(Flavour flavour, PixelDepth depth) {
    return std::string(flavour == Flavour::Plugin64 ? "64" : "32") + " depth " + std::to_string(depth);
}

// A mask through the points, moved by (dx, dy).
std::string maskThrough(const std::vector<std::pair<int32_t, int32_t>>& points, int32_t dx = 0, int32_t dy = 0) {
    std::string path;
    for (const auto& [x, y] : points) {
        path += (path.empty() ? "M " : " L ") + std::to_string(x + dx) + " " + std::to_string(y + dy);
    }
    return path;
}

// An input whose every full-resolution block of a rows x columns grid is one flat
// colour (some partly transparent), so that subsampling keeps each block's colour and
// every edge of the picture is an edge of a block, moved or not.
PixelBuffer blockColouredInput(PixelDepth depth, int32_t width, int32_t height, int32_t rows, int32_t columns) {
    rows = std::min(rows, height);
    columns = std::min(columns, width);
    PixelBuffer image(depth, width, height, 1);
    int32_t row = 0;
    for (int32_t y = 0; y < height; ++y) {
        while (row + 1 < rows && int64_t{row + 1} * height / rows <= y) ++row;
        int32_t column = 0;
        for (int32_t x = 0; x < width; ++x) {
            while (column + 1 < columns && int64_t{column + 1} * width / columns <= x) ++column;
            const uint32_t tile = static_cast<uint32_t>(row * columns + column + 1) * 2654435761u;
            const double alpha = (tile >> 29) == 0 ? 0.5 : 1.0;
            image.setPixel(x, y, {alpha, ((tile >> 8) & 255) / 255.0, ((tile >> 16) & 255) / 255.0,
                                  ((tile >> 24) & 255) / 255.0});
        }
    }
    return image;
}

struct Judgement {
    int64_t judged = 0;
    int64_t wrong = 0;
};

// A reduced pixel (x, y) shows the full frame's (x * nx, y * ny). It is judged where
// the full frame is flat for `margin` reduced pixels all around (away from every
// block edge, moved or still, and every wipe line): there it must be exactly the
// full frame's pixel, the same block in the same state.
Judgement judgeAwayFromEdges(const PixelBuffer& full, const PixelBuffer& reduced, int32_t nx, int32_t ny,
                             int32_t margin = 2) {
    Judgement j;
    for (int32_t y = 0; y < reduced.height(); ++y) {
        for (int32_t x = 0; x < reduced.width(); ++x) {
            const int32_t fx = x * nx;
            const int32_t fy = y * ny;
            bool flat = true;
            const int32_t dx = margin * nx;
            const int32_t dy = margin * ny;
            for (int32_t v = std::max(fy - dy, 0); flat && v <= std::min(fy + dy, full.height() - 1); ++v) {
                for (int32_t u = std::max(fx - dx, 0); flat && u <= std::min(fx + dx, full.width() - 1); ++u) {
                    flat = full.samePixels(u, v, full, fx, fy, 1, 1);
                }
            }
            if (!flat) continue;
            ++j.judged;
            if (!reduced.samePixels(x, y, full, fx, fy, 1, 1)) ++j.wrong;
        }
    }
    return j;
}

// The frame as the host shows it under `options`, the output covering the buffer.
PixelBuffer showFrame(test::InstanceHost& f, const Scene& scene, PixelBuffer& input, const FrameOptions& options,
                      int32_t time = 0) {
    const PF_LRect covered = bufferRect(input.width(), input.height(), options);
    PixelBuffer output(input.depth(), covered.right - covered.left, covered.bottom - covered.top, 2);
    EXPECT_EQ(f.host.renderFrame(f.instance, scene, time, input, output, options), PF_Err_NONE)
        << f.host.lastCommand().returnMsg;
    EXPECT_TRUE(f.host.lastFrame().rendered || f.host.lastFrame().servedFromCache);
    return output;
}

FrameOptions reducedBy(int32_t nx, int32_t ny) {
    FrameOptions options;
    options.downsampleX = nx;
    options.downsampleY = ny;
    return options;
}

TEST(FrameGeometry, EdgesBetweenResolutions) {
    struct Row {
        int64_t edge;
        int32_t numerator, denominator;
        int32_t image;
    };
    // Image pixel x shows full-resolution pixel x / scale: an edge lands on the first
    // image pixel at or past it.
    const Row rows[] = {{0, 1, 2, 0},   {1, 1, 2, 1},   {2, 1, 2, 1},  {3, 1, 2, 2},  {7, 1, 3, 3},
                        {-1, 1, 2, 0},  {-3, 1, 2, -1}, {-4, 1, 4, -1}, {5, 1, 1, 5}, {10, 2, 5, 4},
                        {9, 0, 2, 9},   {9, 3, 2, 9},   {9, 1, -2, 9}};
    for (const Row& r : rows) {
        EXPECT_EQ(imageEdge(r.edge, PixelScale{r.numerator, r.denominator}), r.image)
            << r.edge << " at " << r.numerator << "/" << r.denominator;
    }
    // The layer's own edges come back exactly; others as the subsampling tells.
    EXPECT_EQ(fullResolutionEdge(17, 33, PixelScale{1, 2}), 33);
    EXPECT_EQ(fullResolutionEdge(11, 33, PixelScale{1, 3}), 33);
    EXPECT_EQ(fullResolutionEdge(0, 33, PixelScale{1, 3}), 0);
    EXPECT_EQ(fullResolutionEdge(-3, 33, PixelScale{1, 2}), -6);
    EXPECT_EQ(fullResolutionEdge(20, 33, PixelScale{1, 2}), 40);
    EXPECT_EQ(fullResolutionEdge(20, 33, PixelScale{1, 1}), 20);
}

TEST(FrameGeometry, BuffersAtEveryResolution) {
    struct Row {
        PF_LRect where;  // reduced layer coordinates
        int32_t nx, ny;
        int32_t gridWidth, gridHeight;
        double originX, originY;
    };
    // A 33 x 21 layer: whole, grown by 4 all round, and cropped to a mask's box.
    const Row rows[] = {
        {{0, 0, 33, 21}, 1, 1, 33, 21, 0, 0},   {{0, 0, 17, 11}, 2, 2, 33, 21, 0, 0},
        {{0, 0, 17, 7}, 2, 3, 33, 21, 0, 0},    {{-4, -4, 37, 25}, 1, 1, 41, 29, -4, -4},
        {{-2, -2, 19, 13}, 2, 2, 42, 30, -4, -4}, {{5, 3, 20, 12}, 1, 1, 15, 9, 5, 3},
        {{3, 2, 10, 6}, 2, 2, 14, 8, 6, 4},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(show(r.where) + " at 1/" + std::to_string(r.nx) + ", 1/" + std::to_string(r.ny));
        const FrameGeometry g = bufferGeometry(r.where.left, r.where.top, r.where.right, r.where.bottom, 33, 21,
                                               PixelScale{1, r.nx}, PixelScale{1, r.ny});
        EXPECT_EQ(g.gridWidth, r.gridWidth);
        EXPECT_EQ(g.gridHeight, r.gridHeight);
        EXPECT_EQ(g.originX, r.originX);
        EXPECT_EQ(g.originY, r.originY);
    }
    // A scale the host should never send counts as full resolution.
    const FrameGeometry odd = bufferGeometry(0, 0, 33, 21, 33, 21, PixelScale{0, 2}, PixelScale{3, 1});
    EXPECT_EQ(odd.gridWidth, 33);
    EXPECT_EQ(odd.gridHeight, 21);
    EXPECT_TRUE(isUnitScale(odd.scaleX) && isUnitScale(odd.scaleY));
}

// Random looks along masks that reach beyond the reduced image, "Row" and "Column"
// above its size.
Scene randomScene(std::mt19937& random, int32_t width, int32_t height, int32_t& rows, int32_t& columns) {
    const std::string across = maskThrough({{1, height - 3}, {width - 2, height / 3}, {width / 4, 1}});
    const std::string down = maskThrough({{width - 1, height - 1}, {2, height - 2}, {width / 2, 0}});
    return sceneOf(test::randomLook(random, height, width, 1, rows, columns), {}, {across, down});
}

TEST(SimHostResolution, EveryFactorShowsTheFullFramesBlocksAwayFromTheirEdges) {
    constexpr int32_t kWidth = 48;
    constexpr int32_t kHeight = 36;
    constexpr int kScenes = 10;
    const std::pair<int32_t, int32_t> kFactors[] = {{2, 2}, {3, 3}, {4, 4}, {2, 3}};
    for (Flavour flavour : kFlavours) {
        for (PixelDepth depth : kDepths) {
            SCOPED_TRACE(name(flavour, depth));
            test::InstanceHost f(flavour);
            std::mt19937 random(77 + depth);
            Judgement total;
            int64_t reducedPixels = 0;
            for (int i = 0; i < kScenes; ++i) {
                int32_t rows = 0;
                int32_t columns = 0;
                const Scene scene = randomScene(random, kWidth, kHeight, rows, columns);
                PixelBuffer input = blockColouredInput(depth, kWidth, kHeight, rows, columns);
                const PixelBuffer full = showFrame(f, scene, input, FrameOptions{});
                for (const auto& [nx, ny] : kFactors) {
                    SCOPED_TRACE("scene " + std::to_string(i) + " at 1/" + std::to_string(nx) + ", 1/" +
                                 std::to_string(ny) + ", Row " + std::to_string(rows) + ", Column " +
                                 std::to_string(columns));
                    const PixelBuffer reduced = showFrame(f, scene, input, reducedBy(nx, ny));
                    ASSERT_EQ(reduced.width(), (kWidth + nx - 1) / nx);
                    ASSERT_EQ(reduced.height(), (kHeight + ny - 1) / ny);
                    const Judgement j = judgeAwayFromEdges(full, reduced, nx, ny);
                    EXPECT_EQ(j.wrong, 0) << "of " << j.judged << " pixels judged";
                    total.judged += j.judged;
                    total.wrong += j.wrong;
                    reducedPixels += int64_t{reduced.width()} * reduced.height();
                }
            }
            // Enough of every picture lies away from the edges to judge it.
            EXPECT_GT(total.judged * 4, reducedPixels) << total.judged << " of " << reducedPixels;
            f.finish();
        }
    }
}

// The cases that showed the faults, on a 64 x 32 layer at Half: Path order along
// masks at y = 24 and y = 9, and a seeded order whose "Row" is above the reduced
// height. Blocks that fade show how far each has gone, so every pixel is judged.
TEST(SimHostResolution, PathOrderAndRowsAboveTheReducedSizeAtHalf) {
    struct Look {
        int32_t rows, columns;
        std::vector<std::string> values;
    };
    const Look looks[] = {
        {8, 8, {"Order=Path", "Order Path=1"}},
        {8, 8, {"Order=Path", "Order Path=2"}},
        {24, 8, {"Order=Random"}},
        {32, 64, {"Order=Random", "Order Seed=7", "Delay=30"}},
    };
    for (Flavour flavour : kFlavours) {
        for (PixelDepth depth : kDepths) {
            SCOPED_TRACE(name(flavour, depth));
            test::InstanceHost f(flavour);
            for (const Look& look : looks) {
                std::vector<std::string> values = look.values;
                values.insert(values.end(), {"Completion=50", "Mode=Still2", "Row=" + std::to_string(look.rows),
                                             "Column=" + std::to_string(look.columns)});
                SCOPED_TRACE(values.front() + ", Row " + std::to_string(look.rows));
                const Scene scene = sceneOf(values, {}, {"M 0 24 L 63 24", "M 0 9 L 63 9"});
                PixelBuffer input = blockColouredInput(depth, 64, 32, look.rows, look.columns);
                const PixelBuffer full = showFrame(f, scene, input, FrameOptions{});
                const PixelBuffer half = showFrame(f, scene, input, reducedBy(2, 2));
                const Judgement j = judgeAwayFromEdges(full, half, 2, 2, 0);
                EXPECT_EQ(j.wrong, 0) << "of " << j.judged;
                EXPECT_EQ(j.judged, 32 * 16);
                // The wipe did something: the frame is not the input.
                EXPECT_FALSE(full.samePixels(0, 0, input, 0, 0, 64, 32));
            }
            f.finish();
        }
    }
}

// The same frame with the buffer's corner elsewhere in the layer: shown by the host
// under `options`, and as a plain layer of that buffer with the masks moved by the
// corner. The two must be the same picture.
struct BufferCase {
    const char* name;
    int32_t layerWidth, layerHeight;
    int32_t left, top, width, height;
    int32_t nx, ny;
};

TEST(SimHostResolution, GrownAndCroppedBuffersPlaceThePathByTheirCorner) {
    const BufferCase cases[] = {
        {"grown", 40, 30, -6, -4, 52, 38, 1, 1},
        {"cropped to a mask's box", 40, 30, 5, 3, 26, 20, 1, 1},
        {"grown, at half", 40, 30, -6, -4, 52, 38, 2, 2},
        {"cropped, at 1/2 across and 1/3 down", 40, 30, 4, 3, 26, 21, 2, 3},
    };
    const std::vector<std::pair<int32_t, int32_t>> path = {{2, 27}, {37, 20}, {12, 2}};
    for (Flavour flavour : kFlavours) {
        for (PixelDepth depth : kDepths) {
            SCOPED_TRACE(name(flavour, depth));
            test::InstanceHost f(flavour);
            for (const BufferCase& c : cases) {
                SCOPED_TRACE(c.name);
                const std::vector<std::string> look = {"Completion=45", "Row=6", "Column=7", "Mode=Move1",
                                                       "Order=Path", "Order Path=1", "Delay=40"};
                PixelBuffer input = makePatternImage(depth, c.width, c.height, 1, 5);
                FrameOptions options = reducedBy(c.nx, c.ny);
                options.bufferLeft = c.left;
                options.bufferTop = c.top;
                options.layerWidth = c.layerWidth;
                options.layerHeight = c.layerHeight;
                const PixelBuffer onLayer = showFrame(f, sceneOf(look, {}, {maskThrough(path)}), input, options);
                EXPECT_EQ(show(f.host.lastFrame().maxResultRect), show(bufferRect(c.width, c.height, options)));
                const PixelBuffer moved =
                    showFrame(f, sceneOf(look, {}, {maskThrough(path, -c.left, -c.top)}), input, reducedBy(c.nx, c.ny));
                EXPECT_EQ(onLayer, moved);
                // The corner matters to this path: unmoved, it orders other blocks.
                const PixelBuffer unmoved = showFrame(f, sceneOf(look, {}, {maskThrough(path)}), input,
                                                      reducedBy(c.nx, c.ny));
                EXPECT_NE(onLayer, unmoved);
            }
            f.finish();
        }
    }
}

// A region of a reduced frame on a grown buffer is the crop of that frame.
TEST(SimHostResolution, RegionsOfReducedGrownFramesAreCrops) {
    for (Flavour flavour : kFlavours) {
        for (PixelDepth depth : kDepths) {
            SCOPED_TRACE(name(flavour, depth));
            test::InstanceHost f(flavour);
            const Scene scene = sceneOf({"Completion=55", "Row=5", "Column=6", "Mode=Move3", "Order=Path",
                                         "Order Path=1"},
                                        {}, {maskThrough({{0, 0}, {30, 20}})});
            PixelBuffer input = makePatternImage(depth, 44, 34, 1, 9);
            FrameOptions options = reducedBy(2, 2);
            options.bufferLeft = -6;
            options.bufferTop = -4;
            options.layerWidth = 32;
            options.layerHeight = 26;
            const PF_LRect covered = bufferRect(44, 34, options);
            const PixelBuffer whole = showFrame(f, scene, input, options);
            options.request = PF_LRect{-1, 2, 9, 11};
            PixelBuffer part(depth, whole.width(), whole.height(), 2);
            ASSERT_EQ(f.host.renderFrame(f.instance, scene, 0, input, part, options), PF_Err_NONE);
            const PF_LRect& shown = f.host.lastFrame().resultRect;
            EXPECT_EQ(show(shown), show(options.request));
            EXPECT_TRUE(part.samePixels(shown.left - covered.left, shown.top - covered.top, whole,
                                        shown.left - covered.left, shown.top - covered.top, shown.right - shown.left,
                                        shown.bottom - shown.top));
            f.finish();
        }
    }
}

// ---------------------------------------------------------------- the frame cache

struct CachedLook {
    std::string easing;
    std::vector<std::string> keyframes;
};

Scene cacheScene(const std::string& easing, const std::string& middleKeyframe) {
    return sceneOf({"Completion=50", "Row=3", "Column=4", "Mode=Shrink1", "Easing=" + easing},
                   {"Easing Keyframe=0:0", middleKeyframe, "Easing Keyframe=20:100"});
}

TEST(SimHostFrameCache, EditingTheCustomCurveAwayFromTheFrameGivesAFreshFrame) {
    HostBehaviour caching;
    caching.frameCache = true;
    for (Flavour flavour : kFlavours) {
        for (PixelDepth depth : kDepths) {
            SCOPED_TRACE(name(flavour, depth));
            test::InstanceHost f(flavour, caching);
            PixelBuffer input = makePatternImage(depth, 24, 18, 1, 3);
            const Scene before = cacheScene("Custom", "Easing Keyframe=10:60");
            const PixelBuffer first = showFrame(f, before, input, FrameOptions{}, 500);
            EXPECT_TRUE(f.host.lastFrame().rendered);
            EXPECT_FALSE(f.host.lastFrame().mixedIn.empty());
            // Unchanged: the host answers from its cache.
            const PixelBuffer again = showFrame(f, before, input, FrameOptions{}, 500);
            EXPECT_TRUE(f.host.lastFrame().servedFromCache);
            EXPECT_EQ(again, first);
            // A keyframe at frame 10, away from the frame at 5, changes the curve there.
            const Scene after = cacheScene("Custom", "Easing Keyframe=10:20");
            const PixelBuffer edited = showFrame(f, after, input, FrameOptions{}, 500);
            EXPECT_TRUE(f.host.lastFrame().rendered);
            EXPECT_FALSE(f.host.lastFrame().servedFromCache);
            EXPECT_NE(edited, first);
            // And what the cache now serves is that frame.
            EXPECT_EQ(showFrame(f, after, input, FrameOptions{}, 500), edited);
            EXPECT_TRUE(f.host.lastFrame().servedFromCache);
            f.finish();
        }
    }
}

TEST(SimHostFrameCache, OtherEasingsMixNothingInAndStayCached) {
    HostBehaviour caching;
    caching.frameCache = true;
    for (Flavour flavour : kFlavours) {
        SCOPED_TRACE(flavour == Flavour::Plugin64 ? "64" : "32");
        test::InstanceHost f(flavour, caching);
        PixelBuffer input = makePatternImage(Depth8, 24, 18, 1, 3);
        const PixelBuffer first = showFrame(f, cacheScene("Cubic", "Easing Keyframe=10:60"), input, {}, 500);
        EXPECT_TRUE(f.host.lastFrame().mixedIn.empty());
        EXPECT_EQ(f.host.callCount(CallKind::GuidMixIn), 0);
        // The curve is not read for this easing: editing it changes nothing, and the
        // cached frame is the right one.
        const PixelBuffer cached = showFrame(f, cacheScene("Cubic", "Easing Keyframe=10:20"), input, {}, 500);
        EXPECT_TRUE(f.host.lastFrame().servedFromCache);
        EXPECT_EQ(cached, first);
        // A value checked out for the frame's time is in the key.
        Scene later = cacheScene("Cubic", "Easing Keyframe=10:20");
        std::string error;
        ASSERT_TRUE(parseParamAssignment("Completion=70", 0, later, error)) << error;
        const PixelBuffer fresh = showFrame(f, later, input, {}, 500);
        EXPECT_TRUE(f.host.lastFrame().rendered);
        EXPECT_NE(fresh, first);
        f.finish();
    }
}

}  // namespace
}  // namespace tilesweep::simhost
