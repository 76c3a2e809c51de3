// Plain records shared by every stage of the wipe engine. No host header may be
// included here: the engine builds and runs without the host.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tilesweep {

// Rank of a block that the ordering has not reached yet.
constexpr int32_t kUnassignedRank = -10000000;

struct BlockRecord {
    int32_t left;
    int32_t top;
    int32_t width;
    int32_t height;
    int32_t rank;         // >= 0 insider position; ~k outsider with would-be position k
    int32_t blockAtRank;  // entry of the rank-to-block map kept beside the blocks
};
static_assert(sizeof(BlockRecord) == 24, "six signed 32-bit integers");

using DirectionCode = int8_t;
constexpr DirectionCode kRight = 0;
constexpr DirectionCode kLeft = 1;
constexpr DirectionCode kDown = 2;
constexpr DirectionCode kUp = 3;

enum PixelDepth : int32_t { Depth8 = 0, Depth16 = 1, Depth32f = 2 };

// Left, top, right, bottom; right and bottom exclusive.
struct Rect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

inline bool isEmpty(const Rect& r) { return r.left >= r.right || r.top >= r.bottom; }

// The host's transfer modes that the engine composites with, by the host's numbers
// (Difference, ColorDodge and ColorBurn are the host's second versions of those
// modes). Any other number composites as InFront.
enum class TransferMode : int32_t {
    InFront = 2,
    Add = 4,
    Multiply = 5,
    Screen = 6,
    Overlay = 7,
    HardLight = 9,
    Darken = 10,
    Lighten = 11,
    Difference = 26,
    ColorDodge = 27,
    ColorBurn = 28,
    LinearLight = 31,
    VividLight = 32,
    PinLight = 33,
    HardMix = 34,
};

// The host's composite mode, as the engine fills it for transfer_rect.
struct CompositeMode {
    TransferMode xfer;
    int32_t randSeed;
    uint8_t opacity;
    uint8_t rgbOnly;
    uint16_t opacitySu;
};

struct ImageView {
    void* pixels;       // first pixel of the top row
    int32_t rowPixels;  // distance between rows, in pixels
    int32_t width;
    int32_t height;
};

}  // namespace tilesweep
