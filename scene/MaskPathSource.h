// The masks of a layer as the host's path suites present them.
#pragma once

#include <cstdint>
#include <vector>

#include "MaskPath.h"
#include "RenderServices.h"

namespace tilesweep {

// Path id n is the n-th mask (1-based).
class MaskPathSource : public OrderPathSource {
public:
    explicit MaskPathSource(const std::vector<MaskPath>& masks) : masks_(masks) {}

    int32_t checkoutPath(int32_t pathId, void** path) override;
    int32_t numSegments(void* path, int32_t* count) override;
    int32_t prepareSegLength(void* path, int32_t segment, int32_t frequency, void** preparation) override;
    int32_t getSegLength(void* path, int32_t segment, void* preparation, double* length) override;
    int32_t evalSegLength(void* path, void* preparation, int32_t segment, double distance, double* x,
                          double* y) override;
    int32_t cleanupSegLength(void* path, int32_t segment, void* preparation) override;
    int32_t checkinPath(int32_t pathId, void* path) override;

private:
    const std::vector<MaskPath>& masks_;
};

}  // namespace tilesweep
