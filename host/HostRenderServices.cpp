#include "HostRenderServices.h"

#include <cstdint>
#include <limits>

#include "EngineHostValues.h"
#include "GlobalData.h"
#include "HostHandles.h"
#include "ParamTable.h"
#include "ScratchWorld.h"

namespace tilesweep::plugin {

namespace {

bool fitsShort(int32_t value) {
    return value >= std::numeric_limits<A_short>::min() && value <= std::numeric_limits<A_short>::max();
}

// An optional engine rectangle in the host's layout; absent stands for the whole world.
class HostRect {
public:
    explicit HostRect(const Rect* rect)
        : valid_(rect == nullptr || toHostRect(*rect, rect_)), given_(rect != nullptr) {}
    bool valid() const { return valid_; }
    PF_Rect* get() { return given_ ? &rect_ : nullptr; }

private:
    PF_Rect rect_{};
    bool valid_;
    bool given_;
};

PF_PathOutlinePtr outline(void* path) { return static_cast<PF_PathOutlinePtr>(path); }
PF_PathSegPrepPtr preparationOf(void* preparation) { return static_cast<PF_PathSegPrepPtr>(preparation); }
AEGP_EffectRefH effectOf(void* effect) { return static_cast<AEGP_EffectRefH>(effect); }
AEGP_StreamRefH streamOf(void* stream) { return static_cast<AEGP_StreamRefH>(stream); }

}  // namespace

bool toHostRect(const Rect& rect, PF_LRect& host) {
    host = PF_LRect{rect.left, rect.top, rect.right, rect.bottom};
    return true;
}

bool toHostRect(const Rect& rect, PF_LegacyRect& host) {
    if (!fitsShort(rect.left) || !fitsShort(rect.top) || !fitsShort(rect.right) || !fitsShort(rect.bottom)) {
        return false;
    }
    host.top = static_cast<A_short>(rect.top);
    host.left = static_cast<A_short>(rect.left);
    host.bottom = static_cast<A_short>(rect.bottom);
    host.right = static_cast<A_short>(rect.right);
    return true;
}

PF_CompositeMode toHostCompositeMode(const CompositeMode& mode) {
    PF_CompositeMode host{};
    host.xfer = static_cast<PF_TransferMode>(mode.xfer);
    host.rand_seed = mode.randSeed;
    host.opacity = mode.opacity;
    host.rgb_only = static_cast<PF_Boolean>(mode.rgbOnly);
    host.opacitySu = mode.opacitySu;
    return host;
}

// ---- Mask path ------------------------------------------------------------------------

int32_t HostOrderPath::checkoutPath(int32_t pathId, void** path) {
    query_ = &suites_.acquire<PF_PathQuerySuite1>(kPFPathQuerySuite, kPFPathQuerySuiteVersion1);
    data_ = &suites_.acquire<PF_PathDataSuite1>(kPFPathDataSuite, kPFPathDataSuiteVersion1);
    PF_PathOutlinePtr outlineP = nullptr;
    const PF_Err err = query_->PF_CheckoutPath(in_.effect_ref, static_cast<PF_PathID>(pathId), in_.current_time,
                                               in_.time_step, in_.time_scale, &outlineP);
    *path = outlineP;
    return err;
}

int32_t HostOrderPath::numSegments(void* path, int32_t* count) {
    return data_->PF_PathNumSegments(in_.effect_ref, outline(path), count);
}

int32_t HostOrderPath::prepareSegLength(void* path, int32_t segment, int32_t frequency, void** preparation) {
    PF_PathSegPrepPtr prepared = nullptr;
    const PF_Err err = data_->PF_PathPrepareSegLength(in_.effect_ref, outline(path), segment, frequency, &prepared);
    *preparation = prepared;
    return err;
}

int32_t HostOrderPath::getSegLength(void* path, int32_t segment, void* preparation, double* length) {
    PF_PathSegPrepPtr prepared = preparationOf(preparation);
    return data_->PF_PathGetSegLength(in_.effect_ref, outline(path), segment, &prepared, length);
}

int32_t HostOrderPath::evalSegLength(void* path, void* preparation, int32_t segment, double distance, double* x,
                                     double* y) {
    PF_PathSegPrepPtr prepared = preparationOf(preparation);
    return data_->PF_PathEvalSegLength(in_.effect_ref, outline(path), &prepared, segment, distance, x, y);
}

int32_t HostOrderPath::cleanupSegLength(void* path, int32_t segment, void* preparation) {
    PF_PathSegPrepPtr prepared = preparationOf(preparation);
    return data_->PF_PathCleanupSegLength(in_.effect_ref, outline(path), segment, &prepared);
}

int32_t HostOrderPath::checkinPath(int32_t pathId, void* path) {
    return query_->PF_CheckinPath(in_.effect_ref, static_cast<PF_PathID>(pathId), 0, outline(path));
}

// ---- "Easing Keyframe" ------------------------------------------------------------------

int32_t HostEasingKeyframes::getEffect(void** effect) {
    pfInterface_ = &suites_.acquire<AEGP_PFInterfaceSuite1>(kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1);
    stream_ = &suites_.acquire<AEGP_StreamSuite2>(kAEGPStreamSuite, kAEGPStreamSuiteVersion2);
    keyframe_ = &suites_.acquire<AEGP_KeyframeSuite3>(kAEGPKeyframeSuite, kAEGPKeyframeSuiteVersion3);
    effect_ = &suites_.acquire<AEGP_EffectSuite2>(kAEGPEffectSuite, kAEGPEffectSuiteVersion2);
    const auto* global = static_cast<const GlobalData*>(handleData(in_.global_data));
    // Without global data there is no registration to speak to the AEGP suites with.
    if (global == nullptr) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    pluginId_ = global->pluginId;
    AEGP_EffectRefH effectH = nullptr;
    const A_Err err = pfInterface_->AEGP_GetNewEffectForEffect(pluginId_, in_.effect_ref, &effectH);
    *effect = effectH;
    return err;
}

int32_t HostEasingKeyframes::getStream(void* effect, void** stream) {
    AEGP_StreamRefH streamH = nullptr;
    const A_Err err = stream_->AEGP_GetNewEffectStreamByIndex(pluginId_, effectOf(effect), EasingKeyframe, &streamH);
    *stream = streamH;
    return err;
}

int32_t HostEasingKeyframes::numKeyframes(void* stream, int32_t* count) {
    return keyframe_->AEGP_GetStreamNumKFs(streamOf(stream), count);
}

int32_t HostEasingKeyframes::keyframeTime(void* stream, int32_t index, KeyframeTime* time) {
    A_Time hostTime{};
    const A_Err err = keyframe_->AEGP_GetKeyframeTime(streamOf(stream), index, AEGP_LTimeMode_LayerTime, &hostTime);
    *time = KeyframeTime{hostTime.value, hostTime.scale};
    return err;
}

int32_t HostEasingKeyframes::newStreamValue(void* stream, KeyframeTime time, void** streamValue, double* value) {
    if (valueHeld_) return PF_Err_INTERNAL_STRUCT_DAMAGED;
    const A_Time hostTime{time.value, time.scale};
    value_ = AEGP_StreamValue{};
    constexpr A_Boolean kPreExpression = 1;
    const A_Err err = stream_->AEGP_GetNewStreamValue(pluginId_, streamOf(stream), AEGP_LTimeMode_LayerTime,
                                                      &hostTime, kPreExpression, &value_);
    if (err != A_Err_NONE) return err;
    valueHeld_ = true;
    *streamValue = &value_;
    *value = value_.val.one_d;
    return A_Err_NONE;
}

int32_t HostEasingKeyframes::disposeStreamValue(void* streamValue) {
    valueHeld_ = false;
    return stream_->AEGP_DisposeStreamValue(static_cast<AEGP_StreamValue*>(streamValue));
}

int32_t HostEasingKeyframes::disposeStream(void* stream) { return stream_->AEGP_DisposeStream(streamOf(stream)); }

int32_t HostEasingKeyframes::disposeEffect(void* effect) { return effect_->AEGP_DisposeEffect(effectOf(effect)); }

// ---- Images, arrays, messages -------------------------------------------------------------

bool HostRenderServices::allocateArray(std::size_t bytes, ArrayMemory& memory) {
    if constexpr (sizeof(std::size_t) > sizeof(A_HandleSize)) {
        if (bytes > std::numeric_limits<A_HandleSize>::max()) return false;
    }
    OwnedHandle handle(in_.utils->host_dispose_handle, in_.utils->host_new_handle(static_cast<A_HandleSize>(bytes)));
    if (handleData(handle.get()) == nullptr) return false;
    memory.data = handleData(handle.get());
    memory.token = handle.handOver();
    return true;
}

void HostRenderServices::freeArray(ArrayMemory& memory) {
    if (memory.token != nullptr) in_.utils->host_dispose_handle(static_cast<PF_Handle>(memory.token));
    memory = ArrayMemory{};
}

void HostRenderServices::showMessage(const char* message) { showHostMessage(out_, message); }

int32_t HostRenderServices::copy(const Rect* source, const Rect* destination) {
    HostRect from(source);
    HostRect to(destination);
    if (!from.valid() || !to.valid()) return PF_Err_BAD_CALLBACK_PARAM;
    return in_.utils->copy(in_.effect_ref, &input_, &output_, from.get(), to.get());
}

int32_t HostRenderServices::fill(const Rect* rect) {
    HostRect area(rect);
    if (!area.valid()) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_Pixel transparentBlack{0, 0, 0, 0};
    return in_.utils->fill(in_.effect_ref, &transparentBlack, area.get(), &output_);
}

int32_t HostRenderServices::transfer_rect(const Rect& source, const CompositeMode& mode, int32_t x, int32_t y) {
    PF_Rect from{};
    if (!toHostRect(source, from)) return PF_Err_BAD_CALLBACK_PARAM;
    const PF_CompositeMode hostMode = toHostCompositeMode(mode);
    return in_.utils->transfer_rect(in_.effect_ref, PF_Quality_HI, PF_MF_Alpha_PREMUL, PF_Field_FRAME, &from, &input_,
                                    &hostMode, nullptr, x, y, &output_);
}

int32_t HostRenderServices::copyPart(const Rect& source, const Rect& destination, const Rect& part, int32_t x,
                                     int32_t y) {
    if (worlds_ == nullptr) return PF_Err_BAD_CALLBACK_PARAM;
    ScratchWorld scratch(*worlds_, in_.effect_ref);
    PF_Err err = scratch.make(destination.right - destination.left, destination.bottom - destination.top, format_);
    if (err != PF_Err_NONE) return err;
    HostRect from(&source);
    const Rect within{part.left - destination.left, part.top - destination.top, part.right - destination.left,
                      part.bottom - destination.top};
    const Rect to{x, y, x + (part.right - part.left), y + (part.bottom - part.top)};
    HostRect partRect(&within);
    HostRect toRect(&to);
    if (!from.valid() || !partRect.valid() || !toRect.valid()) return PF_Err_BAD_CALLBACK_PARAM;
    err = in_.utils->copy(in_.effect_ref, &input_, &scratch.world(), from.get(), nullptr);
    if (err == PF_Err_NONE) err = in_.utils->copy(in_.effect_ref, &scratch.world(), &output_, partRect.get(), toRect.get());
    return err;
}

void HostRenderServices::progress(int32_t current, int32_t total) {
    // Only a report: the host's answer does not change the frame.
    in_.inter.progress(in_.effect_ref, current, total);
}

double HostRenderServices::floor(double x) { return in_.utils->ansi.floor(x); }

}  // namespace tilesweep::plugin
