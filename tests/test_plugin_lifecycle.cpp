// The plug-in's commands against a small fake host, in both flavours: what each
// command leaves with the host, and that no path leaks a handle, a lock or a suite.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "Dispatch.h"
#include "GlobalData.h"
#include "ParamUiRules.h"
#include "PluginFakeHost.h"
#include "SmartPreRender.h"

namespace tilesweep::plugin {
namespace {

using test::FakeHost;
using test::FakeParams;

std::string flavourName(const ::testing::TestParamInfo<const Flavour*>& param) {
    return param.param == &kFlavour64 ? "Build64" : "Build32";
}

class PluginLifecycle : public ::testing::TestWithParam<const Flavour*> {
protected:
    const Flavour& flavour() const { return *GetParam(); }
    bool is64() const { return GetParam() == &kFlavour64; }
    PF_Err missingSuiteCode() const { return is64() ? PF_Err_INTERNAL_STRUCT_DAMAGED : PF_Err_BAD_CALLBACK_PARAM; }
    A_long handleVersion() const { return is64() ? 2 : 1; }

    PF_Err run(FakeHost& host, PF_Cmd cmd, PF_ParamDef** params = nullptr, void* extra = nullptr) const {
        return dispatchCommand(flavour(), cmd, &host.in, &host.out, params, extra);
    }
    // Global and sequence data as the host would hold them after set-up.
    void setUp(FakeHost& host) const {
        ASSERT_EQ(run(host, PF_Cmd_GLOBAL_SETUP), PF_Err_NONE);
        host.in.global_data = host.out.global_data;
        ASSERT_EQ(run(host, PF_Cmd_SEQUENCE_SETUP), PF_Err_NONE);
        host.in.sequence_data = host.out.sequence_data;
    }
    static void expectNothingHeld(const FakeHost& host) {
        EXPECT_TRUE(host.suitesBalanced());
        EXPECT_EQ(host.locksHeld(), 0);
        EXPECT_EQ(host.badDisposals, 0);
    }
};

INSTANTIATE_TEST_SUITE_P(Flavours, PluginLifecycle, ::testing::Values(&kFlavour64, &kFlavour32),
                         flavourName);

// ---- Global and sequence data ------------------------------------------------------------

TEST_P(PluginLifecycle, FailedGlobalSetupLeavesNoHandle) {
    struct Case {
        const char* what;
        void (*arrange)(FakeHost&);
        PF_Err expected;  // 0: the flavour's code for a missing suite
    };
    const Case cases[] = {
        {"allocation", [](FakeHost& h) { h.failNewHandleAt = 0; }, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"lock", [](FakeHost& h) { h.failLock = true; }, PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"registration", [](FakeHost& h) { h.registerErr = 7; }, 7},
        {"utility suite", [](FakeHost& h) { h.missingSuites.insert({kAEGPUtilitySuite, 7}); }, 0},
        // Only the flavour's own version is missing; the other one would do.
        {"handle suite", nullptr, 0},
    };
    for (const Case& c : cases) {
        FakeHost host;
        if (c.arrange != nullptr) {
            c.arrange(host);
        } else {
            host.missingSuites.insert({kPFHandleSuite, handleVersion()});
        }
        EXPECT_EQ(run(host, PF_Cmd_GLOBAL_SETUP), c.expected != 0 ? c.expected : missingSuiteCode()) << c.what;
        EXPECT_EQ(host.out.global_data, nullptr) << c.what;
        EXPECT_EQ(host.liveHandles(), 0u) << c.what;
        expectNothingHeld(host);
    }
}

TEST_P(PluginLifecycle, FailedSequenceSetupHandsBackNothing) {
    for (const bool lockFails : {false, true}) {
        FakeHost host;
        const PF_Handle old = host.makeBlock(16);
        host.in.sequence_data = old;
        host.out.sequence_data = old;  // the host passes the old block on both sides
        if (lockFails) {
            host.failLock = true;
        } else {
            host.failNewHandleAt = 0;
        }
        EXPECT_EQ(run(host, PF_Cmd_SEQUENCE_RESETUP), PF_Err_OUT_OF_MEMORY);
        EXPECT_EQ(host.out.sequence_data, nullptr);
        EXPECT_EQ(host.liveHandles(), 0u) << "lock fails: " << lockFails;
        expectNothingHeld(host);
    }
}

// ---- General text -------------------------------------------------------------------------

TEST_P(PluginLifecycle, GeneralTextIsCutAtTheMessageField) {
    FakeHost host;
    const std::string text(300, 'a');
    EXPECT_EQ(run(host, PF_Cmd_COMPLETELY_GENERAL, nullptr, const_cast<char*>(text.c_str())), PF_Err_NONE);
    if (is64()) {
        EXPECT_STREQ(host.out.return_msg, "");
        EXPECT_TRUE(host.acquired.empty());
    } else {
        EXPECT_EQ(host.longestSprintf, 255u);
        EXPECT_EQ(std::string(host.out.return_msg), text.substr(0, 255));
    }
    expectNothingHeld(host);
}

// ---- Parameter registration -----------------------------------------------------------------

TEST_P(PluginLifecycle, RegistrationStopsAtAFailureExceptOrderPath) {
    struct Case {
        int failId;
        PF_Err expected;
        std::size_t adds;
        A_long numParams;
    };
    const Case cases[] = {{-1, 0, 26, 27}, {Row, 9, 3, -5}, {OrderPath, 0, 26, 27}};
    for (const Case& c : cases) {
        FakeHost host;
        host.failAddParamId = c.failId;
        host.addParamErr = 9;
        host.out.num_params = -5;
        EXPECT_EQ(run(host, PF_Cmd_PARAMS_SETUP), c.expected) << c.failId;
        EXPECT_EQ(host.added.size(), c.adds) << c.failId;
        EXPECT_EQ(host.out.num_params, c.numParams) << c.failId;
        for (std::size_t i = 0; i < host.added.size(); ++i) EXPECT_EQ(host.added[i].uu.id, static_cast<A_long>(i + 1));
    }
}

// ---- Parameter UI rules -----------------------------------------------------------------------

TEST_P(PluginLifecycle, FirstRulePassReplacesTheOneByteBlock) {
    FakeHost host;
    setUp(host);
    const PF_Handle oneByte = host.in.sequence_data;
    host.dataOf<GlobalData>(host.in.global_data)->ready = 0;
    FakeParams params(defaultRawValues());
    params[Direction].ui_flags = PF_PUI_STD_CONTROL_ONLY | PF_PUI_DISABLED;
    host.out.out_flags = 0;

    ASSERT_EQ(run(host, PF_Cmd_UPDATE_PARAMS_UI, params.get()), PF_Err_NONE);
    EXPECT_EQ(host.hasChangedCalls, 0);  // one byte is no state to compare with
    EXPECT_EQ(host.getStateCalls, 1);
    EXPECT_FALSE(host.isLive(oneByte));
    ASSERT_TRUE(host.isLive(host.out.sequence_data));
    EXPECT_EQ(host.in.sequence_data, host.out.sequence_data);
    EXPECT_EQ(host.sizeOf(host.out.sequence_data), sizeof(PF_State));
    EXPECT_EQ(host.dataOf<GlobalData>(host.in.global_data)->ready, 1);
    EXPECT_EQ(host.out.out_flags, PF_OutFlag_REFRESH_UI);

    const std::vector<PF_ParamIndex> order = {20, 21, 22, 10, 12, 19, 11, 18, 24, 25, 6, 7, 8};
    const std::vector<PF_ParamIndex> enabled = {20, 21, 10, 19, 11, 24};
    ASSERT_EQ(host.updates.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        const test::SentUpdate& sent = host.updates[i];
        EXPECT_EQ(sent.index, order[i]);
        const bool on = std::find(enabled.begin(), enabled.end(), sent.index) != enabled.end();
        EXPECT_EQ((sent.def.ui_flags & PF_PUI_DISABLED) == 0, on) << sent.index;
        EXPECT_EQ(sent.def.param_type, hostParamType(paramSpec(sent.index).kind));
        EXPECT_STREQ(sent.def.name, paramSpec(sent.index).name);
    }
    EXPECT_EQ(host.updates[0].def.ui_flags, PF_PUI_STD_CONTROL_ONLY);  // the host's other bits stay
    expectNothingHeld(host);
}

TEST_P(PluginLifecycle, UnchangedStateKeepsTheSnapshot) {
    FakeHost host;
    setUp(host);
    FakeParams params(defaultRawValues());
    ASSERT_EQ(run(host, PF_Cmd_UPDATE_PARAMS_UI, params.get()), PF_Err_NONE);
    const PF_Handle snapshot = host.out.sequence_data;
    const int made = host.newHandles;
    host.updates.clear();

    ASSERT_EQ(run(host, PF_Cmd_USER_CHANGED_PARAM, params.get()), PF_Err_NONE);
    EXPECT_EQ(host.hasChangedCalls, 1);
    EXPECT_EQ(host.hasChangedIndex, PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS);
    EXPECT_EQ(host.newHandles, made);
    EXPECT_EQ(host.out.sequence_data, snapshot);
    EXPECT_EQ(host.updates.size(), kUiRuleCount);
    expectNothingHeld(host);
}

TEST_P(PluginLifecycle, NoSequenceBlockCountsAsChanged) {
    FakeHost host;
    setUp(host);
    ASSERT_EQ(run(host, PF_Cmd_SEQUENCE_SETDOWN), PF_Err_NONE);
    host.in.sequence_data = nullptr;
    FakeParams params(defaultRawValues());
    ASSERT_EQ(run(host, PF_Cmd_UPDATE_PARAMS_UI, params.get()), PF_Err_NONE);
    EXPECT_EQ(host.hasChangedCalls, 0);
    EXPECT_TRUE(host.isLive(host.out.sequence_data));
    EXPECT_EQ(host.liveHandles(), 2u);
    expectNothingHeld(host);
}

TEST_P(PluginLifecycle, SnapshotNotInstalledIsFreed) {
    struct Case {
        const char* what;
        void (*arrange)(FakeHost&);
    };
    const Case cases[] = {
        {"state query fails", [](FakeHost& h) { h.getStateErr = 11; }},
        {"change test fails",
         [](FakeHost& h) {
             h.hasChangedErr = 11;
             h.hasChangedAnswer = 1;
         }},
    };
    for (const Case& c : cases) {
        FakeHost host;
        setUp(host);
        FakeParams params(defaultRawValues());
        ASSERT_EQ(run(host, PF_Cmd_UPDATE_PARAMS_UI, params.get()), PF_Err_NONE);  // a 16-byte snapshot
        host.in.sequence_data = host.out.sequence_data;
        host.dataOf<GlobalData>(host.in.global_data)->ready = 0;
        const PF_Handle snapshot = host.in.sequence_data;
        const std::size_t live = host.liveHandles();
        host.updates.clear();
        c.arrange(host);
        host.out.out_flags = PF_OutFlag_USE_OUTPUT_EXTENT;

        EXPECT_EQ(run(host, PF_Cmd_UPDATE_PARAMS_UI, params.get()), 11) << c.what;
        EXPECT_EQ(host.liveHandles(), live) << c.what;
        EXPECT_EQ(host.out.sequence_data, snapshot) << c.what;
        EXPECT_STREQ(host.out.return_msg, "ERROR");
        EXPECT_EQ(host.out.out_flags, 0x20100) << c.what;
        EXPECT_EQ(host.dataOf<GlobalData>(host.in.global_data)->ready, 0) << c.what;
        EXPECT_TRUE(host.updates.empty()) << c.what;
        expectNothingHeld(host);
    }
}

TEST_P(PluginLifecycle, RejectedUpdateStopsTheRest) {
    FakeHost host;
    setUp(host);
    host.failUpdateAt = 3;  // "Order Per"
    FakeParams params(defaultRawValues());
    EXPECT_EQ(run(host, PF_Cmd_UPDATE_PARAMS_UI, params.get()), PF_Err_INVALID_INDEX);
    EXPECT_EQ(host.updates.size(), 4u);
    EXPECT_STREQ(host.out.return_msg, "ERROR");
    expectNothingHeld(host);
}

TEST_P(PluginLifecycle, RulesWithoutGlobalDataOnlyRefresh) {
    FakeHost host;
    FakeParams params(defaultRawValues());
    ASSERT_EQ(run(host, PF_Cmd_UPDATE_PARAMS_UI, params.get()), PF_Err_NONE);
    EXPECT_TRUE(host.updates.empty());
    EXPECT_EQ(host.out.out_flags, PF_OutFlag_REFRESH_UI);
    EXPECT_EQ(host.liveHandles(), 0u);
}

TEST_P(PluginLifecycle, MissingParamUtilsSuiteFreesTheNewSnapshot) {
    FakeHost host;
    setUp(host);
    host.missingSuites.insert({kPFParamUtilsSuite, is64() ? 2 : 1});
    FakeParams params(defaultRawValues());
    EXPECT_EQ(run(host, PF_Cmd_UPDATE_PARAMS_UI, params.get()), missingSuiteCode());
    EXPECT_EQ(host.liveHandles(), 2u);
    expectNothingHeld(host);
}

// ---- Smart pre-render and render ----------------------------------------------------------------

TEST_P(PluginLifecycle, PreRenderHandsTheRecordToTheHost) {
    FakeHost host;
    setUp(host);
    host.values[Completion] = 50 * kFixedOne;
    host.values[OrderOffset] = -90 * kFixedOne;
    host.values[Row] = 3000;
    host.preRenderInput.output_request.rect = PF_LRect{1, 2, 5, 6};
    host.preRenderOutput.result_rect = PF_LRect{0, 0, 0, 0};
    host.preRenderOutput.max_result_rect = PF_LRect{-4, 0, 2, 20};

    ASSERT_EQ(run(host, PF_Cmd_SMART_PRE_RENDER, nullptr, &host.preRenderExtra), PF_Err_NONE);
    const std::vector<PF_ParamIndex> order = {1, 2, 3, 4, 20, 21, 22, 9, 10, 12, 19, 13, 14,
                                              15, 17, 11, 16, 18, 23, 24, 5, 6, 7, 8, 26};
    EXPECT_EQ(host.checkouts, order);
    EXPECT_EQ(host.checkins, 25);
    EXPECT_EQ(host.layerRequest.preserve_rgb_of_zero_alpha, 1);
    EXPECT_EQ(host.layerRequest.rect.left, 1);
    EXPECT_EQ(host.layerRequest.rect.bottom, 6);

    auto settings = static_cast<PF_Handle>(host.preRenderOutput.pre_render_data);
    ASSERT_TRUE(host.isLive(settings));
    const WipeSettings record = host.dataOf<SettingsBlock>(settings)->record;
    EXPECT_EQ(record.completion, 0.5);
    EXPECT_EQ(record.orderOffset, 0.75);
    EXPECT_EQ(record.rows, 3000);
    EXPECT_EQ(record.easing, 6);
    const PF_LRect layer = host.layerResult.result_rect;
    EXPECT_EQ(std::memcmp(&host.preRenderOutput.result_rect, &layer, sizeof layer), 0);
    EXPECT_EQ(host.preRenderOutput.max_result_rect.left, -4);
    EXPECT_EQ(host.preRenderOutput.max_result_rect.right, 8);
    expectNothingHeld(host);

    host.preRenderOutput.delete_pre_render_data_func(settings);
    EXPECT_FALSE(host.isLive(settings));
    expectNothingHeld(host);
}

TEST_P(PluginLifecycle, PreRenderWithoutARecordHandsNothingOver) {
    for (const bool lockFails : {false, true}) {
        FakeHost host;
        host.failLock = lockFails;
        host.failNewHandleAt = lockFails ? -1 : 0;
        EXPECT_EQ(run(host, PF_Cmd_SMART_PRE_RENDER, nullptr, &host.preRenderExtra), PF_Err_OUT_OF_MEMORY);
        EXPECT_EQ(host.preRenderOutput.pre_render_data, nullptr);
        EXPECT_TRUE(host.checkouts.empty());
        EXPECT_EQ(host.liveHandles(), 0u);
        expectNothingHeld(host);
    }
}

TEST_P(PluginLifecycle, FailedCheckoutsLeaveTheRecordWithTheHost) {
    struct Case {
        const char* what;
        PF_ParamIndex failIndex;
        PF_Err layerErr;
        std::size_t checkouts;
        int layerCheckouts;
    };
    const Case cases[] = {{"Completion", Completion, PF_Err_NONE, 1, 0}, {"Mode", Mode, PF_Err_NONE, 21, 0},
                          {"the layer", -1, 13, 25, 1}};
    for (const Case& c : cases) {
        FakeHost host;
        host.failCheckoutIndex = c.failIndex;
        host.checkoutLayerErr = c.layerErr;
        host.preRenderOutput.result_rect = PF_LRect{0, 0, 0, 0};
        const PF_Err expected = c.layerErr != PF_Err_NONE ? c.layerErr : PF_Err_INVALID_INDEX;
        EXPECT_EQ(run(host, PF_Cmd_SMART_PRE_RENDER, nullptr, &host.preRenderExtra), expected) << c.what;
        EXPECT_EQ(host.checkouts.size(), c.checkouts) << c.what;
        EXPECT_EQ(host.checkins, static_cast<int>(c.checkouts) - (c.layerErr == PF_Err_NONE ? 1 : 0)) << c.what;
        EXPECT_EQ(host.layerCheckouts, c.layerCheckouts) << c.what;
        EXPECT_EQ(host.preRenderOutput.result_rect.right, 0) << c.what;
        auto settings = static_cast<PF_Handle>(host.preRenderOutput.pre_render_data);
        ASSERT_TRUE(host.isLive(settings)) << c.what;
        EXPECT_EQ(host.dataOf<SettingsBlock>(settings)->record.rows, 0) << c.what;
        host.preRenderOutput.delete_pre_render_data_func(settings);
        EXPECT_EQ(host.liveHandles(), 0u) << c.what;
        expectNothingHeld(host);
    }
}

class PluginRender : public PluginLifecycle {
protected:
    // Global data, a settings record for the frame, and the record handed to the render.
    void prepare(FakeHost& host) const {
        setUp(host);
        ASSERT_EQ(run(host, PF_Cmd_SMART_PRE_RENDER, nullptr, &host.preRenderExtra), PF_Err_NONE);
        host.renderInput.pre_render_data = host.preRenderOutput.pre_render_data;
    }
    PF_Err render(FakeHost& host) const { return run(host, PF_Cmd_SMART_RENDER, nullptr, &host.renderExtra); }
    // Everything but the global, sequence and settings blocks is given back.
    static void expectOnlyHostBlocks(const FakeHost& host) {
        EXPECT_EQ(host.liveHandles(), 3u);
        expectNothingHeld(host);
    }
};

INSTANTIATE_TEST_SUITE_P(Flavours, PluginRender, ::testing::Values(&kFlavour64, &kFlavour32),
                         flavourName);

TEST_P(PluginRender, FailuresLeaveOnlyTheHostsBlocks) {
    using Arrange = void (*)(FakeHost&);
    struct Case {
        const char* what;
        Arrange settings;  // before the pre-render
        Arrange fault;     // before the render
        PF_Err expected;   // 0: the flavour's code for a missing suite
        const char* message;
    };
    const Arrange none = [](FakeHost&) {};
    const Case cases[] = {
        {"no settings record", none, [](FakeHost& h) { h.renderInput.pre_render_data = nullptr; },
         PF_Err_BAD_CALLBACK_PARAM, ""},
        {"output refused", none, [](FakeHost& h) { h.checkoutOutputErr = 21; }, PF_Err_BAD_CALLBACK_PARAM, ""},
        {"no world suite", none, [](FakeHost& h) { h.missingSuites.insert({kPFWorldSuite, 2}); },
         PF_Err_BAD_CALLBACK_PARAM, "Couldn't load suite."},
        {"unknown pixels", none, [](FakeHost& h) { h.pixelFormat = PF_PixelFormat_BGRA32; },
         PF_Err_BAD_CALLBACK_PARAM, ""},
        {"no memory for the arrays", none, [](FakeHost& h) { h.failNewHandleAt = h.newHandles; },
         PF_Err_INTERNAL_STRUCT_DAMAGED, "Memory Error!"},
        // The fake host has neither the AEGP suites nor the path suites.
        {"no keyframe suites", [](FakeHost& h) { h.values[Easing] = 10; }, none, 0, ""},
        {"no path suites",
         [](FakeHost& h) {
             h.values[Order] = 6;
             h.values[OrderPath] = 3;
         },
         none, 0, ""},
    };
    for (const Case& c : cases) {
        FakeHost host;
        host.values[Completion] = 50 * kFixedOne;
        c.settings(host);
        prepare(host);
        c.fault(host);
        host.out.out_flags = 0;
        EXPECT_EQ(render(host), c.expected != 0 ? c.expected : missingSuiteCode()) << c.what;
        EXPECT_STREQ(host.out.return_msg, c.message) << c.what;
        EXPECT_EQ(host.out.out_flags != 0, c.message[0] != '\0') << c.what;
        expectOnlyHostBlocks(host);
    }
}

}  // namespace
}  // namespace tilesweep::plugin
