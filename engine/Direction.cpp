#include "Direction.h"

#include <cstdlib>


namespace tilesweep {

namespace {
bool horizontalAxis(DirectionKind direction, int32_t slot, double draw) {
    switch (direction) {
        case DirectionKind::Vertical: return false;
        case DirectionKind::Alternate1: return slot % 2 == 0;
        case DirectionKind::Alternate2: return slot % 2 != 0;
        case DirectionKind::Random: return draw < 0.5;
        default: return true;
    }
}

bool forwardSense(DirectionModeKind directionMode, int32_t slot, double draw) {
    switch (directionMode) {
        case DirectionModeKind::Normal: return true;
        case DirectionModeKind::Inverse: return false;
        case DirectionModeKind::Alternate1: return slot % 2 == 0;
        case DirectionModeKind::Alternate2: return slot % 2 != 0;
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
        const bool horizontal = horizontalAxis(popupChoice<DirectionKind>(direction), j, a);
        const bool forward = forwardSense(popupChoice<DirectionModeKind>(directionMode), j, b);
        directions[j] = horizontal ? (forward ? kRight : kLeft) : (forward ? kDown : kUp);
    }
}

DirectionCode towardDirection(int32_t nextLeft, int32_t nextTop, int32_t previousLeft,
                              int32_t previousTop, DependenceKind dependence) {
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
    if (dependence == DependenceKind::Inverse) {
        static const DirectionCode kOpposite[4] = {kLeft, kRight, kUp, kDown};
        code = kOpposite[code];
    }
    return code;
}

void applyDirectionDependence(const BlockRecord* blocks, DirectionCode* directions,
                              int32_t blockCount, DependenceKind dependence) {
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
