// The callbacks and suites the simulated host hands to the plug-in. Each one counts
// itself, may fail on purpose (SimHost::addFault), checks what the plug-in passes
// and keeps account of what it hands out.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "ImageOps.h"
#include "SimHostImpl.h"

namespace tilesweep::simhost {

namespace {

thread_local SimHost::Impl* gActive = nullptr;

constexpr uint32_t kStateMagic = 0x54415453u;  // "STAT"

// ---- Conversions between the host's records and the engine's.

// The 32-bit hosts' 16-bit rectangle names its fields alike, in another order.
Rect engineRect(const PF_Rect& r) { return Rect{r.left, r.top, r.right, r.bottom}; }

CompositeMode engineMode(const PF_CompositeMode& m) {
    return CompositeMode{static_cast<TransferMode>(m.xfer), m.rand_seed, m.opacity, static_cast<uint8_t>(m.rgb_only),
                         m.opacitySu};
}

struct WorldView {
    ImageView view{};
    PixelDepth depth = Depth8;
};

// Only the frame's own worlds are the host's; anything else is a plug-in error.
bool findWorld(SimHost::Impl& h, const PF_EffectWorld* world, const char* call, WorldView& found) {
    if (HostWorld* w = h.worldOf(world)) {
        found = {w->pixels->view(), w->pixels->depth()};
        return true;
    }
    h.complain(std::string(call) + " was given a world the host did not hand out");
    return false;
}

PF_PixelFormat formatOf(PixelDepth depth) {
    switch (depth) {
        case Depth8: return PF_PixelFormat_ARGB32;
        case Depth16: return PF_PixelFormat_ARGB64;
        case Depth32f: return PF_PixelFormat_ARGB128;
    }
    return PF_PixelFormat_INVALID;
}

std::string suiteLabel(const char* name, A_long version) { return std::string(name) + " " + std::to_string(version); }

// ---- Handles (utility callbacks and "PF Handle Suite").

PF_Handle newHandle(A_HandleSize size) {
    SimHost::Impl& h = activeHost();
    const auto bytes = static_cast<std::size_t>(size);
    if (h.enter(CallKind::NewHandle, bytes > 0x7fffffffu ? 0x7fffffff : static_cast<int32_t>(bytes))) return nullptr;
    return h.makeHandle(bytes);
}

void* lockHandle(PF_Handle handle) {
    SimHost::Impl& h = activeHost();
    if (h.enter(CallKind::LockHandle)) return nullptr;
    Token* t = h.findToken(handle, TokenKind::Handle, "host_lock_handle");
    if (t == nullptr) return nullptr;
    ++t->locks;
    return t->master;
}

void unlockHandle(PF_Handle handle) {
    SimHost::Impl& h = activeHost();
    h.enter(CallKind::UnlockHandle);
    Token* t = h.findToken(handle, TokenKind::Handle, "host_unlock_handle");
    if (t != nullptr && t->locks > 0) --t->locks;
}

void disposeHandle(PF_Handle handle) {
    SimHost::Impl& h = activeHost();
    h.enter(CallKind::DisposeHandle);
    Token* t = h.findToken(handle, TokenKind::Handle, "host_dispose_handle");
    if (t != nullptr) h.freeHandle(*t);
}

A_HandleSize handleSize(PF_Handle handle) {
    SimHost::Impl& h = activeHost();
    h.enter(CallKind::GetHandleSize);
    Token* t = h.findToken(handle, TokenKind::Handle, "host_get_handle_size");
    return t == nullptr ? 0 : static_cast<A_HandleSize>(t->size);
}

PF_Err resizeHandle(A_HandleSize size, PF_Handle* handle) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::ResizeHandle)) return *f;
    Token* t = handle == nullptr ? nullptr : h.findToken(*handle, TokenKind::Handle, "host_resize_handle");
    if (t == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    const auto bytes = static_cast<std::size_t>(size);
    void* grown = std::realloc(t->master, bytes == 0 ? 1 : bytes);
    if (grown == nullptr) return PF_Err_OUT_OF_MEMORY;
    t->master = grown;
    t->size = bytes;
    return PF_Err_NONE;
}

// ---- ANSI callbacks: the C library's, counted.

