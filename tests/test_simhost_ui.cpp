// The greying rules and the parameter-state snapshot, seen from the host's side.
#include <gtest/gtest.h>

#include "SimHostSupport.h"

#include <set>
#include <string>
#include <vector>

#include "SimHost.h"

namespace tilesweep::simhost {
namespace {

using test::pluginPath;
using test::sceneOf;

// The governed parameters in the order the rules send their updates.
const std::vector<PF_ParamIndex> kUpdateOrder = {Direction, DirectionMode, DirectionSeed, OrderPer,
                                                 OrderPath, DirectionDependenceOnOrder, OrderPerBlockMode,
                                                 OrderSeed, EasingMode, EasingKeyframe, BlendMode,
                                                 ZIndex, ZIndexSeed};

// The one fixture of both flavours: a loaded plug-in with one instance.
class UiHost : public test::InstanceHost {
public:
    explicit UiHost(Flavour flavour) : InstanceHost(flavour) {}
    // The ready byte of the global data.
    unsigned char ready() { return host.handleBytes(host.globalData()).at(0); }
};

struct RuleRow {
    std::vector<std::string> values;
    std::set<PF_ParamIndex> greyed;
};

const std::set<PF_ParamIndex> kDefaultGreyed = {DirectionSeed, OrderPath, OrderSeed, EasingKeyframe,
                                                BlendMode, ZIndex, ZIndexSeed};

const std::vector<RuleRow> kRules = {
    {{}, kDefaultGreyed},
    {{"Mode=Shrink2"}, {Direction, DirectionMode, DirectionSeed, DirectionDependenceOnOrder, OrderPath, OrderSeed,
                        EasingKeyframe, BlendMode, ZIndex, ZIndexSeed}},
    {{"Mode=Still2", "Direction=Random"}, {Direction, DirectionMode, DirectionSeed, DirectionDependenceOnOrder,
                                           OrderPath, OrderSeed, EasingKeyframe, BlendMode, ZIndex, ZIndexSeed}},
    {{"Mode=Shrink1"}, kDefaultGreyed},
    {{"Mode=Move1"}, kDefaultGreyed},
    {{"Mode=Move2"}, {DirectionSeed, OrderPath, OrderSeed, EasingKeyframe, ZIndexSeed}},
    {{"Mode=Move3", "Z-index=Random"}, {DirectionSeed, OrderPath, OrderSeed, EasingKeyframe}},
    {{"Mode=Move1", "Z-index=Random"}, kDefaultGreyed},
    {{"Order Insider=100"}, kDefaultGreyed},
    {{"Order Insider=99.9"}, {DirectionSeed, OrderPath, EasingKeyframe, BlendMode, ZIndex, ZIndexSeed}},
    {{"Order=Path"}, {DirectionSeed, OrderPer, OrderPerBlockMode, EasingKeyframe, BlendMode, ZIndex, ZIndexSeed}},
    {{"Order=Vertical", "Order Per=Row2"}, {DirectionSeed, OrderPerBlockMode, OrderPath, OrderSeed, EasingKeyframe,
                                            BlendMode, ZIndex, ZIndexSeed}},
    {{"Order=Clockwise"}, {DirectionSeed, OrderPer, OrderPerBlockMode, OrderPath, OrderSeed, EasingKeyframe,
                           BlendMode, ZIndex, ZIndexSeed}},
    {{"Order=Random"}, {DirectionSeed, OrderPer, OrderPerBlockMode, OrderPath, EasingKeyframe, BlendMode, ZIndex,
                        ZIndexSeed}},
    // A greyed-out "Order Per Block Mode" still counts.
    {{"Order Per=Row1", "Order Per Block Mode=Random"}, {DirectionSeed, OrderPerBlockMode, OrderPath,
                                                         EasingKeyframe, BlendMode, ZIndex, ZIndexSeed}},
    {{"Order=Clockwise", "Order Per Block Mode=Random"}, {DirectionSeed, OrderPer, OrderPerBlockMode, OrderPath,
                                                          OrderSeed, EasingKeyframe, BlendMode, ZIndex,
                                                          ZIndexSeed}},
    {{"Easing=Linear"}, {DirectionSeed, OrderPath, OrderSeed, EasingMode, EasingKeyframe, BlendMode, ZIndex,
                         ZIndexSeed}},
    {{"Easing=Custom"}, {DirectionSeed, OrderPath, OrderSeed, EasingMode, BlendMode, ZIndex, ZIndexSeed}},
    {{"Direction Dependence On Order=Normal", "Direction=Random"},
     {Direction, DirectionMode, DirectionSeed, OrderPath, OrderSeed, EasingKeyframe, BlendMode, ZIndex, ZIndexSeed}},
    {{"Direction=Random"}, {OrderPath, OrderSeed, EasingKeyframe, BlendMode, ZIndex, ZIndexSeed}},
    {{"Direction Mode=Random"}, {OrderPath, OrderSeed, EasingKeyframe, BlendMode, ZIndex, ZIndexSeed}},
};

TEST(SimHostUi, GreyingRulesReachTheHost) {
    for (Flavour flavour : {Flavour::Plugin64, Flavour::Plugin32}) {
        UiHost ui(flavour);
        for (const RuleRow& row : kRules) {
            SCOPED_TRACE(testing::PrintToString(row.values));
            const std::size_t before = ui.host.uiUpdates(ui.instance).size();
            EXPECT_EQ(ui.host.updateParamsUi(ui.instance, sceneOf(row.values)), PF_Err_NONE);
            EXPECT_EQ(ui.host.lastCommand().outFlags, PF_OutFlag_REFRESH_UI);
            const std::array<bool, ParamCount> greyed = ui.host.greyedOut(ui.instance);
            for (int32_t i = 0; i < ParamCount; ++i) {
                EXPECT_EQ(greyed[static_cast<std::size_t>(i)], row.greyed.count(i) != 0) << "parameter " << i;
            }
            // Every pass sends all thirteen updates, in the rules' order.
            const std::vector<UiUpdate>& updates = ui.host.uiUpdates(ui.instance);
            ASSERT_EQ(updates.size() - before, kUpdateOrder.size());
            for (std::size_t k = 0; k < kUpdateOrder.size(); ++k) {
                EXPECT_EQ(updates[before + k].index, kUpdateOrder[k]);
            }
        }
        // The same rules answer a change the user made.
        EXPECT_EQ(ui.host.userChangedParam(ui.instance, sceneOf({"Mode=Move3", "Z-index=Random"}), Mode),
                  PF_Err_NONE);
        EXPECT_FALSE(ui.host.greyedOut(ui.instance)[ZIndexSeed]);
        ui.finish();
    }
}

TEST(SimHostUi, SnapshotIsReplacedOnlyWhenTheHostReportsAChange) {
    struct Pass {
        const char* name;
        Scene scene;
        bool replaced;
    };
    const std::vector<Pass> passes = {
        {"first pass", sceneOf({}), true},
        {"nothing changed", sceneOf({}), false},
        {"a value changed", sceneOf({"Completion=12"}), true},
        {"again unchanged", sceneOf({"Completion=12"}), false},
        {"a keyframe added", sceneOf({"Completion=12"}, {"Easing Keyframe=3:50"}), true},
        {"a greyed parameter changed", sceneOf({"Completion=12", "Order Seed=9"}, {"Easing Keyframe=3:50"}), true},
    };
    for (Flavour flavour : {Flavour::Plugin64, Flavour::Plugin32}) {
        UiHost ui(flavour);
        for (const Pass& pass : passes) {
            SCOPED_TRACE(pass.name);
            const PF_Handle before = ui.host.sequenceData(ui.instance);
            EXPECT_EQ(ui.host.updateParamsUi(ui.instance, pass.scene), PF_Err_NONE);
            const PF_Handle after = ui.host.sequenceData(ui.instance);
            EXPECT_EQ(after != before, pass.replaced);
            EXPECT_EQ(ui.host.handleBytes(after).size(), sizeof(PF_State));
            if (pass.replaced) {
                EXPECT_TRUE(ui.host.handleBytes(before).empty()) << "the old block is freed";
            }
            EXPECT_EQ(ui.ready(), 1);
        }
        ui.finish();
    }
}

// Failures of the rules' host calls, each in a pass after a first one that stored a
// snapshot.
TEST(SimHostUi, FailedRuleCallsEndThePassWithERROR) {
    struct Row {
        const char* name;
        CallKind kind;
        int64_t nth;  // within the second pass
        PF_Err err;
        std::size_t updatesSent;
        bool snapshotReplaced;
    };
    const Row rows[] = {
        {"change test refused", CallKind::HasParamChanged, 1, 61, 0, false},
        {"snapshot refused", CallKind::GetCurrentState, 1, 62, 0, false},
        {"update of Order Per refused", CallKind::UpdateParamUI, 4, 63, 3, true},
        {"last update refused", CallKind::UpdateParamUI, 13, 64, 12, true},
        {"no memory for the snapshot", CallKind::NewHandle, 1, PF_Err_NONE, 13, false},
    };
    for (Flavour flavour : {Flavour::Plugin64, Flavour::Plugin32}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            UiHost ui(flavour);
            ASSERT_EQ(ui.host.updateParamsUi(ui.instance, sceneOf({})), PF_Err_NONE);
            const PF_Handle before = ui.host.sequenceData(ui.instance);
            const std::size_t updatesBefore = ui.host.uiUpdates(ui.instance).size();
            ui.host.addFault(FaultPlan{row.kind, row.nth, row.err});
            EXPECT_EQ(ui.host.updateParamsUi(ui.instance, sceneOf({"Mode=Move2"})), row.err);
            ASSERT_EQ(ui.host.firedFaults().size(), 1u);
            const CommandResult& result = ui.host.lastCommand();
            EXPECT_EQ(result.returnMsg, row.err != PF_Err_NONE ? "ERROR" : "");
            EXPECT_EQ(result.outFlags, row.err != PF_Err_NONE ? 0x20100 : PF_OutFlag_REFRESH_UI);
            EXPECT_EQ(ui.host.uiUpdates(ui.instance).size() - updatesBefore, row.updatesSent);
            EXPECT_EQ(ui.host.sequenceData(ui.instance) != before, row.snapshotReplaced);
            EXPECT_EQ(ui.ready(), 1);
            ui.finish();
        }
    }
}

}  // namespace
}  // namespace tilesweep::simhost
