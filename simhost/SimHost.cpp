#include "SimHost.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "SimHostImpl.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace tilesweep::simhost {

namespace {

constexpr int32_t kFrameTicks = 100;  // hundredths of a frame, as Scene counts time
// Bigger blocks are refused as a host out of memory would refuse them.
constexpr std::size_t kLargestHandle = std::size_t{1} << 30;

const char* const kKindNames[kCallKindCount] = {
    "AcquireSuite",          "ReleaseSuite",
    "host_new_handle",       "host_lock_handle",
    "host_unlock_handle",    "host_dispose_handle",
    "host_get_handle_size",  "host_resize_handle",
    "PF_ADD_PARAM",          "PF_CHECKOUT_PARAM",
    "PF_CHECKIN_PARAM",      "abort",
    "progress",              "copy",
    "fill",                  "transfer_rect",
    "ANSI",                  "checkout_layer",
    "checkout_layer_pixels", "checkin_layer_pixels",
    "checkout_output",       "PF_UpdateParamUI",
    "PF_GetCurrentState",    "PF_HasParamChanged",
    "PF_GetPixelFormat",     "PF_NewWorld",
    "PF_DisposeWorld",       "PF_CheckoutPath",
    "PF_CheckinPath",        "PF_PathNumSegments",
    "PF_PathPrepareSegLength", "PF_PathGetSegLength",
    "PF_PathEvalSegLength",  "PF_PathCleanupSegLength",
    "AEGP_RegisterWithAEGP", "AEGP_GetNewEffectForEffect",
    "AEGP_GetNewEffectStreamByIndex", "AEGP_DisposeStream",
    "AEGP_GetNewStreamValue", "AEGP_DisposeStreamValue",
    "AEGP_GetStreamNumKFs",  "AEGP_GetKeyframeTime",
    "AEGP_DisposeEffect",    "GuidMixInPtr",
};

void* loadLibrary(const std::string& path) {
#if defined(_WIN32)
    return reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
#else
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
#endif
}

SimHost::EntryPoint findEntryPoint(void* library) {
    SimHost::EntryPoint entry = nullptr;
#if defined(_WIN32)
    FARPROC symbol = GetProcAddress(static_cast<HMODULE>(library), "EntryPointFunc");
#else
    void* symbol = dlsym(library, "EntryPointFunc");
#endif
    static_assert(sizeof symbol == sizeof entry, "a symbol address holds a function pointer");
    std::memcpy(&entry, &symbol, sizeof entry);
    return entry;
}

void closeLibrary(void* library) {
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(library));
#else
    dlclose(library);
#endif
}

std::string loadError() {
#if defined(_WIN32)
    return "error " + std::to_string(GetLastError());
#else
    const char* text = dlerror();
    return text != nullptr ? text : "unknown error";
#endif
}

#if AE_HOST_LAYOUT_32
PF_Rect hostRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    return PF_Rect{static_cast<A_short>(top), static_cast<A_short>(left), static_cast<A_short>(bottom),
                   static_cast<A_short>(right)};
}
#else
PF_Rect hostRect(int32_t left, int32_t top, int32_t right, int32_t bottom) { return PF_Rect{left, top, right, bottom}; }
#endif

// Bytes the host puts where a world's owner must not write, and into output pixels
// before the plug-in draws them.
constexpr unsigned char kPaddingByte = 0xA5;
constexpr unsigned char kUndrawnByte = 0xCD;
// Rows of the host's own worlds are padded, as a real host pads them.
constexpr int32_t kWorldPaddingPixels = 3;

void describeWorld(PF_EffectWorld& world, PixelBuffer& image, bool writeable) {
    world = PF_EffectWorld{};
    world.world_flags = (image.depth() == Depth16 ? PF_WorldFlag_DEEP : 0) | (writeable ? PF_WorldFlag_WRITEABLE : 0);
    world.data = reinterpret_cast<PF_PixelPtr>(image.data());
    world.rowbytes = image.rowBytes();
    world.width = image.width();
    world.height = image.height();
    world.extent_hint = hostRect(0, 0, image.width(), image.height());
#if !AE_HOST_LAYOUT_32
    world.pix_aspect_ratio = PF_RationalScale{1, 1};
#endif
}

A_short bitsPerChannel(PixelDepth depth) {
    switch (depth) {
        case Depth8: return 8;
        case Depth16: return 16;
        case Depth32f: return 32;
    }
    return 8;
}

bool emptyRect(const PF_LRect& r) { return r.left >= r.right || r.top >= r.bottom; }

PF_LRect overlap(const PF_LRect& a, const PF_LRect& b) {
    return PF_LRect{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                    std::min(a.bottom, b.bottom)};
}

// The first reduced pixel at or past full-resolution coordinate `edge`.
int32_t reducedEdge(int32_t edge, int32_t factor) {
    const int64_t e = edge;
    return static_cast<int32_t>(e >= 0 ? (e + factor - 1) / factor : -((-e) / factor));
}

