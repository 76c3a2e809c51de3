#include "Dispatch.h"

#include "GlobalData.h"
#include "ParamRegistration.h"
#include "ParamUiRules.h"
#include "SmartPreRender.h"
#include "SmartRender.h"

namespace tilesweep::plugin {

namespace {

bool hasParams(PF_ParamDef* params[]) {
    if (params == nullptr) return false;
    for (int32_t i = 0; i < ParamCount; ++i) {
        if (params[i] == nullptr) return false;
    }
    return true;
}

// A host that leaves out what a handler reads gets the host's own code for a bad
// argument rather than a crash.
PF_Err runHandler(Handler handler, const Flavour& flavour, PF_InData& in, PF_OutData& out, PF_ParamDef* params[],
                  void* extra) {
    switch (handler) {
        case Handler::None:
            return PF_Err_NONE;
        case Handler::About:
            return showAbout(flavour, in, out);
        case Handler::GlobalSetup:
            return globalSetup(flavour, in, out);
        case Handler::GlobalSetdown:
            return globalSetdown(flavour, in);
        case Handler::RegisterParams:
            return registerParams(in, out);
        case Handler::SequenceSetup:
            return sequenceSetup(flavour, in, out);
        case Handler::SequenceSetdown:
            return sequenceSetdown(flavour, in);
        case Handler::ParamUiRules:
            if (!hasParams(params)) return PF_Err_BAD_CALLBACK_PARAM;
            return applyParamUiRules(flavour, in, out, params);
        case Handler::GeneralText:
            return showGeneralText(in, out, extra);
        case Handler::SmartPreRender:
            if (extra == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
            return smartPreRender(flavour, in, *static_cast<PF_PreRenderExtra*>(extra));
        case Handler::SmartRender:
            if (extra == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
            return smartRender(flavour, in, out, *static_cast<PF_SmartRenderExtra*>(extra));
    }
    return PF_Err_NONE;
}

}  // namespace

Handler handlerFor(const Flavour& flavour, PF_Cmd cmd) {
    switch (cmd) {
        case PF_Cmd_ABOUT: return Handler::About;
        case PF_Cmd_GLOBAL_SETUP: return Handler::GlobalSetup;
        case PF_Cmd_GLOBAL_SETDOWN: return flavour.handlesGlobalSetdown ? Handler::GlobalSetdown : Handler::None;
        case PF_Cmd_PARAMS_SETUP: return Handler::RegisterParams;
        case PF_Cmd_SEQUENCE_SETUP:
        case PF_Cmd_SEQUENCE_RESETUP: return Handler::SequenceSetup;
        case PF_Cmd_SEQUENCE_SETDOWN: return Handler::SequenceSetdown;
        // Nothing is supervised, so a changed parameter gets the same pass as an update.
        case PF_Cmd_USER_CHANGED_PARAM:
        case PF_Cmd_UPDATE_PARAMS_UI: return Handler::ParamUiRules;
        case PF_Cmd_COMPLETELY_GENERAL: return flavour.handlesCompletelyGeneral ? Handler::GeneralText : Handler::None;
        case PF_Cmd_SMART_PRE_RENDER: return Handler::SmartPreRender;
        case PF_Cmd_SMART_RENDER: return Handler::SmartRender;
        default: return Handler::None;
    }
}

PF_Err caughtFailureCode(const Flavour& flavour, PF_Err thrown) {
    return flavour.returnsThrownCode ? thrown : PF_Err_INTERNAL_STRUCT_DAMAGED;
}

PF_Err dispatchCommand(const Flavour& flavour, PF_Cmd cmd, PF_InData* in_data, PF_OutData* out_data,
                       PF_ParamDef* params[], void* extra) noexcept {
    const Handler handler = handlerFor(flavour, cmd);
    // Commands the effect leaves alone touch nothing, not even the records.
    if (handler == Handler::None) return PF_Err_NONE;
    if (in_data == nullptr || out_data == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    try {
        return runHandler(handler, flavour, *in_data, *out_data, params, extra);
    } catch (PF_Err thrown) {
        return caughtFailureCode(flavour, thrown);
    } catch (...) {
        return PF_Err_INTERNAL_STRUCT_DAMAGED;
    }
}

}  // namespace tilesweep::plugin
