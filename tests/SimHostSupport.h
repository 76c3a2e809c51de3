// Helpers shared by the tests that drive the plug-in through the simulated host.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "ParamTable.h"

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

inline std::string popupItem(ParamIndex index, int32_t item) {
    return popupItems(paramSpec(index)).at(static_cast<std::size_t>(item - 1));
}

// The values of a random look: every mode and viewing mode, every order including
// Path along mask 1 or 2, moving blocks stacked and blended, sometimes outsiders.
// "Completion" from `lowestCompletion` to 100 less it, "Row" up to `mostRows` and
// "Column" up to `mostColumns`, told in `rows` and `columns`.
inline std::vector<std::string> randomLook(std::mt19937& random, int32_t mostRows, int32_t mostColumns,
                                           int32_t lowestCompletion, int32_t& rows, int32_t& columns) {
    auto pick = [&random](int32_t low, int32_t high) {
        return std::uniform_int_distribution<int32_t>(low, high)(random);
    };
    std::vector<std::string> values = {"Completion=" + std::to_string(pick(lowestCompletion, 100 - lowestCompletion)),
                                       "Delay=" + std::to_string(pick(0, 100))};
    rows = pick(1, mostRows);
    columns = pick(1, mostColumns);
    values.insert(values.end(), {
        "Row=" + std::to_string(rows),
        "Column=" + std::to_string(columns),
        "Mode=" + popupItem(Mode, pick(1, 8)),
        "Viewing Mode=" + popupItem(ViewingMode, pick(1, 3)),
        "Order=" + popupItem(Order, pick(1, 6)),
        "Order Path=" + std::to_string(pick(1, 2)),
        "Direction=" + popupItem(Direction, pick(1, 5)),
        "Direction Seed=" + std::to_string(pick(0, 50)),
        "Order Seed=" + std::to_string(pick(0, 50)),
        "Blend Mode=" + popupItem(BlendMode, pick(1, 15)),
        "Z-index=" + popupItem(ZIndex, pick(1, 3)),
        "Easing=" + popupItem(Easing, pick(1, 9)),
    });
    if (pick(0, 2) == 0) {
        values.push_back("Order Insider=" + std::to_string(pick(30, 99)));
        values.push_back(std::string("Order Outsider=") + (pick(0, 1) == 0 ? "on" : "off"));
    }
    return values;
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