// The buffer as a viewer at reduced resolution gets it: every factor-th pixel of the
// layer, counted from the layer's corner.
PixelBuffer subsample(const PixelBuffer& buffer, const PF_LRect& reduced, int32_t bufferLeft, int32_t bufferTop,
                      int32_t factorX, int32_t factorY) {
    PixelBuffer out(buffer.depth(), reduced.right - reduced.left, reduced.bottom - reduced.top);
    for (int32_t y = 0; y < out.height(); ++y) {
        const int32_t fromY = (reduced.top + y) * factorY - bufferTop;
        for (int32_t x = 0; x < out.width(); ++x) {
            copyPixels(buffer, (reduced.left + x) * factorX - bufferLeft, fromY, out, x, y, 1, 1);
        }
    }
    return out;
}

uint32_t fnv1a(uint32_t hash, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
    return hash;
}

void appendBytes(std::string& key, const void* data, std::size_t size) {
    key.append(static_cast<const char*>(data), size);
}

// What identifies a frame apart from what the pre-render checked out and mixed in.
std::string frameKey(InstanceId id, int32_t time, const FrameOptions& options, const PF_LRect& request,
                     const PixelBuffer& input, const PF_LRect& result) {
    std::string key;
    for (int32_t word : {id, time, options.downsampleX, options.downsampleY, options.bufferLeft, options.bufferTop,
                         options.layerWidth, options.layerHeight, request.left, request.top, request.right,
                         request.bottom, result.left, result.top, result.right, result.bottom,
                         static_cast<int32_t>(input.depth()), input.width(), input.height()}) {
        appendBytes(key, &word, sizeof word);
    }
    const uint32_t pixels = fnv1a(2166136261u, input.bytes().data(), input.bytes().size());
    appendBytes(key, &pixels, sizeof pixels);
    return key;
}

std::string handleLabel(const Token& t) {
    return "handle of " + std::to_string(t.size) + " bytes made during " + commandName(t.madeIn);
}

}  // namespace

const char* callKindName(CallKind kind) {
    const auto i = static_cast<std::size_t>(kind);
    return i < kCallKindCount ? kKindNames[i] : "?";
}

bool canFail(CallKind kind) {
    switch (kind) {
        case CallKind::UnlockHandle:
        case CallKind::DisposeHandle:
        case CallKind::GetHandleSize:
        case CallKind::Ansi:
        case CallKind::Count: return false;
        default: return true;
    }
}

const char* commandName(PF_Cmd cmd) {
    switch (cmd) {
        case PF_Cmd_ABOUT: return "PF_Cmd_ABOUT";
        case PF_Cmd_GLOBAL_SETUP: return "PF_Cmd_GLOBAL_SETUP";
        case PF_Cmd_GLOBAL_SETDOWN: return "PF_Cmd_GLOBAL_SETDOWN";
        case PF_Cmd_PARAMS_SETUP: return "PF_Cmd_PARAMS_SETUP";
        case PF_Cmd_SEQUENCE_SETUP: return "PF_Cmd_SEQUENCE_SETUP";
        case PF_Cmd_SEQUENCE_RESETUP: return "PF_Cmd_SEQUENCE_RESETUP";
        case PF_Cmd_SEQUENCE_FLATTEN: return "PF_Cmd_SEQUENCE_FLATTEN";
        case PF_Cmd_SEQUENCE_SETDOWN: return "PF_Cmd_SEQUENCE_SETDOWN";
        case PF_Cmd_RENDER: return "PF_Cmd_RENDER";
        case PF_Cmd_USER_CHANGED_PARAM: return "PF_Cmd_USER_CHANGED_PARAM";
        case PF_Cmd_UPDATE_PARAMS_UI: return "PF_Cmd_UPDATE_PARAMS_UI";
        case PF_Cmd_COMPLETELY_GENERAL: return "PF_Cmd_COMPLETELY_GENERAL";
        case PF_Cmd_SMART_PRE_RENDER: return "PF_Cmd_SMART_PRE_RENDER";
        case PF_Cmd_SMART_RENDER: return "PF_Cmd_SMART_RENDER";
        case -1: return "the host's disposal of frame data";
        default: return "an unnamed command";
    }
}

// ---------------------------------------------------------------- Impl: bookkeeping

SimHost::Impl::Impl(SimHost::EntryPoint entryPoint, Flavour hostFlavour) : entry(entryPoint), flavour(hostFlavour) {
    fillUtilCallbacks(utils);
}

SimHost::Impl::~Impl() {
    for (Token& t : tokens) {
        if (t.kind == TokenKind::Handle && t.alive) std::free(t.master);
    }
}

std::optional<int32_t> SimHost::Impl::enter(CallKind kind, int32_t detail, const char* suite, A_long version) {
    ++counts[static_cast<std::size_t>(kind)];
    auto record = [&] {
        return CallRecord{kind, command, command == -1 ? -1 : static_cast<int32_t>(log.size()), detail,
                          suite != nullptr ? std::string(suite) + " " + std::to_string(version) : std::string()};
    };
    if (tracing) trace.push_back(record());
    if (!canFail(kind)) return std::nullopt;
    ++failable;
    for (ArmedFault& f : faults) {
        if (f.plan.kind && *f.plan.kind != kind) continue;
        if (++f.seen == f.plan.n) {
            fired.push_back(record());
            return f.plan.code;
        }
    }
    return std::nullopt;
}

void SimHost::Impl::complain(const std::string& text) {
    complaints.push_back(std::string(commandName(command)) + ": " + text);
}

bool SimHost::Impl::checkEffectRef(PF_ProgPtr ref, const char* call, bool mayBeNull) {
    if (ref == effectRef || (mayBeNull && ref == nullptr)) return true;
    complain(std::string(call) + " was given an effect_ref that is not the command's");
    return false;
}

