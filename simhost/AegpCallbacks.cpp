// The AEGP suites: registration, the effect, its streams, their values and keyframes.
#include <cstring>

#include "HostCallbacks.h"

namespace tilesweep::simhost {

namespace {

// ---- AEGP suites.

bool knownPlugin(SimHost::Impl& h, AEGP_PluginID id, const char* call) {
    if (h.registrations > 0 && id == h.pluginId) return true;
    h.complain(std::string(call) + " with plug-in id " + std::to_string(id) + ", which the host did not give");
    return false;
}

// The stream's value at a time: linear between keyframes, held outside them, the
// static value without keyframes.
double streamValueAt(SimHost::Impl& h, const Token& stream, double time) {
    const InstanceState& inst = *stream.instance;
    const std::vector<Keyframe>* keys = h.keyframesOf(inst, stream.number);
    const int32_t raw = inst.scene.raw[static_cast<std::size_t>(stream.number)];
    const PF_ParamType type = h.params[static_cast<std::size_t>(stream.number - 1)].def.param_type;
    const bool fixed = type == PF_Param_FIX_SLIDER || type == PF_Param_ANGLE;
    if (keys == nullptr) return fixed ? raw / 65536.0 : raw;
    if (time <= keys->front().time) return keys->front().value;
    if (time >= keys->back().time) return keys->back().value;
    std::size_t b = 1;
    while ((*keys)[b].time <= time) ++b;
    const Keyframe& ka = (*keys)[b - 1];
    const Keyframe& kb = (*keys)[b];
    if (!fixed && type != PF_Param_SLIDER) return ka.value;  // popups, checkboxes and paths hold
    return ka.value + (kb.value - ka.value) * (time - ka.time) / (kb.time - ka.time);
}

// The value record carries the host's token in its last eight bytes, which a
// one-dimensional value does not use.
constexpr std::size_t kValueTokenOffset = 24;

}  // namespace

namespace callbacks {

A_Err registerWithAEGP(AEGP_GlobalRefcon, const A_char* name, AEGP_PluginID* id) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::RegisterWithAEGP)) return *f;
    if (name == nullptr || id == nullptr) {
        h.complain("AEGP_RegisterWithAEGP without a name or a place for the id");
        return A_Err_PARAMETER;
    }
    ++h.registrations;
    h.pluginId = 0x5EED + h.registrations;
    *id = h.pluginId;
    return A_Err_NONE;
}

A_Err getNewEffectForEffect(AEGP_PluginID id, PF_ProgPtr ref, AEGP_EffectRefH* effect) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::GetNewEffectForEffect);
    if (effect != nullptr) *effect = nullptr;
    if (fault) return *fault;
    h.checkEffectRef(ref, "AEGP_GetNewEffectForEffect");
    if (!knownPlugin(h, id, "AEGP_GetNewEffectForEffect")) return A_Err_PARAMETER;
    if (effect == nullptr || h.instance == nullptr) {
        h.complain("AEGP_GetNewEffectForEffect outside an effect instance or without a place for the effect");
        return A_Err_PARAMETER;
    }
    Token& t = h.newToken(TokenKind::Effect);
    t.instance = h.instance;
    *effect = reinterpret_cast<AEGP_EffectRefH>(&t);
    return A_Err_NONE;
}

A_Err disposeEffect(AEGP_EffectRefH effect) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::DisposeEffect);
    Token* t = h.findToken(effect, TokenKind::Effect, "AEGP_DisposeEffect");
    if (t == nullptr) return fault ? *fault : A_Err_PARAMETER;
    t->alive = false;
    return fault ? *fault : A_Err_NONE;
}

A_Err getNewEffectStreamByIndex(AEGP_PluginID id, AEGP_EffectRefH effect, PF_ParamIndex index,
                                AEGP_StreamRefH* stream) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::GetNewEffectStreamByIndex, index);
    if (stream != nullptr) *stream = nullptr;
    if (fault) return *fault;
    if (!knownPlugin(h, id, "AEGP_GetNewEffectStreamByIndex")) return A_Err_PARAMETER;
    Token* e = h.findToken(effect, TokenKind::Effect, "AEGP_GetNewEffectStreamByIndex");
    if (e == nullptr || stream == nullptr) return A_Err_PARAMETER;
    if (index < 1 || index > static_cast<PF_ParamIndex>(h.params.size())) {
        h.complain("AEGP_GetNewEffectStreamByIndex of parameter " + std::to_string(index) + ", which does not exist");
        return A_Err_PARAMETER;
    }
    Token& t = h.newToken(TokenKind::Stream);
    t.parent = e;
    t.instance = e->instance;
    t.number = index;
    *stream = reinterpret_cast<AEGP_StreamRefH>(&t);
    return A_Err_NONE;
}