template <typename F>
auto ansi(F f) {
    activeHost().enter(CallKind::Ansi);
    return f();
}

A_long ansiSprintf(A_char* buffer, const A_char* format, ...) {
    SimHost::Impl& h = activeHost();
    h.enter(CallKind::Ansi);
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    const std::size_t room = h.roomAt(buffer);
    if (length >= 0 && static_cast<std::size_t>(length) >= room) {
        h.complain("sprintf of " + std::to_string(length) + " characters into a field of " + std::to_string(room) +
                   " bytes");
        std::vsnprintf(buffer, room, format, args);
    } else {
        std::vsprintf(buffer, format, args);
    }
    va_end(args);
    return length;
}

A_char* ansiStrcpy(A_char* destination, const A_char* source) {
    SimHost::Impl& h = activeHost();
    h.enter(CallKind::Ansi);
    const std::size_t length = std::strlen(source);
    const std::size_t room = h.roomAt(destination);
    if (length >= room) {
        h.complain("strcpy of " + std::to_string(length) + " characters into a field of " + std::to_string(room) +
                   " bytes");
        if (room > 0) {
            std::memcpy(destination, source, room - 1);
            destination[room - 1] = '\0';
        }
        return destination;
    }
    return std::strcpy(destination, source);
}

void fillAnsi(PF_ANSICallbacks& a) {
    a.atan = [](A_FpLong x) { return ansi([x] { return std::atan(x); }); };
    a.atan2 = [](A_FpLong y, A_FpLong x) { return ansi([y, x] { return std::atan2(y, x); }); };
    a.ceil = [](A_FpLong x) { return ansi([x] { return std::ceil(x); }); };
    a.cos = [](A_FpLong x) { return ansi([x] { return std::cos(x); }); };
    a.exp = [](A_FpLong x) { return ansi([x] { return std::exp(x); }); };
    a.fabs = [](A_FpLong x) { return ansi([x] { return std::fabs(x); }); };
    a.floor = [](A_FpLong x) { return ansi([x] { return std::floor(x); }); };
    a.fmod = [](A_FpLong x, A_FpLong y) { return ansi([x, y] { return std::fmod(x, y); }); };
    a.hypot = [](A_FpLong x, A_FpLong y) { return ansi([x, y] { return std::hypot(x, y); }); };
    a.log = [](A_FpLong x) { return ansi([x] { return std::log(x); }); };
    a.log10 = [](A_FpLong x) { return ansi([x] { return std::log10(x); }); };
    a.pow = [](A_FpLong x, A_FpLong y) { return ansi([x, y] { return std::pow(x, y); }); };
    a.sin = [](A_FpLong x) { return ansi([x] { return std::sin(x); }); };
    a.sqrt = [](A_FpLong x) { return ansi([x] { return std::sqrt(x); }); };
    a.tan = [](A_FpLong x) { return ansi([x] { return std::tan(x); }); };
    a.sprintf = ansiSprintf;
    a.strcpy = ansiStrcpy;
    a.asin = [](A_FpLong x) { return ansi([x] { return std::asin(x); }); };
    a.acos = [](A_FpLong x) { return ansi([x] { return std::acos(x); }); };
}

PF_ANSICallbacksSuite1 makeAnsiSuite() {
    PF_ANSICallbacks a{};
    fillAnsi(a);
    return PF_ANSICallbacksSuite1{a.atan, a.atan2, a.ceil, a.cos,  a.exp,     a.fabs,    a.floor,
                                  a.fmod, a.hypot, a.log,  a.log10, a.pow,    a.sin,     a.sqrt,
                                  a.tan,  a.sprintf, a.strcpy, a.asin, a.acos};
}

// ---- Image operations, done by the engine's own.

PF_Err copy(PF_ProgPtr ref, PF_EffectWorld* src, PF_EffectWorld* dst, PF_Rect* srcRect, PF_Rect* dstRect) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::Copy)) return *f;
    h.checkEffectRef(ref, "copy");
    WorldView from, to;
    if (!findWorld(h, src, "copy", from) || !findWorld(h, dst, "copy", to)) return PF_Err_BAD_CALLBACK_PARAM;
    if (from.depth != to.depth) {
        h.complain("copy between worlds of different depths");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    Rect s{}, d{};
    if (srcRect != nullptr) s = engineRect(*srcRect);
    if (dstRect != nullptr) d = engineRect(*dstRect);
    return copyImage(from.depth, from.view, to.view, srcRect ? &s : nullptr, dstRect ? &d : nullptr);
}

