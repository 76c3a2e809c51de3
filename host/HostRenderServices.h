// The engine's services bound to the host: image operations on the checked-out
// worlds, per-frame arrays in host handles, the mask path for the Path order and
// the "Easing Keyframe" animation for the Custom easing.
#pragma once

#include "AE_HostApi.h"
#include "RenderServices.h"
#include "SuiteAccess.h"

namespace tilesweep::plugin {

// An engine rectangle in the host's rectangle of either layout. False when it
// cannot be expressed (16-bit coordinates of the 32-bit hosts).
bool toHostRect(const Rect& rect, PF_LRect& host);
bool toHostRect(const Rect& rect, PF_LegacyRect& host);

PF_CompositeMode toHostCompositeMode(const CompositeMode& mode);

// Walks the mask chosen as order path at the frame's time. The two path suites are
// acquired when the first path is checked out, before anything is held.
class HostOrderPath final : public OrderPathSource {
public:
    HostOrderPath(const PF_InData& in, SuiteHandler& suites) : in_(in), suites_(suites) {}

    int32_t checkoutPath(int32_t pathId, void** path) override;
    int32_t numSegments(void* path, int32_t* count) override;
    int32_t prepareSegLength(void* path, int32_t segment, int32_t frequency, void** preparation) override;
    int32_t getSegLength(void* path, int32_t segment, void* preparation, double* length) override;
    int32_t evalSegLength(void* path, void* preparation, int32_t segment, double distance, double* x,
                          double* y) override;
    int32_t cleanupSegLength(void* path, int32_t segment, void* preparation) override;
    int32_t checkinPath(int32_t pathId, void* path) override;

private:
    const PF_InData& in_;
    SuiteHandler& suites_;
    const PF_PathQuerySuite1* query_ = nullptr;
    const PF_PathDataSuite1* data_ = nullptr;
};

// Samples "Easing Keyframe" through the AEGP suites, which are acquired when the
// effect is first asked for, before anything is held.
class HostEasingKeyframes final : public EasingKeyframeSource {
public:
    HostEasingKeyframes(const PF_InData& in, SuiteHandler& suites) : in_(in), suites_(suites) {}

    int32_t getEffect(void** effect) override;
    int32_t getStream(void* effect, void** stream) override;
    int32_t numKeyframes(void* stream, int32_t* count) override;
    int32_t keyframeTime(void* stream, int32_t index, KeyframeTime* time) override;
    int32_t newStreamValue(void* stream, KeyframeTime time, void** streamValue, double* value) override;
    int32_t disposeStreamValue(void* streamValue) override;
    int32_t disposeStream(void* stream) override;
    int32_t disposeEffect(void* effect) override;

private:
    const PF_InData& in_;
    SuiteHandler& suites_;
    AEGP_PluginID pluginId_ = 0;
    const AEGP_PFInterfaceSuite1* pfInterface_ = nullptr;
    const AEGP_StreamSuite2* stream_ = nullptr;
    const AEGP_KeyframeSuite3* keyframe_ = nullptr;
    const AEGP_EffectSuite2* effect_ = nullptr;
    // Each value is disposed as soon as its number is read, so one is enough.
    AEGP_StreamValue value_{};
    bool valueHeld_ = false;
};

class HostRenderServices final : public RenderServices {
public:
    HostRenderServices(PF_InData& in, PF_OutData& out, SuiteHandler& suites, PF_EffectWorld& input,
                       PF_EffectWorld& output)
        : in_(in), out_(out), input_(input), output_(output), path_(in, suites), easing_(in, suites) {}

    bool allocateArray(std::size_t bytes, ArrayMemory& memory) override;
    void freeArray(ArrayMemory& memory) override;
    void showMessage(const char* message) override;
    OrderPathSource* orderPath() override { return &path_; }
    EasingKeyframeSource* easingKeyframes() override { return &easing_; }

    int32_t copy(const Rect* source, const Rect* destination) override;
    int32_t fill(const Rect* rect) override;
    int32_t transfer_rect(const Rect& source, const CompositeMode& mode, int32_t x, int32_t y) override;
    // Through a world of the destination's size, given back at once.
    int32_t copyPart(const Rect& source, const Rect& destination, const Rect& part, int32_t x, int32_t y) override;
    void progress(int32_t current, int32_t total) override;
    double floor(double x) override;

    // The suite and format that copyPart makes its world with; without them it refuses.
    void offerWorlds(const PF_WorldSuite2* worlds, PF_PixelFormat format) {
        worlds_ = worlds;
        format_ = format;
    }

private:
    PF_InData& in_;
    PF_OutData& out_;
    PF_EffectWorld& input_;
    PF_EffectWorld& output_;
    HostOrderPath path_;
    HostEasingKeyframes easing_;
    const PF_WorldSuite2* worlds_ = nullptr;
    PF_PixelFormat format_ = PF_PixelFormat_INVALID;
};

}  // namespace tilesweep::plugin
