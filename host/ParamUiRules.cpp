#include "ParamUiRules.h"

#include "GlobalData.h"
#include "HostHandles.h"
#include "ParamChoices.h"
#include "ParamRegistration.h"
#include "SuiteAccess.h"

namespace tilesweep::plugin {

namespace {

constexpr PF_Fixed kFullPercent = 100 * kFixedOne;
constexpr const A_char* kRuleFailureMessage = "ERROR";

// Modes whose blocks do not travel in any direction.
// The item a popup's value word selects.
template <typename Choice>
Choice chosen(const RawParamValues& v) {
    return popupChoice<Choice>(v[ChoiceParam<Choice>::index]);
}

bool directionMatters(const RawParamValues& v) {
    const auto mode = chosen<ModeKind>(v);
    return mode != ModeKind::Still2 && mode != ModeKind::Still3 && mode != ModeKind::Shrink2;
}
bool directionChosenFreely(const RawParamValues& v) {
    return directionMatters(v) && chosen<DependenceKind>(v) == DependenceKind::Off;
}
bool directionSeedUsed(const RawParamValues& v) {
    return directionChosenFreely(v) && (chosen<DirectionKind>(v) == DirectionKind::Random ||
                                        chosen<DirectionModeKind>(v) == DirectionModeKind::Random);
}
bool lineOrder(const RawParamValues& v) {
    return chosen<OrderKind>(v) == OrderKind::Horizontal || chosen<OrderKind>(v) == OrderKind::Vertical;
}
bool pathOrder(const RawParamValues& v) { return chosen<OrderKind>(v) == OrderKind::Path; }
bool perBlockLineOrder(const RawParamValues& v) {
    return lineOrder(v) && chosen<OrderPerKind>(v) == OrderPerKind::Block;
}
bool orderSeedUsed(const RawParamValues& v) {
    // A signed comparison: the host never delivers more than 100 %.
    return pathOrder(v) || v[OrderInsider] < kFullPercent || chosen<OrderKind>(v) == OrderKind::Random ||
           (lineOrder(v) && chosen<PerBlockModeKind>(v) == PerBlockModeKind::Random);
}
bool easingCurveChosen(const RawParamValues& v) {
    return chosen<EasingKind>(v) != EasingKind::Linear && chosen<EasingKind>(v) != EasingKind::Custom;
}
bool customEasing(const RawParamValues& v) { return chosen<EasingKind>(v) == EasingKind::Custom; }
bool blocksStack(const RawParamValues& v) {
    return chosen<ModeKind>(v) == ModeKind::Move2 || chosen<ModeKind>(v) == ModeKind::Move3;
}
bool randomStacking(const RawParamValues& v) { return blocksStack(v) && chosen<ZIndexKind>(v) == ZIndexKind::Random; }

// The selectors of the slots both versions of "PF Param Utils Suite" share.
struct ParamUtils {
    PF_Err (*updateParamUI)(PF_ProgPtr, PF_ParamIndex, const PF_ParamDef*);
    PF_Err (*getCurrentState)(PF_ProgPtr, PF_State*);
    PF_Err (*hasParamChanged)(PF_ProgPtr, const PF_State*, PF_ParamIndex, PF_Boolean*);
};

ParamUtils paramUtils(SuiteHandler& suites, const Flavour& flavour) {
    if (flavour.paramUtilsSuiteVersion == kPFParamUtilsSuiteVersionLegacy) {
        const auto& t = suites.acquire<PF_LegacyParamUtilsSuite1>(kPFParamUtilsSuite, flavour.paramUtilsSuiteVersion);
        return ParamUtils{t.PF_UpdateParamUI, t.PF_GetCurrentState, t.PF_HasParamChanged};
    }
    const auto& t = suites.acquire<PF_ParamUtilsSuite1>(kPFParamUtilsSuite, flavour.paramUtilsSuiteVersion);
    return ParamUtils{t.PF_UpdateParamUI, t.PF_GetCurrentStateObsolete, t.PF_HasParamChangedObsolete};
}

class RulePass {
public:
    RulePass(const Flavour& flavour, PF_InData& in, PF_OutData& out)
        : flavour_(flavour), in_(in), out_(out), suites_(in.pica_basicP) {}

