// The plug-in's commands, one at a time, through the simulated host in both
// flavours: what each command leaves with the host, and that no path leaks a
// handle, a lock or a suite.
#include <gtest/gtest.h>

#include "SimHostSupport.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "GlobalData.h"
#include "GreyingRules.h"
#include "ParamChoices.h"
#include "ParamRegistration.h"
#include "ParamUiRules.h"
#include "SimHost.h"
#include "SmartPreRender.h"

namespace tilesweep::plugin {
namespace {

using simhost::CallKind;
using simhost::FaultPlan;
using simhost::FrameOptions;
using simhost::InstanceId;
using simhost::SimHost;

constexpr A_long kSide = 8;

std::string flavourName(const ::testing::TestParamInfo<simhost::Flavour>& param) {
    return param.param == simhost::Flavour::Plugin64 ? "Build64" : "Build32";
}

// The plug-in shares the test's address space, so a handle's block is one dereference away.
GlobalData& globalOf(const SimHost& host) { return *static_cast<GlobalData*>(*host.globalData()); }

int64_t countOf(const SimHost& host, CallKind kind) { return host.callCount(kind); }

class PluginLifecycle : public ::testing::TestWithParam<simhost::Flavour> {
protected:
    bool is64() const { return GetParam() == simhost::Flavour::Plugin64; }
    PF_Err missingSuiteCode() const { return is64() ? PF_Err_INTERNAL_STRUCT_DAMAGED : PF_Err_BAD_CALLBACK_PARAM; }
    A_long handleVersion() const { return is64() ? 2 : 1; }

