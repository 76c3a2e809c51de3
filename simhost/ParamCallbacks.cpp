// Parameters and their UI: the interaction callbacks and "PF Param Utils Suite".
#include <cstring>

#include "HostCallbacks.h"

namespace tilesweep::simhost {

namespace {

constexpr uint32_t kStateMagic = 0x54415453u;  // "STAT"

bool sameParameter(const Snapshot& then, const Snapshot& now, int32_t index) {
    const auto k0 = then.keyframes.find(index);
    const auto k1 = now.keyframes.find(index);
    const bool keyed0 = k0 != then.keyframes.end() && !k0->second.empty();
    const bool keyed1 = k1 != now.keyframes.end() && !k1->second.empty();
    if (keyed0 != keyed1) return false;
    if (keyed0) {
        if (k0->second.size() != k1->second.size()) return false;
        for (std::size_t i = 0; i < k0->second.size(); ++i) {
            if (k0->second[i].time != k1->second[i].time || k0->second[i].value != k1->second[i].value) return false;
        }
        return true;
    }
    return then.raw[static_cast<std::size_t>(index)] == now.raw[static_cast<std::size_t>(index)];
}

PF_Err hasParamChanged(PF_ProgPtr ref, const PF_State* state, PF_ParamIndex index, PF_Boolean* changed,
                       bool honourIndex) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::HasParamChanged, index)) return *f;
    h.checkEffectRef(ref, "PF_HasParamChanged");
    if (h.instance == nullptr || state == nullptr || changed == nullptr) {
        h.complain("PF_HasParamChanged outside an effect instance or without a state or an answer");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    bool differs = true;
    const std::size_t room = h.roomAt(state);
    if (room < sizeof(PF_State)) {
        // Reading the state would run past the plug-in's block.
        h.complain("PF_HasParamChanged given a state in a block of " + std::to_string(room) + " bytes");
    } else {
        uint32_t words[4];
        std::memcpy(words, state, sizeof words);
        const InstanceState& inst = *h.instance;
        if (words[0] == kStateMagic && words[1] == static_cast<uint32_t>(inst.id) &&
            words[2] < inst.snapshots.size() && inst.snapshots[words[2]].hash == words[3]) {
            const Snapshot& then = inst.snapshots[words[2]];
            const Snapshot now = h.snapshotOf(inst);
            differs = false;
            const bool all = !honourIndex || index == PF_ParamIndex_CHECK_ALL ||
                             index == PF_ParamIndex_CHECK_ALL_EXCEPT_LAYER_PARAMS ||
                             index == PF_ParamIndex_CHECK_ALL_HONOR_EXCLUDE;
            if (!all && (index < 0 || index > static_cast<PF_ParamIndex>(h.params.size()))) {
                h.complain("PF_HasParamChanged of parameter " + std::to_string(index) + ", which does not exist");
                return PF_Err_INVALID_INDEX;
            }
            for (int32_t i = 1; i < ParamCount; ++i) {
                if ((all || i == index) && !sameParameter(then, now, i)) differs = true;
            }
        }
    }
    *changed = differs ? 1 : 0;
    return PF_Err_NONE;
}

}  // namespace

namespace callbacks {

// ---- Interaction callbacks.

PF_Err checkoutParam(PF_ProgPtr ref, PF_ParamIndex index, A_long time, A_long, A_u_long scale,
                     PF_ParamDef* param) {
    SimHost::Impl& h = activeHost();
    if (h.frame != nullptr) {
        h.frame->report.checkouts.push_back(index);
        h.frame->report.checkoutTimes.push_back(time);
    }
    if (auto f = h.enter(CallKind::CheckoutParam, index)) return *f;
    h.checkEffectRef(ref, "PF_CHECKOUT_PARAM");
    if (param == nullptr || h.instance == nullptr) {
        h.complain("PF_CHECKOUT_PARAM without a definition to fill or outside an effect instance");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (index < 0 || index > static_cast<PF_ParamIndex>(h.params.size())) {
        h.complain("PF_CHECKOUT_PARAM of parameter " + std::to_string(index) + ", which does not exist");
        return PF_Err_INVALID_INDEX;
    }
    if (h.paramsOut.count(param) != 0) {
        h.complain("PF_CHECKOUT_PARAM into a definition still checked out (parameter " +
                   std::to_string(h.paramsOut[param]) + ")");
    }
    const int32_t at = h.sceneTime(time, scale);
    *param = h.paramDefAt(*h.instance, index, at);
    h.paramsOut[param] = index;
    if (h.frame != nullptr && index > 0 && index < ParamCount) {
        // The host keys the frame by what it handed out.
        const int32_t value = h.instance->scene.rawValuesAt(at)[static_cast<std::size_t>(index)];
        h.frame->cacheKey.append(reinterpret_cast<const char*>(&index), sizeof index);
        h.frame->cacheKey.append(reinterpret_cast<const char*>(&value), sizeof value);
    }
    return PF_Err_NONE;
}

PF_Err checkinParam(PF_ProgPtr ref, PF_ParamDef* param) {
    SimHost::Impl& h = activeHost();
    const auto found = h.paramsOut.find(param);
    const PF_ParamIndex index = found == h.paramsOut.end() ? -1 : found->second;
    if (h.frame != nullptr) h.frame->report.checkins.push_back(index);
    const auto fault = h.enter(CallKind::CheckinParam, index);
    h.checkEffectRef(ref, "PF_CHECKIN_PARAM");
    if (found == h.paramsOut.end()) {
        h.complain("PF_CHECKIN_PARAM of a definition that is not checked out");
        return fault ? *fault : PF_Err_BAD_CALLBACK_PARAM;
    }
    h.paramsOut.erase(found);
    return fault ? *fault : PF_Err_NONE;
}

PF_Err addParam(PF_ProgPtr ref, PF_ParamIndex index, PF_ParamDefPtr def) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::AddParam, def != nullptr ? def->uu.id : -1)) return *f;
    h.checkEffectRef(ref, "PF_ADD_PARAM");
    if (h.command != PF_Cmd_PARAMS_SETUP || def == nullptr) {
        h.complain("PF_ADD_PARAM outside PF_Cmd_PARAMS_SETUP or without a definition");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (index != -1 && index != static_cast<PF_ParamIndex>(h.params.size()) + 1) {
        h.complain("PF_ADD_PARAM at index " + std::to_string(index) + " instead of appending");
    }
    RegisteredParam p;
    p.def = *def;
    if (std::memchr(def->name, '\0', sizeof def->name) == nullptr) {
        h.complain("PF_ADD_PARAM of a name without its terminating zero");
        p.name.assign(def->name, sizeof def->name);
    } else {
        p.name = def->name;
    }
    if (def->param_type == PF_Param_POPUP) {
        if (def->u.pd.u.namesptr != nullptr) p.items = def->u.pd.u.namesptr;
        p.def.u.pd.u.namesptr = nullptr;
    } else if (def->param_type == PF_Param_CHECKBOX) {
        if (def->u.bd.u.nameptr != nullptr) p.checkboxText = def->u.bd.u.nameptr;
        p.def.u.bd.u.nameptr = nullptr;
    }
    h.params.push_back(std::move(p));
    return PF_Err_NONE;
}

