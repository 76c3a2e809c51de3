// An output that shows only a window of the frame holds exactly those pixels of the
// whole frame, and transparent ones where the window reaches beyond the image.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "FramePipeline.h"
#include "LocalServices.h"
#include "MaskPathSource.h"
#include "ParamTable.h"
#include "PixelBuffer.h"
#include "SceneParsing.h"
#include "WipeSettings.h"

namespace tilesweep {
namespace {

using simhost::PixelBuffer;

constexpr int32_t kWidth = 30;
constexpr int32_t kHeight = 22;

std::string popupItem(ParamIndex index, int32_t item) {
    return popupItems(paramSpec(index)).at(static_cast<std::size_t>(item - 1));
}

Scene randomScene(std::mt19937& random) {
    auto pick = [&random](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    };
    Scene scene;
    std::string error;
    EXPECT_TRUE(addMask("M 1 20 L 28 3 L 6 8", scene, error)) << error;
    const std::vector<std::string> values = {
        "Completion=" + std::to_string(pick(0, 100)), "Delay=" + std::to_string(pick(0, 100)),
        "Row=" + std::to_string(pick(1, 9)),          "Column=" + std::to_string(pick(1, 11)),
        "Mode=" + popupItem(Mode, pick(1, 8)),        "Viewing Mode=" + popupItem(ViewingMode, pick(1, 3)),
        "Order=" + popupItem(Order, pick(1, 6)),      "Order Path=1",
        "Direction=" + popupItem(Direction, pick(1, 5)), "Blend Mode=" + popupItem(BlendMode, pick(1, 15)),
        "Z-index=" + popupItem(ZIndex, pick(1, 3)),   "Order Insider=" + std::to_string(pick(60, 100)),
        std::string("Order Outsider=") + (pick(0, 1) == 0 ? "on" : "off")};
    for (const std::string& v : values) EXPECT_TRUE(parseParamAssignment(v, 1, scene, error)) << error;
    return scene;
}

// Renders into `output`, which shows `area` of the frame (null: all of it).
int32_t render(const Scene& scene, PixelBuffer& input, PixelBuffer& output, const Rect* area) {
    const WipeSettings settings = settingsFromHostValues(scene.rawValuesAt(0), std::fmod);
    LocalServices services(input.view(), output.view(), input.depth());
    MaskPathSource masks(scene.masks);
    services.setOrderPath(&masks);
    const FrameGeometry geometry = fullResolution(input.width(), input.height());
    if (area == nullptr) return renderFrame(settings, geometry, input.view(), output.view(), input.depth(), services);
    return renderFrame(settings, geometry, input.view(), output.view(), *area, input.depth(), services);
}

TEST(OutputWindow, WindowsAreCropsOfTheWholeFrameAtEveryDepth) {
    constexpr int kScenes = 40;
    for (PixelDepth depth : {Depth8, Depth16, Depth32f}) {
        SCOPED_TRACE("depth " + std::to_string(depth));
        std::mt19937 random(91 + depth);
        auto pick = [&random](int32_t low, int32_t high) {
            return std::uniform_int_distribution<int32_t>(low, high)(random);
        };
        PixelBuffer input = simhost::makePatternImage(depth, kWidth, kHeight, 2, 4);
        for (int i = 0; i < kScenes; ++i) {
            const Scene scene = randomScene(random);
            PixelBuffer whole(depth, kWidth, kHeight, 1);
            ASSERT_EQ(render(scene, input, whole, nullptr), 0);
            for (int k = 0; k < 4; ++k) {
                const int32_t left = pick(-5, kWidth - 1);
                const int32_t top = pick(-5, kHeight - 1);
                const Rect area{left, top, left + pick(1, kWidth + 6), top + pick(1, kHeight + 6)};
                SCOPED_TRACE("scene " + std::to_string(i) + ", window " + std::to_string(area.left) + "," +
                             std::to_string(area.top) + "," + std::to_string(area.right) + "," +
                             std::to_string(area.bottom));
                PixelBuffer part(depth, area.right - area.left, area.bottom - area.top, 1);
                part.fillBytes(0x5A);
                part.fillPadding(0x77);
                ASSERT_EQ(render(scene, input, part, &area), 0);
                int32_t wrong = 0;
                for (int32_t y = 0; y < part.height(); ++y) {
                    for (int32_t x = 0; x < part.width(); ++x) {
                        const int32_t ix = x + area.left;
                        const int32_t iy = y + area.top;
                        const bool inImage = ix >= 0 && iy >= 0 && ix < kWidth && iy < kHeight;
                        if (inImage ? !part.samePixels(x, y, whole, ix, iy, 1, 1)
                                    : part.pixel(x, y) != std::array<double, 4>{0, 0, 0, 0}) {
                            ++wrong;
                        }
                    }
                }
                EXPECT_EQ(wrong, 0);
                EXPECT_TRUE(part.paddingIs(0x77));
            }
        }
    }
}

TEST(OutputWindow, AWindowOfAnotherSizeThanItsOutputIsRefused) {
    PixelBuffer input = simhost::makePatternImage(Depth8, 8, 6, 0, 1);
    PixelBuffer output(Depth8, 4, 4);
    output.fillBytes(0x11);
    const PixelBuffer untouched = output;
    Scene scene;
    for (const Rect& area : {Rect{0, 0, 4, 5}, Rect{0, 0, 5, 4}, Rect{2, 2, 2, 6}}) {
        EXPECT_EQ(render(scene, input, output, &area), kErrBadImageSize);
        EXPECT_EQ(output, untouched);
    }
}

}  // namespace
}  // namespace tilesweep