Token& SimHost::Impl::newToken(TokenKind kind) {
    tokens.emplace_back();
    Token& t = tokens.back();
    t.kind = kind;
    t.madeIn = command;
    tokenAt[&t] = &t;
    return t;
}

Token* SimHost::Impl::findToken(const void* address, TokenKind kind, const char* call, bool complainIfMissing) {
    const auto found = tokenAt.find(address);
    if (found == tokenAt.end() || found->second->kind != kind) {
        if (complainIfMissing) complain(std::string(call) + " of something the host never handed out");
        return nullptr;
    }
    if (!found->second->alive) {
        if (complainIfMissing) complain(std::string(call) + " of something already given back");
        return nullptr;
    }
    return found->second;
}

PF_Handle SimHost::Impl::makeHandle(std::size_t size) {
    if (size > kLargestHandle) return nullptr;
    // A block of exactly the size asked for, so that a sanitizer sees any overrun.
    void* block = std::malloc(size);
    if (block == nullptr && size == 0) block = std::malloc(1);
    if (block == nullptr) return nullptr;
    Token& t = newToken(TokenKind::Handle);
    t.master = block;
    t.size = size;
    return reinterpret_cast<PF_Handle>(&t.master);
}

void SimHost::Impl::freeHandle(Token& token) {
    std::free(token.master);
    token.master = nullptr;
    token.alive = false;
}

void SimHost::Impl::reclaim(PF_Handle handle) {
    Token* t = findToken(handle, TokenKind::Handle, "", false);
    if (t != nullptr) freeHandle(*t);
}

std::size_t SimHost::Impl::roomAt(const void* address) const {
    const auto* p = static_cast<const char*>(address);
    const char* msg = out.return_msg;
    if (p >= msg && p < msg + sizeof out.return_msg) return static_cast<std::size_t>(msg + sizeof out.return_msg - p);
    for (const Token& t : tokens) {
        if (t.kind != TokenKind::Handle || !t.alive) continue;
        const auto* begin = static_cast<const char*>(t.master);
        if (p >= begin && p < begin + std::max<std::size_t>(t.size, 1)) {
            return static_cast<std::size_t>(begin + t.size - p);
        }
    }
    return SIZE_MAX;
}

int32_t SimHost::Impl::sceneTime(A_long value, A_u_long scale) const {
    return static_cast<int32_t>(std::llround(sceneTimeExact(value, scale)));
}

double SimHost::Impl::sceneTimeExact(A_long value, A_u_long scale) const {
    const uint32_t sceneScale = instance != nullptr ? instance->scene.timeScale() : scale;
    if (scale == sceneScale || scale == 0) return value;
    return static_cast<double>(value) * sceneScale / scale;
}

const std::vector<Keyframe>* SimHost::Impl::keyframesOf(const InstanceState& inst, int32_t parameter) const {
    const auto found = inst.scene.keyframes.find(parameter);
    return found == inst.scene.keyframes.end() || found->second.empty() ? nullptr : &found->second;
}

Snapshot SimHost::Impl::snapshotOf(const InstanceState& inst) const {
    Snapshot s;
    s.raw = inst.scene.raw;
    s.keyframes = inst.scene.keyframes;
    uint32_t hash = fnv1a(2166136261u, s.raw.data(), sizeof s.raw);
    for (const auto& [index, keys] : s.keyframes) {
        hash = fnv1a(hash, &index, sizeof index);
        for (const Keyframe& k : keys) {
            hash = fnv1a(hash, &k.time, sizeof k.time);
            hash = fnv1a(hash, &k.value, sizeof k.value);
        }
    }
    s.hash = hash;
    return s;
}

// ---------------------------------------------------------------- Impl: commands

void SimHost::Impl::prepareInData(InstanceState* inst) {
    std::memset(&in, 0, sizeof in);
    in.inter = interactCallbacks();
    in.utils = &utils;
    in.effect_ref = effectRef;
    in.quality = PF_Quality_HI;
    in.version.major = static_cast<A_short>(PF_PLUG_IN_VERSION);
    in.version.minor = static_cast<A_short>(PF_PLUG_IN_SUBVERS);
    in.appl_id = 0x46585443;  // 'FXTC'
    in.num_params = params.empty() ? 1 : static_cast<A_long>(params.size()) + 1;
    in.time_step = kFrameTicks;
    in.local_time_step = kFrameTicks;
    in.total_time = 100 * kFrameTicks;
    in.time_scale = 3000;
    in.field = PF_Field_FRAME;
    in.downsample_x = frame != nullptr ? frame->downsampleX : PF_RationalScale{1, 1};
    in.downsample_y = frame != nullptr ? frame->downsampleY : PF_RationalScale{1, 1};
    in.pixel_aspect_ratio = PF_RationalScale{1, 1};
    in.global_data = global;
    in.pica_basicP = basicSuite();
    if (inst != nullptr) {
        in.current_time = inst->time;
        in.time_scale = inst->scene.timeScale();
        in.width = inst->layerWidth;
        in.height = inst->layerHeight;
        in.extent_hint = hostRect(0, 0, inst->layerWidth, inst->layerHeight);
        in.sequence_data = inst->sequenceData;
    }
}

