// Helpers shared by the tests that drive the plug-in through the simulated host.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Scene.h"
#include "SimHost.h"

namespace tilesweep::simhost::test {

inline const char* pluginPath(Flavour flavour) {
    return flavour == Flavour::Plugin64 ? TILESWEEP_PLUGIN64_PATH : TILESWEEP_PLUGIN32_PATH;
}

// A scene from the command line's forms: "UI Name=value", keyframes "UI Name=frame:value"
// and masks as SVG paths.
inline Scene sceneOf(const std::vector<std::string>& values, const std::vector<std::string>& keyframes = {},
                     const std::vector<std::string>& masks = {}) {
    Scene scene;
    std::string error;
    for (const std::string& m : masks) EXPECT_TRUE(addMask(m, scene, error)) << error;
    const auto maskCount = static_cast<int32_t>(scene.masks.size());
    for (const std::string& v : values) EXPECT_TRUE(parseParamAssignment(v, maskCount, scene, error)) << error;
    for (const std::string& k : keyframes) EXPECT_TRUE(parseKeyframe(k, maskCount, scene, error)) << error;
    return scene;
}

}  // namespace tilesweep::simhost::test
