#include "BlockOrder.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

namespace tilesweep {

namespace {

// One insider draw per ranked block, in ranking order. With Retain (and always in
// row mode) an outsider keeps its place in the timing; with Skip the sequence closes up.
class InsiderRanker {
public:
    InsiderRanker(const OrderChoice& choice, bool rowMode, SeededRandom& generator)
        : orderInsider_(choice.orderInsider),
          keepsPlace_(rowMode || choice.orderInsiderMode == InsiderModeKind::Retain),
          generator_(generator) {}

    void rank(BlockRecord& block) {
        const double draw = generator_.next();
        if (draw < orderInsider_) {
            block.rank = n_++;
        } else {
            block.rank = ~n_;
            if (keepsPlace_) ++n_;
        }
    }

    int32_t count() const { return n_; }

private:
    double orderInsider_;
    bool keepsPlace_;
    SeededRandom& generator_;
    int32_t n_ = 0;
};

bool columnLeftToRight(PerBlockModeKind perBlockMode, int32_t line) {
    if (perBlockMode == PerBlockModeKind::Inverse) return false;
    if (perBlockMode == PerBlockModeKind::Zigzag) return line % 2 == 0;
    return true;
}

void rankHorizontal(const BlockGrid& g, InsiderRanker& ranker, PerBlockModeKind perBlockMode) {
    for (int32_t row = 0; row < g.gridRows; ++row) {
        BlockRecord* line = g.blocks + static_cast<std::ptrdiff_t>(row) * g.gridColumns;
        if (columnLeftToRight(perBlockMode, row)) {
            for (int32_t c = 0; c < g.gridColumns; ++c) ranker.rank(line[c]);
        } else {
            for (int32_t c = g.gridColumns - 1; c >= 0; --c) ranker.rank(line[c]);
        }
    }
}

void rankVertical(const BlockGrid& g, InsiderRanker& ranker, PerBlockModeKind perBlockMode) {
    for (int32_t column = 0; column < g.gridColumns; ++column) {
        const bool down = columnLeftToRight(perBlockMode, column);
        for (int32_t i = 0; i < g.gridRows; ++i) {
            const int32_t row = down ? i : g.gridRows - 1 - i;
            ranker.rank(g.blocks[static_cast<std::ptrdiff_t>(row) * g.gridColumns + column]);
        }
    }
}

void swapIfBothInsiders(BlockRecord& a, BlockRecord& b) {
    if (a.rank >= 0 && b.rank >= 0) std::swap(a.rank, b.rank);
}

void shuffleRanksInRows(const BlockGrid& g, SeededRandom& generator) {
    const double columns = g.gridColumns;
    for (int32_t row = 0; row < g.gridRows; ++row) {
        BlockRecord* line = g.blocks + static_cast<std::ptrdiff_t>(row) * g.gridColumns;
        for (int32_t j = 0; j < g.gridColumns; ++j) {
            const int32_t k = drawIndex(generator.next(), columns);
            swapIfBothInsiders(line[j], line[k]);
        }
    }
}

void shuffleRanksInColumns(const BlockGrid& g, SeededRandom& generator) {
    const double rows = g.gridRows;
    for (int32_t column = 0; column < g.gridColumns; ++column) {
        for (int32_t j = 0; j < g.gridRows; ++j) {
            const int32_t k = drawIndex(generator.next(), rows);
            swapIfBothInsiders(g.blocks[static_cast<std::ptrdiff_t>(j) * g.gridColumns + column],
                               g.blocks[static_cast<std::ptrdiff_t>(k) * g.gridColumns + column]);
        }
    }
}

// Per-row (or per-column) ordering: every block takes a distinct position, and
// direction dependence writes the direction of each whole row or column.
void rankRows(const BlockGrid& g, DirectionCode* directions, const OrderChoice& choice,
              InsiderRanker& ranker) {
    const bool horizontal = choice.order == OrderKind::Horizontal;
    const bool inverse = choice.orderInverse != 0;
    DirectionCode forward = horizontal ? kDown : kRight;
    DirectionCode backward = horizontal ? kUp : kLeft;
    if (inverse) std::swap(forward, backward);
    const int32_t lines = horizontal ? g.gridRows : g.gridColumns;
    const int32_t along = horizontal ? g.gridColumns : g.gridRows;
    for (int32_t i = 0; i < lines; ++i) {
        // An empty grid can still have rows; it has no direction slots.
        if (i < g.blockCount) {
            if (choice.directionDependence == DependenceKind::Normal) directions[i] = forward;
            if (choice.directionDependence == DependenceKind::Inverse) directions[i] = backward;
        }
        for (int32_t j = 0; j < along; ++j) {
            const std::ptrdiff_t index = horizontal
                ? static_cast<std::ptrdiff_t>(i) * g.gridColumns + j
                : static_cast<std::ptrdiff_t>(j) * g.gridColumns + i;
            ranker.rank(g.blocks[index]);
        }
    }
}

// Spiral inwards from the top-left block. The heading carries over from block to
// block and turns only when the way ahead is blocked.
void rankSpiral(const BlockGrid& g, InsiderRanker& ranker, const int32_t (&rowStep)[4],
                const int32_t (&columnStep)[4]) {
    if (g.blockCount == 0) return;
    int32_t row = 0;
    int32_t column = 0;
    int32_t heading = 0;
    for (int32_t moves = 0;; ++moves) {
        ranker.rank(g.blocks[static_cast<std::ptrdiff_t>(row) * g.gridColumns + column]);
        if (moves == g.blockCount - 1) return;
        bool moved = false;
        for (int32_t turns = 0; turns < 4 && !moved; ++turns) {
            const int32_t r = row + rowStep[heading];
            const int32_t c = column + columnStep[heading];
            if (r >= 0 && r < g.gridRows && c >= 0 && c < g.gridColumns &&
                g.blocks[static_cast<std::ptrdiff_t>(r) * g.gridColumns + c].rank == kUnassignedRank) {
                row = r;
                column = c;
                moved = true;
            } else {
                heading = (heading + 1) % 4;
            }
        }
        if (!moved) return;  // cannot happen on a rectangle; guards the loop
    }
}

void rankRandom(const BlockGrid& g, InsiderRanker& ranker, SeededRandom& orderGenerator) {
    for (int32_t i = 0; i < g.blockCount; ++i) ranker.rank(g.blocks[i]);
    // A swap with any index, not Fisher-Yates: stored projects depend on this exact shuffle.
    const double count = g.blockCount;
    for (int32_t i = 0; i < g.blockCount; ++i) {
        const int32_t k = drawIndex(orderGenerator.next(), count);
        std::swap(g.blocks[i].rank, g.blocks[k].rank);
    }
}

void rankPathRemainder(const BlockGrid& g, int32_t stepCount) {
    int32_t position = stepCount;
    for (int32_t i = 0; i < g.blockCount; ++i) {
        if (g.blocks[i].rank == kUnassignedRank) g.blocks[i].rank = ~position++;
    }
}

void invertRanks(const BlockGrid& g, int32_t stepCount, bool rowMode) {
    const int32_t m = rowMode ? g.blockCount : stepCount;
    for (int32_t i = 0; i < g.blockCount; ++i) {
        int32_t& rank = g.blocks[i].rank;
        if (rank == kUnassignedRank) continue;
        if (rank >= 0) {
            rank = m - 1 - rank;
        } else {
            const int32_t k = ~rank;
            if (rowMode || k < m) rank = ~(m - 1 - k);
        }
    }
}

// The walk steps one pixel of arc length at a time, and a point moves at most one
// pixel per pixel of arc length. So the steps after a point that lies `clearance`
// pixels from any place where a point could rank a block (outside the layer: from
// the layer; inside: from the edge of its block, which is ranked) rank nothing and
// draw nothing, and can be passed over with the same plan, bit for bit. The host
// approximates arc length: its points get half as much speed again, and a pixel of
// margin, before any step is passed over.
constexpr double kHostSpeedAllowance = 1.5;
constexpr double kClearanceMargin = 1.0;

// Clearance of a lone block: no step after it can rank anything; far beyond any walk.
constexpr double kNoOtherBlock = 9007199254740992.0;  // 2^53

double stepsThatChangeNothing(double clearance) {
    // NaN or no clearance: the next step is taken as it is.
    if (!(clearance > kClearanceMargin)) return 1.0;
    if (clearance >= kNoOtherBlock) return kNoOtherBlock;
    return std::max(1.0, std::floor((clearance - kClearanceMargin) / kHostSpeedAllowance));
}

// Distance from (x, y) to the closed rectangle of the layer; NaN for a point that
// is not finite, which tells nothing about the next one.
double distanceOutside(double x, double y, double width, double height) {
    if (!std::isfinite(x) || !std::isfinite(y)) return std::numeric_limits<double>::quiet_NaN();
    const double dx = x < 0.0 ? -x : (x > width ? x - width : 0.0);
    const double dy = y < 0.0 ? -y : (y > height ? y - height : 0.0);
    return std::sqrt(dx * dx + dy * dy);
}

// Distance from (x, y), in block (row, column), which is ranked, to the nearest
// place where a point could still rank a block: an unranked neighbour, or beyond the
// 3 x 3 neighbourhood where blocks lie. Outside the layer nothing ranks.
double clearanceAmongRanked(const BlockGrid& g, double x, double y, int32_t row, int32_t column,
                            double blockWidth, double blockHeight) {
    double clearance = kNoOtherBlock;
    for (int32_t r = row - 1; r <= row + 1; ++r) {
        for (int32_t c = column - 1; c <= column + 1; ++c) {
            if (r < 0 || r >= g.gridRows || c < 0 || c >= g.gridColumns) continue;
            if (g.blocks[static_cast<std::ptrdiff_t>(r) * g.gridColumns + c].rank != kUnassignedRank) continue;
            const double dx = std::max(std::max(c * blockWidth - x, x - (c + 1) * blockWidth), 0.0);
            const double dy = std::max(std::max(r * blockHeight - y, y - (r + 1) * blockHeight), 0.0);
            clearance = std::min(clearance, std::sqrt(dx * dx + dy * dy));
        }
    }
    if (column > 1) clearance = std::min(clearance, x - (column - 1) * blockWidth);
    if (column < g.gridColumns - 2) clearance = std::min(clearance, (column + 2) * blockWidth - x);
    if (row > 1) clearance = std::min(clearance, y - (row - 1) * blockHeight);
    if (row < g.gridRows - 2) clearance = std::min(clearance, (row + 2) * blockHeight - y);
    return clearance;
}

}  // namespace

int32_t truncToInt32(double value) {
    if (!(value == value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);
}

bool isRowMode(const OrderChoice& choice) {
    return (choice.order == OrderKind::Horizontal || choice.order == OrderKind::Vertical) &&
           choice.orderPer != OrderPerKind::Block;
}

int32_t walkOrderPath(const BlockGrid& g, int32_t gridWidth, int32_t gridHeight,
                      int32_t orderPathId, OrderPathSource& source, const OrderChoice& choice,
                      SeededRandom& insiderGenerator, int32_t& stepCount, PathOrigin origin) {
    InsiderRanker ranker(choice, false, insiderGenerator);
    void* path = nullptr;
    int32_t err = source.checkoutPath(orderPathId, &path);
    if (err != 0) return err;
    const double width = gridWidth;
    const double height = gridHeight;
    const double blockWidth = width / g.gridColumns;
    const double blockHeight = height / g.gridRows;
    // Arc lengths are stepped by 1.0; past 2^31 pixels a path is not a mask any more.
    const double longestWalk = 2147483648.0;
    int32_t segments = 0;
    if (path != nullptr) err = source.numSegments(path, &segments);
    for (int32_t s = 0; err == 0 && s < segments; ++s) {
        void* preparation = nullptr;
        err = source.prepareSegLength(path, s, 100, &preparation);
        if (err != 0) break;
        double length = 0.0;
        err = source.getSegLength(path, s, preparation, &length);
        // d stays a whole number far below 2^53, so a jump of k steps lands exactly
        // where k single steps would.
        for (double d = 0.0; err == 0 && d <= length && d <= longestWalk; d += 1.0) {
            double x = 0.0;
            double y = 0.0;
            err = source.evalSegLength(path, preparation, s, d, &x, &y);
            if (err != 0) continue;
            x -= origin.x;
            y -= origin.y;
            if (!(x >= 0.0 && x < width && y >= 0.0 && y < height)) {
                d += stepsThatChangeNothing(distanceOutside(x, y, width, height)) - 1.0;
                continue;
            }
            if (g.blockCount == 0) continue;  // a grid count below 1 leaves no block to rank
            int32_t column = static_cast<int32_t>(x / blockWidth);
            if (column >= g.gridColumns) column = g.gridColumns - 1;
            int32_t row = static_cast<int32_t>(y / blockHeight);
            if (row >= g.gridRows) row = g.gridRows - 1;
            BlockRecord& block = g.blocks[static_cast<std::ptrdiff_t>(row) * g.gridColumns + column];
            if (block.rank == kUnassignedRank) ranker.rank(block);
            const double clearance = clearanceAmongRanked(g, x, y, row, column, blockWidth, blockHeight);
            d += stepsThatChangeNothing(clearance) - 1.0;
        }
        const int32_t cleanupErr = source.cleanupSegLength(path, s, preparation);
        if (err == 0) err = cleanupErr;
    }
    if (path != nullptr) {
        const int32_t checkinErr = source.checkinPath(orderPathId, path);
        if (err == 0) err = checkinErr;
    }
    stepCount = ranker.count();
    return err;
}

void computeBlockOrder(const BlockGrid& g, DirectionCode* directions, int32_t& stepCount,
                       const OrderChoice& choice, SeededRandom& orderGenerator,
                       SeededRandom& insiderGenerator) {
    const bool rowMode = isRowMode(choice);
    InsiderRanker ranker(choice, rowMode, insiderGenerator);
    static const int32_t kClockwiseRows[4] = {0, 1, 0, -1};
    static const int32_t kClockwiseColumns[4] = {1, 0, -1, 0};
    static const int32_t kAnticlockwiseRows[4] = {1, 0, -1, 0};
    static const int32_t kAnticlockwiseColumns[4] = {0, 1, 0, -1};
    bool ranked = true;
    if (rowMode) {
        rankRows(g, directions, choice, ranker);
    } else {
        switch (choice.order) {
            case OrderKind::Horizontal:
                rankHorizontal(g, ranker, choice.orderPerBlockMode);
                if (choice.orderPerBlockMode == PerBlockModeKind::Random) shuffleRanksInRows(g, insiderGenerator);
                break;
            case OrderKind::Vertical:
                rankVertical(g, ranker, choice.orderPerBlockMode);
                if (choice.orderPerBlockMode == PerBlockModeKind::Random) shuffleRanksInColumns(g, insiderGenerator);
                break;
            case OrderKind::Clockwise:
                rankSpiral(g, ranker, kClockwiseRows, kClockwiseColumns);
                break;
            case OrderKind::Anticlockwise:
                rankSpiral(g, ranker, kAnticlockwiseRows, kAnticlockwiseColumns);
                break;
            case OrderKind::Random:
                rankRandom(g, ranker, orderGenerator);
                break;
            case OrderKind::Path:
                rankPathRemainder(g, stepCount);
                ranked = false;
                break;
            default:
                // An order the effect does not know ranks nothing and draws nothing.
                stepCount = 0;
                return;
        }
    }
    if (!rowMode && ranked) stepCount = ranker.count();
    if (choice.orderInverse != 0) invertRanks(g, stepCount, rowMode);
}

void rotateRanks(const BlockGrid& g, int32_t stepCount, double orderOffset,
                 const OrderChoice& choice) {
    const bool rowMode = isRowMode(choice);
    int64_t a = truncToInt32(static_cast<double>(stepCount) * orderOffset);
    int64_t m = stepCount;
    if (rowMode) {
        a *= choice.order == OrderKind::Horizontal ? g.gridColumns : g.gridRows;
        m = g.blockCount;
    }
    if (a == 0 || m <= 0) return;
    auto rotated = [m, a](int64_t position) {
        const int64_t r = (position + m - a) % m;
        return static_cast<int32_t>(r < 0 ? r + m : r);
    };
    for (int32_t i = 0; i < g.blockCount; ++i) {
        int32_t& rank = g.blocks[i].rank;
        if (rank == kUnassignedRank) continue;
        if (rank >= 0) {
            rank = rotated(rank);
        } else if (~rank < m) {
            rank = ~rotated(~rank);
        }
    }
}

}  // namespace tilesweep
