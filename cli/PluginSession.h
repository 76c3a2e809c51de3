// The tool's way through the plug-in: a simulated host that loads the plug-in
// build beside the tool and drives it as After Effects would, so that what the tool
// shows is what the host would show.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "FrameImage.h"
#include "FrameRenderer.h"
#include "PixelBuffer.h"
#include "Scene.h"

namespace tilesweep {

namespace simhost {
class SimHost;
}

// The plug-in file the tool uses unless told otherwise (findToolFile). Empty if none.
std::string findPlugin();

class PluginSession {
public:
    // Loads the plug-in and runs global and parameter setup and one instance's
    // sequence setup. Null with a one-line reason.
    static std::unique_ptr<PluginSession> open(const std::string& pluginPath, std::string& error);
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    // The about box's text, lines joined by a newline.
    bool about(std::string& text, std::string& error);
    // The parameters as the plug-in registered them.
    std::string paramsText() const;
    // Checks every value the user gave against the registered definitions.
    bool validate(const Scene& scene, std::string& error) const;
    // One warning per parameter the user set that the UI rules grey out.
    std::vector<std::string> greyedOutWarnings(const Scene& scene, const std::vector<int32_t>& namedParams);
    // Renders the frame at `time` (hundredths of a frame) through the plug-in: the
    // whole layer, or what `window` says of it: the host subsamples the layer for a
    // reduced resolution, and asks for a region alone. The layer is taken from
    // `input` once for all the frames of the same image.
    bool renderFrame(const Scene& scene, int32_t time, const FrameImage& input, const FrameWindow& window,
                     const std::function<void(int32_t, int32_t)>& progress, FrameImage& output, std::string& error);

private:
    PluginSession() = default;
    std::unique_ptr<simhost::SimHost> host_;
    int32_t instance_ = -1;
    // The layer as the host holds it, and the frame pixels it was made from.
    simhost::PixelBuffer layer_;
    const unsigned char* layerSource_ = nullptr;
};

// What the user named with --param or --keyframe, by parameter index.
std::vector<int32_t> namedParams(const SceneOptions& options);

}  // namespace tilesweep
