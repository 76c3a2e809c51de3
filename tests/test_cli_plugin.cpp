// The tool goes through the plug-in in a simulated host unless told --direct.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "ImageFile.h"
#include "RunTool.h"

namespace tilesweep::test {
namespace {


struct DepthCase {
    const char* depth;
    const char* extension;
};

class ThroughThePlugin : public ::testing::TestWithParam<DepthCase> {};

TEST_P(ThroughThePlugin, RendersAreByteIdenticalToTheEngineAlone) {
    const DepthCase& c = GetParam();
    // The process id keeps runs of other build trees on this machine apart.
    const std::string base = "/tmp/tilesweep_plugin_" + std::to_string(::getpid()) + "_" + std::string(c.depth);
    const std::vector<std::vector<std::string>> settings{
        {"--param", "Mode=Move2", "--param", "Completion=40", "--param", "Blend Mode=Screen", "--param", "Z-index=Random"},
        {"--param", "Mode=Still1", "--param", "Completion=55", "--param", "Order=Path", "--param", "Order Path=1",
         "--mask", "M 0 0 C 200 10 100 170 319 179", "--param", "Order Insider=70"},
        {"--param", "Mode=Shrink1", "--param", "Easing=Custom", "--keyframe", "Easing Keyframe=0:0",
         "--keyframe", "Easing Keyframe=5:70", "--keyframe", "Easing Keyframe=10:100", "--param", "Completion=30"},
    };
    for (std::size_t i = 0; i < settings.size(); ++i) {
        std::vector<std::string> common{"render", "--size", "320x180", "--depth", c.depth, "--quiet"};
        common.insert(common.end(), settings[i].begin(), settings[i].end());
        std::vector<std::string> viaPlugin = common;
        viaPlugin.insert(viaPlugin.end(), {"-o", base + "_plugin" + c.extension});
        std::vector<std::string> direct = common;
        direct.insert(direct.end(), {"--direct", "-o", base + "_direct" + c.extension});
        const ToolResult a = runTool(viaPlugin);
        const ToolResult b = runTool(direct);
        ASSERT_EQ(a.exitCode, 0) << a.err;
        ASSERT_EQ(b.exitCode, 0) << b.err;
        // Pixels, not file bytes: an EXR header carries the time it was written.
        FrameImage viaPluginImage, directImage;
        std::string warning, error;
        ASSERT_TRUE(readImageFile(base + "_plugin" + c.extension, std::nullopt, viaPluginImage, warning, error)) << error;
        ASSERT_TRUE(readImageFile(base + "_direct" + c.extension, std::nullopt, directImage, warning, error)) << error;
        EXPECT_EQ(viaPluginImage.depth, directImage.depth);
        EXPECT_EQ(viaPluginImage.bytes, directImage.bytes) << "settings " << i;
    }
    std::remove((base + "_plugin" + c.extension).c_str());
    std::remove((base + "_direct" + c.extension).c_str());
}

INSTANTIATE_TEST_SUITE_P(Depths, ThroughThePlugin,
                         ::testing::Values(DepthCase{"8", ".png"}, DepthCase{"16", ".png"}, DepthCase{"32", ".exr"}),
                         [](const ::testing::TestParamInfo<DepthCase>& param) {
                             return std::string("Depth") + param.param.depth;
                         });

TEST(CliPlugin, AboutBoxVersionAndRegisteredParameters) {
    // In the build tree the plug-in is found in plugin/, the render module beside the tool.
    const ToolResult about = runTool({"about"});
    EXPECT_EQ(about.exitCode, 0) << about.err;
    EXPECT_EQ(about.out, "TovelaTileSweep, v1.00\nImagination!\n\ntilesweep " TILESWEEP_VERSION
                         "\nplug-in: " TILESWEEP_PLUGIN64_PATH "\nrender module: " TILESWEEP_RENDER_MODULE_PATH "\n");
    const ToolResult about32 = runTool({"about", "--plugin", TILESWEEP_PLUGIN32_PATH});
    EXPECT_EQ(about32.out.substr(0, about32.out.find("\n\n")), "TovelaTileSweep, v1.0\nImagination!");
    const ToolResult version = runTool({"--version"});
    EXPECT_EQ(version.exitCode, 0) << version.err;
    EXPECT_EQ(version.out, "tilesweep " TILESWEEP_VERSION "\n");
    const ToolResult params = runTool({"params"});
    EXPECT_EQ(params.exitCode, 0) << params.err;
    EXPECT_NE(params.out.find("12  \"Order Path\"  path"), std::string::npos) << params.out;
    EXPECT_NE(params.out.find("13  \"Order Insider\"  fixed slider, 0 to 100 %, default 100 %, 1 decimals"),
              std::string::npos);
    EXPECT_NE(params.out.find("26  \"Viewing Mode\"  popup, default 1, items: 1=Output 2=Only Wiping 3=Only Not Wiping"),
              std::string::npos);
}

TEST(CliPlugin, GreyedOutSettingsWarnOnStderrOnly) {
    const ToolResult plan = runTool({"plan", "--width", "64", "--height", "32", "--param", "Order Seed=7",
                                     "--param", "Blend Mode=Add", "--param", "Mode=Move2"});
    ASSERT_EQ(plan.exitCode, 0) << plan.err;
    EXPECT_EQ(plan.out.front(), '{') << "stdout holds the JSON alone";
    EXPECT_NE(plan.err.find("\"Order Seed\" has no effect unless"), std::string::npos) << plan.err;
    EXPECT_EQ(plan.err.find("Blend Mode"), std::string::npos) << "Move2 enables Blend Mode";
    const std::string grey = "/tmp/tilesweep_grey_" + std::to_string(::getpid()) + ".png";
    const ToolResult render = runTool({"render", "--size", "64x32", "--quiet", "-o", grey,
                                       "--param", "Easing Keyframe=40"});
    EXPECT_EQ(render.exitCode, 0) << render.err;
    EXPECT_TRUE(render.out.empty());
    EXPECT_NE(render.err.find("\"Easing Keyframe\" has no effect unless \"Easing\" is Custom"), std::string::npos);
    std::remove(grey.c_str());
}

TEST(CliPlugin, AMissingPlugInIsAFailureWithOneLine) {
    const ToolResult r = runTool({"render", "--size", "64x32", "-o", "/tmp/tilesweep_none.png", "--plugin",
                                  "/nonexistent/TovelaTileSweep64.so"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    EXPECT_NE(r.err.find("cannot load the plug-in"), std::string::npos);
    FILE* f = std::fopen("/tmp/tilesweep_none.png", "rb");
    EXPECT_EQ(f, nullptr) << "nothing written";
    if (f != nullptr) std::fclose(f);
}

}  // namespace
}  // namespace tilesweep::test
