#include "PluginSession.h"

#include "RenderCommand.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <sstream>

#include "GreyingRules.h"
#include "SimHost.h"
#include "ToolFiles.h"

namespace tilesweep {

namespace fs = std::filesystem;
using simhost::Flavour;
using simhost::PixelBuffer;
using simhost::SimHost;

namespace {

constexpr const char* kPluginFile = "TovelaTileSweep64.so";

// Why a greyed-out parameter does nothing, by the rule that greys it.
const char* greyingReason(int32_t index) {
    const GreyingRule* rule = greyingRuleOf(index);
    return rule != nullptr ? rule->reason : "other settings allow it";
}

std::string fixedText(int32_t raw) {
    std::ostringstream s;
    s << raw / 65536.0;
    return s.str();
}

// The value word of a definition, as the host stores it for each kind.
int32_t definedRange(const PF_ParamDef& def, bool maximum) {
    switch (def.param_type) {
        case PF_Param_SLIDER: return maximum ? def.u.sd.valid_max : def.u.sd.valid_min;
        case PF_Param_FIX_SLIDER: return maximum ? def.u.fd.valid_max : def.u.fd.valid_min;
        case PF_Param_POPUP: return maximum ? def.u.pd.num_choices : 1;
        case PF_Param_CHECKBOX: return maximum ? 1 : 0;
        default: return maximum ? INT32_MAX : INT32_MIN;
    }
}

std::string trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(" \t");
    const auto e = s.find_last_not_of(" \t");
    return b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
}

}  // namespace

std::string findPlugin() { return findToolFile(kPluginFile); }

std::unique_ptr<PluginSession> PluginSession::open(const std::string& pluginPath, std::string& error) {
    const std::string path = pluginPath.empty() ? findPlugin() : pluginPath;
    if (path.empty()) {
        error = std::string("cannot find the plug-in ") + kPluginFile +
                " beside the tool, in ../plugin/ or in ../lib/tilesweep/ (give --plugin PATH, or --direct)";
        return nullptr;
    }
    std::unique_ptr<PluginSession> session(new PluginSession);
    try {
        // The 32-bit flavour runs on the older host it was made for.
        const bool older = fs::path(path).filename().string().find("32") != std::string::npos;
        session->host_ = std::make_unique<SimHost>(path, older ? Flavour::Plugin32 : Flavour::Plugin64);
    } catch (const std::exception& e) {
        error = "cannot load the plug-in " + path + ": " + e.what();
        return nullptr;
    }
    SimHost& host = *session->host_;
    if (PF_Err err = host.globalSetup()) {
        error = "the plug-in's global setup failed with error " + std::to_string(err);
        return nullptr;
    }
    if (PF_Err err = host.paramsSetup(); err != PF_Err_NONE || !host.registrationComplete()) {
        error = "the plug-in's parameter setup failed with error " + std::to_string(err);
        return nullptr;
    }
    session->instance_ = host.sequenceSetup();
    if (!host.hasInstance(session->instance_)) {
        error = "the plug-in's sequence setup failed with error " + std::to_string(host.lastCommand().err);
        return nullptr;
    }
    return session;
}

PluginSession::~PluginSession() {
    if (!host_) return;
    if (host_->hasInstance(instance_)) host_->sequenceSetdown(instance_);
    host_->globalSetdown();
    host_->unload();
}

bool PluginSession::about(std::string& text, std::string& error) {
    if (PF_Err err = host_->about()) {
        error = "the plug-in's about box failed with error " + std::to_string(err);
        return false;
    }
    text = host_->lastCommand().returnMsg;
    for (char& c : text) {
        if (c == '\r') c = '\n';
    }
    return true;
}

std::string PluginSession::paramsText() const {
    std::ostringstream out;
    for (const simhost::RegisteredParam& p : host_->params()) {
        const PF_ParamDef& d = p.def;
        out << d.uu.id << "  \"" << p.name << "\"  ";
        switch (d.param_type) {
            case PF_Param_FIX_SLIDER:
                out << "fixed slider, " << fixedText(d.u.fd.valid_min) << " to " << fixedText(d.u.fd.valid_max)
                    << " %, default " << fixedText(d.u.fd.dephault) << " %, " << d.u.fd.precision << " decimals";
                break;
            case PF_Param_SLIDER:
                out << "slider, " << d.u.sd.valid_min << " to " << d.u.sd.valid_max << " (slider " << d.u.sd.slider_min
                    << " to " << d.u.sd.slider_max << "), default " << d.u.sd.dephault;
                break;
            case PF_Param_POPUP: {
                out << "popup, default " << d.u.pd.dephault << ", items:";
                std::istringstream items(p.items);
                std::string item;
                for (int i = 1; std::getline(items, item, '|'); ++i) out << ' ' << i << '=' << item;
                break;
            }
            case PF_Param_CHECKBOX:
                out << "checkbox, default " << (d.u.bd.dephault ? "on" : "off");
                if (!p.checkboxText.empty()) out << ", text \"" << p.checkboxText << "\"";
                break;
            case PF_Param_ANGLE: out << "angle, degrees, default " << fixedText(d.u.ad.dephault); break;
            case PF_Param_PATH: out << "path, a mask number, default 0 (no mask)"; break;
            default: out << "kind " << d.param_type; break;
        }
        out << '\n';
    }
    return out.str();
}

