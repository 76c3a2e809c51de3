// `tilesweep render --region`: the plug-in renders only a rectangle of the layer, as
// a zoomed viewer asks for it, and the file holds exactly that crop of the whole
// frame.
#include <gtest/gtest.h>


#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "ImageFile.h"
#include "ParamTable.h"
#include "RenderCommand.h"
#include "ImageFolder.h"
#include "RunTool.h"

namespace tilesweep::test {
namespace {

namespace fs = std::filesystem;

using RegionFiles = ImageFolder;

std::string item(ParamIndex index, int32_t number) {
    return popupItems(paramSpec(index)).at(static_cast<std::size_t>(number - 1));
}

TEST_F(RegionFiles, RegionsAreCropsOfTheWholeFrameAtEveryDepth) {
    struct Depth {
        const char* option;
        const char* extension;
    };
    const Depth depths[] = {{"8", ".png"}, {"16", ".png"}, {"32", ".tif"}};
    std::mt19937 random(77);
    auto pick = [&random](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    };
    constexpr int32_t kWidth = 96, kHeight = 64;
    for (const Depth& depth : depths) {
        for (int k = 0; k < 4; ++k) {
            const int32_t left = pick(0, kWidth - 1), top = pick(0, kHeight - 1);
            const Rect region{left, top, pick(left + 1, kWidth), pick(top + 1, kHeight)};
            const std::string regionText = std::to_string(region.left) + "," + std::to_string(region.top) + "," +
                                           std::to_string(region.right) + "," + std::to_string(region.bottom);
            const std::vector<std::string> look = {
                "--size", std::to_string(kWidth) + "x" + std::to_string(kHeight), "--depth", depth.option, "--quiet",
                "--param", "Completion=" + std::to_string(pick(5, 95)), "--param", "Mode=" + item(Mode, pick(1, 8)),
                "--param", "Order=" + item(Order, pick(1, 5)), "--param", "Row=" + std::to_string(pick(1, 12)),
                "--param", "Column=" + std::to_string(pick(1, 12)), "--param",
                "Viewing Mode=" + item(ViewingMode, pick(1, 3))};
            SCOPED_TRACE(std::string("depth ") + depth.option + ", region " + regionText);
            std::vector<std::string> whole = {"render", "-o", path(std::string("whole") + depth.extension)};
            whole.insert(whole.end(), look.begin(), look.end());
            std::vector<std::string> part = {"render", "-o", path(std::string("part") + depth.extension), "--region",
                                             regionText};
            part.insert(part.end(), look.begin(), look.end());
            ASSERT_EQ(runTool(whole).exitCode, 0);
            const ToolResult r = runTool(part);
            ASSERT_EQ(r.exitCode, 0) << r.err;
            const FrameImage expected = cropFrame(read(std::string("whole") + depth.extension), region);
            const FrameImage got = read(std::string("part") + depth.extension);
            EXPECT_EQ(got.width, region.right - region.left);
            EXPECT_EQ(got.height, region.bottom - region.top);
            EXPECT_TRUE(got.bytes == expected.bytes);
        }
    }
}

TEST_F(RegionFiles, BadRegionsAreRefusedWithOneLine) {
    const char* const bad[] = {"10,5,10,30", "10,30,20,5", "-1,0,4,4", "0,0,65,4", "0,0,4,49", "1,2,3", "a,b,c,d",
                               "1,2,3,4,5"};
    for (const char* region : bad) {
        SCOPED_TRACE(region);
        const ToolResult r =
            runTool({"render", "-o", path("r.png"), "--size", "64x48", "--quiet", "--region", region});
        EXPECT_TRUE(exitTwoWithOneLine(r));
        EXPECT_NE(r.err.find("--region"), std::string::npos) << r.err;
        EXPECT_FALSE(fs::exists(path("r.png")));
    }
}

}  // namespace
}  // namespace tilesweep::test
