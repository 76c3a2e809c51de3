#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "RunTool.h"

namespace tilesweep::test {
namespace {

using nlohmann::json;

json planOfArgs(std::vector<std::string> args) {
    args.insert(args.begin(), "plan");
    const ToolResult r = runTool(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    return json::parse(r.out);
}

TEST(CliPlan, DefaultPlanOfAFullHdLayer) {
    const json p = planOfArgs({"--width", "1920", "--height", "1080"});
    EXPECT_EQ(p["gridRows"], 8);
    EXPECT_EQ(p["gridColumns"], 8);
    EXPECT_EQ(p["blockCount"], 64);
    EXPECT_EQ(p["stepCount"], 64);
    EXPECT_EQ(p["rowMode"], false);
    EXPECT_EQ(p["pathOrder"], false);
    EXPECT_EQ(p["span"].get<double>(), 1.0 / (1.0 + 63.0 * 0.1));
    EXPECT_EQ(p["effectiveCompletion"].get<double>(), 0.0);
    ASSERT_EQ(p["blocks"].size(), 64u);
    EXPECT_EQ(p["blocks"][9], json::array({240, 135, 240, 135, 9}));
    EXPECT_EQ(p["blockAtRank"], json(std::vector<int>(64, -1))) << "the map is filled only when read";
    EXPECT_EQ(p["directions"].size(), 64u);
    EXPECT_EQ(p["stepProgress"].size(), 64u);
}

TEST(CliPlan, ValuesAsTheControlsShowThem) {
    const json p = planOfArgs({"--width", "10", "--height", "4", "--param", "Row=1", "--param", "Column=3",
                               "--param", "Completion=37.5", "--param", "Mode=Move2", "--param", "Delay=0",
                               "--param", "Easing=1", "--param", "Order Offset=-240"});
    EXPECT_EQ(p["blocks"], json::parse("[[0,0,3,4,2],[3,0,3,4,0],[6,0,4,4,1]]"));
    EXPECT_EQ(p["blockAtRank"], json::array({1, 2, 0}));
    EXPECT_EQ(p["stepProgress"], json::array({0.375, 0.375, 0.375}));
}

TEST(CliPlan, DoublesReadBackExactly) {
    const json p = planOfArgs({"--width", "300", "--height", "200", "--param", "Completion=33.3",
                               "--param", "Delay=7.77"});
    const double completion = 2182349.0 / 65536.0 * 0.01;  // round(33.3 x 65536) = 2182349
    EXPECT_EQ(p["effectiveCompletion"].get<double>(), completion);
}

TEST(CliPlan, MasksAndKeyframes) {
    const json p = planOfArgs({"--width", "100", "--height", "100", "--param", "Order=Path", "--param", "Order Path=2",
                               "--param", "Row=10", "--param", "Column=10", "--mask", "M 0 0 L 1 1",
                               "--mask", "M 5 95 C 30 95 70 95 95 95 Z", "--param", "Easing=Custom",
                               "--keyframe", "Easing Keyframe=0:10", "--keyframe", "Easing Keyframe=2.5:100"});
    EXPECT_EQ(p["pathOrder"], true);
    // The bottom row left to right, then back along it (already ranked), then the closing line.
    EXPECT_EQ(p["stepCount"], 10);
    EXPECT_EQ(p["blocks"][90][4], 0);
    EXPECT_EQ(p["blocks"][99][4], 9);
    EXPECT_EQ(p["effectiveCompletion"].get<double>(), 0.5);
}

struct BadInput {
    std::vector<std::string> args;
    const char* mentions;
};

class CliPlanBadInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(CliPlanBadInput, OneLineOnStderrAndExitTwo) {
    std::vector<std::string> args{"plan"};
    args.insert(args.end(), GetParam().args.begin(), GetParam().args.end());
    const ToolResult r = runTool(args);
    EXPECT_TRUE(exitTwoWithOneLine(r));
    EXPECT_NE(r.err.find(GetParam().mentions), std::string::npos) << r.err;
}

const std::vector<std::string> kSize{"--width", "100", "--height", "50"};

std::string repeated(const std::string& part, int times) {
    std::string whole;
    for (int i = 0; i < times; ++i) whole += part;
    return whole;
}

std::vector<std::string> with(std::vector<std::string> extra) {
    std::vector<std::string> a = kSize;
    a.insert(a.end(), extra.begin(), extra.end());
    return a;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliPlanBadInput,
    ::testing::Values(
        BadInput{with({"--bogus"}), "bogus"},
        BadInput{with({"--param", "Colour=3"}), "accepted: \"Completion\""},
        BadInput{with({"--param", "Row=abc"}), "1 to 3000"},
        BadInput{with({"--param", "Row=3001"}), "out of range"},
        BadInput{with({"--param", "Row=2.5"}), "integer"},
        BadInput{with({"--param", "Completion=100.5"}), "0 to 100"},
        BadInput{with({"--param", "Mode=Move9"}), "Still1"},
        BadInput{with({"--param", "Mode=0"}), "1 to 8"},
        BadInput{with({"--param", "Order Outsider=maybe"}), "on, off"},
        BadInput{with({"--param", "Order Path=1"}), "no such mask"},
        BadInput{with({"--param", "Completion"}), "UI Name=VALUE"},
        BadInput{with({"--mask", "M 0 0 l 5 5"}), "absolute M, L, C, Z"},
        BadInput{with({"--mask", "L 5 5"}), "before any M"},
        BadInput{with({"--mask", "M 0 0 C 1 2 3"}), "missing"},
        BadInput{with({"--mask", "M 0 0 L 1e12 0"}), "beyond 1000000"},
        BadInput{with({"--mask", "M 0 0 C 0 1e7 1e7 1e7 1e7 0"}), "beyond 1000000"},
        BadInput{with({"--mask", "M 0 0" + repeated(" C 1 1 2 2 3 3", 65)}), "more than 64 curves"},
        BadInput{with({"--mask", "M 0 0" + repeated(" L 1 1 L 0 0", 513)}), "more than 1024 segments"},
        BadInput{with({"--fps", "1e-300"}), "frame rate"},
        BadInput{with({"--fps", "0.004"}), "frame rate"},
        BadInput{with({"--keyframe", "Easing Keyframe=3"}), "TIME:VALUE"},
        BadInput{with({"--keyframe", "Completion=3:50"}), "Easing Keyframe"},
        BadInput{with({"--keyframe", "Easing Keyframe=3:150"}), "out of range"},
        BadInput{{"--width", "-1", "--height", "5"}, "0 to 30000"},
        BadInput{{"--width", "40000", "--height", "5"}, "0 to 30000"},
        BadInput{{"--width", "wide", "--height", "5"}, "0 to 30000"},
        BadInput{{"--height", "5"}, "--width"}));

TEST(CliPlan, EmptyLayerIsValid) {
    const json p = planOfArgs({"--width", "0", "--height", "0"});
    EXPECT_EQ(p["blockCount"], 0);
    EXPECT_EQ(p["blocks"].size(), 0u);
}

TEST(CliTool, HelpAndParamsListEveryParameter) {
    const ToolResult help = runTool({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("plan"), std::string::npos);
    const ToolResult planHelp = runTool({"plan", "--help"});
    EXPECT_EQ(planHelp.exitCode, 0);
    EXPECT_NE(planHelp.out.find("--mask"), std::string::npos);
    const ToolResult params = runTool({"params"});
    EXPECT_EQ(params.exitCode, 0);
    for (const char* name : {"\"Completion\"", "\"Order Per Block Mode\"", "\"Viewing Mode\"", "Hard Mix", "Transparent"}) {
        EXPECT_NE(params.out.find(name), std::string::npos) << name;
    }
}

// What the tool prints goes whole or the tool fails: a full disk, a closed stdout or a
// reader that went away is exit 1 with one line, for every command that prints.
TEST(CliTool, StdoutThatCannotBeWrittenIsAFailureWithOneLine) {
    const std::vector<std::vector<std::string>> printing = {
        {"params"}, {"params", "--direct"}, {"about"}, {"--help"}, {"plan", "--width", "640", "--height", "360"}};
    const struct {
        const char* name;
        const char* redirect;
    } kBroken[] = {{"full disk", " >/dev/full"}, {"closed stdout", " >&-"}};
    for (const std::vector<std::string>& args : printing) {
        for (const auto& broken : kBroken) {
            const ToolResult r = runCommandLine("(" + toolCommandLine(args) + broken.redirect + ")");
            EXPECT_EQ(r.exitCode, 1) << args[0] << ", " << broken.name << ": " << r.err;
            EXPECT_TRUE(oneLineOnStderr(r)) << args[0] << ", " << broken.name;
            EXPECT_NE(r.err.find("cannot write to standard output"), std::string::npos) << r.err;
        }
    }
    // A reader that stops at once: the tool's exit status is the pipeline's first.
    const std::string large = toolCommandLine(
        {"plan", "--width", "3000", "--height", "3000", "--param", "Row=300", "--param", "Column=300"});
    const ToolResult piped =
        runCommandLine("bash -c " + shellQuote("set -o pipefail; " + large + " | (exec 0<&-; sleep 1)"));
    EXPECT_EQ(piped.exitCode, 1) << piped.err;
    EXPECT_NE(piped.err.find("Broken pipe"), std::string::npos) << piped.err;
}

}  // namespace
}  // namespace tilesweep::test