bool PluginSession::validate(const Scene& scene, std::string& error) const {
    for (const simhost::RegisteredParam& p : host_->params()) {
        const int32_t index = p.def.uu.id;
        if (index < 1 || index >= ParamCount) continue;
        std::vector<int32_t> values{scene.raw[static_cast<std::size_t>(index)]};
        const auto keys = scene.keyframes.find(index);
        if (keys != scene.keyframes.end()) {
            for (const Keyframe& k : keys->second) values.push_back(rawFromUserValue(paramSpec(index), k.value));
        }
        const int32_t low = definedRange(p.def, false);
        const int32_t high = definedRange(p.def, true);
        for (int32_t v : values) {
            if (v < low || v > high) {
                error = "value of \"" + p.name + "\" is outside what the plug-in registered (accepted: " +
                        (p.def.param_type == PF_Param_FIX_SLIDER ? fixedText(low) + " to " + fixedText(high)
                                                                 : std::to_string(low) + " to " + std::to_string(high)) +
                        ")";
                return false;
            }
        }
    }
    return true;
}

std::vector<std::string> PluginSession::greyedOutWarnings(const Scene& scene, const std::vector<int32_t>& named) {
    std::vector<std::string> warnings;
    if (host_->updateParamsUi(instance_, scene, 0) != PF_Err_NONE) return warnings;
    const std::array<bool, ParamCount> greyed = host_->greyedOut(instance_);
    for (int32_t index : named) {
        if (greyed[static_cast<std::size_t>(index)]) {
            warnings.push_back(std::string("\"") + paramSpec(index).name + "\" has no effect unless " +
                               greyingReason(index));
        }
    }
    return warnings;
}

bool PluginSession::renderFrame(const Scene& scene, int32_t time, const FrameImage& input, const FrameWindow& window,
                                const std::function<void(int32_t, int32_t)>& progress, FrameImage& output,
                                std::string& error) {
    // Every frame of a run wipes the same layer: it is handed to the host once.
    if (layerSource_ != input.bytes.data() || layer_.depth() != input.depth || layer_.width() != input.width ||
        layer_.height() != input.height) {
        layer_ = PixelBuffer(input.depth, input.width, input.height);
        const std::size_t rowBytes = static_cast<std::size_t>(layer_.rowBytes());
        for (int32_t y = 0; y < input.height; ++y) {
            std::memcpy(layer_.data() + rowBytes * static_cast<std::size_t>(y),
                        input.bytes.data() + rowBytes * static_cast<std::size_t>(y), rowBytes);
        }
        layerSource_ = input.bytes.data();
    }
    PixelBuffer& in = layer_;
    simhost::FrameOptions options;
    options.downsampleX = window.downsampleX;
    options.downsampleY = window.downsampleY;
    const PF_LRect covered = simhost::bufferRect(input.width, input.height, options);
    const int32_t width = covered.right - covered.left;
    const int32_t height = covered.bottom - covered.top;
    PixelBuffer out(input.depth, width, height);
    if (window.region) {
        options.request = PF_LRect{window.region->left, window.region->top, window.region->right, window.region->bottom};
    }
    host_->setProgressListener(progress);
    const PF_Err err = host_->renderFrame(instance_, scene, time, in, out, options);
    host_->setProgressListener(nullptr);
    if (err != PF_Err_NONE) {
        const std::string& message = host_->lastCommand().returnMsg;
        error = "the plug-in failed to render with error " + std::to_string(err) + (message.empty() ? "" : ": " + message);
        return false;
    }
    const PF_LRect& shown = host_->lastFrame().resultRect;
    const Rect wanted = window.region.value_or(Rect{0, 0, width, height});
    if (shown.left != wanted.left || shown.top != wanted.top || shown.right != wanted.right ||
        shown.bottom != wanted.bottom) {
        error = "the plug-in rendered another rectangle than the one asked for";
        return false;
    }
    FrameImage whole = FrameImage::blank(input.depth, width, height);
    const std::size_t outRowBytes = static_cast<std::size_t>(out.rowBytes());
    for (int32_t y = 0; y < height; ++y) {
        std::memcpy(whole.bytes.data() + outRowBytes * static_cast<std::size_t>(y),
                    out.data() + outRowBytes * static_cast<std::size_t>(y), outRowBytes);
    }
    output = window.region ? cropFrame(whole, *window.region) : std::move(whole);
    return true;
}

std::vector<int32_t> namedParams(const SceneOptions& options) {
    std::vector<int32_t> named;
    auto add = [&named](const std::string& text) {
        const ParamSpec* p = findParam(trimmed(text.substr(0, text.rfind('='))));
        if (p != nullptr && std::find(named.begin(), named.end(), p->index) == named.end()) named.push_back(p->index);
    };
    for (const std::string& text : options.params) add(text);
    for (const std::string& text : options.keyframes) add(text);
    return named;
}

}  // namespace tilesweep
