// The host's accounting and fault injection: a plug-in that gives things back wrongly
// is caught, and every host call of a whole life, failed in turn, gets the answer
// the plug-in owes for it without a crash or a leak.
#include <gtest/gtest.h>

#include "SimHostSupport.h"

#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "Life.h"
#include "SimHost.h"

namespace tilesweep::simhost {
namespace {

using test::endedClean;
using test::pluginPath;
using test::sceneOf;

bool contains(const std::vector<std::string>& lines, const std::string& part) {
    for (const std::string& line : lines) {
        if (line.find(part) != std::string::npos) return true;
    }
    return false;
}

// ---------------------------------------------------------------- a misbehaving plug-in

// What the fake plug-in does in one command; the test sets it.
std::function<void(PF_Cmd, PF_InData*, PF_OutData*)> gMisdeed;

template <typename Suite>
const Suite* acquire(PF_InData* in, const char* name, A_long version) {
    const void* suite = nullptr;
    in->pica_basicP->AcquireSuite(name, version, &suite);
    return static_cast<const Suite*>(suite);
}

PF_Err fakeEntry(PF_Cmd cmd, PF_InData* in, PF_OutData* out, PF_ParamDef*[], PF_LayerDef*, void*) {
    if (cmd == PF_Cmd_PARAMS_SETUP) {
        PF_ParamDef def{};
        def.param_type = PF_Param_FIX_SLIDER;
        std::strcpy(def.name, "Amount");
        def.uu.id = 1;
        const PF_Err err = in->inter.add_param(in->effect_ref, -1, &def);
        out->num_params = 2;
        return err;
    }
    if (gMisdeed) gMisdeed(cmd, in, out);
    return PF_Err_NONE;
}

struct Misdeed {
    const char* name;
    std::function<void(PF_InData*, PF_OutData*)> deed;  // during PF_Cmd_UPDATE_PARAMS_UI
    const char* complaint;                             // in messages(), or null
    const char* leftover;                              // in outstanding(), or null
};

TEST(SimHostAccounting, WrongReleasesAndLeftoversAreReported) {
    const Misdeed misdeeds[] = {
        {"handle disposed twice",
         [](PF_InData* in, PF_OutData*) {
             PF_Handle h = in->utils->host_new_handle(8);
             in->utils->host_dispose_handle(h);
             in->utils->host_dispose_handle(h);
         },
         "host_dispose_handle of something already given back", nullptr},
        {"handle the host never made",
         [](PF_InData* in, PF_OutData*) {
             void* block = nullptr;
             in->utils->host_dispose_handle(&block);
         },
         "host_dispose_handle of something the host never handed out", nullptr},
        {"handle kept", [](PF_InData* in, PF_OutData*) { in->utils->host_new_handle(24); }, nullptr,
         "handle of 24 bytes made during PF_Cmd_UPDATE_PARAMS_UI"},
        {"suite released under another version",
         [](PF_InData* in, PF_OutData*) {
             acquire<PF_HandleSuite1>(in, kPFHandleSuite, kPFHandleSuiteVersion1);
             in->pica_basicP->ReleaseSuite(kPFHandleSuite, kPFHandleSuiteVersionLegacy);
         },
         "ReleaseSuite of PF Handle Suite 1, which is not held", "suite \"PF Handle Suite\" 2"},
        {"suite released twice",
         [](PF_InData* in, PF_OutData*) {
             acquire<PF_WorldSuite2>(in, kPFWorldSuite, kPFWorldSuiteVersion2);
             in->pica_basicP->ReleaseSuite(kPFWorldSuite, kPFWorldSuiteVersion2);
             in->pica_basicP->ReleaseSuite(kPFWorldSuite, kPFWorldSuiteVersion2);
         },
         "ReleaseSuite of PF World Suite 2, which is not held", nullptr},
        {"parameter not checked in",
         [](PF_InData* in, PF_OutData*) {
             PF_ParamDef def{};
             in->inter.checkout_param(in->effect_ref, 1, 0, 100, in->time_scale, &def);
         },
         nullptr, "parameter 1 checked out and not checked in"},
        {"checkin of a parameter never checked out",
         [](PF_InData* in, PF_OutData*) {
             PF_ParamDef def{};
             in->inter.checkin_param(in->effect_ref, &def);
         },
         "PF_CHECKIN_PARAM of a definition that is not checked out", nullptr},
        {"state read from a one-byte block",
         [](PF_InData* in, PF_OutData*) {
             const auto* utils = acquire<PF_ParamUtilsSuite1>(in, kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1);
             PF_Boolean changed = 0;
             utils->PF_HasParamChangedObsolete(in->effect_ref, static_cast<const PF_State*>(*in->sequence_data),
                                               PF_ParamIndex_CHECK_ALL, &changed);
             in->pica_basicP->ReleaseSuite(kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1);
         },
         "PF_HasParamChanged given a state in a block of 1 bytes", nullptr},
        {"message longer than return_msg",
         [](PF_InData* in, PF_OutData* out) {
             const std::string text(300, 'y');
             in->utils->ansi.sprintf(out->return_msg, "%s", text.c_str());
         },
         "sprintf of 300 characters into a field of 256 bytes", nullptr},
        {"wrong effect_ref",
         [](PF_InData* in, PF_OutData*) { in->inter.progress(nullptr, 1, 2); },
         "progress was given an effect_ref that is not the command's", nullptr},
        {"path never checked in",
         [](PF_InData* in, PF_OutData*) {
             const auto* query = acquire<PF_PathQuerySuite1>(in, kPFPathQuerySuite, kPFPathQuerySuiteVersion1);
             PF_PathOutlinePtr path = nullptr;
             query->PF_CheckoutPath(in->effect_ref, 1, 0, 100, in->time_scale, &path);
             in->pica_basicP->ReleaseSuite(kPFPathQuerySuite, kPFPathQuerySuiteVersion1);
         },
         nullptr, "path not given back during PF_Cmd_UPDATE_PARAMS_UI"},
    };
    Scene scene;
    std::string error;
    ASSERT_TRUE(addMask("M 0 0 L 5 5", scene, error)) << error;
    for (const Misdeed& m : misdeeds) {
        SCOPED_TRACE(m.name);
        SimHost host(fakeEntry, Flavour::Plugin64);
        ASSERT_EQ(host.paramsSetup(), PF_Err_NONE);
        ASSERT_TRUE(host.registrationComplete());
        gMisdeed = [&m](PF_Cmd cmd, PF_InData* in, PF_OutData* out) {
            if (cmd == PF_Cmd_SEQUENCE_SETUP) out->sequence_data = in->utils->host_new_handle(1);
            if (cmd == PF_Cmd_SEQUENCE_SETDOWN) in->utils->host_dispose_handle(in->sequence_data);
            if (cmd == PF_Cmd_UPDATE_PARAMS_UI) m.deed(in, out);
        };
        const InstanceId instance = host.sequenceSetup();
        host.updateParamsUi(instance, scene);
        host.sequenceSetdown(instance);
        host.unload();
        gMisdeed = nullptr;
        if (m.complaint != nullptr) {
            EXPECT_TRUE(contains(host.messages(), m.complaint)) << testing::PrintToString(host.messages());
        } else {
            EXPECT_EQ(host.messages(), std::vector<std::string>{});
        }
        if (m.leftover != nullptr) {
            EXPECT_TRUE(contains(host.outstanding(), m.leftover)) << testing::PrintToString(host.outstanding());
        } else {
            EXPECT_EQ(host.outstanding(), std::vector<std::string>{});
        }
    }
}

TEST(SimHostAccounting, EachHostGenerationOffersItsOwnSuiteVersions) {
    struct Row {
        Flavour flavour;
        const char* name;
        A_long version;
        bool offered;
    };
    const Row rows[] = {
        {Flavour::Plugin64, kPFHandleSuite, 2, true},      {Flavour::Plugin64, kPFHandleSuite, 1, false},
        {Flavour::Plugin32, kPFHandleSuite, 1, true},      {Flavour::Plugin32, kPFHandleSuite, 2, false},
        {Flavour::Plugin64, kPFParamUtilsSuite, 2, true},  {Flavour::Plugin64, kPFParamUtilsSuite, 1, false},
        {Flavour::Plugin32, kPFParamUtilsSuite, 1, true},  {Flavour::Plugin32, kPFParamUtilsSuite, 3, false},
        {Flavour::Plugin64, kAEGPStreamSuite, 7, true},    {Flavour::Plugin64, kAEGPStreamSuite, 8, false},
        {Flavour::Plugin32, kAEGPUtilitySuite, 7, true},   {Flavour::Plugin64, "PF Fill Matte Suite", 2, false},
    };
    for (const Row& row : rows) {
        SimHost host(fakeEntry, row.flavour);
        bool offered = false;
        gMisdeed = [&](PF_Cmd, PF_InData* in, PF_OutData*) {
            const void* suite = nullptr;
            offered = in->pica_basicP->AcquireSuite(row.name, row.version, &suite) == kSPNoError && suite != nullptr;
            if (offered) in->pica_basicP->ReleaseSuite(row.name, row.version);
        };
        host.globalSetup();
        gMisdeed = nullptr;
        EXPECT_EQ(offered, row.offered) << row.name << " " << row.version;
        EXPECT_EQ(host.outstanding(), std::vector<std::string>{});
    }
}

// ---------------------------------------------------------------- the sweep

constexpr PF_Err kInjected = 1234;

struct Expected {
    Expected(PF_Err code = PF_Err_NONE, const char* text = "", PF_OutFlags outFlags = 0, bool exact = false)
        : err(code), message(text), flags(outFlags), exactFlags(exact) {}
    PF_Err err;
    std::string message;
    PF_OutFlags flags;  // bits that must be set
    bool exactFlags;
};

// What the plug-in owes the host for one failed call; nothing when the failure must
// not change the command's answer.
std::optional<Expected> expectedFor(const CallRecord& call, Flavour flavour) {
    const PF_Cmd cmd = call.command;
    const PF_Err thrown = flavour == Flavour::Plugin64 ? PF_Err_INTERNAL_STRUCT_DAMAGED : PF_Err_BAD_CALLBACK_PARAM;
    const bool uiRules = cmd == PF_Cmd_UPDATE_PARAMS_UI || cmd == PF_Cmd_USER_CHANGED_PARAM;
    switch (call.kind) {
        case CallKind::AcquireSuite:
            if (cmd == PF_Cmd_SMART_RENDER && call.suite == "PF World Suite 2") {
                return Expected{PF_Err_BAD_CALLBACK_PARAM, "Couldn't load suite.", PF_OutFlag_DISPLAY_ERROR_MESSAGE};
            }
            return Expected{thrown};
        case CallKind::ReleaseSuite:
        case CallKind::CheckinParam:  // what was checked out is given back; the result stands
        case CallKind::DisposeWorld:
        case CallKind::Progress:
            return std::nullopt;
        case CallKind::NewHandle:
            if (cmd == PF_Cmd_GLOBAL_SETUP) return Expected{PF_Err_INTERNAL_STRUCT_DAMAGED};
            if (cmd == PF_Cmd_SEQUENCE_SETUP || cmd == PF_Cmd_SEQUENCE_RESETUP || cmd == PF_Cmd_SMART_PRE_RENDER) {
                return Expected{PF_Err_OUT_OF_MEMORY};
            }
            if (cmd == PF_Cmd_SMART_RENDER) {
                return Expected{PF_Err_INTERNAL_STRUCT_DAMAGED, "Memory Error!", PF_OutFlag_DISPLAY_ERROR_MESSAGE};
            }
            return std::nullopt;  // the UI rules go on without a new snapshot
        case CallKind::LockHandle:
            if (cmd == PF_Cmd_GLOBAL_SETUP) return Expected{PF_Err_INTERNAL_STRUCT_DAMAGED};
            if (cmd == PF_Cmd_SMART_RENDER) return Expected{PF_Err_BAD_CALLBACK_PARAM};
            return Expected{PF_Err_OUT_OF_MEMORY};
        case CallKind::AddParam:
            if (call.detail == OrderPath) return std::nullopt;
            return Expected{kInjected};
        case CallKind::CheckoutLayerPixels:
        case CallKind::CheckoutOutput:
        case CallKind::GetPixelFormat:
            return Expected{PF_Err_BAD_CALLBACK_PARAM};
        case CallKind::UpdateParamUI:
        case CallKind::GetCurrentState:
        case CallKind::HasParamChanged:
            return Expected{kInjected, "ERROR", PF_OutFlag_DISPLAY_ERROR_MESSAGE | PF_OutFlag_REFRESH_UI, true};
        default:
            if (uiRules) return std::nullopt;
            return Expected{kInjected};
    }
}

// A life that reaches every host call the plug-in makes: the about box, the UI
// rules, a Path order with a mask, the Custom easing, moving blocks, and a frame
// that prepares a transparent output. The strict life also sets its instance up
// again and asks for regions of the layer.
LifePlan sweepPlan(PixelDepth depth, bool strict, bool reducedGrown) {
    LifePlan plan;
    plan.depth = depth;
    plan.width = 8;
    plan.height = 6;
    plan.paddingPixels = 1;
    plan.resetup = strict;
    Scene first;
    std::string error;
    EXPECT_TRUE(addMask("M 0 1 L 7 5", first, error));
    for (const char* v : {"Completion=50", "Row=2", "Column=3", "Mode=Move2", "Order=Path", "Order Path=1",
                          "Easing=Custom"}) {
        EXPECT_TRUE(parseParamAssignment(v, 1, first, error)) << error;
    }
    for (const char* k : {"Easing Keyframe=0:0", "Easing Keyframe=2:100"}) {
        EXPECT_TRUE(parseKeyframe(k, 1, first, error)) << error;
    }
    Scene second;
    for (const char* v : {"Completion=40", "Row=2", "Column=2", "Mode=Still1", "Viewing Mode=Only Wiping"}) {
        EXPECT_TRUE(parseParamAssignment(v, 0, second, error)) << error;
    }
    plan.frames = {{first, 100, {}}, {second, 200, {}}};
    if (strict) {
        plan.frames[0].request = PF_LRect{2, 1, 7, 4};
        plan.frames[1].request = PF_LRect{-2, 3, 4, 9};
        // A region that cuts a shrinking block: its scaled copy goes through a world.
        Scene third;
        for (const char* v : {"Completion=50", "Row=2", "Column=2", "Mode=Shrink2"}) {
            EXPECT_TRUE(parseParamAssignment(v, 0, third, error)) << error;
        }
        plan.frames.push_back({third, 300, PF_LRect{1, 1, 6, 5}});
    }
    if (reducedGrown) {
        // Half resolution, on a buffer that an earlier effect grew by two pixels all
        // round a 4 x 2 layer; the requests are in reduced layer coordinates.
        plan.frameOptions.downsampleX = 2;
        plan.frameOptions.downsampleY = 2;
        plan.frameOptions.bufferLeft = -2;
        plan.frameOptions.bufferTop = -2;
        plan.frameOptions.layerWidth = 4;
        plan.frameOptions.layerHeight = 2;
        plan.frames[0].request = PF_LRect{0, 0, 2, 2};
        plan.frames[1].request = PF_LRect{-2, -1, 1, 1};
        plan.frames[2].request = PF_LRect{0, 0, 2, 1};
    }
    return plan;
}

// The host as it was, and two that do what a real host may: keep a handle after a
// failed resetup and leave a failed pre-render's data alone, or give the instance up
// and dispose of what a failed pre-render handed over.
struct SweepHost {
    const char* name;
    bool strict;
    HostBehaviour behaviour;
    bool reducedGrown = false;
};
const SweepHost kSweepHosts[] = {
    {"whole frames", false, HostBehaviour{}},
    {"regions, keeping handles", true, HostBehaviour{true, false}},
    {"regions, dropping instances", true, HostBehaviour{false, true}},
    {"regions at half resolution on a grown buffer", true, HostBehaviour{}, true},
};

TEST(SimHostFaults, EveryHostCallOfALifeFailedInTurn) {
    for (const SweepHost& sweepHost : kSweepHosts) {
    for (Flavour flavour : {Flavour::Plugin64, Flavour::Plugin32}) {
        for (PixelDepth depth : {Depth8, Depth16, Depth32f}) {
            SCOPED_TRACE(std::string(sweepHost.name) + ", " + (flavour == Flavour::Plugin64 ? "64" : "32") +
                         " depth " + std::to_string(depth));
            const LifePlan plan = sweepPlan(depth, sweepHost.strict, sweepHost.reducedGrown);
            int64_t failable = 0;
            std::vector<CommandResult> cleanLog;
            {
                SimHost host(pluginPath(flavour), flavour);
                host.setBehaviour(sweepHost.behaviour);
                const LifeReport clean = runLife(host, plan);
                ASSERT_EQ(clean.frameErrs, std::vector<PF_Err>(plan.frames.size(), PF_Err_NONE));
                ASSERT_TRUE(endedClean(host));
                failable = host.failableCallCount();
                cleanLog = host.commandLog();
                // The plan reaches the path and keyframe suites and all three image operations.
                for (CallKind kind : {CallKind::PathEvalSegLength, CallKind::GetNewStreamValue, CallKind::Copy,
                                      CallKind::Fill, CallKind::TransferRect}) {
                    EXPECT_GT(host.callCount(kind), 0) << callKindName(kind);
                }
                if (sweepHost.strict && !sweepHost.reducedGrown) {
                    EXPECT_GT(host.callCount(CallKind::NewWorld), 0);
                }
                EXPECT_GT(host.callCount(CallKind::GuidMixIn), 0);
            }
            for (int64_t n = 1; n <= failable; ++n) {
                SimHost host(pluginPath(flavour), flavour);
                host.setBehaviour(sweepHost.behaviour);
                host.addFault(FaultPlan{std::nullopt, n, kInjected});
                runLife(host, plan);
                ASSERT_EQ(host.firedFaults().size(), 1u);
                const CallRecord& call = host.firedFaults()[0];
                const std::string where =
                    std::string(callKindName(call.kind)) + " " + call.suite + " (detail " + std::to_string(call.detail) +
                    ") failed during " + commandName(call.command) + ", call " + std::to_string(n);
                const std::vector<CommandResult>& log = host.commandLog();
                EXPECT_EQ(host.messages(), std::vector<std::string>{}) << where;
                // Whatever failed, nothing is left behind.
                EXPECT_EQ(host.outstanding(), std::vector<std::string>{}) << where;
                if (call.command == -1) {
                    // The record's disposer runs between commands and has no one to tell; without
                    // the handle suite it frees the record through the utility callback.
                    for (const CommandResult& c : log) EXPECT_EQ(c.err, PF_Err_NONE) << where;
                    continue;
                }
                const auto index = static_cast<std::size_t>(call.commandIndex);
                ASSERT_LT(index, log.size()) << where;
                const CommandResult& failed = log[index];
                const CommandResult& clean = cleanLog[index];
                const Expected expected = expectedFor(call, flavour).value_or(
                    Expected{clean.err, clean.returnMsg.c_str(), clean.outFlags, true});
                EXPECT_EQ(failed.err, expected.err) << where;
                EXPECT_EQ(failed.returnMsg, expected.message) << where;
                if (expected.exactFlags) {
                    EXPECT_EQ(failed.outFlags, expected.flags) << where;
                } else {
                    EXPECT_EQ(failed.outFlags & expected.flags, expected.flags) << where;
                }
                for (std::size_t i = 0; i < log.size(); ++i) {
                    if (i != static_cast<std::size_t>(call.commandIndex)) {
                        EXPECT_EQ(log[i].err, PF_Err_NONE) << where << "; then " << commandName(log[i].cmd);
                    }
                }
            }
        }
    }
    }
}

// A host whose "PF Handle Suite" goes missing at any command of a life: every
// command that needs it fails with the missing-suite code, and nothing the plug-in
// made is left behind, whichever command it first needed the suite in.
TEST(SimHostFaults, TheHandleSuiteGoingMissingAtAnyCommand) {
    for (Flavour flavour : {Flavour::Plugin64, Flavour::Plugin32}) {
        for (PixelDepth depth : {Depth8, Depth16, Depth32f}) {
            const LifePlan plan = sweepPlan(depth, true, false);
            std::size_t commands = 0;
            {
                SimHost host(pluginPath(flavour), flavour);
                runLife(host, plan);
                commands = host.commandLog().size();
            }
            const PF_Err missing = flavour == Flavour::Plugin64 ? PF_Err_INTERNAL_STRUCT_DAMAGED : PF_Err_BAD_CALLBACK_PARAM;
            const A_long version = flavour == Flavour::Plugin64 ? kPFHandleSuiteVersion1 : kPFHandleSuiteVersionLegacy;
            for (std::size_t from = 0; from <= commands; ++from) {
                SCOPED_TRACE(std::string(flavour == Flavour::Plugin64 ? "64" : "32") + " depth " +
                             std::to_string(depth) + ", missing from command " + std::to_string(from));
                SimHost host(pluginPath(flavour), flavour);
                host.setBehaviour(HostBehaviour{true, false});
                host.refuseSuiteFrom(kPFHandleSuite, version, from);
                runLife(host, plan);
                const std::vector<CommandResult>& log = host.commandLog();
                for (std::size_t i = 0; i < log.size(); ++i) {
                    const bool needsHandles = log[i].cmd != PF_Cmd_ABOUT && log[i].cmd != PF_Cmd_PARAMS_SETUP &&
                                              log[i].cmd != PF_Cmd_COMPLETELY_GENERAL &&
                                              log[i].cmd != PF_Cmd_GLOBAL_SETDOWN;
                    const PF_Err expected = i >= from && needsHandles ? missing : PF_Err_NONE;
                    if (log[i].cmd == PF_Cmd_GLOBAL_SETDOWN) {
                        EXPECT_TRUE(log[i].err == PF_Err_NONE || (i >= from && log[i].err == missing));
                    } else {
                        EXPECT_EQ(log[i].err, expected) << i << " " << commandName(log[i].cmd);
                    }
                }
                EXPECT_TRUE(endedClean(host));
            }
        }
    }
}

// A fault of one kind is counted among that kind's calls only.
TEST(SimHostFaults, KindFaultsCountTheirOwnKind) {
    const LifePlan plan = sweepPlan(Depth8, false, false);
    SimHost counting(pluginPath(Flavour::Plugin64), Flavour::Plugin64);
    runLife(counting, plan);
    ASSERT_GT(counting.callCount(CallKind::TransferRect), 1);

    // The block pass stops at its first failed operation.
    SimHost host(pluginPath(Flavour::Plugin64), Flavour::Plugin64);
    host.addFault(FaultPlan{CallKind::TransferRect, 1, 77});
    const LifeReport report = runLife(host, plan);
    ASSERT_EQ(host.firedFaults().size(), 1u);
    EXPECT_EQ(host.firedFaults()[0].kind, CallKind::TransferRect);
    EXPECT_EQ(report.frameErrs, (std::vector<PF_Err>{77, PF_Err_NONE}));
    EXPECT_EQ(host.callCount(CallKind::TransferRect), 1);
    EXPECT_EQ(host.outstanding(), std::vector<std::string>{});

    SimHost refusing(pluginPath(Flavour::Plugin32), Flavour::Plugin32);
    refusing.refuseSuite(kPFWorldSuite, kPFWorldSuiteVersion2);
    const LifeReport refused = runLife(refusing, plan);
    EXPECT_EQ(refused.frameErrs, (std::vector<PF_Err>{PF_Err_BAD_CALLBACK_PARAM, PF_Err_BAD_CALLBACK_PARAM}));
    EXPECT_EQ(refusing.outstanding(), std::vector<std::string>{});
}

}  // namespace
}  // namespace tilesweep::simhost
