// The engine's result codes. Every one but kErrBadImageSize is the host's own number,
// so that a code passes from the engine to the host unchanged.
#pragma once

#include <cstdint>

namespace tilesweep {

constexpr int32_t kErrNone = 0;
constexpr int32_t kErrOutOfMemory = 4;
// The input and output images do not fit each other (the engine's own code).
constexpr int32_t kErrBadImageSize = 255;
constexpr int32_t kErrInternalStructDamaged = 512;
// Also what a pixel format that no operation handles gives.
constexpr int32_t kErrBadCallbackParam = 516;

}  // namespace tilesweep
