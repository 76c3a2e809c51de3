// The path walk passes over steps that cannot rank a block. Whatever it passes over,
// the plan must be the one of the literal walk, which evaluates the mask at every
// pixel of arc length: same ranks, same step count, same random draws.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "BlockOrder.h"
#include "MaskPathParser.h"
#include "MaskPathSource.h"

namespace tilesweep::test {
namespace {

// The mask as a host may present it: its arc lengths approximated (points run up to
// 1.2 times as fast as the length says, and wobble by 0.3 pixel), and every
// evaluation counted.
class HostLikePath : public OrderPathSource {
public:
    HostLikePath(const std::vector<MaskPath>& masks, double speed, double wobble)
        : exact_(masks), speed_(speed), wobble_(wobble) {}

    int32_t checkoutPath(int32_t id, void** path) override { return exact_.checkoutPath(id, path); }
    int32_t numSegments(void* path, int32_t* count) override { return exact_.numSegments(path, count); }
    int32_t prepareSegLength(void* path, int32_t s, int32_t f, void** p) override {
        return exact_.prepareSegLength(path, s, f, p);
    }
    int32_t getSegLength(void* path, int32_t s, void* p, double* length) override {
        const int32_t err = exact_.getSegLength(path, s, p, length);
        *length /= speed_;
        return err;
    }
    int32_t evalSegLength(void* path, void* p, int32_t s, double d, double* x, double* y) override {
        ++evaluations;
        return exact_.evalSegLength(path, p, s, d * speed_ + wobble_ * std::sin(d), x, y);
    }
    int32_t cleanupSegLength(void* path, int32_t s, void* p) override { return exact_.cleanupSegLength(path, s, p); }
    int32_t checkinPath(int32_t id, void* path) override { return exact_.checkinPath(id, path); }

