#include "FrameRenderer.h"

#include <cmath>

#include "ArrayPool.h"
#include "FrameGeometry.h"
#include "FramePipeline.h"
#include "MaskPathSource.h"
#include "SceneKeyframeSource.h"
#include "WipeSettings.h"

namespace tilesweep {

namespace {

// One frame over the whole of `input`, which lies under the grid as `geometry` says.
bool renderLayerFrame(const Scene& scene, int32_t time, const FrameImage& input, const FrameGeometry& geometry,
                      const BlockProgress& progress, FrameImage& output, std::string& error) {
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
    const int32_t err = renderFrame(settings, geometry, input.view(), output.view(), input.depth, services);
    if (err != kErrNone) {
        error = "rendering failed with error " + std::to_string(err) +
                (services.message().empty() ? "" : ": " + services.message());
        return false;
    }
    return true;
}

}  // namespace

bool renderSceneFrame(const Scene& scene, int32_t time, const FrameImage& input, const FrameWindow& window,
                      const BlockProgress& progress, FrameImage& output, std::string& error) {
    if (window.region) {
        FrameImage whole;
        FrameWindow all = window;
        all.region.reset();
        if (!renderSceneFrame(scene, time, input, all, progress, whole, error)) return false;
        output = cropFrame(whole, *window.region);
        return true;
    }
    if (window.reduced()) {
        // The layer as a viewer at reduced resolution holds it, the grid laid over it
        // at full resolution.
        const FrameImage reduced = subsampleFrame(input, window.downsampleX, window.downsampleY);
        const FrameGeometry geometry =
            bufferGeometry(0, 0, reduced.width, reduced.height, input.width, input.height,
                           PixelScale{1, window.downsampleX}, PixelScale{1, window.downsampleY});
        return renderLayerFrame(scene, time, reduced, geometry, progress, output, error);
    }
    return renderLayerFrame(scene, time, input, fullResolution(input.width, input.height), progress, output, error);
}

}  // namespace tilesweep
