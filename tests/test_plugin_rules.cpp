// The plug-in's own decisions, without a host: greying rules, extent merging,
// pixel formats, about texts, rectangles for either host layout, registration
// records and the command table.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "Dispatch.h"
#include "GlobalData.h"
#include "GreyingRules.h"
#include "HostRenderServices.h"
#include "ParamChoices.h"
#include "ParamRegistration.h"
#include "ParamUiRules.h"
#include "SmartPreRender.h"
#include "SmartRender.h"
#include "SuiteAccess.h"

namespace tilesweep::plugin {
namespace {

bool enabled(ParamIndex param, const RawParamValues& values) {
    for (const GreyingRule& rule : kGreyingRules) {
        if (rule.param == param) return rule.enabled(values);
    }
    ADD_FAILURE() << "no rule for parameter " << param;
    return true;
}

// The change to a popup that selects `choice`.
template <typename Choice>
std::pair<ParamIndex, int32_t> item(Choice choice) {
    return {ChoiceParam<Choice>::index, popupValue(choice)};
}

struct RuleCase {
    const char* what;
    std::vector<std::pair<ParamIndex, int32_t>> changes;  // from the defaults
    ParamIndex param;
    bool enabled;
};

TEST(PluginUiRules, DefaultsEnableExactlyTheSixListed) {
    const RawParamValues values = defaultRawValues();
    const std::vector<ParamIndex> on = {Direction, DirectionMode, OrderPer, DirectionDependenceOnOrder,
                                        OrderPerBlockMode, EasingMode};
    for (const GreyingRule& rule : kGreyingRules) {
        const bool expected = std::find(on.begin(), on.end(), rule.param) != on.end();
        EXPECT_EQ(rule.enabled(values), expected) << paramSpec(rule.param).name;
    }
}

TEST(PluginUiRules, EachRuleAtItsEdges) {
    const int32_t full = 100 * kFixedOne;
    const std::vector<RuleCase> cases = {
        {"Shrink2 hides the direction", {item(ModeKind::Shrink2), item(DirectionKind::Random)}, Direction, false},
        {"Shrink2 hides the direction mode", {item(ModeKind::Shrink2)}, DirectionMode, false},
        {"Shrink2 hides the direction seed", {item(ModeKind::Shrink2), item(DirectionKind::Random)}, DirectionSeed, false},
        {"Shrink2 hides the dependence", {item(ModeKind::Shrink2)}, DirectionDependenceOnOrder, false},
        {"Still2 hides the direction", {item(ModeKind::Still2)}, Direction, false},
        {"Still3 hides the dependence", {item(ModeKind::Still3)}, DirectionDependenceOnOrder, false},
        {"Shrink1 keeps the direction", {item(ModeKind::Shrink1)}, Direction, true},
        {"Move1 keeps the dependence", {item(ModeKind::Move1)}, DirectionDependenceOnOrder, true},
        {"dependence Normal hides the direction", {item(DependenceKind::Normal), item(DirectionKind::Random)}, Direction, false},
        {"dependence Inverse hides the mode", {item(DependenceKind::Inverse)}, DirectionMode, false},
        {"dependence hides the seed even when Random", {item(DependenceKind::Normal), item(DirectionKind::Random)}, DirectionSeed,
         false},
        {"random direction uses the seed", {item(DirectionKind::Random)}, DirectionSeed, true},
        {"random direction mode uses the seed", {item(DirectionModeKind::Random)}, DirectionSeed, true},
        {"Alternate2 direction needs no seed", {item(DirectionKind::Alternate2)}, DirectionSeed, false},
        {"Vertical has Order Per", {item(OrderKind::Vertical)}, OrderPer, true},
        {"Clockwise has no Order Per", {item(OrderKind::Clockwise)}, OrderPer, false},
        {"Clockwise has no per-block mode", {item(OrderKind::Clockwise)}, OrderPerBlockMode, false},
        {"Path has no Order Per", {item(OrderKind::Path)}, OrderPer, false},
        {"Path has no per-block mode", {item(OrderKind::Path)}, OrderPerBlockMode, false},
        {"Path enables the path", {item(OrderKind::Path)}, OrderPath, true},
        {"Random has no path", {item(OrderKind::Random)}, OrderPath, false},
        {"Row2 hides the per-block mode", {item(OrderKind::Vertical), item(OrderPerKind::Row2)}, OrderPerBlockMode, false},
        {"Path uses the seed", {item(OrderKind::Path)}, OrderSeed, true},
        {"Random uses the seed", {item(OrderKind::Random)}, OrderSeed, true},
        {"insider 100 % needs no seed", {{OrderInsider, full}}, OrderSeed, false},
        {"insider just below 100 % uses the seed", {{OrderInsider, full - 1}}, OrderSeed, true},
        {"insider 99.9 % uses the seed", {{OrderInsider, 6547046}}, OrderSeed, true},
        {"per-block Random uses the seed even in Row1", {item(OrderPerKind::Row1), item(PerBlockModeKind::Random)}, OrderSeed, true},
        {"per-block Random is ignored by Clockwise", {item(OrderKind::Clockwise), item(PerBlockModeKind::Random)}, OrderSeed, false},
        {"Linear has no easing mode", {item(EasingKind::Linear)}, EasingMode, false},
        {"Custom has no easing mode", {item(EasingKind::Custom)}, EasingMode, false},
        {"Bounce has an easing mode", {item(EasingKind::Bounce)}, EasingMode, true},
        {"Custom enables the keyframes", {item(EasingKind::Custom)}, EasingKeyframe, true},
        {"Linear hides the keyframes", {item(EasingKind::Linear)}, EasingKeyframe, false},
        {"Move1 does not blend", {item(ModeKind::Move1)}, BlendMode, false},
        {"Move2 blends", {item(ModeKind::Move2)}, BlendMode, true},
        {"Move3 stacks", {item(ModeKind::Move3)}, ZIndex, true},
        {"Shrink1 does not stack", {item(ModeKind::Shrink1)}, ZIndex, false},
        {"Move1 has no stacking seed", {item(ModeKind::Move1), item(ZIndexKind::Random)}, ZIndexSeed, false},
        {"Move3 with Random stacking uses the seed", {item(ModeKind::Move3), item(ZIndexKind::Random)}, ZIndexSeed, true},
        {"Move2 with Late stacking needs no seed", {item(ModeKind::Move2), item(ZIndexKind::Late)}, ZIndexSeed, false},
    };
    for (const RuleCase& c : cases) {
        RawParamValues values = defaultRawValues();
        for (const auto& change : c.changes) values[static_cast<std::size_t>(change.first)] = change.second;
        EXPECT_EQ(enabled(c.param, values), c.enabled) << c.what;
    }
}

TEST(PluginPreRender, MergeRule) {
    struct Case {
        const char* what;
        PF_LRect destination;
        PF_LRect source;
        PF_LRect expected;
    };
    const Case cases[] = {
        {"empty output takes the input", {0, 0, 0, 0}, {2, 3, 40, 50}, {2, 3, 40, 50}},
        {"empty output copies even an empty input", {0, 0, 0, 0}, {7, 7, 5, 9}, {7, 7, 5, 9}},
        {"empty input leaves the output", {1, 1, 9, 9}, {4, 4, 4, 8}, {1, 1, 9, 9}},
        {"both grow to hold each other", {10, 0, 20, 5}, {0, 2, 15, 30}, {0, 0, 20, 30}},
        {"an input inside changes nothing", {0, 0, 100, 100}, {10, 10, 20, 20}, {0, 0, 100, 100}},
        {"zero height counts as empty", {3, 5, 9, 5}, {1, 1, 2, 2}, {1, 1, 2, 2}},
    };
    for (const Case& c : cases) {
        PF_LRect d = c.destination;
        mergeRect(d, c.source);
        EXPECT_EQ(std::memcmp(&d, &c.expected, sizeof d), 0) << c.what;
    }
}

TEST(PluginPreRender, ChecksOutEveryParameterButTheKeyframesOnce) {
    std::vector<int32_t> indexes(kPreRenderCheckouts.begin(), kPreRenderCheckouts.end());
    EXPECT_EQ(indexes.front(), Completion);
    std::sort(indexes.begin(), indexes.end());
    std::vector<int32_t> expected;
    for (int32_t i = 1; i < ParamCount; ++i) {
        if (i != EasingKeyframe) expected.push_back(i);
    }
    EXPECT_EQ(indexes, expected);
}

TEST(PluginRender, PixelFormatTable) {
    struct Case {
        const char bytes[5];
        bool known;
        PixelDepth depth;
        int32_t pixelBytes;
    };
    const Case cases[] = {
        {"argb", true, Depth8, 4}, {"ae16", true, Depth16, 8}, {"ae32", true, Depth32f, 16},
        {"bgra", false, Depth8, 0}, {"badf", false, Depth8, 0}, {"vuya", false, Depth8, 0},
    };
    for (const Case& c : cases) {
        PF_PixelFormat format = 0;
        std::memcpy(&format, c.bytes, sizeof format);
        const PixelFormatEntry* entry = findPixelFormat(format);
        ASSERT_EQ(entry != nullptr, c.known) << c.bytes;
        if (entry == nullptr) continue;
        EXPECT_EQ(entry->depth, c.depth) << c.bytes;
        PF_EffectWorld world{};
        world.width = 10;
        world.height = 3;
        world.rowbytes = 13 * c.pixelBytes + 1;  // padded rows, cut to whole pixels
        const ImageView view = imageViewOf(world, entry->pixelBytes);
        EXPECT_EQ(view.rowPixels, 13) << c.bytes;
        EXPECT_EQ(view.width, 10);
        EXPECT_EQ(view.height, 3);
    }
}

A_long boundedSprintf(A_char* buffer, const A_char* format, ...) {
    va_list args;
    va_start(args, format);
    const int length = std::vsnprintf(buffer, 256, format, args);
    va_end(args);
    return length;
}

TEST(PluginAbout, TextsOfBothFlavours) {
    A_char text[256];
    formatAboutText(kFlavour64, boundedSprintf, text);
    EXPECT_STREQ(text, "TovelaTileSweep, v1.00\rImagination!");
    formatAboutText(kFlavour32, boundedSprintf, text);
    EXPECT_STREQ(text, "TovelaTileSweep, v1.0\rImagination!");
}

TEST(PluginAbout, VersionNumbersComeOutOfThePackedWord) {
    const VersionNumbers effect = unpackVersion(0x00080601u);
    EXPECT_EQ(effect.major, 1);
    EXPECT_EQ(effect.minor, 0);
    EXPECT_EQ(effect.bugfix, 0);
    // The major version's high bits sit apart from its low three.
    const VersionNumbers wide = unpackVersion(PF_VERSION(13, 5, 2, PF_Stage_BETA, 17));
    EXPECT_EQ(wide.major, 13);
    EXPECT_EQ(wide.minor, 5);
    EXPECT_EQ(wide.bugfix, 2);
}

TEST(PluginRender, RectanglesForEitherHostLayout) {
    const Rect r{-3, 4, 30000, 17};
    PF_LRect wide{};
    ASSERT_TRUE(toHostRect(r, wide));
    EXPECT_EQ(wide.left, -3);
    EXPECT_EQ(wide.top, 4);
    EXPECT_EQ(wide.right, 30000);
    EXPECT_EQ(wide.bottom, 17);

    PF_LegacyRect narrow{};
    ASSERT_TRUE(toHostRect(r, narrow));
    const A_short inMemory[4] = {4, -3, 17, 30000};  // top, left, bottom, right
    EXPECT_EQ(std::memcmp(&narrow, inMemory, sizeof inMemory), 0);

    EXPECT_TRUE(toHostRect(Rect{-32768, 0, 32767, 1}, narrow));
    EXPECT_FALSE(toHostRect(Rect{0, 0, 32768, 1}, narrow));
    EXPECT_FALSE(toHostRect(Rect{0, -32769, 1, 1}, narrow));
    EXPECT_TRUE(toHostRect(Rect{0, 0, 40000, 1}, wide));
}

TEST(PluginRegistration, RecordsFilledFromTheParameterTable) {
    auto strcpy = [](A_char* d, const A_char* s) { return std::strcpy(d, s); };
    for (const ParamSpec& entry : kParamTable) {
        PF_ParamDef def;
        std::memset(&def, 0, sizeof def);
        ASSERT_TRUE(describeParam(entry, strcpy, def)) << entry.name;
        EXPECT_EQ(def.flags, PF_ParamFlag_COLLAPSE_TWIRLY) << entry.name;
        EXPECT_EQ(def.uu.id, entry.index);
        EXPECT_STREQ(def.name, entry.name);
        EXPECT_EQ(def.ui_flags, 0);
        EXPECT_EQ(paramValueWord(def, entry.kind), defaultRawValue(entry)) << entry.name;
        switch (entry.kind) {
            case ParamKind::FixedSlider:
                EXPECT_EQ(def.param_type, PF_Param_FIX_SLIDER);
                EXPECT_EQ(def.u.fd.valid_max, entry.validMax * 65536) << entry.name;
                EXPECT_EQ(def.u.fd.slider_min, entry.sliderMin * 65536) << entry.name;
                EXPECT_EQ(def.u.fd.dephault, entry.defaultValue * 65536) << entry.name;
                EXPECT_EQ(def.u.fd.precision, entry.precision) << entry.name;
                EXPECT_EQ(def.u.fd.display_flags, PF_ValueDisplayFlag_PERCENT) << entry.name;
                EXPECT_STREQ(def.u.fd.value_str, "");
                break;
            case ParamKind::Slider:
                EXPECT_EQ(def.param_type, PF_Param_SLIDER);
                EXPECT_EQ(def.u.sd.valid_max, entry.validMax) << entry.name;
                EXPECT_EQ(def.u.sd.slider_max, entry.sliderMax) << entry.name;
                break;
            case ParamKind::Popup:
                EXPECT_EQ(def.param_type, PF_Param_POPUP);
                EXPECT_EQ(def.u.pd.num_choices, static_cast<A_short>(popupItems(entry).size())) << entry.name;
                EXPECT_EQ(def.u.pd.dephault, entry.defaultValue) << entry.name;
                EXPECT_EQ(def.u.pd.u.namesptr, entry.items) << entry.name;
                break;
            case ParamKind::Checkbox:
                EXPECT_EQ(def.param_type, PF_Param_CHECKBOX);
                EXPECT_EQ(def.u.bd.u.nameptr, entry.checkboxText) << entry.name;
                EXPECT_EQ(def.u.bd.dephault, 0);
                break;
            case ParamKind::Angle:
                EXPECT_EQ(def.param_type, PF_Param_ANGLE);
                EXPECT_EQ(def.u.ad.dephault, 0);
                break;
            case ParamKind::Path:
                EXPECT_EQ(def.param_type, PF_Param_PATH);
                EXPECT_EQ(def.u.path_d.dephault, 0);
                break;
        }
    }
}

TEST(PluginRegistration, NameTooLongForTheHostFieldIsRefused) {
    ParamSpec entry = paramSpec(Row);
    const std::string name(32, 'x');
    entry.name = name.c_str();
    auto strcpy = [](A_char*, const A_char*) -> A_char* {
        ADD_FAILURE() << "an overlong name reached the host's copy";
        return nullptr;
    };
    PF_ParamDef def;
    std::memset(&def, 0, sizeof def);
    EXPECT_FALSE(describeParam(entry, strcpy, def));
}

TEST(PluginMessages, BoundedCopyCutsAtTheField) {
    A_char field[8];
    EXPECT_TRUE(copyBounded(field, sizeof field, "ERROR"));
    EXPECT_STREQ(field, "ERROR");
    EXPECT_FALSE(copyBounded(field, sizeof field, "Memory Error!"));
    EXPECT_STREQ(field, "Memory ");
    const A_char unterminated[8] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    EXPECT_FALSE(copyBounded(field, sizeof field, unterminated));  // reads no further than 7
    EXPECT_STREQ(field, "abcdefg");
}

TEST(PluginDispatch, CommandTableOfBothFlavours) {
    struct Case {
        PF_Cmd cmd;
        Handler in64;
        Handler in32;
    };
    const Case answered[] = {
        {PF_Cmd_ABOUT, Handler::About, Handler::About},
        {PF_Cmd_GLOBAL_SETUP, Handler::GlobalSetup, Handler::GlobalSetup},
        {PF_Cmd_GLOBAL_SETDOWN, Handler::GlobalSetdown, Handler::None},
        {PF_Cmd_PARAMS_SETUP, Handler::RegisterParams, Handler::RegisterParams},
        {PF_Cmd_SEQUENCE_SETUP, Handler::SequenceSetup, Handler::SequenceSetup},
        {PF_Cmd_SEQUENCE_RESETUP, Handler::SequenceSetup, Handler::SequenceSetup},
        {PF_Cmd_SEQUENCE_SETDOWN, Handler::SequenceSetdown, Handler::SequenceSetdown},
        {PF_Cmd_USER_CHANGED_PARAM, Handler::ParamUiRules, Handler::ParamUiRules},
        {PF_Cmd_UPDATE_PARAMS_UI, Handler::ParamUiRules, Handler::ParamUiRules},
        {PF_Cmd_COMPLETELY_GENERAL, Handler::None, Handler::GeneralText},
        {PF_Cmd_SMART_PRE_RENDER, Handler::SmartPreRender, Handler::SmartPreRender},
        {PF_Cmd_SMART_RENDER, Handler::SmartRender, Handler::SmartRender},
    };
    for (PF_Cmd cmd = -3; cmd <= 40; ++cmd) {
        Handler in64 = Handler::None;
        Handler in32 = Handler::None;
        for (const Case& c : answered) {
            if (c.cmd == cmd) {
                in64 = c.in64;
                in32 = c.in32;
            }
        }
        EXPECT_EQ(handlerFor(kFlavour64, cmd), in64) << "command " << cmd;
        EXPECT_EQ(handlerFor(kFlavour32, cmd), in32) << "command " << cmd;
    }
}

}  // namespace
}  // namespace tilesweep::plugin