    // Replaces the sequence block with a fresh snapshot when the host reports a
    // change, or when the global data is not yet marked ready.
    PF_Err refreshSnapshot(const GlobalData& global) {
        PF_Err err = PF_Err_NONE;
        bool changed = true;  // nothing to compare with counts as a change
        const PF_Handle stored = in_.sequence_data;
        if (holdsState(stored)) {
            PF_Boolean reported = 0;
            err = utils().hasParamChanged(in_.effect_ref, static_cast<const PF_State*>(handleData(stored)),
                                          PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS, &reported);
            changed = reported != 0;
        }
        if (!changed && global.ready != 0) return err;

        // Both suites first: a missing one must end the pass before a block is made.
        const PF_HandleSuite1& handleTable = handles();
        const ParamUtils& stateTable = utils();
        OwnedHandle fresh(handleTable.host_dispose_handle, in_.utils->host_new_handle(sizeof(PF_State)));
        // No room for a snapshot only means the next pass compares with the old one.
        if (handleData(fresh.get()) == nullptr || err != PF_Err_NONE) return err;
        err = stateTable.getCurrentState(in_.effect_ref, static_cast<PF_State*>(handleData(fresh.get())));
        if (err != PF_Err_NONE) return err;
        if (stored != nullptr) handleTable.host_dispose_handle(stored);
        out_.sequence_data = fresh.handOver();
        in_.sequence_data = out_.sequence_data;
        return PF_Err_NONE;
    }

    PF_Err sendUpdates(const RawParamValues& values, std::array<PF_ParamDef, kUiRuleCount>& copies) {
        for (std::size_t i = 0; i < kUiRuleCount; ++i) {
            const UiRule& rule = kUiRules[i];
            PF_ParamDef& def = copies[i];
            const ParamSpec& entry = paramSpec(rule.param);
            def.param_type = hostParamType(entry.kind);
            if (rule.enabled(values)) {
                def.ui_flags &= ~PF_PUI_DISABLED;
            } else {
                def.ui_flags |= PF_PUI_DISABLED;
            }
            if (!copyParamName(entry.name, in_.utils->ansi.strcpy, def)) return PF_Err_INTERNAL_STRUCT_DAMAGED;
            const PF_Err err = utils().updateParamUI(in_.effect_ref, rule.param, &def);
            if (err != PF_Err_NONE) return err;
        }
        return PF_Err_NONE;
    }

private:
    // A block smaller than a PF_State (the one byte of sequence setup) is never
    // handed to the host as one.
    bool holdsState(PF_Handle handle) {
        return handleData(handle) != nullptr && handles().host_get_handle_size(handle) >= sizeof(PF_State);
    }

    const ParamUtils& utils() {
        if (!utilsAcquired_) {
            utils_ = paramUtils(suites_, flavour_);
            utilsAcquired_ = true;
        }
        return utils_;
    }
    const PF_HandleSuite1& handles() { return handleSuite(suites_, flavour_); }

    const Flavour& flavour_;
    PF_InData& in_;
    PF_OutData& out_;
    SuiteHandler suites_;
    ParamUtils utils_{};
    bool utilsAcquired_ = false;
};

}  // namespace

const std::array<UiRule, kUiRuleCount> kUiRules = {{
    {Direction, directionChosenFreely},
    {DirectionMode, directionChosenFreely},
    {DirectionSeed, directionSeedUsed},
    {OrderPer, lineOrder},
    {OrderPath, pathOrder},
    {DirectionDependenceOnOrder, directionMatters},
    {OrderPerBlockMode, perBlockLineOrder},
    {OrderSeed, orderSeedUsed},
    {EasingMode, easingCurveChosen},
    {EasingKeyframe, customEasing},
    {BlendMode, blocksStack},
    {ZIndex, blocksStack},
    {ZIndexSeed, randomStacking},
}};

RawParamValues currentValues(PF_ParamDef* const params[]) {
    RawParamValues values{};
    for (const ParamSpec& entry : kParamTable) {
        values[static_cast<std::size_t>(entry.index)] = paramValueWord(*params[entry.index], entry.kind);
    }
    return values;
}

PF_Err applyParamUiRules(const Flavour& flavour, PF_InData& in, PF_OutData& out, PF_ParamDef* params[]) {
    RulePass pass(flavour, in, out);
    auto* global = static_cast<GlobalData*>(handleData(in.global_data));
    const RawParamValues values = currentValues(params);
    // The host's own definitions, so that only the disabled bit, the type and the
    // name change when they are sent back.
    std::array<PF_ParamDef, kUiRuleCount> copies;
    for (std::size_t i = 0; i < kUiRuleCount; ++i) copies[i] = *params[kUiRules[i].param];

    PF_Err err = PF_Err_NONE;
    if (global != nullptr) {
        err = pass.refreshSnapshot(*global);
        if (err == PF_Err_NONE) err = pass.sendUpdates(values, copies);
        if (err != PF_Err_NONE) {
            copyBounded(out.return_msg, sizeof(out.return_msg), kRuleFailureMessage);
            out.out_flags = PF_OutFlag_DISPLAY_ERROR_MESSAGE;
        } else {
            global->ready = 1;
        }
    }
    out.out_flags |= PF_OutFlag_REFRESH_UI;
    return err;
}

}  // namespace tilesweep::plugin