A_Err disposeStream(AEGP_StreamRefH stream) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::DisposeStream);
    Token* t = h.findToken(stream, TokenKind::Stream, "AEGP_DisposeStream");
    if (t == nullptr) return fault ? *fault : A_Err_PARAMETER;
    t->alive = false;
    return fault ? *fault : A_Err_NONE;
}

A_Err getNewStreamValue(AEGP_PluginID id, AEGP_StreamRefH stream, AEGP_LTimeMode, const A_Time* time, A_Boolean,
                        AEGP_StreamValue* value) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::GetNewStreamValue)) return *f;
    if (!knownPlugin(h, id, "AEGP_GetNewStreamValue")) return A_Err_PARAMETER;
    Token* s = h.findToken(stream, TokenKind::Stream, "AEGP_GetNewStreamValue");
    if (s == nullptr || time == nullptr || value == nullptr || time->scale == 0) {
        if (s != nullptr) h.complain("AEGP_GetNewStreamValue without a time or a place for the value");
        return A_Err_PARAMETER;
    }
    Token& t = h.newToken(TokenKind::StreamValue);
    t.parent = s;
    std::memset(value, 0, sizeof *value);
    value->streamH = stream;
    value->val.one_d = streamValueAt(h, *s, h.sceneTimeExact(time->value, time->scale));
    const Token* address = &t;
    std::memcpy(reinterpret_cast<unsigned char*>(&value->val) + kValueTokenOffset, &address, sizeof address);
    return A_Err_NONE;
}

A_Err disposeStreamValue(AEGP_StreamValue* value) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::DisposeStreamValue);
    if (value == nullptr) {
        h.complain("AEGP_DisposeStreamValue without a value");
        return fault ? *fault : A_Err_PARAMETER;
    }
    const Token* address = nullptr;
    std::memcpy(&address, reinterpret_cast<const unsigned char*>(&value->val) + kValueTokenOffset, sizeof address);
    Token* t = h.findToken(address, TokenKind::StreamValue, "AEGP_DisposeStreamValue");
    if (t == nullptr) return fault ? *fault : A_Err_PARAMETER;
    if (reinterpret_cast<AEGP_StreamRefH>(t->parent) != value->streamH) {
        h.complain("AEGP_DisposeStreamValue of a value whose stream was changed");
    }
    t->alive = false;
    return fault ? *fault : A_Err_NONE;
}

A_Err getStreamNumKFs(AEGP_StreamRefH stream, A_long* count) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::GetStreamNumKFs)) return *f;
    Token* s = h.findToken(stream, TokenKind::Stream, "AEGP_GetStreamNumKFs");
    if (s == nullptr || count == nullptr) return A_Err_PARAMETER;
    const std::vector<Keyframe>* keys = h.keyframesOf(*s->instance, s->number);
    *count = keys == nullptr ? 0 : static_cast<A_long>(keys->size());
    return A_Err_NONE;
}

A_Err getKeyframeTime(AEGP_StreamRefH stream, AEGP_KeyframeIndex index, AEGP_LTimeMode, A_Time* time) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::GetKeyframeTime, index)) return *f;
    Token* s = h.findToken(stream, TokenKind::Stream, "AEGP_GetKeyframeTime");
    if (s == nullptr || time == nullptr) return A_Err_PARAMETER;
    const std::vector<Keyframe>* keys = h.keyframesOf(*s->instance, s->number);
    if (keys == nullptr || index < 0 || static_cast<std::size_t>(index) >= keys->size()) {
        h.complain("AEGP_GetKeyframeTime of keyframe " + std::to_string(index) + ", which the stream does not have");
        return A_Err_PARAMETER;
    }
    time->value = (*keys)[static_cast<std::size_t>(index)].time;
    time->scale = s->instance->scene.timeScale();
    return A_Err_NONE;
}

}  // namespace callbacks

}  // namespace tilesweep::simhost