PF_ParamDef SimHost::Impl::paramDefAt(const InstanceState& inst, PF_ParamIndex index, int32_t time) const {
    PF_ParamDef d{};
    if (index == 0) {
        d.param_type = PF_Param_LAYER;
        d.u.ld.width = inst.layerWidth;
        d.u.ld.height = inst.layerHeight;
        return d;
    }
    const RegisteredParam& p = params[static_cast<std::size_t>(index - 1)];
    d = p.def;
    d.ui_flags = inst.uiFlags[static_cast<std::size_t>(index)];
    const int32_t value = index < ParamCount ? inst.scene.rawValuesAt(time)[static_cast<std::size_t>(index)] : 0;
    switch (d.param_type) {
        case PF_Param_SLIDER: d.u.sd.value = value; break;
        case PF_Param_FIX_SLIDER: d.u.fd.value = value; break;
        case PF_Param_ANGLE: d.u.ad.value = value; break;
        case PF_Param_CHECKBOX:
            d.u.bd.value = value;
            d.u.bd.u.nameptr = p.checkboxText.c_str();
            break;
        case PF_Param_POPUP:
            d.u.pd.value = value;
            d.u.pd.u.namesptr = p.items.c_str();
            break;
        case PF_Param_PATH: d.u.path_d.path_id = static_cast<PF_PathID>(value); break;
        default: break;
    }
    return d;
}

PF_ParamDef** SimHost::Impl::paramArray(InstanceState* inst) {
    const std::size_t count = std::min<std::size_t>(params.size() + 1, ParamCount);
    for (std::size_t i = 0; i < ParamCount; ++i) {
        paramDefs[i] = i < count && inst != nullptr ? paramDefAt(*inst, static_cast<PF_ParamIndex>(i), inst->time)
                                                   : PF_ParamDef{};
        paramPointers[i] = &paramDefs[i];
    }
    if (inst == nullptr) paramDefs[0].param_type = PF_Param_LAYER;
    return paramPointers.data();
}

PF_Err SimHost::Impl::run(PF_Cmd cmd, InstanceState* inst, PF_ParamDef** paramList, void* extra) {
    if (unloaded) throw std::logic_error("the plug-in has been unloaded");
    command = cmd;
    instance = inst;
    effectRef = inst != nullptr ? reinterpret_cast<PF_ProgPtr>(inst) : reinterpret_cast<PF_ProgPtr>(&hostEffectTag);
    prepareInData(inst);
    std::memset(&out, 0, sizeof out);
    // Data the plug-in does not replace stays as it was.
    out.global_data = global;
    out.sequence_data = inst != nullptr ? inst->sequenceData : nullptr;
    std::memset(&outputLayer, 0, sizeof outputLayer);
    const bool smart = cmd == PF_Cmd_SMART_PRE_RENDER || cmd == PF_Cmd_SMART_RENDER;

    PF_Err err = PF_Err_NONE;
    {
        ActiveScope scope(this);
        try {
            err = entry(cmd, &in, &out, paramList, smart ? nullptr : &outputLayer, extra);
        } catch (...) {
            complain("an exception escaped EntryPointFunc");
            err = PF_Err_INTERNAL_STRUCT_DAMAGED;
        }
    }
    endCommand();

    CommandResult result;
    result.cmd = cmd;
    result.err = err;
    const char* msgEnd = std::find(out.return_msg, out.return_msg + sizeof out.return_msg, '\0');
    if (msgEnd == out.return_msg + sizeof out.return_msg) complain("return_msg is not terminated");
    result.returnMsg.assign(static_cast<const char*>(out.return_msg), msgEnd);
    result.outFlags = out.out_flags;
    result.outFlags2 = out.out_flags2;
    result.myVersion = out.my_version;
    result.numParams = out.num_params;
    result.globalData = out.global_data;
    result.sequenceData = out.sequence_data;
    result.sequenceDataIn = in.sequence_data;
    log.push_back(result);
    return err;
}

// What a command obtained for its own use must be given back before it returns.
void SimHost::Impl::endCommand() {
    const std::string during = std::string(" during ") + commandName(command);
    for (const auto& [suite, count] : suitesHeld) {
        leftovers.push_back("suite \"" + suite.first + "\" " + std::to_string(suite.second) + " acquired " +
                            std::to_string(count) + " time(s) more than released" + during);
    }
    suitesHeld.clear();
    for (const auto& [def, index] : paramsOut) {
        (void)def;
        leftovers.push_back("parameter " + std::to_string(index) + " checked out and not checked in" + during);
    }
    paramsOut.clear();
    static const char* const kNames[] = {"handle", "path", "path segment preparation", "AEGP effect", "AEGP stream",
                                         "AEGP stream value"};
    for (Token& t : tokens) {
        if (t.kind == TokenKind::Handle || !t.alive) continue;
        leftovers.push_back(std::string(kNames[static_cast<int>(t.kind)]) + " not given back" + during);
        t.alive = false;
    }
    if (frame != nullptr) {
        for (HostWorld& w : frame->scratchWorlds) {
            if (!w.alive) continue;
            leftovers.push_back("world of " + std::to_string(w.world.width) + " x " + std::to_string(w.world.height) +
                                " not given back" + during);
            w.alive = false;
        }
    }
    command = -1;
    instance = nullptr;
    effectRef = nullptr;
}

