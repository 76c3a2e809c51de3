// The user's text forms of a scene: SVG masks and keyframe times.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "MaskPathParser.h"
#include "SceneParsing.h"

namespace tilesweep::test {
namespace {

// Z closes a subpath with a line back to its start unless the pen is already
// there; a rectangle drawn with four corners keeps its fourth edge.
TEST(MaskText, ZClosesEverySubpathThatIsOpen) {
    struct Closing {
        const char* path;
        std::size_t segments;
        double length;
    };
    const double diagonal = std::sqrt(200.0);
    const Closing cases[] = {
        {"M 4 4 L 56 4 L 56 40 L 4 40 Z", 4, 176},               // the last edge is vertical
        {"M 4 4 L 56 4 L 56 40 L 4 40", 3, 140},                 // left open
        {"M 0 0 L 10 0 L 10 10 Z", 3, 20 + diagonal},            // a diagonal closing edge
        {"M 0 0 L 0 10 L 10 10 L 10 0 Z", 4, 40},                // the last edge is horizontal
        {"M 0 0 L 10 0 L 10 10 L 0 10 L 0 0 Z", 4, 40},          // already closed: no empty edge
        {"M 0 0 L 5 0 Z Z", 2, 10},                              // a second Z has nothing to close
        {"M 0 0 L 10 0 Z M 20 20 L 20 30 L 30 30 Z", 5, 20 + 20 + diagonal},
        {"M 0 0 L 10 0 L 10 10 Z L 0 10", 4, 20 + diagonal + 10},  // drawing on from the start
    };
    for (const Closing& c : cases) {
        SCOPED_TRACE(c.path);
        MaskPath mask;
        std::string error;
        ASSERT_TRUE(parseMaskPath(c.path, mask, error)) << error;
        ASSERT_EQ(mask.segments.size(), c.segments);
        double length = 0;
        for (const PathSegment& s : mask.segments) length += s.length();
        EXPECT_NEAR(length, c.length, 1e-9);
    }
}

// Keyframe times are kept in hundredths of a frame, rounded to the nearest: a
// fraction that has no exact double must not lose a hundredth.
TEST(KeyframeText, FractionalFramesRoundToTheNearestHundredth) {
    struct Time {
        const char* text;
        int32_t hundredths;
    };
    const Time cases[] = {
        {"1.15", 115}, {"0.29", 29},  {"0.57", 57},     {"4.35", 435},   {"7.35", 735},
        {"2.5", 250},  {"0.004", 0},  {"0.006", 1},     {"12", 1200},    {"999999.99", 99999999},
    };
    for (const Time& c : cases) {
        SCOPED_TRACE(c.text);
        Scene scene;
        std::string error;
        ASSERT_TRUE(parseKeyframe(std::string("Completion=") + c.text + ":50", 0, scene, error)) << error;
        const auto found = scene.keyframes.find(Completion);
        ASSERT_NE(found, scene.keyframes.end());
        ASSERT_EQ(found->second.size(), 1u);
        EXPECT_EQ(found->second[0].time, c.hundredths);
    }
}

// A value as the host's stream gives it: sliders and angles interpolate between
// keyframes, popups and checkboxes hold each keyframe's value from its own time on.
TEST(SceneValues, KeyframesInterpolateOrHoldFromTheirOwnTime) {
    Scene scene;
    std::string error;
    for (const char* key : {"Mode=0:Still1", "Mode=10:Move2", "Mode=20.5:Shrink1", "Order Inverse=4:on",
                            "Delay=0:10", "Delay=10:30", "Order Offset=0:-90", "Order Offset=20:270"}) {
        ASSERT_TRUE(parseKeyframe(key, 0, scene, error)) << key << ": " << error;
    }
    struct At {
        int32_t parameter;
        int32_t time;
        double value;
    };
    const At cases[] = {
        {Mode, 0, 1},           {Mode, 999, 1},      {Mode, 1000, 5},     {Mode, 1001, 5},  {Mode, 2049, 5},
        {Mode, 2050, 7},        {Mode, 99999, 7},    {OrderInverse, 399, 1}, {OrderInverse, 400, 1},
        {Delay, 0, 10},         {Delay, 500, 20},    {Delay, 1000, 30},   {Delay, 5000, 30},
        {OrderOffset, 1000, 90}, {OrderOffset, 0, -90},
    };
    for (const At& c : cases) {
        SCOPED_TRACE(std::string(paramSpec(c.parameter).name) + " at " + std::to_string(c.time));
        EXPECT_DOUBLE_EQ(scene.valueAt(c.parameter, c.time), c.value);
    }
    const RawParamValues raw = scene.rawValuesAt(1000);
    EXPECT_EQ(raw[Mode], 5);
    EXPECT_EQ(raw[OrderOffset], 90 * 65536);
}

// Every spelling of a checkbox the tool's help promises, and nothing else.
TEST(SceneValues, CheckboxSpellings) {
    const std::pair<const char*, int32_t> accepted[] = {{"on", 1}, {"1", 1}, {"true", 1}, {"ON", 1},
                                                        {"off", 0}, {"0", 0}, {"false", 0}};
    for (const auto& [text, value] : accepted) {
        SCOPED_TRACE(text);
        Scene scene;
        std::string error;
        ASSERT_TRUE(parseParamAssignment(std::string("Order Outsider=") + text, 0, scene, error)) << error;
        EXPECT_EQ(scene.raw[OrderOutsider], value);
    }
    for (const char* text : {"yes", "2", "", "onn", "0.5"}) {
        Scene scene;
        std::string error;
        EXPECT_FALSE(parseParamAssignment(std::string("Order Outsider=") + text, 0, scene, error)) << text;
        EXPECT_NE(error.find("Order Outsider"), std::string::npos) << error;
    }
}

}  // namespace
}  // namespace tilesweep::test