PF_Err abortCheck(PF_ProgPtr ref) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::Abort)) return *f;
    h.checkEffectRef(ref, "abort");
    return PF_Err_NONE;
}

PF_Err progress(PF_ProgPtr ref, A_long current, A_long total) {
    SimHost::Impl& h = activeHost();
    if (h.frame != nullptr) ++h.frame->report.progressCalls;
    if (h.progressListener) h.progressListener(current, total);
    if (auto f = h.enter(CallKind::Progress)) return *f;
    h.checkEffectRef(ref, "progress");
    return PF_Err_NONE;
}

// ---- "PF Param Utils Suite" 1 and 2.

PF_Err updateParamUI(PF_ProgPtr ref, PF_ParamIndex index, const PF_ParamDef* def) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::UpdateParamUI, index)) return *f;
    h.checkEffectRef(ref, "PF_UpdateParamUI");
    if (h.instance == nullptr || def == nullptr) {
        h.complain("PF_UpdateParamUI outside an effect instance or without a definition");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (index < 1 || index > static_cast<PF_ParamIndex>(h.params.size())) {
        h.complain("PF_UpdateParamUI of parameter " + std::to_string(index) + ", which does not exist");
        return PF_Err_INVALID_INDEX;
    }
    const RegisteredParam& registered = h.params[static_cast<std::size_t>(index - 1)];
    UiUpdate update{index, def->ui_flags, def->param_type,
                    std::string(def->name, std::find(def->name, def->name + sizeof def->name, '\0'))};
    if (update.type != registered.def.param_type || update.name != registered.name) {
        h.complain("PF_UpdateParamUI of parameter " + std::to_string(index) + " as \"" + update.name + "\" of type " +
                   std::to_string(update.type) + ", registered as \"" + registered.name + "\" of type " +
                   std::to_string(registered.def.param_type));
    }
    h.instance->uiFlags[static_cast<std::size_t>(index)] = def->ui_flags;
    h.instance->updates.push_back(update);
    return PF_Err_NONE;
}

PF_Err getCurrentState(PF_ProgPtr ref, PF_State* state) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::GetCurrentState)) return *f;
    h.checkEffectRef(ref, "PF_GetCurrentState");
    if (h.instance == nullptr || state == nullptr) {
        h.complain("PF_GetCurrentState outside an effect instance or without a state to fill");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (h.roomAt(state) < sizeof(PF_State)) {
        h.complain("PF_GetCurrentState into a block of " + std::to_string(h.roomAt(state)) + " bytes");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    Snapshot snapshot = h.snapshotOf(*h.instance);
    const uint32_t words[4] = {kStateMagic, static_cast<uint32_t>(h.instance->id),
                               static_cast<uint32_t>(h.instance->snapshots.size()), snapshot.hash};
    std::memcpy(state, words, sizeof words);
    h.instance->snapshots.push_back(std::move(snapshot));
    return PF_Err_NONE;
}

PF_Err hasParamChangedIgnoringIndex(PF_ProgPtr ref, const PF_State* state, PF_ParamIndex index, PF_Boolean* changed) {
    return hasParamChanged(ref, state, index, changed, false);
}

PF_Err hasParamChangedByIndex(PF_ProgPtr ref, const PF_State* state, PF_ParamIndex index, PF_Boolean* changed) {
    return hasParamChanged(ref, state, index, changed, true);
}

}  // namespace callbacks

}  // namespace tilesweep::simhost
