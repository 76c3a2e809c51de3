#include "SmartPreRender.h"

#include <cstring>
#include <new>

#include "HostHandles.h"
#include "HostRenderServices.h"
#include "ParamChoices.h"
#include "ParamRegistration.h"
#include "SuiteAccess.h"
#include "Timing.h"

namespace tilesweep::plugin {

namespace {

// The checked-out definitions, checked in again on every way out.
class ParamCheckouts {
public:
    explicit ParamCheckouts(PF_InData& in) : in_(in) { std::memset(defs_, 0, sizeof(defs_)); }
    ~ParamCheckouts() {
        for (std::size_t i = 0; i < count_; ++i) in_.inter.checkin_param(in_.effect_ref, &defs_[i]);
    }
    ParamCheckouts(const ParamCheckouts&) = delete;
    ParamCheckouts& operator=(const ParamCheckouts&) = delete;

    // Stops at the first refused checkout.
    PF_Err checkoutAll() {
        for (const ParamIndex index : kPreRenderCheckouts) {
            const PF_Err err = in_.inter.checkout_param(in_.effect_ref, index, in_.current_time, in_.time_step,
                                                        in_.time_scale, &defs_[count_]);
            if (err != PF_Err_NONE) return err;
            ++count_;
        }
        return PF_Err_NONE;
    }

    RawParamValues values() const {
        RawParamValues raw{};
        for (std::size_t i = 0; i < count_; ++i) {
            const ParamIndex index = kPreRenderCheckouts[i];
            raw[static_cast<std::size_t>(index)] = paramValueWord(defs_[i], paramSpec(index).kind);
        }
        return raw;
    }

private:
    PF_InData& in_;
    PF_ParamDef defs_[kPreRenderCheckouts.size()];
    std::size_t count_ = 0;
};

// Mixes the "Easing Keyframe" curve into the key under which the host caches the
// frame: the render reads the curve at other times than the frame's, so no checked-out
// value tells the host that an edit of it changes the frame.
class CurveMixIn final : public EasingCurveReader {
public:
    CurveMixIn(PF_PreRenderCallbacks& callbacks, PF_ProgPtr effectRef) : callbacks_(callbacks), effectRef_(effectRef) {}

    int32_t keyframeCount(int32_t count) override { return mix(&count, sizeof count); }

    int32_t keyframe(const KeyframeTime& time, double value) override {
        unsigned char bytes[sizeof time.value + sizeof time.scale + sizeof value];
        std::memcpy(bytes, &time.value, sizeof time.value);
        std::memcpy(bytes + sizeof time.value, &time.scale, sizeof time.scale);
        std::memcpy(bytes + sizeof time.value + sizeof time.scale, &value, sizeof value);
        return mix(bytes, sizeof bytes);
    }

private:
    int32_t mix(const void* bytes, std::size_t size) {
        return callbacks_.GuidMixInPtr(effectRef_, static_cast<A_u_long>(size), bytes);
    }

