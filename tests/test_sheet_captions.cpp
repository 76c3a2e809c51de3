#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Commands.h"
#include "ContactSheet.h"
#include "WipeMoments.h"

namespace tilesweep::test {
namespace {

struct CaptionCase {
    const char* name;
    std::vector<std::string> params;
    std::vector<std::string> keyframes;
    int32_t time;  // hundredths of a frame
    const char* caption;
};

class MomentCaption : public ::testing::TestWithParam<CaptionCase> {};

TEST_P(MomentCaption, NamesTheChoicesOrTheFrame) {
    const CaptionCase& c = GetParam();
    SceneOptions options;
    options.params = c.params;
    options.keyframes = c.keyframes;
    Scene scene;
    std::string error;
    ASSERT_TRUE(buildScene(options, false, scene, error)) << error;
    EXPECT_EQ(momentCaption(scene, c.time), c.caption);
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, MomentCaption,
    ::testing::Values(
        CaptionCase{"NothingKeyframed", {"Completion=37.5"}, {}, 0, "F0  37.5%"},
        CaptionCase{"FractionalFrame", {}, {"Completion=0:0", "Completion=4:100"}, 150, "F1.5  37.5%"},
        CaptionCase{"PopupSetNotKeyframed", {"Mode=Move2"}, {"Completion=0:0", "Completion=4:100"}, 100, "F1  25%"},
        CaptionCase{"NumberKeyframed", {}, {"Row=0:4", "Row=4:8", "Completion=0:20"}, 200, "F2  20%"},
        CaptionCase{"PopupHeldBeforeItsNextKey", {}, {"Mode=0:Still1", "Mode=4:Move2", "Completion=0:40"}, 399,
                    "Still1  40%"},
        CaptionCase{"PopupAtItsKey", {}, {"Mode=0:1", "Mode=4:5", "Completion=0:40"}, 400, "Move2  40%"},
        CaptionCase{"PopupAfterItsLastKey", {}, {"Mode=0:1", "Mode=4:5"}, 900, "Move2  0%"},
        CaptionCase{"ItemWithBlanks", {}, {"Viewing Mode=0:3", "Completion=0:60"}, 0, "Only Not Wiping  60%"},
        CaptionCase{"TwoPopupsInParameterOrder", {}, {"Order=0:Clockwise", "Mode=0:Shrink1", "Completion=0:80"}, 0,
                    "Shrink1 Clockwise  80%"}),
    [](const ::testing::TestParamInfo<CaptionCase>& param) { return std::string(param.param.name); });

TEST(SheetCaption, TooWideForItsTileStaysInsideIt) {
    // Tiles 40 pixels wide: "Only Not Wiping  60%" needs 238 pixels at the sheet's
    // caption size and 119 at the smallest, so it is drawn small and cut.
    const SheetLayout layout = sheetLayout(2, 1, 40, 20);
    ASSERT_EQ(layout.tileWidth, 40);
    ContactSheet sheet(layout);
    const RgbCanvas before = sheet.canvas();
    const FrameImage frame = FrameImage::blank(Depth8, 40, 20);
    sheet.place(0, frame, "Only Not Wiping  60%");
    const RgbCanvas& after = sheet.canvas();
    ASSERT_EQ(after.pixels.size(), before.pixels.size());
    const auto changed = [&](int32_t x, int32_t y) {
        const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(after.width) +
                                static_cast<std::size_t>(x)) * 3;
        return after.pixels[at] != before.pixels[at] || after.pixels[at + 1] != before.pixels[at + 1] ||
               after.pixels[at + 2] != before.pixels[at + 2];
    };
    const int32_t captionTop = layout.tileTop(0) + layout.tileHeight;
    int32_t drawnInBand = 0;
    for (int32_t y = captionTop; y < captionTop + layout.labelHeight; ++y) {
        for (int32_t x = 0; x < layout.width; ++x) {
            const bool insideTile = x >= layout.tileLeft(0) && x < layout.tileLeft(0) + layout.tileWidth;
            if (insideTile) {
                drawnInBand += changed(x, y);
            } else {
                EXPECT_FALSE(changed(x, y)) << "caption pixel outside its tile at " << x << "," << y;
            }
        }
    }
    EXPECT_GT(drawnInBand, 20) << "the cut caption is drawn";
}

}  // namespace
}  // namespace tilesweep::test