    long evaluations = 0;

private:
    MaskPathSource exact_;
    double speed_;
    double wobble_;
};

// The walk as the effect defines it, one evaluation per pixel of arc length.
int32_t literalWalk(const BlockGrid& g, int32_t imageWidth, int32_t imageHeight, OrderPathSource& source,
                    const OrderChoice& choice, SeededRandom& insiderGenerator) {
    const bool keepsPlace = choice.orderInsiderMode == InsiderModeKind::Retain;
    int32_t n = 0;
    void* path = nullptr;
    source.checkoutPath(1, &path);
    int32_t segments = 0;
    source.numSegments(path, &segments);
    const double bw = static_cast<double>(imageWidth) / g.gridColumns;
    const double bh = static_cast<double>(imageHeight) / g.gridRows;
    for (int32_t s = 0; s < segments; ++s) {
        void* preparation = nullptr;
        source.prepareSegLength(path, s, 100, &preparation);
        double length = 0.0;
        source.getSegLength(path, s, preparation, &length);
        for (double d = 0.0; d <= length; d += 1.0) {
            double x = 0.0;
            double y = 0.0;
            source.evalSegLength(path, preparation, s, d, &x, &y);
            if (!(x >= 0.0 && x < imageWidth && y >= 0.0 && y < imageHeight)) continue;
            const int32_t column = std::min(static_cast<int32_t>(x / bw), g.gridColumns - 1);
            const int32_t row = std::min(static_cast<int32_t>(y / bh), g.gridRows - 1);
            BlockRecord& block = g.blocks[row * g.gridColumns + column];
            if (block.rank != kUnassignedRank) continue;
            if (insiderGenerator.next() < choice.orderInsider) {
                block.rank = n++;
            } else {
                block.rank = ~n;
                if (keepsPlace) ++n;
            }
        }
        source.cleanupSegLength(path, s, preparation);
    }
    source.checkinPath(1, path);
    return n;
}

class Lcg {
public:
    explicit Lcg(uint32_t seed) : state_(seed) {}
    double unit() {
        state_ = state_ * 1664525u + 1013904223u;
        return (state_ >> 8) / 16777216.0;
    }
    int32_t below(int32_t n) { return static_cast<int32_t>(unit() * n); }

private:
    uint32_t state_;
};

// Mostly near the layer, sometimes far beyond it, sometimes on a block edge.
double coordinate(Lcg& random, int32_t side, int32_t blocks) {
    const double pick = random.unit();
    if (pick < 0.15) return (random.unit() - 0.5) * 2e5;
    if (pick < 0.3) return std::floor(random.unit() * blocks) * side / blocks;
    return (random.unit() * 1.6 - 0.3) * side;
}

std::string randomMask(Lcg& random, int32_t width, int32_t height, int32_t columns, int32_t rows) {
    const auto point = [&] {
        return std::to_string(coordinate(random, width, columns)) + " " + std::to_string(coordinate(random, height, rows));
    };
    std::string text = "M " + point();
    const int32_t segments = 1 + random.below(5);
    for (int32_t s = 0; s < segments; ++s) {
        text += random.unit() < 0.5 ? " L " + point() : " C " + point() + " " + point() + " " + point();
    }
    if (random.unit() < 0.3) text += " Z";
    return text;
}

struct WalkResult {
    std::vector<int32_t> ranks;
    int32_t stepCount = 0;
    uint32_t generatorState = 0;
    long evaluations = 0;
};

template <typename Walk>
WalkResult walk(int32_t rows, int32_t columns, HostLikePath& source, Walk&& run) {
    std::vector<BlockRecord> blocks(static_cast<std::size_t>(rows * columns), BlockRecord{0, 0, 0, 0, kUnassignedRank, 0});
    const BlockGrid grid{blocks.data(), rows * columns, rows, columns};
    SeededRandom generator(4321);
    WalkResult result;
    source.evaluations = 0;
    result.stepCount = run(grid, generator);
    result.evaluations = source.evaluations;
    result.generatorState = generator.state;
    for (const BlockRecord& b : blocks) result.ranks.push_back(b.rank);
    return result;
}

struct HostShape {
    const char* name;
    double speed;
    double wobble;
};

class PathWalkSkips : public ::testing::TestWithParam<HostShape> {};

TEST_P(PathWalkSkips, PlansAsTheLiteralWalkOnRandomMasks) {
    Lcg random(2024);
    long skippedEvaluations = 0;
    long literalEvaluations = 0;
    for (int trial = 0; trial < 400; ++trial) {
        const int32_t width = 1 + random.below(300);
        const int32_t height = 1 + random.below(300);
        const int32_t columns = std::min(width, 1 + random.below(24));
        const int32_t rows = std::min(height, 1 + random.below(24));
        const std::string text = randomMask(random, width, height, columns, rows);
        MaskPath mask;
        std::string error;
        ASSERT_TRUE(parseMaskPath(text, mask, error)) << text << ": " << error;
        const std::vector<MaskPath> masks{mask};
        HostLikePath source(masks, GetParam().speed, GetParam().wobble);
        OrderChoice choice{OrderKind::Path,
                           OrderPerKind::Block,
                           PerBlockModeKind::Normal,
                           0,
                           DependenceKind::Off,
                           trial % 3 == 0 ? 1.0 : 0.6,
                           trial % 2 == 0 ? InsiderModeKind::Retain : InsiderModeKind::Skip};

        const WalkResult literal = walk(rows, columns, source, [&](const BlockGrid& g, SeededRandom& r) {
            return literalWalk(g, width, height, source, choice, r);
        });
        const WalkResult skipping = walk(rows, columns, source, [&](const BlockGrid& g, SeededRandom& r) {
            int32_t steps = 0;
            EXPECT_EQ(walkOrderPath(g, width, height, 1, source, choice, r, steps), 0);
            return steps;
        });
        ASSERT_EQ(skipping.ranks, literal.ranks) << "mask " << text << " on " << width << " x " << height;
        ASSERT_EQ(skipping.stepCount, literal.stepCount) << text;
        ASSERT_EQ(skipping.generatorState, literal.generatorState) << text;
        skippedEvaluations += skipping.evaluations;
        literalEvaluations += literal.evaluations;
    }
    // Far-out points make the literal walk long: the skipping one must pass most of it.
    EXPECT_LT(skippedEvaluations * 20, literalEvaluations);
}

INSTANTIATE_TEST_SUITE_P(Hosts, PathWalkSkips,
                         ::testing::Values(HostShape{"ExactArcLength", 1.0, 0.0},
                                           HostShape{"ApproximateArcLength", 1.2, 0.3}),
                         [](const auto& entry) { return std::string(entry.param.name); });

// Masks that once took minutes: the walk now costs a few hundred evaluations.
TEST(PathWalkSkips, FarReachingMasksNeedFewEvaluations) {
    for (const char* text : {"M 0 0 L 1000000 0", "M 0 0 C 0 1000000 1000000 1000000 1000000 0",
                             "M -1000000 -1000000 L 1000000 1000000", "M 0 1 C 3840 1 0 1 3840 1 C 0 1 3840 1 0 1"}) {
        MaskPath mask;
        std::string error;
        ASSERT_TRUE(parseMaskPath(text, mask, error)) << error;
        const std::vector<MaskPath> masks{mask};
        HostLikePath source(masks, 1.0, 0.0);
        const OrderChoice choice{OrderKind::Path, OrderPerKind::Block, PerBlockModeKind::Normal, 0,
                                 DependenceKind::Off, 1.0, InsiderModeKind::Retain};
        const WalkResult result = walk(8, 8, source, [&](const BlockGrid& g, SeededRandom& r) {
            int32_t steps = 0;
            EXPECT_EQ(walkOrderPath(g, 3840, 2160, 1, source, choice, r, steps), 0);
            return steps;
        });
        EXPECT_GT(result.stepCount, 0) << text;
        EXPECT_LT(result.evaluations, 3000) << text;
    }
}

}  // namespace
}  // namespace tilesweep::test
