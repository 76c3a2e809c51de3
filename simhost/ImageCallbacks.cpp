// Images and worlds: the image callbacks, done by the engine's own operations, the
// smart pre-render and render callbacks and "PF World Suite".
#include <algorithm>
#include <cstring>

#include "ImageOps.h"
#include "HostCallbacks.h"

namespace tilesweep::simhost {

namespace {

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

}  // namespace

namespace callbacks {

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
    // The buffer covers what the frame's input covers; a request reaches only that.
    const PF_LRect& buffer = h.frame->inputRect;
    const PF_LRect& r = request->rect;
    PF_LRect clipped{std::max(r.left, buffer.left), std::max(r.top, buffer.top), std::min(r.right, buffer.right),
                     std::min(r.bottom, buffer.bottom)};
    if (clipped.left >= clipped.right || clipped.top >= clipped.bottom) clipped = PF_LRect{0, 0, 0, 0};
    h.frame->layerCheckouts[id] = clipped;
    std::memset(result, 0, sizeof *result);
    result->result_rect = clipped;
    result->max_result_rect = buffer;
    result->par = PF_RationalScale{1, 1};
    result->ref_width = buffer.right - buffer.left;
    result->ref_height = buffer.bottom - buffer.top;
    return PF_Err_NONE;
}

// A host caches a frame under these bytes too; they mean nothing else to it.
PF_Err guidMixIn(PF_ProgPtr ref, A_u_long size, const void* bytes) {
    SimHost::Impl& h = activeHost();
    if (auto f = h.enter(CallKind::GuidMixIn, static_cast<int32_t>(size))) return *f;
    h.checkEffectRef(ref, "GuidMixInPtr");
    constexpr A_u_long kLargestMixIn = 1u << 20;
    if (h.frame == nullptr || h.command != PF_Cmd_SMART_PRE_RENDER || (bytes == nullptr && size != 0) ||
        size > kLargestMixIn) {
        h.complain("GuidMixInPtr outside the pre-render, without its bytes or of " + std::to_string(size) + " bytes");
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const std::size_t room = h.roomAt(bytes);
    if (room < size) {
        h.complain("GuidMixInPtr of " + std::to_string(size) + " bytes from a block of " + std::to_string(room));
        return PF_Err_BAD_CALLBACK_PARAM;
    }
    const auto* first = static_cast<const unsigned char*>(bytes);
    h.frame->report.mixedIn.insert(h.frame->report.mixedIn.end(), first, first + size);
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
    if (world == nullptr) world = h.makeLayerWorld(*h.frame->input, h.frame->inputRect, checkout->second, false);
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
        h.frame->outputWorld = h.makeLayerWorld(*h.frame->output, h.frame->inputRect, h.frame->outputRect, true);
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

}  // namespace callbacks

}  // namespace tilesweep::simhost