    std::unique_ptr<SimHost> makeHost() const {
        return std::make_unique<SimHost>(simhost::test::pluginPath(GetParam()), GetParam());
    }
    // Global data, registered parameters and one instance, as the host holds them after set-up.
    static InstanceId setUp(SimHost& host) {
        EXPECT_EQ(host.globalSetup(), PF_Err_NONE);
        EXPECT_EQ(host.paramsSetup(), PF_Err_NONE);
        const InstanceId instance = host.sequenceSetup();
        EXPECT_TRUE(host.hasInstance(instance));
        return instance;
    }
    // Ends the life and checks that nothing was kept or given back wrongly.
    static void finish(SimHost& host, InstanceId instance) {
        if (host.hasInstance(instance)) {
            EXPECT_EQ(host.sequenceSetdown(instance), PF_Err_NONE);
        }
        if (host.globalData() != nullptr) {
            EXPECT_EQ(host.globalSetdown(), PF_Err_NONE);
        }
        host.unload();
        expectNothingHeld(host);
    }
    static void expectNothingHeld(const SimHost& host) {
        EXPECT_TRUE(simhost::test::endedClean(host));
    }
};

INSTANTIATE_TEST_SUITE_P(Flavours, PluginLifecycle,
                         ::testing::Values(simhost::Flavour::Plugin64, simhost::Flavour::Plugin32), flavourName);

// ---- Global and sequence data ------------------------------------------------------------

TEST_P(PluginLifecycle, FailedGlobalSetupLeavesNoHandle) {
    struct Case {
        const char* what;
        void (*arrange)(SimHost&);
        PF_Err expected;  // 0: the flavour's code for a missing suite
    };
    const Case cases[] = {
        {"allocation", [](SimHost& h) { h.addFault(FaultPlan{CallKind::NewHandle, 1, PF_Err_OUT_OF_MEMORY}); },
         PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"lock", [](SimHost& h) { h.addFault(FaultPlan{CallKind::LockHandle, 1, PF_Err_OUT_OF_MEMORY}); },
         PF_Err_INTERNAL_STRUCT_DAMAGED},
        {"registration", [](SimHost& h) { h.addFault(FaultPlan{CallKind::RegisterWithAEGP, 1, 7}); }, 7},
        {"utility suite", [](SimHost& h) { h.refuseSuite(kAEGPUtilitySuite, 7); }, 0},
        // Only the flavour's own version is missing; the other one would do.
        {"handle suite", nullptr, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto host = makeHost();
        if (c.arrange != nullptr) {
            c.arrange(*host);
        } else {
            host->refuseSuite(kPFHandleSuite, handleVersion());
        }
        EXPECT_EQ(host->globalSetup(), c.expected != 0 ? c.expected : missingSuiteCode());
        EXPECT_EQ(host->lastCommand().globalData, nullptr);
        EXPECT_EQ(host->globalData(), nullptr);
        expectNothingHeld(*host);
    }
}

// The old block is freed only once the new one stands, so that whatever the host
// does after a failed resetup (send the old handle again, or give the instance up
// and reclaim it), nothing is freed twice and nothing is lost.
TEST_P(PluginLifecycle, FailedSequenceResetupKeepsTheOldBlock) {
    for (const bool hostKeepsIt : {true, false}) {
        for (const bool lockFails : {false, true}) {
            SCOPED_TRACE(std::string(lockFails ? "lock fails" : "allocation fails") +
                         (hostKeepsIt ? ", the host keeps the old handle" : ", the host gives the instance up"));
            const auto host = makeHost();
            simhost::HostBehaviour behaviour;
            behaviour.keepSequenceDataAfterFailedResetup = hostKeepsIt;
            host->setBehaviour(behaviour);
            const InstanceId instance = setUp(*host);
            const PF_Handle old = host->sequenceData(instance);
            ASSERT_EQ(host->handleBytes(old).size(), 1u);
            host->addFault(FaultPlan{lockFails ? CallKind::LockHandle : CallKind::NewHandle, 1, PF_Err_OUT_OF_MEMORY});
            EXPECT_EQ(host->sequenceResetup(instance), PF_Err_OUT_OF_MEMORY);
            EXPECT_EQ(host->lastCommand().sequenceData, old);
            EXPECT_EQ(host->hasInstance(instance), hostKeepsIt);
            if (hostKeepsIt) {
                EXPECT_EQ(host->handleBytes(old), std::vector<unsigned char>{0});
                // The old block is sent again and still serves.
                EXPECT_EQ(host->updateParamsUi(instance, Scene{}), PF_Err_NONE);
                EXPECT_EQ(host->sequenceResetup(instance), PF_Err_NONE);
                EXPECT_NE(host->sequenceData(instance), nullptr);
            }
            finish(*host, instance);
        }
    }
}

// When memory is there, a resetup replaces the block and frees the old one.
TEST_P(PluginLifecycle, SequenceResetupReplacesTheBlock) {
    const auto host = makeHost();
    const InstanceId instance = setUp(*host);
    const PF_Handle old = host->sequenceData(instance);
    EXPECT_EQ(host->updateParamsUi(instance, Scene{}), PF_Err_NONE);
    const PF_Handle snapshot = host->sequenceData(instance);
    EXPECT_NE(snapshot, old);
    EXPECT_EQ(host->sequenceResetup(instance), PF_Err_NONE);
    EXPECT_TRUE(host->handleBytes(snapshot).empty());
    EXPECT_EQ(host->handleBytes(host->sequenceData(instance)), std::vector<unsigned char>{0});
    finish(*host, instance);
}

// ---- General text -------------------------------------------------------------------------

TEST_P(PluginLifecycle, GeneralTextIsCutAtTheMessageField) {
    const auto host = makeHost();
    const std::string text(300, 'a');
    EXPECT_EQ(host->completelyGeneral(text.c_str()), PF_Err_NONE);
    if (is64()) {
        EXPECT_EQ(host->lastCommand().returnMsg, "");
        EXPECT_EQ(countOf(*host, CallKind::AcquireSuite), 0);
    } else {
        // The host complains of any text that would not fit the field with its zero.
        EXPECT_EQ(host->lastCommand().returnMsg, text.substr(0, 255));
    }
    host->unload();
    expectNothingHeld(*host);
}

// ---- Parameter registration -----------------------------------------------------------------

TEST_P(PluginLifecycle, RegistrationStopsAtAFailureExceptOrderPath) {
    struct Case {
        int failId;
        PF_Err expected;
        int64_t adds;
        A_long numParams;  // 0: the host's value, untouched
    };
    const Case cases[] = {{-1, 0, 26, 27}, {Row, 9, 3, 0}, {OrderPath, 0, 26, 27}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failId);
        const auto host = makeHost();
        host->traceCalls(true);
        if (c.failId > 0) host->addFault(FaultPlan{CallKind::AddParam, c.failId, 9});
        EXPECT_EQ(host->paramsSetup(), c.expected);
        EXPECT_EQ(countOf(*host, CallKind::AddParam), c.adds);
        EXPECT_EQ(host->lastCommand().numParams, c.numParams);
        int32_t id = 0;
        for (const simhost::CallRecord& call : host->calls()) {
            if (call.kind == CallKind::AddParam) {
                EXPECT_EQ(call.detail, ++id);
            }
        }
        host->unload();
        expectNothingHeld(*host);
    }
}

// ---- Parameter UI rules -----------------------------------------------------------------------

TEST_P(PluginLifecycle, FirstRulePassReplacesTheOneByteBlock) {
    const auto host = makeHost();
    const InstanceId instance = setUp(*host);
    const PF_Handle oneByte = host->sequenceData(instance);
    ASSERT_EQ(host->handleBytes(oneByte).size(), 1u);
    globalOf(*host).ready = 0;
    host->setUiFlags(instance, Direction, PF_PUI_STD_CONTROL_ONLY | PF_PUI_DISABLED);

    ASSERT_EQ(host->updateParamsUi(instance, Scene{}), PF_Err_NONE);
    EXPECT_EQ(countOf(*host, CallKind::HasParamChanged), 0);  // one byte is no state to compare with
    EXPECT_EQ(countOf(*host, CallKind::GetCurrentState), 1);
    EXPECT_TRUE(host->handleBytes(oneByte).empty());
    const PF_Handle snapshot = host->sequenceData(instance);
    EXPECT_NE(snapshot, oneByte);
    EXPECT_EQ(host->lastCommand().sequenceDataIn, snapshot);
    EXPECT_EQ(host->handleBytes(snapshot).size(), sizeof(PF_State));
    EXPECT_EQ(globalOf(*host).ready, 1);
    EXPECT_EQ(host->lastCommand().outFlags, PF_OutFlag_REFRESH_UI);

    const std::vector<PF_ParamIndex> order = {20, 21, 22, 10, 12, 19, 11, 18, 24, 25, 6, 7, 8};
    const std::vector<PF_ParamIndex> enabled = {20, 21, 10, 19, 11, 24};
    const std::vector<simhost::UiUpdate>& updates = host->uiUpdates(instance);
    ASSERT_EQ(updates.size(), order.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        const simhost::UiUpdate& sent = updates[i];
        EXPECT_EQ(sent.index, order[i]);
        const bool on = std::find(enabled.begin(), enabled.end(), sent.index) != enabled.end();
        EXPECT_EQ((sent.uiFlags & PF_PUI_DISABLED) == 0, on) << sent.index;
        EXPECT_EQ(sent.type, hostParamType(paramSpec(sent.index).kind));
        EXPECT_EQ(sent.name, paramSpec(sent.index).name);
    }
    EXPECT_EQ(updates[0].uiFlags, PF_PUI_STD_CONTROL_ONLY);  // the host's other bits stay
    finish(*host, instance);
}

TEST_P(PluginLifecycle, UnchangedStateKeepsTheSnapshot) {
    const auto host = makeHost();
    const InstanceId instance = setUp(*host);
    ASSERT_EQ(host->updateParamsUi(instance, Scene{}), PF_Err_NONE);
    const PF_Handle snapshot = host->sequenceData(instance);
    const int64_t made = countOf(*host, CallKind::NewHandle);
    const std::size_t updatesBefore = host->uiUpdates(instance).size();
    host->traceCalls(true);

    ASSERT_EQ(host->userChangedParam(instance, Scene{}, Completion), PF_Err_NONE);
    std::vector<int32_t> changeTests;
    for (const simhost::CallRecord& call : host->calls()) {
        if (call.kind == CallKind::HasParamChanged) changeTests.push_back(call.detail);
    }
    EXPECT_EQ(changeTests, std::vector<int32_t>{PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS});
    EXPECT_EQ(countOf(*host, CallKind::NewHandle), made);
    EXPECT_EQ(host->sequenceData(instance), snapshot);
    EXPECT_EQ(host->uiUpdates(instance).size() - updatesBefore, kGreyingRuleCount);
    finish(*host, instance);
}

TEST_P(PluginLifecycle, NoSequenceBlockCountsAsChanged) {
    const auto host = makeHost();
    const InstanceId instance = setUp(*host);
    // The plug-in frees its block; the host then has none to hand over.
    ASSERT_EQ(host->sendCommand(PF_Cmd_SEQUENCE_SETDOWN, instance), PF_Err_NONE);
    host->setSequenceData(instance, nullptr);
    ASSERT_EQ(host->updateParamsUi(instance, Scene{}), PF_Err_NONE);
    EXPECT_EQ(countOf(*host, CallKind::HasParamChanged), 0);
    EXPECT_FALSE(host->handleBytes(host->sequenceData(instance)).empty());
    // The global data and the new snapshot.
    EXPECT_EQ(host->outstanding().size(), 2u) << testing::PrintToString(host->outstanding());
    EXPECT_EQ(host->messages(), std::vector<std::string>{});
    finish(*host, instance);
}

// With no sequence block to compare with, the first UI pass goes straight to making
// a snapshot; a host without the handle suite then must not cost a block.
TEST_P(PluginLifecycle, NoSnapshotBlockWithoutTheHandleSuite) {
    const auto host = makeHost();
    const InstanceId instance = setUp(*host);
    ASSERT_EQ(host->sendCommand(PF_Cmd_SEQUENCE_SETDOWN, instance), PF_Err_NONE);
    host->setSequenceData(instance, nullptr);
    host->refuseSuite(kPFHandleSuite, handleVersion());
    const int64_t handlesBefore = countOf(*host, CallKind::NewHandle);
    EXPECT_EQ(host->updateParamsUi(instance, Scene{}), missingSuiteCode());
    EXPECT_EQ(countOf(*host, CallKind::NewHandle), handlesBefore);
    EXPECT_EQ(host->sequenceData(instance), nullptr);
    // Only the global data.
    EXPECT_EQ(host->outstanding().size(), 1u) << testing::PrintToString(host->outstanding());
    EXPECT_EQ(host->messages(), std::vector<std::string>{});
    host->clearFaults();
    finish(*host, instance);
}

TEST_P(PluginLifecycle, SnapshotNotInstalledIsFreed) {
    const CallKind failing[] = {CallKind::GetCurrentState, CallKind::HasParamChanged};
    for (const CallKind kind : failing) {
        SCOPED_TRACE(simhost::callKindName(kind));
        const auto host = makeHost();
        const InstanceId instance = setUp(*host);
        ASSERT_EQ(host->updateParamsUi(instance, Scene{}), PF_Err_NONE);  // a full-size snapshot
        globalOf(*host).ready = 0;
        const PF_Handle snapshot = host->sequenceData(instance);
        const std::vector<std::string> held = host->outstanding();
        const std::size_t updatesBefore = host->uiUpdates(instance).size();
        host->addFault(FaultPlan{kind, 1, 11});
        // A changed value, so that only the failure keeps the old snapshot in place.
        Scene changed;
        changed.raw[Completion] = 12 * kFixedOne;

        EXPECT_EQ(host->updateParamsUi(instance, changed), 11);
        EXPECT_EQ(host->outstanding(), held);
        EXPECT_EQ(host->sequenceData(instance), snapshot);
        EXPECT_EQ(host->lastCommand().returnMsg, "ERROR");
        EXPECT_EQ(host->lastCommand().outFlags, 0x20100);
        EXPECT_EQ(globalOf(*host).ready, 0);
        EXPECT_EQ(host->uiUpdates(instance).size(), updatesBefore);
        finish(*host, instance);
    }
}

TEST_P(PluginLifecycle, RulesWithoutGlobalDataOnlyRefresh) {
    const auto host = makeHost();
    ASSERT_EQ(host->paramsSetup(), PF_Err_NONE);
    const InstanceId instance = host->sequenceSetup();
    ASSERT_TRUE(host->hasInstance(instance));
    const int64_t made = countOf(*host, CallKind::NewHandle);
    ASSERT_EQ(host->updateParamsUi(instance, Scene{}), PF_Err_NONE);
    EXPECT_TRUE(host->uiUpdates(instance).empty());
    EXPECT_EQ(host->lastCommand().outFlags, PF_OutFlag_REFRESH_UI);
    EXPECT_EQ(countOf(*host, CallKind::NewHandle), made);
    finish(*host, instance);
}

TEST_P(PluginLifecycle, MissingParamUtilsSuiteFreesTheNewSnapshot) {
    const auto host = makeHost();
    const InstanceId instance = setUp(*host);
    const PF_Handle oneByte = host->sequenceData(instance);
    host->refuseSuite(kPFParamUtilsSuite, is64() ? 2 : 1);
    EXPECT_EQ(host->updateParamsUi(instance, Scene{}), missingSuiteCode());
    // Only the global data and the one-byte block are left.
    EXPECT_EQ(host->sequenceData(instance), oneByte);
    EXPECT_EQ(host->handleBytes(oneByte).size(), 1u);
    EXPECT_EQ(host->outstanding().size(), 2u) << testing::PrintToString(host->outstanding());
    EXPECT_EQ(host->messages(), std::vector<std::string>{});
    finish(*host, instance);
}

// ---- Smart pre-render and render ----------------------------------------------------------------

// An 8 x 8 layer and its output.
struct Frame {
    simhost::PixelBuffer input{Depth8, kSide, kSide};
    simhost::PixelBuffer output{Depth8, kSide, kSide};
};

WipeSettings recordOf(const std::vector<unsigned char>& bytes) {
    SettingsBlock block{};
    EXPECT_EQ(bytes.size(), sizeof block);
    std::memcpy(&block, bytes.data(), std::min(bytes.size(), sizeof block));
    return block.record;
}

TEST_P(PluginLifecycle, PreRenderHandsTheRecordToTheHost) {
    const auto host = makeHost();
    const InstanceId instance = setUp(*host);
    Scene scene;
    scene.raw[Completion] = 50 * kFixedOne;
    scene.raw[OrderOffset] = -90 * kFixedOne;
    scene.raw[Row] = 3000;
    FrameOptions options;
    options.request = PF_LRect{1, 2, 5, 6};
    options.initialResult = PF_LRect{0, 0, 0, 0};
    options.initialMaxResult = PF_LRect{-4, 0, 2, 20};
    Frame f;

    ASSERT_EQ(host->renderFrame(instance, scene, 0, f.input, f.output, options), PF_Err_NONE);
    const simhost::FrameReport& report = host->lastFrame();
    const std::vector<PF_ParamIndex> order = {1, 2, 3, 4, 20, 21, 22, 9, 10, 12, 19, 13, 14,
                                              15, 17, 11, 16, 18, 23, 24, 5, 6, 7, 8, 26};
    EXPECT_EQ(report.checkouts, order);
    EXPECT_EQ(report.checkins.size(), 25u);
    EXPECT_EQ(report.layerRequest.preserve_rgb_of_zero_alpha, 1);
    EXPECT_EQ(report.layerRequest.rect.left, 1);
    EXPECT_EQ(report.layerRequest.rect.bottom, 6);

    const WipeSettings record = recordOf(report.preRenderData);
    EXPECT_EQ(record.completion, 0.5);
    EXPECT_EQ(record.orderOffset, 0.75);
    EXPECT_EQ(record.rows, 3000);
    EXPECT_EQ(record.easing, popupValue(EasingKind::Expo));
    // The layer's result: the request, which lies inside the layer.
    const PF_LRect layer{1, 2, 5, 6};
    EXPECT_EQ(std::memcmp(&report.resultRect, &layer, sizeof layer), 0);
    EXPECT_EQ(report.maxResultRect.left, -4);
    EXPECT_EQ(report.maxResultRect.right, 8);
    // The host freed the record through the plug-in's disposer.
    EXPECT_TRUE(report.disposerCalled);
    EXPECT_EQ(host->messages(), std::vector<std::string>{});
    finish(*host, instance);
}

TEST_P(PluginLifecycle, PreRenderWithoutARecordHandsNothingOver) {
    for (const bool lockFails : {false, true}) {
        SCOPED_TRACE(lockFails ? "lock fails" : "allocation fails");
        const auto host = makeHost();
        const InstanceId instance = setUp(*host);
        host->addFault(FaultPlan{lockFails ? CallKind::LockHandle : CallKind::NewHandle, 1, PF_Err_OUT_OF_MEMORY});
        Frame f;
        EXPECT_EQ(host->renderFrame(instance, Scene{}, 0, f.input, f.output), PF_Err_OUT_OF_MEMORY);
        const simhost::FrameReport& report = host->lastFrame();
        EXPECT_TRUE(report.preRenderData.empty());
        EXPECT_FALSE(report.disposerCalled);
        EXPECT_TRUE(report.checkouts.empty());
        finish(*host, instance);
    }
}

// A failed pre-render frees its record itself and hands nothing over: a host that
// calls the disposer anyway and one that does not both end with nothing held.
TEST_P(PluginLifecycle, FailedCheckoutsFreeTheRecord) {
    struct Case {
        const char* what;
        CallKind kind;
        int64_t nth;
        PF_Err code;
        std::size_t checkouts;
        int64_t layerCheckouts;
    };
    const Case cases[] = {{"Completion", CallKind::CheckoutParam, 1, PF_Err_INVALID_INDEX, 1, 0},
                          {"Mode", CallKind::CheckoutParam, 21, PF_Err_INVALID_INDEX, 21, 0},
                          {"the layer", CallKind::CheckoutLayer, 1, 13, 25, 1},
                          {"the whole layer for a region", CallKind::CheckoutLayer, 2, 14, 25, 2}};
    for (const bool hostDisposes : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(std::string(c.what) + (hostDisposes ? ", the host disposes" : ", the host does not dispose"));
            const auto host = makeHost();
            simhost::HostBehaviour behaviour;
            behaviour.disposeAfterFailedPreRender = hostDisposes;
            host->setBehaviour(behaviour);
            const InstanceId instance = setUp(*host);
            host->addFault(FaultPlan{c.kind, c.nth, c.code});
            Frame f;
            FrameOptions options;
            options.request = PF_LRect{1, 1, 4, 4};
            options.initialResult = PF_LRect{0, 0, 0, 0};
            EXPECT_EQ(host->renderFrame(instance, Scene{}, 0, f.input, f.output, options), c.code);
            const simhost::FrameReport& report = host->lastFrame();
            EXPECT_EQ(report.checkouts.size(), c.checkouts);
            EXPECT_EQ(report.checkins.size(), c.checkouts - (c.kind == CallKind::CheckoutParam ? 1 : 0));
            EXPECT_EQ(countOf(*host, CallKind::CheckoutLayer), c.layerCheckouts);
            // The output rectangles stay as the host gave them.
            EXPECT_EQ(report.resultRect.right, 0);
            EXPECT_TRUE(report.preRenderData.empty());
            EXPECT_FALSE(report.disposerCalled);
            finish(*host, instance);
        }
    }
}

using PluginRender = PluginLifecycle;

TEST_P(PluginRender, FailuresLeaveOnlyTheHostsBlocks) {
    using Arrange = void (*)(SimHost&, Scene&, FrameOptions&);
    struct Case {
        const char* what;
        Arrange arrange;
        PF_Err expected;  // 0: the flavour's code for a missing suite
        const char* message;
    };
    const Case cases[] = {
        {"output refused",
         [](SimHost& h, Scene&, FrameOptions&) {
             h.addFault(FaultPlan{CallKind::CheckoutOutput, 1, 21});
         },
         PF_Err_BAD_CALLBACK_PARAM, ""},
        {"no world suite", [](SimHost& h, Scene&, FrameOptions&) { h.refuseSuite(kPFWorldSuite, 2); },
         PF_Err_BAD_CALLBACK_PARAM, "Couldn't load suite."},
        {"unknown pixels",
         [](SimHost&, Scene&, FrameOptions& o) { o.pixelFormat = PF_PixelFormat_BGRA32; },
         PF_Err_BAD_CALLBACK_PARAM, ""},
        // The pre-render's record is the frame's first allocation.
        {"no memory for the arrays",
         [](SimHost& h, Scene&, FrameOptions&) {
             h.addFault(FaultPlan{CallKind::NewHandle, 2, PF_Err_OUT_OF_MEMORY});
         },
         PF_Err_INTERNAL_STRUCT_DAMAGED, "Memory Error!"},
        // The pre-render reads the curve too (for the host's frame cache): the suites
        // go missing between the two commands.
        {"no keyframe suites",
         [](SimHost& h, Scene& s, FrameOptions&) {
             s.raw[Easing] = popupValue(EasingKind::Custom);
             const std::size_t render = h.commandLog().size() + 1;
             for (const char* name : {kAEGPPFInterfaceSuite, kAEGPStreamSuite, kAEGPKeyframeSuite, kAEGPEffectSuite}) {
                 for (A_long version = 1; version <= 8; ++version) h.refuseSuiteFrom(name, version, render);
             }
         },
         0, ""},
        {"no path suites",
         [](SimHost& h, Scene& s, FrameOptions&) {
             // A real mask, so that only the missing suites stop the render.
             std::string error;
             EXPECT_TRUE(addMask("M 0 1 L 7 5", s, error)) << error;
             s.raw[Order] = popupValue(OrderKind::Path);
             s.raw[OrderPath] = 1;
             for (const char* name : {kPFPathQuerySuite, kPFPathDataSuite}) {
                 for (A_long version = 1; version <= 8; ++version) h.refuseSuite(name, version);
             }
         },
         0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto host = makeHost();
        const InstanceId instance = setUp(*host);
        Scene scene;
        scene.raw[Completion] = 50 * kFixedOne;
        FrameOptions options;
        c.arrange(*host, scene, options);
        Frame f;
        EXPECT_EQ(host->renderFrame(instance, scene, 0, f.input, f.output, options),
                  c.expected != 0 ? c.expected : missingSuiteCode());
        EXPECT_EQ(host->lastFrame().preRenderErr, PF_Err_NONE);
        EXPECT_TRUE(host->lastFrame().rendered);
        EXPECT_EQ(host->lastCommand().cmd, PF_Cmd_SMART_RENDER);
        EXPECT_EQ(host->lastCommand().returnMsg, c.message);
        EXPECT_EQ(host->lastCommand().outFlags != 0, c.message[0] != '\0');
        // Everything but the global, sequence and settings blocks is given back.
        EXPECT_TRUE(host->lastFrame().disposerCalled);
        EXPECT_EQ(host->outstanding().size(), 2u) << testing::PrintToString(host->outstanding());
        EXPECT_EQ(host->messages(), std::vector<std::string>{});
        finish(*host, instance);
    }
    // A render handed no settings record refuses before it touches the host.
    const auto host = makeHost();
    const InstanceId instance = setUp(*host);
    PF_SmartRenderInput input{};
    PF_SmartRenderCallbacks callbacks{};
    PF_SmartRenderExtra extra{&input, &callbacks};
    EXPECT_EQ(host->sendCommand(PF_Cmd_SMART_RENDER, instance, &extra), PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host->lastCommand().returnMsg, "");
    EXPECT_EQ(host->lastCommand().outFlags, 0);
    EXPECT_EQ(host->outstanding().size(), 2u) << testing::PrintToString(host->outstanding());
    EXPECT_EQ(host->messages(), std::vector<std::string>{});
    finish(*host, instance);
}

INSTANTIATE_TEST_SUITE_P(Flavours, PluginRender,
                         ::testing::Values(simhost::Flavour::Plugin64, simhost::Flavour::Plugin32), flavourName);

}  // namespace
}  // namespace tilesweep::plugin
