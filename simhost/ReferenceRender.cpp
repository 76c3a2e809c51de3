#include "ReferenceRender.h"

#include <cmath>
#include <exception>
#include <map>
#include <utility>

#include "Fnv1a.h"
#include "FrameGeometry.h"
#include "FramePipeline.h"
#include "Life.h"
#include "LocalServices.h"
#include "MaskPathSource.h"
#include "SceneKeyframeSource.h"
#include "WipeSettings.h"

namespace tilesweep::simhost {

namespace {

constexpr int32_t kHostRowPadding = 3;

const char* depthLabel(PixelDepth depth) { return depth == Depth8 ? "8" : depth == Depth16 ? "16" : "32f"; }

std::string failure(const ReferenceScene& scene, PixelDepth depth, const std::string& why) {
    return scene.name + " (line " + std::to_string(scene.line) + ") at depth " + depthLabel(depth) + ": " + why;
}

PF_LRect requestFor(const ReferenceScene& scene) {
    if (!scene.region) return PF_LRect{};
    return PF_LRect{scene.region->left, scene.region->top, scene.region->right, scene.region->bottom};
}

// The layer as a viewer at reduced resolution shows it: every downsampleX-th pixel
// across and downsampleY-th down.
PixelBuffer subsampled(const PixelBuffer& layer, const ReferenceScene& scene) {
    PixelBuffer reduced(layer.depth(), scene.frameWidth(), scene.frameHeight());
    for (int32_t y = 0; y < reduced.height(); ++y) {
        for (int32_t x = 0; x < reduced.width(); ++x) {
            copyPixels(layer, x * scene.downsampleX, y * scene.downsampleY, reduced, x, y, 1, 1);
        }
    }
    return reduced;
}

}  // namespace

uint64_t frameHash(const PixelBuffer& frame, const std::optional<Rect>& region) {
    const Rect r = region.value_or(Rect{0, 0, frame.width(), frame.height()});
    const auto pixelBytes = static_cast<std::size_t>(PixelBuffer::pixelSize(frame.depth()));
    Fnv1a hash;
    for (int32_t y = r.top; y < r.bottom; ++y) {
        const std::size_t start = (static_cast<std::size_t>(y) * static_cast<std::size_t>(frame.rowPixels()) +
                                   static_cast<std::size_t>(r.left)) * pixelBytes;
        hash.bytes(frame.bytes().data() + start, static_cast<std::size_t>(r.right - r.left) * pixelBytes);
    }
    return hash.value();
}

RouteHashes renderThroughEngine(const std::vector<const ReferenceScene*>& scenes) {
    RouteHashes result;
    result.hashes.resize(scenes.size());
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        const ReferenceScene& reference = *scenes[i];
        Scene scene;
        std::string error;
        if (!sceneFromSettings(reference, scene, error)) {
            result.failures.push_back(failure(reference, Depth8, error));
            continue;
        }
        const WipeSettings settings = settingsFromHostValues(scene.rawValuesAt(reference.time()), std::fmod);
        for (std::size_t d = 0; d < kReferenceDepths.size(); ++d) {
            const PixelDepth depth = kReferenceDepths[d];
            PixelBuffer input = subsampled(
                makePatternImage(depth, reference.width, reference.height, 0, kReferenceNoiseSeed), reference);
            PixelBuffer output(depth, input.width(), input.height());
            const FrameGeometry geometry =
                bufferGeometry(0, 0, input.width(), input.height(), reference.width, reference.height,
                               PixelScale{1, reference.downsampleX}, PixelScale{1, reference.downsampleY});
            LocalServices services(input.view(), output.view(), depth);
            MaskPathSource masks(scene.masks);
            SceneKeyframeSource keyframes(scene);
            services.setOrderPath(&masks);
            services.setEasingKeyframes(&keyframes);
            const int32_t err = renderFrame(settings, geometry, input.view(), output.view(), depth, services);
            if (err != kErrNone) {
                result.failures.push_back(failure(reference, depth, "the engine returned " + std::to_string(err)));
                continue;
            }
            result.hashes[i][d] = frameHash(output, reference.region);
        }
    }
    return result;
}

RouteHashes renderThroughPlugin(const std::vector<const ReferenceScene*>& scenes, const HostMaker& makeHost) {
    RouteHashes result;
    result.hashes.resize(scenes.size());
    // Scenes in lives by layer size and resolution, in table order within each.
    std::map<std::array<int32_t, 4>, std::vector<std::size_t>> bySize;
    std::vector<Scene> built(scenes.size());
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        std::string error;
        if (!sceneFromSettings(*scenes[i], built[i], error)) {
            result.failures.push_back(failure(*scenes[i], Depth8, error));
            continue;
        }
        bySize[{scenes[i]->width, scenes[i]->height, scenes[i]->downsampleX, scenes[i]->downsampleY}].push_back(i);
    }
    for (const auto& [size, members] : bySize) {
        for (std::size_t d = 0; d < kReferenceDepths.size(); ++d) {
            const PixelDepth depth = kReferenceDepths[d];
            LifePlan plan;
            plan.depth = depth;
            plan.width = size[0];
            plan.height = size[1];
            plan.frameOptions.downsampleX = size[2];
            plan.frameOptions.downsampleY = size[3];
            plan.paddingPixels = kHostRowPadding;
            plan.imageSeed = kReferenceNoiseSeed;
            for (std::size_t i : members) plan.frames.push_back(LifeFrame{built[i], scenes[i]->time(), requestFor(*scenes[i])});
            const std::string life = "the life of the " + std::to_string(size[0]) + "x" + std::to_string(size[1]) +
                                     " scenes at 1/" + std::to_string(size[2]) + " x 1/" + std::to_string(size[3]) +
                                     " and depth " + depthLabel(depth);
            std::shared_ptr<SimHost> host;
            LifeReport report;
            try {
                host = makeHost();
                report = runLife(*host, plan);
            } catch (const std::exception& e) {
                result.failures.push_back(life + ": " + e.what());
                continue;
            }
            if (!report.reachedSetdown || report.outputs.size() != members.size() ||
                report.frameErrs.size() != members.size()) {
                result.failures.push_back(life + ": rendered " + std::to_string(report.outputs.size()) + " of " +
                                          std::to_string(members.size()) + " frames");
                continue;
            }
            for (const std::string& line : host->outstanding()) result.failures.push_back(life + ": outstanding " + line);
            for (const std::string& line : host->messages()) result.failures.push_back(life + ": host: " + line);
            for (std::size_t k = 0; k < members.size(); ++k) {
                const ReferenceScene& reference = *scenes[members[k]];
                if (report.frameErrs[k] != PF_Err_NONE) {
                    result.failures.push_back(
                        failure(reference, depth, "the render returned " + std::to_string(report.frameErrs[k])));
                } else if (!report.outputs[k].paddingIs(0)) {
                    result.failures.push_back(failure(reference, depth, "the row padding was written to"));
                } else {
                    result.hashes[members[k]][d] = frameHash(report.outputs[k], reference.region);
                }
            }
        }
    }
    return result;
}

}  // namespace tilesweep::simhost