template <typename C>
void fillColour(const ImageView& view, const Rect& r, const C (&argb)[4]) {
    for (int32_t y = std::max(r.top, 0); y < std::min(r.bottom, view.height); ++y) {
        for (int32_t x = std::max(r.left, 0); x < std::min(r.right, view.width); ++x) {
            C* p = static_cast<C*>(view.pixels) + (static_cast<std::size_t>(y) * static_cast<std::size_t>(view.rowPixels) +
                                                    static_cast<std::size_t>(x)) * 4;
            for (int c = 0; c < 4; ++c) p[c] = argb[c];
        }
    }
}

PF_Err fill(PF_ProgPtr ref, const PF_Pixel* colour, const PF_Rect* rect, PF_EffectWorld* world) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::Fill)) return *f;
    h.checkEffectRef(ref, "fill");
    WorldView to;
    if (!findWorld(h, world, "fill", to)) return PF_Err_BAD_CALLBACK_PARAM;
    Rect r = rect != nullptr ? engineRect(*rect) : Rect{0, 0, to.view.width, to.view.height};
    const PF_Pixel c = colour != nullptr ? *colour : PF_Pixel{0, 0, 0, 0};
    if (c.alpha == 0 && c.red == 0 && c.green == 0 && c.blue == 0) return fillImage(to.depth, to.view, &r);
    // The colour is 8-bit at every depth; deeper worlds get it scaled.
    const A_u_char channels[4] = {c.alpha, c.red, c.green, c.blue};
    switch (to.depth) {
        case Depth8: fillColour<uint8_t>(to.view, r, channels); break;
        case Depth16: {
            uint16_t deep[4];
            for (int i = 0; i < 4; ++i) deep[i] = static_cast<uint16_t>((channels[i] * 32768 + 127) / 255);
            fillColour<uint16_t>(to.view, r, deep);
            break;
        }
        case Depth32f: {
            float deep[4];
            for (int i = 0; i < 4; ++i) deep[i] = static_cast<float>(channels[i] / 255.0);
            fillColour<float>(to.view, r, deep);
            break;
        }
    }
    return PF_Err_NONE;
}

PF_Err transferRect(PF_ProgPtr ref, PF_Quality, PF_ModeFlags modeFlags, PF_Field, const PF_Rect* srcRect,
                    const PF_EffectWorld* src, const PF_CompositeMode* mode, const PF_MaskWorld* mask, A_long x,
                    A_long y, PF_EffectWorld* dst) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::TransferRect)) return *f;
    h.checkEffectRef(ref, "transfer_rect");
    WorldView from, to;
    if (!findWorld(h, src, "transfer_rect", from) || !findWorld(h, dst, "transfer_rect", to)) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (mode == nullptr || mask != nullptr || from.depth != to.depth) {
        h.complain("transfer_rect without a composite mode, with a mask world, or across depths");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const Rect s = srcRect != nullptr ? engineRect(*srcRect) : Rect{0, 0, from.view.width, from.view.height};
    return tilesweep::transferRect(to.depth, from.view, s, engineMode(*mode), x, y, to.view,
                                   modeFlags == PF_MF_Alpha_PREMUL);
}

PF_Err app(PF_ProgPtr, ...) {
    activeHost().complain("utils->app is not offered by this host");
    return PF_Err_INVALID_CALLBACK;
}

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
    *param = h.paramDefAt(*h.instance, index, h.sceneTime(time, scale));
    h.paramsOut[param] = index;
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

// ---- Smart pre-render and render callbacks.