InstanceState* SimHost::Impl::instanceFor(InstanceId id, const char* what) {
    if (id < 0 || static_cast<std::size_t>(id) >= instances.size() || !instances[static_cast<std::size_t>(id)].alive) {
        throw std::logic_error(std::string(what) + " of an instance that does not exist");
    }
    return &instances[static_cast<std::size_t>(id)];
}

bool SimHost::Impl::hostOwnsGlobal() const {
    return setdownSent && (flavour == Flavour::Plugin32 || setdownErr != PF_Err_NONE);
}

void SimHost::Impl::disposePreRenderData(PF_PreRenderOutput& output) {
    if (output.pre_render_data == nullptr) return;
    if (output.delete_pre_render_data_func == nullptr) {
        complain("pre-render data handed over without a disposer");
        return;
    }
    const PF_Cmd previous = command;
    command = -1;
    {
        ActiveScope scope(this);
        output.delete_pre_render_data_func(output.pre_render_data);
    }
    command = previous;
    if (frame != nullptr) frame->report.disposerCalled = true;
    output.pre_render_data = nullptr;
}

HostWorld* SimHost::Impl::worldOf(const PF_EffectWorld* world) {
    if (frame == nullptr || world == nullptr) return nullptr;
    for (auto& [id, w] : frame->inputWorlds) {
        if (world == &w->world) return w.get();
    }
    if (frame->outputWorld != nullptr && world == &frame->outputWorld->world) return frame->outputWorld.get();
    // Worlds the plug-in made live in its own records: known by their pixels.
    for (HostWorld& w : frame->scratchWorlds) {
        if (w.alive && world->data != nullptr && world->data == w.world.data) return &w;
    }
    return nullptr;
}

// A world over `rect` of the layer: the caller's image (which covers `imageRect`)
// itself when it covers all of it, else pixels of the world's own (the input's
// copied in, the output's undrawn).
std::unique_ptr<HostWorld> SimHost::Impl::makeLayerWorld(PixelBuffer& image, const PF_LRect& imageRect,
                                                         const PF_LRect& rect, bool writeable) {
    auto w = std::make_unique<HostWorld>();
    w->rect = rect;
    if (rect.left == imageRect.left && rect.top == imageRect.top && rect.right == imageRect.right &&
        rect.bottom == imageRect.bottom) {
        w->pixels = &image;
    } else {
        const int32_t width = emptyRect(rect) ? 0 : rect.right - rect.left;
        const int32_t height = emptyRect(rect) ? 0 : rect.bottom - rect.top;
        w->own = PixelBuffer(image.depth(), width, height, kWorldPaddingPixels);
        w->own.fillBytes(kUndrawnByte);
        w->own.fillPadding(kPaddingByte);
        // Only what the buffer has; a request beyond it stays undrawn.
        const PF_LRect inside = overlap(rect, imageRect);
        if (!writeable && !emptyRect(inside)) {
            copyPixels(image, inside.left - imageRect.left, inside.top - imageRect.top, w->own, inside.left - rect.left,
                       inside.top - rect.top, inside.right - inside.left, inside.bottom - inside.top);
        }
        w->pixels = &w->own;
    }
    describeWorld(w->world, *w->pixels, writeable);
    return w;
}

// After the render: what the plug-in did to worlds of the host's own shows, and the
// output world's pixels go to their place in the caller's image.
void SimHost::Impl::finishFrameWorlds(FrameState& f) {
    const PF_LRect& images = f.inputRect;
    for (auto& [id, w] : f.inputWorlds) {
        if (w->pixels != &w->own) continue;
        const PF_LRect inside = overlap(w->rect, images);
        const bool same = emptyRect(inside) ||
                          w->own.samePixels(inside.left - w->rect.left, inside.top - w->rect.top, *f.input,
                                            inside.left - images.left, inside.top - images.top,
                                            inside.right - inside.left, inside.bottom - inside.top);
        if (!same || !w->own.paddingIs(kPaddingByte)) complain("the plug-in wrote into an input world");
    }
    for (HostWorld& w : f.scratchWorlds) {
        if (!w.own.paddingIs(kPaddingByte)) complain("the plug-in wrote beyond the rows of a world it made");
    }
    HostWorld* drawn = f.outputWorld.get();
    if (drawn == nullptr || drawn->pixels != &drawn->own) return;
    if (!drawn->own.paddingIs(kPaddingByte)) complain("the plug-in wrote beyond the rows of the output world");
    const PF_LRect inside = overlap(drawn->rect, images);
    if (!emptyRect(inside)) {
        copyPixels(drawn->own, inside.left - drawn->rect.left, inside.top - drawn->rect.top, *f.output,
                   inside.left - images.left, inside.top - images.top, inside.right - inside.left,
                   inside.bottom - inside.top);
    }
    // The world ends with the frame; the report keeps its pixels.
    f.report.outputWorld = std::move(drawn->own);
}

bool SimHost::Impl::suiteRefused(const std::string& name, A_long version) const {
    if (refused.count({name, version}) != 0) return true;
    const auto from = refusedFrom.find({name, version});
    return from != refusedFrom.end() && log.size() >= from->second;
}

// ---------------------------------------------------------------- SimHost

