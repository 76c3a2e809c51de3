#include "SmartPreRender.h"

#include <cstring>
#include <new>

#include "HostHandles.h"
#include "ParamRegistration.h"
#include "SuiteAccess.h"

namespace tilesweep::plugin {

namespace {

bool isEmpty(const PF_LRect& r) { return r.left >= r.right || r.top >= r.bottom; }

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

}  // namespace

void mergeRect(PF_LRect& destination, const PF_LRect& source) {
    if (isEmpty(destination)) {
        destination = source;
        return;
    }
    if (isEmpty(source)) return;
    if (source.left < destination.left) destination.left = source.left;
    if (source.top < destination.top) destination.top = source.top;
    if (source.right > destination.right) destination.right = source.right;
    if (source.bottom > destination.bottom) destination.bottom = source.bottom;
}

void disposeSettingsHandle(void* preRenderData) {
    auto handle = static_cast<PF_Handle>(preRenderData);
    const auto* block = static_cast<const SettingsBlock*>(handleData(handle));
    if (block == nullptr) return;
    try {
        SuiteHandler suites(block->basic);
        suites.acquire<PF_HandleSuite1>(kPFHandleSuite, block->handleSuiteVersion).host_dispose_handle(handle);
    } catch (...) {
        // Called by the host outside any command: nothing may escape, and without
        // the handle suite the block cannot be given back.
    }
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
    PF_PreRenderOutput& output = *extra.output;
    output.pre_render_data = settings.handOver();
    output.delete_pre_render_data_func = disposeSettingsHandle;

    ParamCheckouts params(in);
    PF_Err err = params.checkoutAll();
    if (err == PF_Err_NONE) {
        request.preserve_rgb_of_zero_alpha = 1;
        PF_CheckoutResult input;
        std::memset(&input, 0, sizeof input);
        err = extra.cb->checkout_layer(in.effect_ref, 0, 0, &request, in.current_time, in.time_step,
                                       in.time_scale, &input);
        if (err == PF_Err_NONE) {
            block->record = settingsFromHostValues(params.values(), in.utils->ansi.fmod);
            mergeRect(output.result_rect, input.result_rect);
            mergeRect(output.max_result_rect, input.max_result_rect);
        }
    }
    return err;
}

}  // namespace tilesweep::plugin