PF_Err checkoutLayer(PF_ProgPtr ref, PF_ParamIndex index, A_long id, const PF_RenderRequest* request, A_long,
                     A_long, A_u_long, PF_CheckoutResult* result) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::CheckoutLayer, index)) return *f;
    h.checkEffectRef(ref, "checkout_layer");
    if (h.frame == nullptr || h.command != PF_Cmd_SMART_PRE_RENDER || request == nullptr || result == nullptr) {
        h.complain("checkout_layer outside the pre-render or without a request or result");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    FrameReport& report = h.frame->report;
    if (!report.layerCheckedOut) {
        report.layerIndex = index;
        report.layerCheckoutId = id;
        report.layerRequest = *request;
    }
    report.layerCheckedOut = true;
    report.layerRequests.emplace_back(id, request->rect);
    if (index != 0) {
        h.complain("checkout_layer of parameter " + std::to_string(index) + ", which is not a layer");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const int32_t w = h.frame->input->width();
    const int32_t hh = h.frame->input->height();
    const PF_LRect& r = request->rect;
    PF_LRect clipped{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, w), std::min(r.bottom, hh)};
    if (clipped.left >= clipped.right || clipped.top >= clipped.bottom) clipped = PF_LRect{0, 0, 0, 0};
    h.frame->layerCheckouts[id] = clipped;
    std::memset(result, 0, sizeof *result);
    result->result_rect = clipped;
    result->max_result_rect = PF_LRect{0, 0, w, hh};
    result->par = PF_RationalScale{1, 1};
    result->ref_width = w;
    result->ref_height = hh;
    return PF_Err_NONE;
}

PF_Err checkoutLayerPixels(PF_ProgPtr ref, A_long id, PF_EffectWorld** pixels) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::CheckoutLayerPixels, id)) {
        if (pixels != nullptr) *pixels = nullptr;
        return *f;
    }
    h.checkEffectRef(ref, "checkout_layer_pixels");
    if (h.frame == nullptr || h.command != PF_Cmd_SMART_RENDER || pixels == nullptr) {
        h.complain("checkout_layer_pixels outside the render");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const auto checkout = h.frame->layerCheckouts.find(id);
    if (checkout == h.frame->layerCheckouts.end()) {
        h.complain("checkout_layer_pixels of checkout id " + std::to_string(id) + ", which the pre-render did not make");
        *pixels = nullptr;
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    h.frame->report.pixelCheckouts.push_back(id);
    auto& world = h.frame->inputWorlds[id];
    if (world == nullptr) world = h.makeLayerWorld(*h.frame->input, checkout->second, false);
    *pixels = &world->world;
    return PF_Err_NONE;
}

PF_Err checkinLayerPixels(PF_ProgPtr ref, A_long id) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::CheckinLayerPixels, id)) return *f;
    h.checkEffectRef(ref, "checkin_layer_pixels");
    return PF_Err_NONE;
}

PF_Err checkoutOutput(PF_ProgPtr ref, PF_EffectWorld** output) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::CheckoutOutput)) {
        if (output != nullptr) *output = nullptr;
        return *f;
    }
    h.checkEffectRef(ref, "checkout_output");
    if (h.frame == nullptr || h.command != PF_Cmd_SMART_RENDER || output == nullptr) {
        h.complain("checkout_output outside the render");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    if (h.frame->outputWorld == nullptr) {
        h.frame->outputWorld = h.makeLayerWorld(*h.frame->output, h.frame->outputRect, true);
    }
    *output = &h.frame->outputWorld->world;
    return PF_Err_NONE;
}

// ---- "PF World Suite" 2.

PF_Err getPixelFormat(const PF_EffectWorld* world, PF_PixelFormat* format) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::GetPixelFormat)) return *f;
    WorldView found;
    if (format == nullptr || !findWorld(h, world, "PF_GetPixelFormat", found)) return PF_Err_BAD_CALLBACK_PARAM;
    *format = h.frame != nullptr && h.frame->pixelFormat ? *h.frame->pixelFormat : formatOf(found.depth);
    return PF_Err_NONE;
}

