// An output that is a window onto the frame: it shows one rectangle of the input
// image's coordinates (a zoomed viewer, a region of interest). Every block is drawn
// clipped to that rectangle, reading the input from the whole image, so the window
// holds exactly those pixels of the whole frame and its work follows its area.
#pragma once

#include <cstdint>

#include "RenderServices.h"
#include "WipeTypes.h"

namespace tilesweep {

Rect overlapOf(const Rect& a, const Rect& b);

// The image operations of a frame of `imageWidth` x `imageHeight`, passed on to
// `services`, whose output shows `area` of it. Pixels of the area outside the image
// are never drawn.
class WindowServices final : public RenderServices {
public:
    WindowServices(RenderServices& services, const Rect& area, int32_t imageWidth, int32_t imageHeight)
        : services_(services), area_(area), drawable_(overlapOf(area, Rect{0, 0, imageWidth, imageHeight})),
          image_{0, 0, imageWidth, imageHeight} {}

    bool allocateArray(std::size_t bytes, ArrayMemory& memory) override {
        return services_.allocateArray(bytes, memory);
    }
    void freeArray(ArrayMemory& memory) override { services_.freeArray(memory); }
    void showMessage(const char* message) override { services_.showMessage(message); }
    OrderPathSource* orderPath() override { return services_.orderPath(); }
    EasingKeyframeSource* easingKeyframes() override { return services_.easingKeyframes(); }
    void progress(int32_t current, int32_t total) override { services_.progress(current, total); }
    double floor(double x) override { return services_.floor(x); }

    int32_t copy(const Rect* source, const Rect* destination) override;
    int32_t fill(const Rect* rect) override;
    int32_t transfer_rect(const Rect& source, const CompositeMode& mode, int32_t x, int32_t y) override;

private:
    Rect inOutput(const Rect& r) const {
        return Rect{r.left - area_.left, r.top - area_.top, r.right - area_.left, r.bottom - area_.top};
    }

    RenderServices& services_;
    Rect area_;      // what the output shows, in image coordinates
    Rect drawable_;  // the part of it within the image
    Rect image_;
};

}  // namespace tilesweep
