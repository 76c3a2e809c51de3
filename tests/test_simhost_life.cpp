// Whole lives of both plug-in builds in the simulated host: what each command
// answers, what the plug-in registers, and frames rendered through the host that
// must equal the engine's own rendering byte for byte.
#include <gtest/gtest.h>

#include "SimHostSupport.h"

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "FramePipeline.h"
#include "Life.h"
#include "LocalServices.h"
#include "MaskPathSource.h"
#include "SceneKeyframeSource.h"
#include "SimHost.h"

namespace tilesweep::simhost {
namespace {

using test::endedClean;
using test::pluginPath;
using test::sceneOf;

const Flavour kFlavours[] = {Flavour::Plugin64, Flavour::Plugin32};
const PixelDepth kDepths[] = {Depth8, Depth16, Depth32f};

PixelBuffer renderDirectly(const Scene& scene, int32_t time, PixelBuffer& input, int32_t padding) {
    PixelBuffer output(input.depth(), input.width(), input.height(), padding);
    LocalServices services(input.view(), output.view(), input.depth());
    MaskPathSource paths(scene.masks);
    SceneKeyframeSource keyframes(scene);
    services.setOrderPath(&paths);
    services.setEasingKeyframes(&keyframes);
    const WipeSettings settings = settingsFromHostValues(scene.rawValuesAt(time), std::fmod);
    EXPECT_EQ(renderFrame(settings, input.view(), output.view(), input.depth(), services), 0);
    return output;
}

struct RenderCase {
    const char* name;
    std::vector<std::string> values;
    std::vector<std::string> keyframes;
    std::vector<std::string> masks;
    int32_t time;
};

// Every mode, order, viewing mode and kind of easing, the Custom one with and
// without a full 0-100 curve.
const std::vector<RenderCase> kRenderCases = {
    {"Still1 Horizontal Expo", {"Completion=40", "Row=4", "Column=5"}, {}, {}, 0},
    {"Still2 Vertical per row", {"Completion=55", "Mode=Still2", "Order=Vertical", "Order Per=Row1", "Easing=Linear"},
     {}, {}, 0},
    {"Still3 Clockwise random directions",
     {"Completion=35", "Mode=Still3", "Order=Clockwise", "Direction=Random", "Direction Seed=3", "Row=3", "Column=4"},
     {}, {}, 0},
    {"Move1 Anticlockwise inverse only wiping",
     {"Completion=50", "Mode=Move1", "Order=Anticlockwise", "Order Inverse=on", "Viewing Mode=Only Wiping"}, {}, {}, 0},
    {"Move2 Random multiply random stacking",
     {"Completion=45", "Mode=Move2", "Order=Random", "Order Seed=7", "Blend Mode=Multiply", "Z-index=Random",
      "Z-index Seed=2", "Delay=30"},
     {}, {}, 0},
    {"Move3 Path Custom animated completion only not wiping",
     {"Mode=Move3", "Order=Path", "Order Path=1", "Easing=Custom", "Blend Mode=Screen", "Z-index=Late",
      "Viewing Mode=Only Not Wiping", "Row=5", "Column=6"},
     {"Completion=0:0", "Completion=20:100", "Easing Keyframe=0:0", "Easing Keyframe=10:80", "Easing Keyframe=20:100"},
     {"M 1 1 L 22 14 L 3 14"},
     700},
    {"Shrink1 insiders skipped transparent Bounce",
     {"Completion=60", "Mode=Shrink1", "Order Insider=60", "Order Insider Mode=Skip", "Order Outsider=on",
      "Easing=Bounce", "Easing Mode=Out", "Order Seed=11"},
     {}, {}, 0},
    {"Shrink2 curved Path offset Custom off 0-100",
     {"Completion=20", "Mode=Shrink2", "Order=Path", "Order Path=2", "Order Offset=90", "Delay=50", "Easing=Custom"},
     {"Easing Keyframe=0:10", "Easing Keyframe=30:90"},
     {"M 0 0 L 4 4", "M 2 15 C 8 -6 16 22 23 1"},
     0},
    {"Move2 Hard Mix Custom with one keyframe",
     {"Completion=70", "Mode=Move2", "Blend Mode=Hard Mix", "Easing=Custom", "Order Insider=80"},
     {"Easing Keyframe=5:40"}, {}, 0},
};

TEST(SimHostLife, RendersThroughTheHostEqualTheEngineAtEveryDepth) {
    constexpr int32_t kWidth = 24, kHeight = 16, kPadding = 3;
    for (Flavour flavour : kFlavours) {
        for (PixelDepth depth : kDepths) {
            SCOPED_TRACE(std::string(flavour == Flavour::Plugin64 ? "64" : "32") + " depth " + std::to_string(depth));
            SimHost host(pluginPath(flavour), flavour);
            ASSERT_EQ(host.globalSetup(), PF_Err_NONE);
            ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
            const InstanceId instance = host.sequenceSetup();
            ASSERT_TRUE(host.hasInstance(instance));
            PixelBuffer input = makePatternImage(depth, kWidth, kHeight, kPadding, 5);
            for (const RenderCase& c : kRenderCases) {
                SCOPED_TRACE(c.name);
                const Scene scene = sceneOf(c.values, c.keyframes, c.masks);
                EXPECT_EQ(host.updateParamsUi(instance, scene, c.time), PF_Err_NONE);
                PixelBuffer viaHost(depth, kWidth, kHeight, kPadding);
                EXPECT_EQ(host.renderFrame(instance, scene, c.time, input, viaHost), PF_Err_NONE)
                    << host.lastCommand().returnMsg;
                const PixelBuffer direct = renderDirectly(scene, c.time, input, kPadding);
                EXPECT_TRUE(viaHost == direct);
                EXPECT_TRUE(viaHost != PixelBuffer(depth, kWidth, kHeight, kPadding)) << "the frame drew nothing";
                // The record the pre-render handed over is the engine's conversion of the same values.
                const WipeSettings settings = settingsFromHostValues(scene.rawValuesAt(c.time), std::fmod);
                ASSERT_GE(host.lastFrame().preRenderData.size(), sizeof settings);
                EXPECT_EQ(std::memcmp(host.lastFrame().preRenderData.data(), &settings, sizeof settings), 0);
                EXPECT_TRUE(host.lastFrame().disposerCalled);
            }
            EXPECT_EQ(host.sequenceSetdown(instance), PF_Err_NONE);
            EXPECT_EQ(host.globalSetdown(), PF_Err_NONE);
            host.unload();
            EXPECT_TRUE(endedClean(host));
        }
    }
}

TEST(SimHostLife, GlobalSetupReportsVersionFlagsAndKeepsItsData) {
    for (Flavour flavour : kFlavours) {
        SimHost host(pluginPath(flavour), flavour);
        ASSERT_EQ(host.globalSetup(), PF_Err_NONE);
        EXPECT_EQ(host.lastCommand().myVersion, 0x00080601u);
        EXPECT_EQ(host.lastCommand().outFlags, 0x06000040);
        EXPECT_EQ(host.lastCommand().outFlags2, 0x1400);
        EXPECT_EQ(host.callCount(CallKind::RegisterWithAEGP), 1);
        const std::vector<unsigned char> global = host.handleBytes(host.globalData());
        ASSERT_FALSE(global.empty());
        EXPECT_EQ(global[0], 1) << "ready byte";
        const PF_Handle handle = host.globalData();
        EXPECT_EQ(host.globalSetdown(), PF_Err_NONE);
        // The 64-bit build frees its global data itself; the 32-bit one leaves it to the host.
        EXPECT_EQ(host.handleBytes(handle).empty(), flavour == Flavour::Plugin64);
        host.unload();
        EXPECT_TRUE(host.handleBytes(handle).empty());
        EXPECT_EQ(host.outstanding(), std::vector<std::string>{});
    }
}

TEST(SimHostLife, AboutBoxAndGeneralCommandPerFlavour) {
    struct Row {
        Flavour flavour;
        const char* about;
        PF_Err generalErr;
        const char* generalMsg;
    };
    const Row rows[] = {
        {Flavour::Plugin64, "TovelaTileSweep, v1.00\rImagination!", PF_Err_NONE, ""},
        {Flavour::Plugin32, "TovelaTileSweep, v1.0\rImagination!", PF_Err_NONE, "hello, host"},
    };
    for (const Row& row : rows) {
        SimHost host(pluginPath(row.flavour), row.flavour);
        ASSERT_EQ(host.globalSetup(), PF_Err_NONE);
        EXPECT_EQ(host.about(), PF_Err_NONE);
        EXPECT_EQ(host.lastCommand().returnMsg, row.about);
        EXPECT_EQ(host.completelyGeneral("hello, host"), row.generalErr);
        EXPECT_EQ(host.lastCommand().returnMsg, row.generalMsg);
        // However long the text, the field's 256 bytes are never overrun.
        const std::string longText(400, 'x');
        host.completelyGeneral(longText.c_str());
        EXPECT_LE(host.lastCommand().returnMsg.size(), 255u);
        host.globalSetdown();
        host.unload();
        EXPECT_TRUE(endedClean(host));
    }
}

TEST(SimHostLife, CommandsOutsideTheDispatchTableDoNothing) {
    for (Flavour flavour : kFlavours) {
        SimHost host(pluginPath(flavour), flavour);
        ASSERT_EQ(host.globalSetup(), PF_Err_NONE);
        ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
        const InstanceId instance = host.sequenceSetup();
        std::vector<PF_Cmd> ignored = {2, 7, 9, 10, 11, 12, 15, 16, 18, 19, 20, 21, 22, 25, 26, 28, 33, 34, -1, -7};
        if (flavour == Flavour::Plugin32) ignored.push_back(PF_Cmd_GLOBAL_SETDOWN);
        else ignored.push_back(PF_Cmd_COMPLETELY_GENERAL);
        const std::vector<unsigned char> sequenceBefore = host.handleBytes(host.sequenceData(instance));
        for (PF_Cmd cmd : ignored) {
            int64_t callsBefore = 0;
            for (std::size_t k = 0; k < kCallKindCount; ++k) callsBefore += host.callCount(static_cast<CallKind>(k));
            EXPECT_EQ(host.sendCommand(cmd, instance), PF_Err_NONE) << cmd;
            int64_t callsAfter = 0;
            for (std::size_t k = 0; k < kCallKindCount; ++k) callsAfter += host.callCount(static_cast<CallKind>(k));
            EXPECT_EQ(callsAfter, callsBefore) << "command " << cmd << " called the host";
            EXPECT_EQ(host.lastCommand().returnMsg, "");
            EXPECT_EQ(host.lastCommand().outFlags, 0);
        }
        EXPECT_EQ(host.handleBytes(host.sequenceData(instance)), sequenceBefore);
        EXPECT_FALSE(host.handleBytes(host.globalData()).empty());
        host.sequenceSetdown(instance);
        host.globalSetdown();
        host.unload();
        EXPECT_EQ(host.outstanding(), std::vector<std::string>{});
    }
}

TEST(SimHostLife, RegistrationIsTheParameterTable) {
    for (Flavour flavour : kFlavours) {
        SimHost host(pluginPath(flavour), flavour);
        ASSERT_EQ(host.globalSetup(), PF_Err_NONE);
        ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
        EXPECT_EQ(host.lastCommand().numParams, ParamCount);
        ASSERT_TRUE(host.registrationComplete());
        ASSERT_EQ(host.params().size(), kParamTable.size());
        for (std::size_t i = 0; i < kParamTable.size(); ++i) {
            const ParamSpec& param = kParamTable[i];
            const RegisteredParam& p = host.params()[i];
            SCOPED_TRACE(param.name);
            EXPECT_EQ(p.name, param.name);
            EXPECT_EQ(p.def.uu.id, param.index);
            EXPECT_EQ(p.def.flags, PF_ParamFlag_COLLAPSE_TWIRLY);
            EXPECT_EQ(p.def.ui_flags, 0);
            EXPECT_EQ(p.def.ui_width, 0);
            EXPECT_EQ(p.def.ui_height, 0);
            const int32_t scale = param.kind == ParamKind::FixedSlider ? kFixedOne : 1;
            switch (param.kind) {
                case ParamKind::FixedSlider: {
                    const PF_FixedSliderDef& d = p.def.u.fd;
                    EXPECT_EQ(p.def.param_type, PF_Param_FIX_SLIDER);
                    EXPECT_EQ(d.valid_min, param.validMin * scale);
                    EXPECT_EQ(d.valid_max, param.validMax * scale);
                    EXPECT_EQ(d.slider_min, param.sliderMin * scale);
                    EXPECT_EQ(d.slider_max, param.sliderMax * scale);
                    EXPECT_EQ(d.dephault, param.defaultValue * scale);
                    EXPECT_EQ(d.value, d.dephault);
                    EXPECT_EQ(d.precision, param.precision);
                    EXPECT_EQ(d.display_flags, PF_ValueDisplayFlag_PERCENT);
                    EXPECT_STREQ(d.value_str, "");
                    break;
                }
                case ParamKind::Slider: {
                    const PF_SliderDef& d = p.def.u.sd;
                    EXPECT_EQ(p.def.param_type, PF_Param_SLIDER);
                    EXPECT_EQ(d.valid_min, param.validMin);
                    EXPECT_EQ(d.valid_max, param.validMax);
                    EXPECT_EQ(d.slider_min, param.sliderMin);
                    EXPECT_EQ(d.slider_max, param.sliderMax);
                    EXPECT_EQ(d.dephault, param.defaultValue);
                    EXPECT_EQ(d.value, param.defaultValue);
                    break;
                }
                case ParamKind::Popup:
                    EXPECT_EQ(p.def.param_type, PF_Param_POPUP);
                    EXPECT_EQ(p.items, param.items);
                    EXPECT_EQ(p.def.u.pd.num_choices, static_cast<A_short>(popupItems(param).size()));
                    EXPECT_EQ(p.def.u.pd.dephault, param.defaultValue);
                    EXPECT_EQ(p.def.u.pd.value, param.defaultValue);
                    break;
                case ParamKind::Checkbox:
                    EXPECT_EQ(p.def.param_type, PF_Param_CHECKBOX);
                    EXPECT_EQ(p.checkboxText, param.checkboxText);
                    EXPECT_EQ(p.def.u.bd.value, 0);
                    EXPECT_EQ(p.def.u.bd.dephault, 0);
                    break;
                case ParamKind::Angle:
                    EXPECT_EQ(p.def.param_type, PF_Param_ANGLE);
                    EXPECT_EQ(p.def.u.ad.value, 0);
                    EXPECT_EQ(p.def.u.ad.dephault, 0);
                    break;
                case ParamKind::Path:
                    EXPECT_EQ(p.def.param_type, PF_Param_PATH);
                    EXPECT_EQ(p.def.u.path_d.dephault, 0);
                    break;
            }
        }
        host.globalSetdown();
    }
}

TEST(SimHostLife, SequenceDataLivesFromSetupToSetdown) {
    for (Flavour flavour : kFlavours) {
        SimHost host(pluginPath(flavour), flavour);
        ASSERT_EQ(host.globalSetup(), PF_Err_NONE);
        ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
        const InstanceId instance = host.sequenceSetup();
        ASSERT_TRUE(host.hasInstance(instance));
        const PF_Handle first = host.sequenceData(instance);
        EXPECT_EQ(host.handleBytes(first), std::vector<unsigned char>{0});
        // A resetup frees the old block before making the new one.
        EXPECT_EQ(host.sequenceResetup(instance), PF_Err_NONE);
        const PF_Handle second = host.sequenceData(instance);
        EXPECT_NE(second, first);
        EXPECT_TRUE(host.handleBytes(first).empty());
        EXPECT_EQ(host.handleBytes(second), std::vector<unsigned char>{0});
        EXPECT_EQ(host.sequenceSetdown(instance), PF_Err_NONE);
        EXPECT_TRUE(host.handleBytes(second).empty());
        // Setdown without global data is harmless.
        host.globalSetdown();
        if (flavour == Flavour::Plugin64) {
            EXPECT_EQ(host.sendCommand(PF_Cmd_GLOBAL_SETDOWN), PF_Err_NONE);
        }
        host.unload();
        EXPECT_TRUE(endedClean(host));
    }
}

TEST(SimHostLife, EveryLifeOfThePlanGivesEverythingBack) {
    LifePlan plan;
    plan.frames = {{sceneOf({"Completion=30", "Mode=Move2"}), 0},
                   {sceneOf({"Completion=60", "Order=Path", "Order Path=1", "Easing=Custom"},
                            {"Easing Keyframe=0:0", "Easing Keyframe=4:100"}, {"M 0 6 L 16 6"}),
                    100}};
    for (Flavour flavour : kFlavours) {
        for (PixelDepth depth : kDepths) {
            plan.depth = depth;
            SimHost host(pluginPath(flavour), flavour);
            const LifeReport report = runLife(host, plan);
            EXPECT_TRUE(report.reachedSetdown);
            EXPECT_EQ(report.frameErrs, (std::vector<PF_Err>{PF_Err_NONE, PF_Err_NONE}));
            for (const CommandResult& c : host.commandLog()) EXPECT_EQ(c.err, PF_Err_NONE) << commandName(c.cmd);
            EXPECT_TRUE(endedClean(host));
        }
    }
}

}  // namespace
}  // namespace tilesweep::simhost
