#include "FrameRenderer.h"

#include <cmath>

#include "ArrayPool.h"
#include "FramePipeline.h"
#include "MaskPathSource.h"
#include "SceneKeyframeSource.h"
#include "WipeSettings.h"

namespace tilesweep {

bool renderSceneFrame(const Scene& scene, int32_t time, const FrameImage& input, const std::optional<Rect>& region,
                      const BlockProgress& progress, FrameImage& output, std::string& error) {
    if (region) {
        FrameImage whole;
        if (!renderSceneFrame(scene, time, input, std::nullopt, progress, whole, error)) return false;
        output = cropFrame(whole, *region);
        return true;
    }
    const WipeSettings settings = settingsFromHostValues(scene.rawValuesAt(time), std::fmod);
    if (output.depth != input.depth || output.width != input.width || output.height != input.height ||
        output.bytes.size() != input.bytes.size()) {
        output = FrameImage::blank(input.depth, input.width, input.height);
    }
    ReusingServices services(input.view(), output.view(), input.depth);
    MaskPathSource masks(scene.masks);
    SceneKeyframeSource keyframes(scene);
    services.setOrderPath(&masks);
    services.setEasingKeyframes(&keyframes);
    if (progress) services.setProgress(progress);
    const int32_t err = renderFrame(settings, input.view(), output.view(), input.depth, services);
    if (err != kErrNone) {
        error = "rendering failed with error " + std::to_string(err) +
                (services.message().empty() ? "" : ": " + services.message());
        return false;
    }
    return true;
}

}  // namespace tilesweep