SimHost::SimHost(const std::string& pluginPath, Flavour flavour) {
    void* library = loadLibrary(pluginPath);
    if (library == nullptr) throw std::runtime_error("cannot load " + pluginPath + ": " + loadError());
    EntryPoint entry = findEntryPoint(library);
    if (entry == nullptr) {
        closeLibrary(library);
        throw std::runtime_error(pluginPath + " has no EntryPointFunc");
    }
    impl_ = std::make_unique<Impl>(entry, flavour);
    impl_->library = library;
}

SimHost::SimHost(EntryPoint entry, Flavour flavour) : impl_(std::make_unique<Impl>(entry, flavour)) {}

SimHost::~SimHost() { unload(); }

Flavour SimHost::flavour() const { return impl_->flavour; }

PF_Err SimHost::globalSetup() {
    Impl& h = *impl_;
    const PF_Err err = h.run(PF_Cmd_GLOBAL_SETUP, nullptr, nullptr, nullptr);
    if (err == PF_Err_NONE) h.global = h.out.global_data;
    h.setdownSent = false;
    return err;
}

PF_Err SimHost::about() { return impl_->run(PF_Cmd_ABOUT, nullptr, impl_->paramArray(nullptr), nullptr); }

PF_Err SimHost::paramsSetup() {
    Impl& h = *impl_;
    h.params.clear();
    h.numParams = 0;
    const PF_Err err = h.run(PF_Cmd_PARAMS_SETUP, nullptr, h.paramArray(nullptr), nullptr);
    if (err == PF_Err_NONE) h.numParams = h.out.num_params;
    return err;
}

InstanceId SimHost::sequenceSetup() {
    Impl& h = *impl_;
    h.instances.emplace_back();
    InstanceState& inst = h.instances.back();
    inst.id = static_cast<InstanceId>(h.instances.size() - 1);
    const PF_Err err = h.run(PF_Cmd_SEQUENCE_SETUP, &inst, h.paramArray(&inst), nullptr);
    // A failed setup leaves no instance; whatever it made is the plug-in's to have freed.
    inst.alive = err == PF_Err_NONE;
    inst.sequenceData = inst.alive ? h.out.sequence_data : nullptr;
    return inst.id;
}

PF_Err SimHost::sequenceResetup(InstanceId id) {
    Impl& h = *impl_;
    InstanceState* inst = h.instanceFor(id, "PF_Cmd_SEQUENCE_RESETUP");
    const PF_Err err = h.run(PF_Cmd_SEQUENCE_RESETUP, inst, h.paramArray(inst), nullptr);
    if (err == PF_Err_NONE) {
        inst->sequenceData = h.out.sequence_data;
    } else if (!h.behaviour.keepSequenceDataAfterFailedResetup) {
        // The host gives the instance up and reclaims what it was handed back.
        h.reclaim(h.out.sequence_data);
        inst->alive = false;
        inst->sequenceData = nullptr;
    }
    // Otherwise the instance lives on with the handle it had, sent in again later.
    return err;
}

PF_Err SimHost::sequenceSetdown(InstanceId id) {
    Impl& h = *impl_;
    InstanceState* inst = h.instanceFor(id, "PF_Cmd_SEQUENCE_SETDOWN");
    const PF_Err err = h.run(PF_Cmd_SEQUENCE_SETDOWN, inst, h.paramArray(inst), nullptr);
    // After a failed setdown the host cannot know what was freed; it reclaims the rest.
    if (err != PF_Err_NONE) h.reclaim(inst->sequenceData);
    inst->alive = false;
    inst->sequenceData = nullptr;
    return err;
}

PF_Err SimHost::updateParamsUi(InstanceId id, const Scene& scene, int32_t time) {
    Impl& h = *impl_;
    InstanceState* inst = h.instanceFor(id, "PF_Cmd_UPDATE_PARAMS_UI");
    inst->scene = scene;
    inst->time = time;
    const PF_Err err = h.run(PF_Cmd_UPDATE_PARAMS_UI, inst, h.paramArray(inst), nullptr);
    inst->sequenceData = h.out.sequence_data;
    return err;
}

PF_Err SimHost::userChangedParam(InstanceId id, const Scene& scene, PF_ParamIndex changed, int32_t time) {
    Impl& h = *impl_;
    InstanceState* inst = h.instanceFor(id, "PF_Cmd_USER_CHANGED_PARAM");
    inst->scene = scene;
    inst->time = time;
    PF_UserChangedParamExtra extra{changed};
    const PF_Err err = h.run(PF_Cmd_USER_CHANGED_PARAM, inst, h.paramArray(inst), &extra);
    inst->sequenceData = h.out.sequence_data;
    return err;
}

PF_LRect bufferRect(int32_t bufferWidth, int32_t bufferHeight, const FrameOptions& options) {
    if (options.downsampleX < 1 || options.downsampleY < 1) throw std::logic_error("a downsample factor below 1");
    const int64_t right = int64_t{options.bufferLeft} + bufferWidth;
    const int64_t bottom = int64_t{options.bufferTop} + bufferHeight;
    if (right > INT32_MAX || bottom > INT32_MAX) throw std::logic_error("a buffer beyond the layer's coordinates");
    return PF_LRect{reducedEdge(options.bufferLeft, options.downsampleX),
                    reducedEdge(options.bufferTop, options.downsampleY),
                    reducedEdge(static_cast<int32_t>(right), options.downsampleX),
                    reducedEdge(static_cast<int32_t>(bottom), options.downsampleY)};
}