PF_Err newWorld(PF_ProgPtr ref, A_long width, A_long height, PF_Boolean clear, PF_PixelFormat format,
               PF_EffectWorld* world) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::NewWorld)) return *f;
    h.checkEffectRef(ref, "PF_NewWorld");
    std::optional<PixelDepth> depth;
    for (PixelDepth d : {Depth8, Depth16, Depth32f}) {
        if (formatOf(d) == format) depth = d;
    }
    if (world == nullptr || h.frame == nullptr || h.command != PF_Cmd_SMART_RENDER || !depth || width < 0 ||
        height < 0) {
        h.complain("PF_NewWorld outside the render, of an unknown format or size, or without a world to fill");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    // Refused as a host out of memory would refuse it.
    if (int64_t{width} * height * PixelBuffer::pixelSize(*depth) > (int64_t{1} << 30)) return PF_Err_OUT_OF_MEMORY;
    HostWorld& w = h.frame->scratchWorlds.emplace_back();
    w.rect = PF_LRect{0, 0, width, height};
    w.own = PixelBuffer(*depth, width, height, 2);
    w.own.fillBytes(clear != 0 ? 0 : 0xCD);
    w.own.fillPadding(0xA5);
    w.pixels = &w.own;
    std::memset(world, 0, sizeof *world);
    world->world_flags = (*depth == Depth16 ? PF_WorldFlag_DEEP : 0) | PF_WorldFlag_WRITEABLE;
    world->data = reinterpret_cast<PF_PixelPtr>(w.own.data());
    world->rowbytes = w.own.rowBytes();
    world->width = width;
    world->height = height;
    w.world = *world;
    return PF_Err_NONE;
}

PF_Err disposeWorld(PF_ProgPtr ref, PF_EffectWorld* world) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::DisposeWorld);
    h.checkEffectRef(ref, "PF_DisposeWorld");
    HostWorld* found = nullptr;
    if (h.frame != nullptr && world != nullptr) {
        for (HostWorld& w : h.frame->scratchWorlds) {
            if (w.alive && w.world.data == world->data && world->data != nullptr) found = &w;
        }
    }
    if (found == nullptr) {
        h.complain("PF_DisposeWorld of a world that PF_NewWorld did not make or that is gone");
        return fault ? *fault : PF_Err_BAD_CALLBACK_PARAM;
    }
    if (!found->own.paddingIs(0xA5)) h.complain("the plug-in wrote beyond the rows of a world it made");
    found->alive = false;
    found->own = PixelBuffer();
    return fault ? *fault : PF_Err_NONE;
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

PF_Err hasParamChangedIgnoringIndex(PF_ProgPtr ref, const PF_State* state, PF_ParamIndex index, PF_Boolean* changed) {
    return hasParamChanged(ref, state, index, changed, false);
}

PF_Err hasParamChangedByIndex(PF_ProgPtr ref, const PF_State* state, PF_ParamIndex index, PF_Boolean* changed) {
    return hasParamChanged(ref, state, index, changed, true);
}

// ---- "PF Path Query Suite" 1 and "PF Path Data Suite" 1, on the instance's masks.

PF_Err checkoutPath(PF_ProgPtr ref, PF_PathID id, A_long, A_long, A_u_long, PF_PathOutlinePtr* path) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::CheckoutPath, static_cast<int32_t>(id));
    if (path != nullptr) *path = nullptr;
    if (fault) return *fault;
    h.checkEffectRef(ref, "PF_CheckoutPath");
    if (h.instance == nullptr || path == nullptr) {
        h.complain("PF_CheckoutPath outside an effect instance or without a place for the path");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const std::vector<MaskPath>& masks = h.instance->scene.masks;
    if (id < 1 || id > masks.size()) return PF_Err_BAD_CALLBACK_PARAM;  // the layer has no such mask
    Token& t = h.newToken(TokenKind::Path);
    t.number = static_cast<int32_t>(id);
    t.mask = &masks[id - 1];
    t.instance = h.instance;
    *path = reinterpret_cast<PF_PathOutlinePtr>(&t);
    return PF_Err_NONE;
}

PF_Err checkinPath(PF_ProgPtr ref, PF_PathID id, PF_Boolean, PF_PathOutlinePtr path) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::CheckinPath, static_cast<int32_t>(id));
    h.checkEffectRef(ref, "PF_CheckinPath");
    Token* t = h.findToken(path, TokenKind::Path, "PF_CheckinPath");
    if (t == nullptr) return fault ? *fault : PF_Err_BAD_CALLBACK_PARAM;
    if (t->number != static_cast<int32_t>(id)) {
        h.complain("PF_CheckinPath of path " + std::to_string(t->number) + " under id " + std::to_string(id));
    }
    t->alive = false;
    return fault ? *fault : PF_Err_NONE;
}

