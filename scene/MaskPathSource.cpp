#include "MaskPathSource.h"

#include "ResultCodes.h"

namespace tilesweep {

namespace {

const PathSegment* segmentOf(void* path, int32_t segment) {
    const auto* mask = static_cast<const MaskPath*>(path);
    if (mask == nullptr || segment < 0 || static_cast<std::size_t>(segment) >= mask->segments.size()) return nullptr;
    return &mask->segments[static_cast<std::size_t>(segment)];
}

}  // namespace

int32_t MaskPathSource::checkoutPath(int32_t pathId, void** path) {
    *path = nullptr;
    if (pathId >= 1 && static_cast<std::size_t>(pathId) <= masks_.size()) {
        *path = const_cast<MaskPath*>(&masks_[static_cast<std::size_t>(pathId - 1)]);
    }
    return 0;
}

int32_t MaskPathSource::numSegments(void* path, int32_t* count) {
    const auto* mask = static_cast<const MaskPath*>(path);
    if (mask == nullptr) return kErrBadCallbackParam;
    *count = static_cast<int32_t>(mask->segments.size());
    return 0;
}

int32_t MaskPathSource::prepareSegLength(void* path, int32_t segment, int32_t, void** preparation) {
    const PathSegment* s = segmentOf(path, segment);
    *preparation = const_cast<PathSegment*>(s);
    return s == nullptr ? kErrBadCallbackParam : 0;
}

int32_t MaskPathSource::getSegLength(void*, int32_t, void* preparation, double* length) {
    if (preparation == nullptr) return kErrBadCallbackParam;
    *length = static_cast<const PathSegment*>(preparation)->length();
    return 0;
}

int32_t MaskPathSource::evalSegLength(void*, void* preparation, int32_t, double distance, double* x, double* y) {
    if (preparation == nullptr) return kErrBadCallbackParam;
    const PathPoint p = static_cast<const PathSegment*>(preparation)->pointAt(distance);
    *x = p.x;
    *y = p.y;
    return 0;
}

int32_t MaskPathSource::cleanupSegLength(void*, int32_t, void*) { return 0; }

int32_t MaskPathSource::checkinPath(int32_t, void*) { return 0; }

}  // namespace tilesweep