PF_Err SimHost::renderFrame(InstanceId id, const Scene& scene, int32_t time, PixelBuffer& input, PixelBuffer& output,
                            const FrameOptions& options) {
    Impl& h = *impl_;
    InstanceState* inst = h.instanceFor(id, "a frame");
    const PF_LRect buffer = bufferRect(input.width(), input.height(), options);
    if (output.width() != buffer.right - buffer.left || output.height() != buffer.bottom - buffer.top ||
        output.depth() != input.depth()) {
        throw std::logic_error("the output image does not cover what the buffer covers at the frame's resolution");
    }
    inst->scene = scene;
    inst->time = time;
    inst->layerWidth = options.layerWidth > 0 ? options.layerWidth : input.width();
    inst->layerHeight = options.layerHeight > 0 ? options.layerHeight : input.height();

    const bool reduced = options.downsampleX != 1 || options.downsampleY != 1;
    PixelBuffer subsampled;
    if (reduced) {
        subsampled = subsample(input, buffer, options.bufferLeft, options.bufferTop, options.downsampleX,
                               options.downsampleY);
    }
    FrameState frame;
    frame.input = reduced ? &subsampled : &input;
    frame.output = &output;
    frame.inputRect = buffer;
    frame.downsampleX = PF_RationalScale{1, static_cast<A_u_long>(options.downsampleX)};
    frame.downsampleY = PF_RationalScale{1, static_cast<A_u_long>(options.downsampleY)};
    frame.pixelFormat = options.pixelFormat;
    h.frame = &frame;

    PF_PreRenderInput preInput{};
    preInput.output_request.rect = emptyRect(options.request) ? buffer : options.request;
    preInput.output_request.field = PF_Field_FRAME;
    preInput.output_request.channel_mask = PF_ChannelMask_ARGB;
    preInput.bitdepth = bitsPerChannel(input.depth());
    PF_PreRenderOutput preOutput{};
    preOutput.result_rect = options.initialResult;
    preOutput.max_result_rect = options.initialMaxResult;
    PF_PreRenderCallbacks preCallbacks = preRenderCallbacks();
    PF_PreRenderExtra preExtra{&preInput, &preOutput, &preCallbacks};

    FrameReport& report = frame.report;
    report.preRenderErr = h.run(PF_Cmd_SMART_PRE_RENDER, inst, nullptr, &preExtra);
    report.resultRect = preOutput.result_rect;
    report.maxResultRect = preOutput.max_result_rect;
    report.outputFlags = preOutput.flags;
    if (Token* t = h.findToken(preOutput.pre_render_data, TokenKind::Handle, "", false)) {
        const auto* bytes = static_cast<const unsigned char*>(t->master);
        report.preRenderData.assign(bytes, bytes + t->size);
    }

    std::string key;
    if (h.behaviour.frameCache && report.preRenderErr == PF_Err_NONE) {
        key = frameKey(id, time, options, preInput.output_request.rect, *frame.input, report.resultRect) +
              frame.cacheKey + std::string(report.mixedIn.begin(), report.mixedIn.end());
        const auto cached = h.frameCache.find(key);
        if (cached != h.frameCache.end()) {
            output = cached->second;
            report.servedFromCache = true;
        }
    }
    if (report.preRenderErr == PF_Err_NONE && !report.servedFromCache) {
        frame.outputRect = preOutput.result_rect;
        PF_SmartRenderInput renderInput{};
        renderInput.output_request = preInput.output_request;
        renderInput.bitdepth = preInput.bitdepth;
        renderInput.pre_render_data = preOutput.pre_render_data;
        PF_SmartRenderCallbacks renderCallbacks = smartRenderCallbacks();
        PF_SmartRenderExtra renderExtra{&renderInput, &renderCallbacks};
        report.rendered = true;
        report.renderErr = h.run(PF_Cmd_SMART_RENDER, inst, nullptr, &renderExtra);
        h.finishFrameWorlds(frame);
        if (h.behaviour.frameCache && report.renderErr == PF_Err_NONE) h.frameCache[key] = output;
    }
    // A host that does not dispose of a failed pre-render's data leaves it to
    // outstanding() if the plug-in handed anything over.
    if (report.preRenderErr == PF_Err_NONE || h.behaviour.disposeAfterFailedPreRender) {
        h.disposePreRenderData(preOutput);
    }
    h.frame = nullptr;
    h.lastFrame = std::move(report);
    return h.lastFrame.preRenderErr != PF_Err_NONE ? h.lastFrame.preRenderErr : h.lastFrame.renderErr;
}

PF_Err SimHost::completelyGeneral(const char* text) {
    return impl_->run(PF_Cmd_COMPLETELY_GENERAL, nullptr, impl_->paramArray(nullptr), const_cast<char*>(text));
}

PF_Err SimHost::globalSetdown() {
    Impl& h = *impl_;
    const PF_Err err = h.run(PF_Cmd_GLOBAL_SETDOWN, nullptr, h.paramArray(nullptr), nullptr);
    h.setdownSent = true;
    h.setdownErr = err;
    // The current host takes the plug-in's word that it freed its global data.
    if (!h.hostOwnsGlobal()) h.global = nullptr;
    return err;
}

PF_Err SimHost::sendCommand(PF_Cmd cmd, InstanceId id, void* extra) {
    Impl& h = *impl_;
    InstanceState* inst = id >= 0 ? h.instanceFor(id, commandName(cmd)) : nullptr;
    return h.run(cmd, inst, h.paramArray(inst), extra);
}

