// The frame's services without a host: plain memory and the engine's own image
// operations on two images.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "RenderServices.h"

namespace tilesweep {

class LocalServices : public RenderServices {
public:
    LocalServices() = default;
    LocalServices(const ImageView& input, const ImageView& output, PixelDepth depth)
        : input_(input), output_(output), depth_(depth) {}

    bool allocateArray(std::size_t bytes, ArrayMemory& memory) override;
    void freeArray(ArrayMemory& memory) override;
    void showMessage(const char* message) override { message_ = message; }
    OrderPathSource* orderPath() override { return orderPath_; }
    EasingKeyframeSource* easingKeyframes() override { return easingKeyframes_; }

    int32_t copy(const Rect* source, const Rect* destination) override;
    int32_t fill(const Rect* rect) override;
    int32_t transfer_rect(const Rect& source, const CompositeMode& mode, int32_t x, int32_t y) override;
    int32_t copyPart(const Rect& source, const Rect& destination, const Rect& part, int32_t x, int32_t y) override;
    void progress(int32_t current, int32_t total) override {
        if (onProgress_) onProgress_(current, total);
    }
    double floor(double x) override;

    void setOrderPath(OrderPathSource* source) { orderPath_ = source; }
    void setEasingKeyframes(EasingKeyframeSource* source) { easingKeyframes_ = source; }
    void setProgress(std::function<void(int32_t, int32_t)> onProgress) { onProgress_ = std::move(onProgress); }
    const std::string& message() const { return message_; }

private:
    ImageView input_{};
    ImageView output_{};
    PixelDepth depth_ = Depth8;
    OrderPathSource* orderPath_ = nullptr;
    EasingKeyframeSource* easingKeyframes_ = nullptr;
    std::function<void(int32_t, int32_t)> onProgress_;
    std::string message_;
};

}  // namespace tilesweep
