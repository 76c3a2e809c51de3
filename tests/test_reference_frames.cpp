// The table of reference frames: its text read as hostile input, the checker
// noticing a changed picture, its update, and the command it prints for a scene
// rendering that very frame.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "FrameImage.h"
#include "Fnv1a.h"
#include "ImageFile.h"
#include "ReferenceTable.h"
#include "RunTool.h"

namespace tilesweep::test {
namespace {

using simhost::ReferenceScene;
using simhost::ReferenceTable;

const std::string kScene = "a-scene  12  64x48  region=1,2,30,40  0123456789abcdef  -  fedcba9876543210"
                           " | Mode=Move2 | mask M 1 1 L 9 9 Z | key Completion=0:0 | Order Path=1";

TEST(ReferenceTableText, ReadsAScene) {
    ReferenceTable table;
    std::string error;
    ASSERT_TRUE(simhost::parseReferenceTable("# comment\n\n" + kScene + "\n", table, error)) << error;
    ASSERT_EQ(table.lines.size(), 3u);
    const std::vector<ReferenceScene*> scenes = table.scenes();
    ASSERT_EQ(scenes.size(), 1u);
    const ReferenceScene& s = *scenes[0];
    EXPECT_EQ(s.name, "a-scene");
    EXPECT_EQ(s.time(), 1200);
    EXPECT_EQ(s.width, 64);
    EXPECT_EQ(s.height, 48);
    ASSERT_TRUE(s.region.has_value());
    EXPECT_EQ(s.region->right, 30);
    EXPECT_EQ(s.line, 3);
    ASSERT_TRUE(s.hashes[0].has_value());
    EXPECT_EQ(*s.hashes[0], 0x0123456789abcdefull);
    EXPECT_FALSE(s.hashes[1].has_value());
    EXPECT_EQ(s.settings, (std::vector<std::string>{"Mode=Move2", "mask M 1 1 L 9 9 Z", "key Completion=0:0",
                                                     "Order Path=1"}));
    // Rewriting changes nothing but the layout of a scene's own line.
    EXPECT_EQ(simhost::formatReferenceTable(table), "# comment\n\n" + kScene + "\n");
    Scene scene;
    ASSERT_TRUE(simhost::sceneFromSettings(s, scene, error)) << error;
    EXPECT_EQ(scene.masks.size(), 1u);
    EXPECT_EQ(scene.keyframes.count(Completion), 1u);
}

TEST(ReferenceTableText, RefusesDamagedLinesNamingThem) {
    struct Damaged {
        std::string text;
        const char* reason;
    };
    const std::string hashes = "  -  -  -";
    const Damaged cases[] = {
        {"x 0 8x8 full" + hashes + "\nx 0 8x8 full" + hashes, "line 2: the name \"x\" is used twice"},
        {"x 0 8x8 full - -", "three hashes"},
        {"x 0 8x8 full - - - extra", "three hashes"},
        {"x/y 0 8x8 full" + hashes, "the name"},
        {"x -1 8x8 full" + hashes, "the frame"},
        {"x 1e3 8x8 full" + hashes, "the frame"},
        {"x 0 8x0 full" + hashes, "the size"},
        {"x 0 513x8 full" + hashes, "the size"},
        {"x 0 99999999999x8 full" + hashes, "the size"},
        {"x 0 8x8 region=0,0,9,8" + hashes, "the view"},
        {"x 0 8x8 region=4,0,4,8" + hashes, "the view"},
        {"x 0 8x8 region=0,0,1" + hashes, "the view"},
        {"x 0 8x8 region=0,0,1,1,1" + hashes, "the view"},
        {"x 0 8x8 zoom" + hashes, "the view"},
        {"x 0 8x8 down=0x1" + hashes, "the view"},
        {"x 0 8x8 down=17x1" + hashes, "the view"},
        {"x 0 8x8 down=2" + hashes, "the view"},
        {"x 0 8x8 down=2x2+region=0,0,5,4" + hashes, "the view"},
        {"x 0 8x8 down=2x2+" + hashes, "the view"},
        {"x 0 8x8 full 0123 - -", "the hash"},
        {"x 0 8x8 full 0123456789ABCDEF - -", "the hash"},
        {"x 0 8x8 full" + hashes + " | Mode=Move2 || Row=3", "an empty setting"},
        {"x 0 8x8 full" + hashes + " | " + std::string(9000, 'a'), "longer than"},
    };
    for (const Damaged& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 80));
        ReferenceTable table;
        std::string error;
        EXPECT_FALSE(simhost::parseReferenceTable(c.text, table, error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(error.rfind("line ", 0), 0u) << error;
    }
}

TEST(ReferenceTableText, SettingsAreReadAsTheToolReadsThem) {
    ReferenceTable table;
    std::string error;
    ASSERT_TRUE(simhost::parseReferenceTable("x 0 8x8 full - - - | Mode=Sideways", table, error)) << error;
    Scene scene;
    EXPECT_FALSE(simhost::sceneFromSettings(*table.scenes()[0], scene, error));
    EXPECT_NE(error.find("Sideways"), std::string::npos) << error;
    ASSERT_TRUE(simhost::parseReferenceTable("x 0 8x8 full - - - | Order Path=2 | mask M 0 0 L 1 1", table, error));
    EXPECT_FALSE(simhost::sceneFromSettings(*table.scenes()[0], scene, error)) << "only one mask";
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct TableCopy {
    std::string path = "/tmp/tilesweep_reftable_" + std::to_string(::getpid()) + ".txt";
    explicit TableCopy(const std::string& text) {
        std::ofstream out(path, std::ios::binary);
        out << text;
    }
    ~TableCopy() {
        std::remove(path.c_str());
        std::remove((path + ".new").c_str());
    }
};

const char* const kSmallTable =
    "# two scenes\n"
    "fade  0  16x12  full  -  -  - | Completion=40 | Mode=Still2 | Row=3 | Column=4\n"
    "slide  0  16x12  region=2,3,10,9  -  -  - | Completion=60 | Mode=Move1 | Order=Random\n";

ToolResult runChecker(const std::string& table, const std::vector<std::string>& extra) {
    std::vector<std::string> args = {table, "--engine", "--plugin", "64", TILESWEEP_PLUGIN64_PATH};
    args.insert(args.end(), extra.begin(), extra.end());
    std::string command = shellQuote(TILESWEEP_REFFRAMES_PATH);
    for (const std::string& a : args) command += " " + shellQuote(a);
    return runCommandLine(command);
}

// New scenes get their hashes; a changed hash is found, named with its settings
// and a command, and an update puts back just that hash and says so.
TEST(ReferenceFramesChecker, FindsAChangedPictureAndUpdatesOnlyIt) {
    TableCopy copy(kSmallTable);
    ToolResult r = runChecker(copy.path, {});
    EXPECT_EQ(r.exitCode, 1) << "scenes without hashes are not equal to the table";
    EXPECT_NE(r.err.find("no hash yet"), std::string::npos) << r.err;
    r = runChecker(copy.path, {"--update"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("fade new\nslide new\n"), std::string::npos) << r.out;
    const std::string written = readText(copy.path);
    ASSERT_TRUE(written.rfind("# two scenes\nfade  0  16x12  full  ", 0) == 0) << written;
    ASSERT_EQ(runChecker(copy.path, {}).exitCode, 0);

    // Damage the 16-bit hash of the second scene.
    ReferenceTable table;
    std::string error;
    ASSERT_TRUE(simhost::parseReferenceTable(written, table, error)) << error;
    const std::vector<ReferenceScene*> scenes = table.scenes();
    ASSERT_EQ(scenes.size(), 2u);
    ASSERT_TRUE(scenes[1]->hashes[1].has_value());
    const uint64_t good = *scenes[1]->hashes[1];
    scenes[1]->hashes[1] = good ^ 1;
    TableCopy damaged(simhost::formatReferenceTable(table));
    r = runChecker(damaged.path, {});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("slide (line 3) at depth 16 through the engine: " + simhost::hashText(good)), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("settings: frame 0, 16x12, region=2,3,10,9 | Completion=60 | Mode=Move1"), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("render it: tilesweep render --noise 9 --size 16x12 --depth 16 --frame 0 --region 2,3,10,9 "
                         "--param Completion=60 --param Mode=Move1 --param Order=Random -o slide-16.png"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find("fade"), std::string::npos) << "only the changed scene is reported";
    r = runChecker(damaged.path, {"--update"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("slide changed at depth 16\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("1 of 2 scenes changed"), std::string::npos) << r.out;
    EXPECT_EQ(readText(damaged.path), written);
}

TEST(ReferenceFramesChecker, RefusesADamagedTableOrBadArguments) {
    TableCopy copy("x 0 8x8 full - -\n");
    ToolResult r = runChecker(copy.path, {});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.err.find("line 1"), std::string::npos) << r.err;
    EXPECT_EQ(runChecker("/nonexistent/table.txt", {}).exitCode, 2);
    EXPECT_EQ(runChecker(copy.path, {"--plugin", "65", "x"}).exitCode, 2);
}

// The command printed for a failing scene renders the frame whose hash the table
// holds, read back from the file it writes.
TEST(ReferenceFramesChecker, ThePrintedCommandRendersTheSceneFrame) {
    ReferenceTable table;
    std::string error;
    ASSERT_TRUE(simhost::parseReferenceTable(readText(TILESWEEP_REFERENCE_TABLE), table, error)) << error;
    const std::vector<ReferenceScene*> scenes = table.scenes();
    ASSERT_GT(scenes.size(), 100u);
    int checked = 0;
    for (const ReferenceScene* scene : scenes) {
        // A masked region, a keyframed scene, a Custom curve at fractional frames and a
        // region at reduced resolution.
        const bool wanted = scene->name == "move2-path-rect-2" || scene->name == "keyframed-move3-7" ||
                            scene->name == "easing-custom-inout-2" || scene->name == "reduced-move1-3x2-11";
        if (!wanted) continue;
        for (std::size_t d = 0; d < simhost::kReferenceDepths.size(); ++d) {
            const PixelDepth depth = simhost::kReferenceDepths[d];
            SCOPED_TRACE(scene->name + " at depth " + depthName(depth));
            const std::string output = "/tmp/tilesweep_refcmd_" + std::to_string(::getpid()) +
                                       (depth == Depth32f ? ".tif" : ".png");
            std::vector<std::string> args = simhost::renderArguments(*scene, depth);
            args.insert(args.end(), {"--quiet", "-o", output});
            const ToolResult r = runTool(args);
            ASSERT_EQ(r.exitCode, 0) << r.err;
            FrameImage image;
            std::string warning;
            const bool read = readImageFile(output, depth, image, warning, error);
            std::remove(output.c_str());
            ASSERT_TRUE(read) << error;
            simhost::Fnv1a hash;
            hash.bytes(image.bytes.data(), image.bytes.size());
            ASSERT_TRUE(scene->hashes[d].has_value());
            EXPECT_EQ(simhost::hashText(hash.value()), simhost::hashText(*scene->hashes[d]));
        }
        ++checked;
    }
    EXPECT_EQ(checked, 4);
}

}  // namespace
}  // namespace tilesweep::test
