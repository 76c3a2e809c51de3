// What the frame pipeline needs from outside the engine. The plug-in binds these
// to the host's callbacks and suites; the command-line tool and the tests bind them
// to the engine's own image operations and to plain memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "ResultCodes.h"
#include "WipeTypes.h"

namespace tilesweep {

// Memory for one per-frame array. `token` is whatever the allocator needs to free it
// (the host's handle); `data` is where the array lives.
struct ArrayMemory {
    void* data = nullptr;
    void* token = nullptr;
};

class ArrayAllocator {
public:
    virtual ~ArrayAllocator() = default;
    // Returns false when the memory cannot be had.
    virtual bool allocateArray(std::size_t bytes, ArrayMemory& memory) = 0;
    virtual void freeArray(ArrayMemory& memory) = 0;
};

// A mask path, walked by arc length. Every call returns the host's error code.
class OrderPathSource {
public:
    virtual ~OrderPathSource() = default;
    virtual int32_t checkoutPath(int32_t pathId, void** path) = 0;
    virtual int32_t numSegments(void* path, int32_t* count) = 0;
    virtual int32_t prepareSegLength(void* path, int32_t segment, int32_t frequency,
                                     void** preparation) = 0;
    virtual int32_t getSegLength(void* path, int32_t segment, void* preparation,
                                 double* length) = 0;
    virtual int32_t evalSegLength(void* path, void* preparation, int32_t segment,
                                  double distance, double* x, double* y) = 0;
    virtual int32_t cleanupSegLength(void* path, int32_t segment, void* preparation) = 0;
    virtual int32_t checkinPath(int32_t pathId, void* path) = 0;
};

// A keyframe time as the host counts it: value / scale seconds.
struct KeyframeTime {
    int32_t value = 0;
    uint32_t scale = 1;
};

// The animation of "Easing Keyframe". Each obtained object is an opaque token that
// the engine hands back to exactly one release call. Every call returns the host's
// error code.
class EasingKeyframeSource {
public:
    virtual ~EasingKeyframeSource() = default;
    virtual int32_t getEffect(void** effect) = 0;
    virtual int32_t getStream(void* effect, void** stream) = 0;
    virtual int32_t numKeyframes(void* stream, int32_t* count) = 0;
    virtual int32_t keyframeTime(void* stream, int32_t index, KeyframeTime* time) = 0;
    virtual int32_t newStreamValue(void* stream, KeyframeTime time, void** streamValue,
                                   double* value) = 0;
    virtual int32_t disposeStreamValue(void* streamValue) = 0;
    virtual int32_t disposeStream(void* stream) = 0;
    virtual int32_t disposeEffect(void* effect) = 0;
};

// What planning a frame needs: its arrays, a way to tell the user, and the host's
// animation data. The sources are null when the frame has none.
class PlanServices : public ArrayAllocator {
public:
    // Puts a message before the user (the host shows it as an error).
    virtual void showMessage(const char* message) = 0;
    virtual OrderPathSource* orderPath() = 0;
    virtual EasingKeyframeSource* easingKeyframes() = 0;
};

// Image operations on the frame's input and output. Rectangles may be null: the
// whole image.
class RenderServices : public PlanServices {
public:
    virtual int32_t copy(const Rect* source, const Rect* destination) = 0;
    virtual int32_t fill(const Rect* rect) = 0;
    virtual int32_t transfer_rect(const Rect& source, const CompositeMode& mode, int32_t x,
                                  int32_t y) = 0;
    // A scaled copy of which only `part` of the destination is wanted: the source is
    // scaled to the whole destination rectangle as `copy` scales it, and the pixels of
    // `part` (within the destination) land with their corner at (x, y) of the output.
    // Drawing into a window onto the frame needs it; services without it refuse.
    virtual int32_t copyPart(const Rect& /*source*/, const Rect& /*destination*/, const Rect& /*part*/,
                             int32_t /*x*/, int32_t /*y*/) {
        return kErrBadCallbackParam;
    }
    virtual void progress(int32_t current, int32_t total) = 0;
    // Still1's floor; the plug-in binds it to the host's maths so that every build
    // rounds alike.
    virtual double floor(double x) = 0;
};

}  // namespace tilesweep