void SimHost::unload() {
    Impl& h = *impl_;
    if (h.unloaded) return;
    if (h.global != nullptr && (h.hostOwnsGlobal() || !h.setdownSent)) h.reclaim(h.global);
    h.global = nullptr;
    if (h.library != nullptr) closeLibrary(h.library);
    h.library = nullptr;
    h.unloaded = true;
}

const CommandResult& SimHost::lastCommand() const {
    static const CommandResult kNone;
    return impl_->log.empty() ? kNone : impl_->log.back();
}

const std::vector<CommandResult>& SimHost::commandLog() const { return impl_->log; }
const std::vector<RegisteredParam>& SimHost::params() const { return impl_->params; }

bool SimHost::registrationComplete() const {
    return impl_->numParams > 1 && static_cast<std::size_t>(impl_->numParams) == impl_->params.size() + 1;
}

bool SimHost::hasInstance(InstanceId id) const {
    return id >= 0 && static_cast<std::size_t>(id) < impl_->instances.size() &&
           impl_->instances[static_cast<std::size_t>(id)].alive;
}

AEGP_PluginID SimHost::pluginId() const { return impl_->pluginId; }
PF_Handle SimHost::globalData() const { return impl_->global; }

PF_Handle SimHost::sequenceData(InstanceId id) const {
    return hasInstance(id) ? impl_->instances[static_cast<std::size_t>(id)].sequenceData : nullptr;
}

std::vector<unsigned char> SimHost::handleBytes(PF_Handle handle) const {
    const Token* t = impl_->findToken(handle, TokenKind::Handle, "", false);
    if (t == nullptr) return {};
    const auto* bytes = static_cast<const unsigned char*>(t->master);
    return std::vector<unsigned char>(bytes, bytes + t->size);
}

std::array<bool, ParamCount> SimHost::greyedOut(InstanceId id) const {
    std::array<bool, ParamCount> greyed{};
    if (id < 0 || static_cast<std::size_t>(id) >= impl_->instances.size()) return greyed;
    const InstanceState& inst = impl_->instances[static_cast<std::size_t>(id)];
    for (std::size_t i = 0; i < greyed.size(); ++i) greyed[i] = (inst.uiFlags[i] & PF_PUI_DISABLED) != 0;
    return greyed;
}

const std::vector<UiUpdate>& SimHost::uiUpdates(InstanceId id) const {
    static const std::vector<UiUpdate> kNone;
    if (id < 0 || static_cast<std::size_t>(id) >= impl_->instances.size()) return kNone;
    return impl_->instances[static_cast<std::size_t>(id)].updates;
}

const FrameReport& SimHost::lastFrame() const { return impl_->lastFrame; }

void SimHost::setSequenceData(InstanceId id, PF_Handle handle) {
    impl_->instanceFor(id, "setSequenceData")->sequenceData = handle;
}

void SimHost::setUiFlags(InstanceId id, PF_ParamIndex index, PF_ParamUIFlags flags) {
    impl_->instanceFor(id, "setUiFlags")->uiFlags.at(static_cast<std::size_t>(index)) = flags;
}

std::vector<std::string> SimHost::outstanding() const {
    const Impl& h = *impl_;
    std::vector<std::string> lines = h.leftovers;
    for (const Token& t : h.tokens) {
        if (t.kind != TokenKind::Handle || !t.alive) continue;
        const auto handle = reinterpret_cast<PF_Handle>(const_cast<void**>(&t.master));
        if (handle == h.global && h.hostOwnsGlobal()) continue;
        std::string line = handleLabel(t);
        if (handle == h.global) line += " (the global data)";
        for (const InstanceState& inst : h.instances) {
            if (inst.alive && handle == inst.sequenceData) line += " (sequence data of a live instance)";
        }
        lines.push_back(line);
    }
    return lines;
}

const std::vector<std::string>& SimHost::messages() const { return impl_->complaints; }

void SimHost::addFault(const FaultPlan& plan) { impl_->faults.push_back(Impl::ArmedFault{plan, 0}); }

void SimHost::refuseSuite(const std::string& name, A_long version) { impl_->refused.insert({name, version}); }

void SimHost::refuseSuiteFrom(const std::string& name, A_long version, std::size_t commandIndex) {
    impl_->refusedFrom[{name, version}] = commandIndex;
}

void SimHost::setBehaviour(const HostBehaviour& behaviour) { impl_->behaviour = behaviour; }
const HostBehaviour& SimHost::behaviour() const { return impl_->behaviour; }

void SimHost::clearFaults() {
    impl_->faults.clear();
    impl_->refused.clear();
    impl_->refusedFrom.clear();
}

const std::vector<CallRecord>& SimHost::firedFaults() const { return impl_->fired; }

int64_t SimHost::callCount(CallKind kind) const { return impl_->counts[static_cast<std::size_t>(kind)]; }
int64_t SimHost::failableCallCount() const { return impl_->failable; }

void SimHost::traceCalls(bool on) { impl_->tracing = on; }

void SimHost::setProgressListener(std::function<void(int32_t, int32_t)> listener) {
    impl_->progressListener = std::move(listener);
}
const std::vector<CallRecord>& SimHost::calls() const { return impl_->trace; }

}  // namespace tilesweep::simhost
