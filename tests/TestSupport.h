// Shared helpers of the engine tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <memory>
#include <vector>

#include "FramePipeline.h"
#include "LocalServices.h"
#include "WipeSettings.h"

namespace tilesweep::test {

inline WipeSettings defaultSettings() { return settingsFromHostValues(defaultRawValues(), std::fmod); }

// A plan together with the services and arrays that own its memory.
struct PlannedFrame {
    LocalServices services;
    std::unique_ptr<FrameArrays> arrays;
    FramePlan plan;
    int32_t err = 0;

    std::vector<int32_t> ranks() const {
        std::vector<int32_t> r;
        for (int32_t i = 0; i < plan.blockCount; ++i) r.push_back(plan.blocks[i].rank);
        return r;
    }
    std::vector<int32_t> directions() const {
        return std::vector<int32_t>(plan.directions, plan.directions + plan.blockCount);
    }
    std::vector<int32_t> blockAtRank() const {
        std::vector<int32_t> r;
        for (int32_t i = 0; i < plan.blockCount; ++i) r.push_back(plan.blocks[i].blockAtRank);
        return r;
    }
};

inline std::unique_ptr<PlannedFrame> planOf(const WipeSettings& settings, int32_t width, int32_t height,
                                            OrderPathSource* path = nullptr,
                                            EasingKeyframeSource* keyframes = nullptr) {
    auto frame = std::make_unique<PlannedFrame>();
    frame->services.setOrderPath(path);
    frame->services.setEasingKeyframes(keyframes);
    frame->arrays = std::make_unique<FrameArrays>(frame->services);
    frame->err = planFrame(settings, width, height, frame->services, *frame->arrays, frame->plan);
    return frame;
}

}  // namespace tilesweep::test