const PathSegment* segmentOf(SimHost::Impl& h, PF_PathOutlinePtr path, A_long segment, const char* call) {
    Token* t = h.findToken(path, TokenKind::Path, call);
    if (t == nullptr) return nullptr;
    if (segment < 0 || static_cast<std::size_t>(segment) >= t->mask->segments.size()) {
        h.complain(std::string(call) + " of segment " + std::to_string(segment) + ", which the path does not have");
        return nullptr;
    }
    return &t->mask->segments[static_cast<std::size_t>(segment)];
}

// A preparation belongs to one segment of one path.
bool preparationFits(SimHost::Impl& h, PF_PathOutlinePtr path, A_long segment, PF_PathSegPrepPtr* preparation,
                     const char* call) {
    if (preparation == nullptr) return true;
    Token* t = h.findToken(*preparation, TokenKind::Preparation, call);
    if (t == nullptr) return false;
    if (t->parent != reinterpret_cast<Token*>(path) || t->number != segment) {
        h.complain(std::string(call) + " with the preparation of another segment");
        return false;
    }
    return true;
}

PF_Err pathNumSegments(PF_ProgPtr ref, PF_PathOutlinePtr path, A_long* count) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::PathNumSegments)) return *f;
    h.checkEffectRef(ref, "PF_PathNumSegments", true);
    Token* t = h.findToken(path, TokenKind::Path, "PF_PathNumSegments");
    if (t == nullptr || count == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    *count = static_cast<A_long>(t->mask->segments.size());
    return PF_Err_NONE;
}

PF_Err pathPrepareSegLength(PF_ProgPtr ref, PF_PathOutlinePtr path, A_long segment, A_long,
                            PF_PathSegPrepPtr* preparation) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::PathPrepareSegLength, segment);
    if (preparation != nullptr) *preparation = nullptr;
    if (fault) return *fault;
    h.checkEffectRef(ref, "PF_PathPrepareSegLength", true);
    if (preparation == nullptr || segmentOf(h, path, segment, "PF_PathPrepareSegLength") == nullptr) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    Token& t = h.newToken(TokenKind::Preparation);
    t.parent = reinterpret_cast<Token*>(path);
    t.number = segment;
    *preparation = reinterpret_cast<PF_PathSegPrepPtr>(&t);
    return PF_Err_NONE;
}

PF_Err pathGetSegLength(PF_ProgPtr ref, PF_PathOutlinePtr path, A_long segment, PF_PathSegPrepPtr* preparation,
                        PF_FpLong* length) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::PathGetSegLength, segment)) return *f;
    h.checkEffectRef(ref, "PF_PathGetSegLength", true);
    const PathSegment* s = segmentOf(h, path, segment, "PF_PathGetSegLength");
    if (s == nullptr || length == nullptr || !preparationFits(h, path, segment, preparation, "PF_PathGetSegLength")) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    *length = s->length();
    return PF_Err_NONE;
}

PF_Err pathEvalSegLength(PF_ProgPtr ref, PF_PathOutlinePtr path, PF_PathSegPrepPtr* preparation, A_long segment,
                         PF_FpLong distance, PF_FpLong* x, PF_FpLong* y) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::PathEvalSegLength, segment)) return *f;
    h.checkEffectRef(ref, "PF_PathEvalSegLength", true);
    const PathSegment* s = segmentOf(h, path, segment, "PF_PathEvalSegLength");
    if (s == nullptr || x == nullptr || y == nullptr ||
        !preparationFits(h, path, segment, preparation, "PF_PathEvalSegLength")) {
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const PathPoint p = s->pointAt(distance);
    *x = p.x;
    *y = p.y;
    return PF_Err_NONE;
}

PF_Err pathCleanupSegLength(PF_ProgPtr ref, PF_PathOutlinePtr path, A_long segment, PF_PathSegPrepPtr* preparation) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::PathCleanupSegLength, segment);
    h.checkEffectRef(ref, "PF_PathCleanupSegLength", true);
    if (preparation == nullptr || !preparationFits(h, path, segment, preparation, "PF_PathCleanupSegLength")) {
        return fault ? *fault : PF_Err_BAD_CALLBACK_PARAM;
    }
    reinterpret_cast<Token*>(*preparation)->alive = false;
    *preparation = nullptr;
    return fault ? *fault : PF_Err_NONE;
}

