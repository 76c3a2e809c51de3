#include "ParamUiRules.h"

#include "GlobalData.h"
#include "GreyingRules.h"
#include "HostHandles.h"
#include "ParamRegistration.h"
#include "SuiteAccess.h"

namespace tilesweep::plugin {

namespace {

constexpr const A_char* kRuleFailureMessage = "ERROR";

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

    PF_Err sendUpdates(const RawParamValues& values, std::array<PF_ParamDef, kGreyingRuleCount>& copies) {
        for (std::size_t i = 0; i < kGreyingRuleCount; ++i) {
            const GreyingRule& rule = kGreyingRules[i];
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
    std::array<PF_ParamDef, kGreyingRuleCount> copies;
    for (std::size_t i = 0; i < kGreyingRuleCount; ++i) copies[i] = *params[kGreyingRules[i].param];

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
