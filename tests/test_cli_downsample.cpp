// `tilesweep render --downsample N[,M]`: the frame a viewer at reduced resolution
// shows, through the plug-in and through the engine alone; a region is then in the
// reduced frame's pixels.
#include <gtest/gtest.h>


#include <filesystem>
#include <string>
#include <vector>

#include "FrameImage.h"
#include "ImageFile.h"
#include "ImageFolder.h"
#include "RunTool.h"

namespace tilesweep::test {
namespace {

namespace fs = std::filesystem;

class DownsampleFiles : public ImageFolder {
protected:
    // Renders `look` into `file`; the run must succeed.
    void render(const std::string& file, std::vector<std::string> look) {
        std::vector<std::string> args = {"render", "-o", path(file), "--quiet"};
        args.insert(args.end(), look.begin(), look.end());
        const ToolResult r = runTool(args);
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
};

// Blocks that fade in place show each block's state in every pixel, whatever the
// picture: the reduced frame is exactly every n-th pixel of the full one. The looks
// order along a mask that reaches beyond the reduced frame and have more rows and
// columns than it.
TEST_F(DownsampleFiles, ReducedFramesAreTheFullFramesPixelsThroughThePluginAndTheEngine) {
    struct Factor {
        const char* text;
        int32_t across, down;
    };
    const Factor factors[] = {{"2", 2, 2}, {"3", 3, 3}, {"2,3", 2, 3}, {"4,1", 4, 1}};
    const std::vector<std::vector<std::string>> looks = {
        {"--param", "Order=Path", "--param", "Order Path=1", "--mask", "M 0 40 L 90 5 L 60 47", "--param", "Row=8",
         "--param", "Column=10"},
        {"--param", "Order=Random", "--param", "Row=40", "--param", "Column=7", "--param", "Delay=30"},
        {"--param", "Order=Clockwise", "--param", "Row=5", "--param", "Column=90"},
    };
    for (const char* depth : {"8", "16"}) {
        for (std::size_t k = 0; k < looks.size(); ++k) {
            std::vector<std::string> look = {"--size", "95x48", "--depth", depth, "--param", "Completion=45",
                                             "--param", "Mode=Still2"};
            look.insert(look.end(), looks[k].begin(), looks[k].end());
            render("full.png", look);
            const FrameImage full = read("full.png");
            ASSERT_EQ(full.width, 95);
            for (const Factor& f : factors) {
                SCOPED_TRACE(std::string("depth ") + depth + ", look " + std::to_string(k) + ", --downsample " +
                             f.text);
                for (const bool direct : {false, true}) {
                    std::vector<std::string> reduced = look;
                    reduced.insert(reduced.end(), {"--downsample", f.text});
                    if (direct) reduced.push_back("--direct");
                    render("reduced.png", reduced);
                    const FrameImage got = read("reduced.png");
                    EXPECT_EQ(got.width, (95 + f.across - 1) / f.across);
                    EXPECT_EQ(got.height, (48 + f.down - 1) / f.down);
                    EXPECT_TRUE(got.bytes == subsampleFrame(full, f.across, f.down).bytes) << "direct " << direct;
                }
            }
        }
    }
}

TEST_F(DownsampleFiles, RegionsAreInReducedPixels) {
    const std::vector<std::string> look = {"--size", "64x40", "--param", "Completion=60", "--param", "Mode=Move2",
                                           "--param", "Row=6", "--param", "Column=9", "--downsample", "2,4"};
    render("whole.png", look);
    const FrameImage whole = read("whole.png");
    ASSERT_EQ(whole.width, 32);
    ASSERT_EQ(whole.height, 10);
    for (const bool direct : {false, true}) {
        std::vector<std::string> part = look;
        part.insert(part.end(), {"--region", "5,2,30,10"});
        if (direct) part.push_back("--direct");
        render("part.png", part);
        EXPECT_TRUE(read("part.png").bytes == cropFrame(whole, Rect{5, 2, 30, 10}).bytes) << "direct " << direct;
    }
    // A region in full-resolution pixels reaches outside the reduced frame.
    const ToolResult r = runTool({"render", "-o", path("r.png"), "--size", "64x40", "--quiet", "--downsample", "2",
                                  "--region", "0,0,64,40"});
    EXPECT_TRUE(exitTwoWithOneLine(r));
    EXPECT_NE(r.err.find("32 x 20"), std::string::npos) << r.err;
}

TEST_F(DownsampleFiles, BadFactorsAreRefusedWithOneLine) {
    const std::vector<std::string> bads = {"0", "-2", "2,", ",2", "a", "2,3,4", "65", "2,0", "1.5"};
    for (std::size_t i = 0; i < bads.size(); ++i) {
        const std::string& bad = bads[i];
        SCOPED_TRACE(bad);
        // The engine alone reads the same options; a few of them suffice there.
        for (const bool direct : {false, i < 2}) {
            std::vector<std::string> args = {"render", "-o", path("d.png"), "--size", "64x48", "--quiet",
                                             "--downsample", bad};
            if (direct) args.push_back("--direct");
            const ToolResult r = runTool(args);
            EXPECT_TRUE(exitTwoWithOneLine(r));
            EXPECT_NE(r.err.find("--downsample"), std::string::npos) << r.err;
            EXPECT_FALSE(fs::exists(path("d.png")));
        }
    }
}

}  // namespace
}  // namespace tilesweep::test