// ---- AEGP suites.

bool knownPlugin(SimHost::Impl& h, AEGP_PluginID id, const char* call) {
    if (h.registrations > 0 && id == h.pluginId) return true;
    h.complain(std::string(call) + " with plug-in id " + std::to_string(id) + ", which the host did not give");
    return false;
}

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

// ---- The suite tables.

const PF_HandleSuite1 kHandleSuite{newHandle, lockHandle, unlockHandle, disposeHandle, handleSize, resizeHandle};
const PF_ANSICallbacksSuite1 kAnsiSuite = makeAnsiSuite();
const PF_WorldSuite2 kWorldSuite{newWorld, disposeWorld, getPixelFormat};
const PF_ParamUtilsSuite1 kParamUtilsSuite = [] {
    PF_ParamUtilsSuite1 s{};
    s.PF_UpdateParamUI = updateParamUI;
    s.PF_GetCurrentStateObsolete = getCurrentState;
    s.PF_HasParamChangedObsolete = hasParamChangedIgnoringIndex;
    return s;
}();
const PF_LegacyParamUtilsSuite1 kLegacyParamUtilsSuite = [] {
    PF_LegacyParamUtilsSuite1 s{};
    s.PF_UpdateParamUI = updateParamUI;
    s.PF_GetCurrentState = getCurrentState;
    s.PF_HasParamChanged = hasParamChangedByIndex;
    return s;
}();
const PF_PathQuerySuite1 kPathQuerySuite{nullptr, nullptr, checkoutPath, checkinPath};
const PF_PathDataSuite1 kPathDataSuite{nullptr, pathNumSegments, nullptr, pathPrepareSegLength, pathGetSegLength,
                                       pathEvalSegLength, nullptr, pathCleanupSegLength, nullptr, nullptr, nullptr};
const AEGP_UtilitySuite3 kUtilitySuite = [] {
    AEGP_UtilitySuite3 s{};
    s.AEGP_RegisterWithAEGP = registerWithAEGP;
    return s;
}();
const AEGP_PFInterfaceSuite1 kPFInterfaceSuite{nullptr, getNewEffectForEffect, nullptr, nullptr, nullptr};
const AEGP_StreamSuite2 kStreamSuite = [] {
    AEGP_StreamSuite2 s{};
    s.AEGP_GetNewEffectStreamByIndex = getNewEffectStreamByIndex;
    s.AEGP_DisposeStream = disposeStream;
    s.AEGP_GetNewStreamValue = getNewStreamValue;
    s.AEGP_DisposeStreamValue = disposeStreamValue;
    return s;
}();
const AEGP_KeyframeSuite3 kKeyframeSuite = [] {
    AEGP_KeyframeSuite3 s{};
    s.AEGP_GetStreamNumKFs = getStreamNumKFs;
    s.AEGP_GetKeyframeTime = getKeyframeTime;
    return s;
}();
const AEGP_EffectSuite2 kEffectSuite = [] {
    AEGP_EffectSuite2 s{};
    s.AEGP_DisposeEffect = disposeEffect;
    return s;
}();

enum class Era { Both, Current, Legacy };

struct SuiteEntry {
    const char* name;
    A_long version;
    const void* table;
    Era era;
};

const SuiteEntry kSuites[] = {
    {kPFHandleSuite, kPFHandleSuiteVersion1, &kHandleSuite, Era::Current},
    {kPFHandleSuite, kPFHandleSuiteVersionLegacy, &kHandleSuite, Era::Legacy},
    {kPFANSISuite, kPFANSISuiteVersion1, &kAnsiSuite, Era::Both},
    {kPFWorldSuite, kPFWorldSuiteVersion2, &kWorldSuite, Era::Both},
    {kPFParamUtilsSuite, kPFParamUtilsSuiteVersion1, &kParamUtilsSuite, Era::Current},
    {kPFParamUtilsSuite, kPFParamUtilsSuiteVersionLegacy, &kLegacyParamUtilsSuite, Era::Legacy},
    {kPFPathQuerySuite, kPFPathQuerySuiteVersion1, &kPathQuerySuite, Era::Both},
    {kPFPathDataSuite, kPFPathDataSuiteVersion1, &kPathDataSuite, Era::Both},
    {kAEGPUtilitySuite, kAEGPUtilitySuiteVersion3, &kUtilitySuite, Era::Both},
    {kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1, &kPFInterfaceSuite, Era::Both},
    {kAEGPStreamSuite, kAEGPStreamSuiteVersion2, &kStreamSuite, Era::Both},
    {kAEGPKeyframeSuite, kAEGPKeyframeSuiteVersion3, &kKeyframeSuite, Era::Both},
    {kAEGPEffectSuite, kAEGPEffectSuiteVersion2, &kEffectSuite, Era::Both},
};

