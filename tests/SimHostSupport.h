// Helpers shared by the tests that drive the plug-in through the simulated host.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SceneParsing.h"
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

inline std::string show(const PF_LRect& r) {
    return "{" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + "}";
}

// Whether the host ended clean: nothing the plug-in took is still held, and nothing
// was given back wrongly. EXPECT_TRUE or ASSERT_TRUE it as the test needs.
inline ::testing::AssertionResult endedClean(const SimHost& host) {
    const std::vector<std::string> held = host.outstanding();
    const std::vector<std::string> complaints = host.messages();
    if (held.empty() && complaints.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "outstanding: " << ::testing::PrintToString(held)
                                         << ", messages: " << ::testing::PrintToString(complaints);
}

// A loaded plug-in with one effect instance, as most host tests begin.
class InstanceHost {
public:
    explicit InstanceHost(Flavour flavour, const HostBehaviour& behaviour = {}) : host(pluginPath(flavour), flavour) {
        host.setBehaviour(behaviour);
        EXPECT_EQ(host.globalSetup(), PF_Err_NONE);
        EXPECT_EQ(host.paramsSetup(), PF_Err_NONE);
        instance = host.sequenceSetup();
        EXPECT_TRUE(host.hasInstance(instance));
    }
    // Ends the life and checks that nothing is left and nothing was given back wrongly.
    void finish() {
        EXPECT_EQ(host.sequenceSetdown(instance), PF_Err_NONE);
        EXPECT_EQ(host.globalSetdown(), PF_Err_NONE);
        host.unload();
        EXPECT_TRUE(endedClean(host));
    }

    SimHost host;
    InstanceId instance = -1;
};

}  // namespace tilesweep::simhost::test