    PF_PreRenderCallbacks& callbacks_;
    PF_ProgPtr effectRef_;
};

PF_Err mixInEasingCurve(const WipeSettings& record, PF_InData& in, SuiteHandler& suites,
                        PF_PreRenderCallbacks& callbacks) {
    // A host without the mix-in keeps no frame cache keyed by it.
    if (popupChoice<EasingKind>(record.easing) != EasingKind::Custom || callbacks.GuidMixInPtr == nullptr) {
        return PF_Err_NONE;
    }
    HostEasingKeyframes curve(in, suites);
    CurveMixIn mixIn(callbacks, in.effect_ref);
    return readEasingCurve(curve, mixIn);
}

}  // namespace

void mergeRect(PF_LRect& destination, const PF_LRect& source) {
    if (isEmptyRect(destination)) {
        destination = source;
        return;
    }
    if (isEmptyRect(source)) return;
    if (source.left < destination.left) destination.left = source.left;
    if (source.top < destination.top) destination.top = source.top;
    if (source.right > destination.right) destination.right = source.right;
    if (source.bottom > destination.bottom) destination.bottom = source.bottom;
}

void disposeSettingsHandle(void* preRenderData) {
    auto handle = static_cast<PF_Handle>(preRenderData);
    const auto* block = static_cast<const SettingsBlock*>(handleData(handle));
    if (block == nullptr) return;
    void (*const utilityDispose)(PF_Handle) = block->utilityDispose;
    try {
        SuiteHandler suites(block->basic);
        suites.acquire<PF_HandleSuite1>(kPFHandleSuite, block->handleSuiteVersion).host_dispose_handle(handle);
        return;
    } catch (...) {
        // Called by the host outside any command: nothing may escape.
    }
    if (utilityDispose != nullptr) utilityDispose(handle);
}

PF_Err smartPreRender(const Flavour& flavour, PF_InData& in, PF_PreRenderExtra& extra) {
    PF_RenderRequest request = extra.input->output_request;
    SuiteHandler suites(in.pica_basicP);
    const PF_HandleSuite1& handles = handleSuite(suites, flavour);

    OwnedHandle settings(handles.host_dispose_handle, handles.host_new_handle(sizeof(SettingsBlock)));
    if (settings.get() == nullptr) return PF_Err_OUT_OF_MEMORY;
    const HandleLock lock(handles, settings.get());
    if (lock.data() == nullptr) return PF_Err_OUT_OF_MEMORY;
    auto* block = new (lock.data()) SettingsBlock{};
    block->basic = in.pica_basicP;
    block->handleSuiteVersion = flavour.handleSuiteVersion;
    block->utilityDispose = in.utils->host_dispose_handle;
    // The record reaches the host only once it is complete: after a failure it is
    // freed here, so a host that calls the disposer anyway finds nothing to free,
    // and one that does not leaks nothing.
    PF_PreRenderOutput& output = *extra.output;
    output.pre_render_data = nullptr;
    output.delete_pre_render_data_func = disposeSettingsHandle;

    ParamCheckouts params(in);
    PF_Err err = params.checkoutAll();
    if (err != PF_Err_NONE) return err;
    request.preserve_rgb_of_zero_alpha = 1;
    PF_CheckoutResult input;
    std::memset(&input, 0, sizeof input);
    err = extra.cb->checkout_layer(in.effect_ref, 0, kRequestCheckoutId, &request, in.current_time, in.time_step,
                                   in.time_scale, &input);
    if (err != PF_Err_NONE) return err;

    PF_LRect resultRect = output.result_rect;
    PF_LRect maxResultRect = output.max_result_rect;
    mergeRect(resultRect, input.result_rect);
    mergeRect(maxResultRect, input.max_result_rect);
    FrameRegion region{0, kRequestCheckoutId, input.result_rect, resultRect};
    if (!holdsRect(input.result_rect, input.max_result_rect)) {
        // Part of the layer: the output stays within the request, and the wipe,
        // whose moving blocks carry pixels from anywhere, needs the whole layer.
        region.output = resultRect = intersectRects(resultRect, request.rect);
        PF_RenderRequest wholeRequest = request;
        wholeRequest.rect = input.max_result_rect;
        PF_CheckoutResult whole;
        std::memset(&whole, 0, sizeof whole);
        err = extra.cb->checkout_layer(in.effect_ref, 0, kWholeLayerCheckoutId, &wholeRequest, in.current_time,
                                       in.time_step, in.time_scale, &whole);
        if (err != PF_Err_NONE) return err;
        region.layerCheckoutId = kWholeLayerCheckoutId;
        region.layer = whole.result_rect;
    }
    region.cutFromLayer = sameRect(region.output, region.layer) ? 0 : 1;
    block->region = region;
    block->record = settingsFromHostValues(params.values(), in.utils->ansi.fmod);
    err = mixInEasingCurve(block->record, in, suites, *extra.cb);
    if (err != PF_Err_NONE) return err;
    output.result_rect = resultRect;
    output.max_result_rect = maxResultRect;
    output.pre_render_data = settings.handOver();
    return PF_Err_NONE;
}

}  // namespace tilesweep::plugin