SPErr acquireSuite(const char* name, A_long version, const void** suite) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::AcquireSuite, version, name, version);
    if (suite != nullptr) *suite = nullptr;
    if (fault) return *fault;
    if (name == nullptr || suite == nullptr) {
        h.complain("AcquireSuite without a name or a place for the suite");
        return kSPSuiteNotFoundError;
    }
    if (h.suiteRefused(name, version)) return kSPSuiteNotFoundError;
    const Era era = h.flavour == Flavour::Plugin32 ? Era::Legacy : Era::Current;
    for (const SuiteEntry& entry : kSuites) {
        if (std::strcmp(entry.name, name) == 0 && entry.version == version &&
            (entry.era == Era::Both || entry.era == era)) {
            ++h.suitesHeld[{name, version}];
            *suite = entry.table;
            return kSPNoError;
        }
    }
    return kSPSuiteNotFoundError;
}

SPErr releaseSuite(const char* name, A_long version) {
    SimHost::Impl& h = activeHost();
    const auto fault = h.enter(CallKind::ReleaseSuite, version, name, version);
    const auto held = name == nullptr ? h.suitesHeld.end() : h.suitesHeld.find({name, version});
    if (held == h.suitesHeld.end() || held->second == 0) {
        h.complain("ReleaseSuite of " + suiteLabel(name == nullptr ? "(null)" : name, version) +
                   ", which is not held");
        return fault ? *fault : kSPSuiteNotFoundError;
    }
    if (--held->second == 0) h.suitesHeld.erase(held);
    return fault ? *fault : kSPNoError;
}

SPBoolean isEqual(const char* a, const char* b) { return std::strcmp(a, b) == 0 ? 1 : 0; }

SPBasicSuite gBasicSuite{acquireSuite, releaseSuite, isEqual, nullptr, nullptr, nullptr, nullptr};

}  // namespace

SimHost::Impl& activeHost() {
    if (gActive == nullptr) {
        std::fputs("simhost: the plug-in called the host outside any command\n", stderr);
        std::abort();
    }
    return *gActive;
}

ActiveScope::ActiveScope(SimHost::Impl* host) : previous_(gActive) { gActive = host; }
ActiveScope::~ActiveScope() { gActive = previous_; }

const PF_InteractCallbacks& interactCallbacks() {
    static const PF_InteractCallbacks callbacks = [] {
        PF_InteractCallbacks c{};
        c.checkout_param = checkoutParam;
        c.checkin_param = checkinParam;
        c.add_param = addParam;
        c.abort = abortCheck;
        c.progress = progress;
        return c;
    }();
    return callbacks;
}

void fillUtilCallbacks(PF_UtilCallbacks& u) {
    u = PF_UtilCallbacks{};
    u.copy = copy;
    u.fill = fill;
    u.transfer_rect = transferRect;
    u.host_new_handle = newHandle;
    u.host_lock_handle = lockHandle;
    u.host_unlock_handle = unlockHandle;
    u.host_dispose_handle = disposeHandle;
    u.app = app;
    fillAnsi(u.ansi);
    u.host_get_handle_size = handleSize;
    u.host_resize_handle = resizeHandle;
}

SPBasicSuite* basicSuite() { return &gBasicSuite; }

const PF_PreRenderCallbacks& preRenderCallbacks() {
    static const PF_PreRenderCallbacks callbacks{checkoutLayer, nullptr};
    return callbacks;
}

const PF_SmartRenderCallbacks& smartRenderCallbacks() {
    static const PF_SmartRenderCallbacks callbacks{checkoutLayerPixels, checkinLayerPixels, checkoutOutput};
    return callbacks;
}

}  // namespace tilesweep::simhost
