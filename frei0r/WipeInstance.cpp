#include "WipeInstance.h"

#include <cmath>
#include <cstring>
#include <new>

#include "CompositeOver.h"
#include "FramePipeline.h"
#include "LocalServices.h"
#include "MaskPathSource.h"
#include "PixelOrder.h"
#include "SceneKeyframeSource.h"
#include "WipeSettings.h"

namespace tilesweep::frei0r {

std::unique_ptr<WipeInstance> WipeInstance::create(unsigned width, unsigned height) {
    if (width == 0 || height == 0 || width > kMaxSide || height > kMaxSide) return nullptr;
    try {
        std::unique_ptr<WipeInstance> instance(
            new WipeInstance(static_cast<int32_t>(width), static_cast<int32_t>(height)));
        instance->source_.resize(instance->pixelCount() * 4);
        instance->wiped_.resize(instance->pixelCount() * 4);
        return instance;
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

bool WipeInstance::renderInto(const uint32_t* input) {
    argbFromRgba(reinterpret_cast<const uint8_t*>(input), source_.data(), pixelCount());
    // The moment is the settings' own: hosts animate "Completion" like any value,
    // and a frame never depends on the host's clock.
    const Scene& scene = values_.scene;
    const WipeSettings settings = settingsFromHostValues(scene.rawValuesAt(0), std::fmod);
    const ImageView sourceView{source_.data(), width_, width_, height_};
    const ImageView wipedView{wiped_.data(), width_, width_, height_};
    LocalServices services(sourceView, wipedView, Depth8);
    MaskPathSource masks(scene.masks);
    SceneKeyframeSource keyframes(scene);
    services.setOrderPath(&masks);
    services.setEasingKeyframes(&keyframes);
    return renderFrame(settings, sourceView, wipedView, Depth8, services) == kErrNone;
}

void WipeInstance::renderWipe(const uint32_t* input, uint32_t* output) {
    // A frame the engine cannot render passes through untouched.
    if (!renderInto(input)) {
        std::memmove(output, input, pixelCount() * 4);
        return;
    }
    rgbaFromArgb(wiped_.data(), reinterpret_cast<uint8_t*>(output), pixelCount());
}

void WipeInstance::renderTransition(const uint32_t* first, const uint32_t* second, uint32_t* output) {
    if (!renderInto(first)) {
        std::memmove(output, first, pixelCount() * 4);
        return;
    }
    compositeOverRgba(wiped_.data(), reinterpret_cast<const uint8_t*>(second), reinterpret_cast<uint8_t*>(output),
                      pixelCount());
}

}  // namespace tilesweep::frei0r
