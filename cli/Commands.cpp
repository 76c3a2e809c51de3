#include "Commands.h"

#include <cmath>
#include <cstdlib>
#include <sstream>

#include "FramePipeline.h"
#include "LocalServices.h"
#include "MaskPathSource.h"
#include "PlanJson.h"
#include "SceneKeyframeSource.h"
#include "SceneParsing.h"
#include "WipeSettings.h"

namespace tilesweep {

namespace {
constexpr int32_t kMaxImageSize = 30000;
}

bool buildScene(const SceneOptions& options, bool easingKeyframesOnly, Scene& scene, std::string& error) {
    scene = Scene{};
    scene.fps = options.fps;
    for (const std::string& mask : options.masks) {
        if (!addMask(mask, scene, error)) return false;
    }
    const auto maskCount = static_cast<int32_t>(scene.masks.size());
    for (const std::string& assignment : options.params) {
        if (!parseParamAssignment(assignment, maskCount, scene, error)) return false;
    }
    for (const std::string& key : options.keyframes) {
        if (!parseKeyframe(key, maskCount, scene, error)) return false;
    }
    if (easingKeyframesOnly) {
        for (const auto& entry : scene.keyframes) {
            if (entry.first != EasingKeyframe) {
                error = std::string("a plan takes keyframes of \"Easing Keyframe\" only, not of \"") +
                        paramSpec(entry.first).name + "\"";
                return false;
            }
        }
    }
    return validateScene(scene, error);
}

bool parseSize(const std::string& option, const std::string& text, int32_t& value, std::string& error) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size() || v < 0 || v > kMaxImageSize) {
        error = option + " \"" + text + "\" is not a size (accepted: an integer from 0 to " +
                std::to_string(kMaxImageSize) + ")";
        return false;
    }
    value = static_cast<int32_t>(v);
    return true;
}

int runPlan(const SceneOptions& options, const std::string& widthText, const std::string& heightText,
            std::string& out, std::string& error) {
    int32_t width = 0;
    int32_t height = 0;
    if (!parseSize("--width", widthText, width, error) || !parseSize("--height", heightText, height, error)) {
        return kExitBadInput;
    }
    Scene scene;
    if (!buildScene(options, true, scene, error)) return kExitBadInput;
    const WipeSettings settings = settingsFromHostValues(scene.rawValuesAt(0), std::fmod);
    LocalServices services;
    MaskPathSource masks(scene.masks);
    SceneKeyframeSource keyframes(scene);
    services.setOrderPath(&masks);
    services.setEasingKeyframes(&keyframes);
    FrameArrays arrays(services);
    FramePlan plan;
    const int32_t err = planFrame(settings, width, height, services, arrays, plan);
    if (err != kErrNone) {
        error = "planning failed with error " + std::to_string(err) +
                (services.message().empty() ? "" : ": " + services.message());
        return kExitFailed;
    }
    out = planJson(plan);
    return kExitOk;
}

std::string paramsText() {
    std::ostringstream out;
    for (const ParamSpec& param : kParamTable) {
        out << param.index << "  \"" << param.name << "\"  " << kindName(param.kind);
        switch (param.kind) {
            case ParamKind::FixedSlider:
                out << ", " << param.validMin << " to " << param.validMax << " %, default " << param.defaultValue << " %";
                break;
            case ParamKind::Slider:
                out << ", " << param.validMin << " to " << param.validMax << " (slider " << param.sliderMin << " to "
                    << param.sliderMax << "), default " << param.defaultValue;
                break;
            case ParamKind::Popup: {
                const std::vector<std::string> items = popupItems(param);
                out << ", default " << param.defaultValue << " (" << items[static_cast<std::size_t>(param.defaultValue - 1)]
                    << "), items:";
                for (std::size_t i = 0; i < items.size(); ++i) out << ' ' << (i + 1) << '=' << items[i];
                break;
            }
            case ParamKind::Checkbox:
                out << ", default off";
                if (param.checkboxText != nullptr && *param.checkboxText) out << ", text \"" << param.checkboxText << "\"";
                break;
            case ParamKind::Angle: out << ", degrees, default 0"; break;
            case ParamKind::Path: out << ", a mask number, default 0 (no mask)"; break;
        }
        out << '\n';
    }
    return out.str();
}

}  // namespace tilesweep
