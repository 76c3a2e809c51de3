#include "Direction.h"

#include <cstdlib>

#include "BlockOrder.h"

namespace tilesweep {

namespace {
enum : int32_t { kAxisHorizontal = 1, kAxisVertical = 2, kAxisAlternate1 = 3, kAxisAlternate2 = 4, kAxisRandom = 5 };
enum : int32_t { kSenseNormal = 1, kSenseInverse = 2, kSenseAlternate1 = 3, kSenseAlternate2 = 4 };

bool horizontalAxis(int32_t direction, int32_t slot, double draw) {
    switch (direction) {
        case kAxisVertical: return false;
        case kAxisAlternate1: return slot % 2 == 0;
        case kAxisAlternate2: return slot % 2 != 0;
        case kAxisRandom: return draw < 0.5;
        default: return true;
    }
}

bool forwardSense(int32_t directionMode, int32_t slot, double draw) {
    switch (directionMode) {
        case kSenseNormal: return true;
        case kSenseInverse: return false;
        case kSenseAlternate1: return slot % 2 == 0;
        case kSenseAlternate2: return slot % 2 != 0;
        default: return draw < 0.5;
    }
}

// The slot of the map entry p holds an insider.
bool insiderAt(const BlockRecord* blocks, int32_t p) {
    const int32_t b = blocks[p].blockAtRank;
    return b >= 0 && blocks[b].rank >= 0;
}
}  // namespace

void fillDirections(DirectionCode* directions, int32_t blockCount, int32_t direction,
                    int32_t directionMode, SeededRandom& directionGenerator) {
    for (int32_t j = 0; j < blockCount; ++j) {
        const double a = directionGenerator.next();
        const double b = directionGenerator.next();
        const bool horizontal = horizontalAxis(direction, j, a);
        const bool forward = forwardSense(directionMode, j, b);
        directions[j] = horizontal ? (forward ? kRight : kLeft) : (forward ? kDown : kUp);
    }
}

DirectionCode towardDirection(int32_t nextLeft, int32_t nextTop, int32_t previousLeft,
                              int32_t previousTop, int32_t dependence) {
    // 64-bit differences: block corners lie inside an image, but the sign must
    // never wrap.
    const int64_t dx = static_cast<int64_t>(nextLeft) - previousLeft;
    const int64_t dy = static_cast<int64_t>(nextTop) - previousTop;
    DirectionCode code;
    if (std::llabs(dx) >= std::llabs(dy)) {
        code = dx >= 0 ? kRight : kLeft;
    } else {
        code = dy > 0 ? kDown : kUp;
    }
    if (dependence == kDependenceInverse) {
        static const DirectionCode kOpposite[4] = {kLeft, kRight, kUp, kDown};
        code = kOpposite[code];
    }
    return code;
}

void applyDirectionDependence(const BlockRecord* blocks, DirectionCode* directions,
                              int32_t blockCount, int32_t dependence) {
    int32_t p0 = 0;
    while (p0 <= blockCount - 2 && !insiderAt(blocks, p0)) ++p0;
    if (p0 > blockCount - 2) return;
    int32_t p1 = p0 + 1;
    while (p1 <= blockCount - 1 && !insiderAt(blocks, p1)) ++p1;
    if (p1 > blockCount - 1) return;
    const BlockRecord* previous = &blocks[blocks[p0].blockAtRank];
    const BlockRecord* next = &blocks[blocks[p1].blockAtRank];
    const DirectionCode first = towardDirection(next->left, next->top, previous->left, previous->top, dependence);
    directions[p0] = first;
    directions[p1] = first;
    previous = next;
    for (int32_t p = p1 + 1; p < blockCount; ++p) {
        if (!insiderAt(blocks, p)) continue;
        next = &blocks[blocks[p].blockAtRank];
        directions[p] = towardDirection(next->left, next->top, previous->left, previous->top, dependence);
        previous = next;
    }
}

}  // namespace tilesweep
