#include <gtest/gtest.h>

#include <algorithm>

#include "BlockOrder.h"
#include "Direction.h"
#include "TestSupport.h"

namespace tilesweep::test {
namespace {

struct OrderCase {
    const char* name;
    OrderKind order;
    OrderPerKind orderPer;
    PerBlockModeKind perBlockMode;
    int32_t inverse;
    int32_t offsetDegrees;
    std::vector<int32_t> ranks;  // row by row
};

class RankTable : public ::testing::TestWithParam<OrderCase> {};

using O = OrderKind;
using Per = OrderPerKind;
using B = PerBlockModeKind;

// Three rows of four blocks, every block an insider.
TEST_P(RankTable, RanksEveryBlock) {
    const OrderCase& c = GetParam();
    WipeSettings s = defaultSettings();
    s.rows = 3;
    s.columns = 4;
    s.order = popupValue(c.order);
    s.orderPer = popupValue(c.orderPer);
    s.orderPerBlockMode = popupValue(c.perBlockMode);
    s.orderInverse = c.inverse;
    s.orderOffset = c.offsetDegrees / 360.0;
    auto f = planOf(s, 40, 30);
    ASSERT_EQ(f->err, 0);
    EXPECT_EQ(f->ranks(), c.ranks);
    EXPECT_EQ(f->plan.stepCount, 12);
}

INSTANTIATE_TEST_SUITE_P(
    ThreeByFour, RankTable,
    ::testing::Values(
        OrderCase{"HorizontalNormal", O::Horizontal, Per::Block, B::Normal, 0, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
        OrderCase{"HorizontalZigzag", O::Horizontal, Per::Block, B::Zigzag, 0, 0, {0, 1, 2, 3, 7, 6, 5, 4, 8, 9, 10, 11}},
        OrderCase{"HorizontalInverseOrder", O::Horizontal, Per::Block, B::Normal, 1, 0, {11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0}},
        OrderCase{"HorizontalInversePerBlock", O::Horizontal, Per::Block, B::Inverse, 0, 0, {3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8}},
        OrderCase{"VerticalNormal", O::Vertical, Per::Block, B::Normal, 0, 0, {0, 3, 6, 9, 1, 4, 7, 10, 2, 5, 8, 11}},
        OrderCase{"VerticalZigzag", O::Vertical, Per::Block, B::Zigzag, 0, 0, {0, 5, 6, 11, 1, 4, 7, 10, 2, 3, 8, 9}},
        OrderCase{"Clockwise", O::Clockwise, Per::Block, B::Normal, 0, 0, {0, 1, 2, 3, 9, 10, 11, 4, 8, 7, 6, 5}},
        OrderCase{"Anticlockwise", O::Anticlockwise, Per::Block, B::Normal, 0, 0, {0, 9, 8, 7, 1, 10, 11, 6, 2, 3, 4, 5}},
        OrderCase{"ClockwiseOffset90", O::Clockwise, Per::Block, B::Normal, 0, 90, {9, 10, 11, 0, 6, 7, 8, 1, 5, 4, 3, 2}},
        OrderCase{"PathWithoutMaskIsHorizontalIgnoringInverse", O::Path, Per::Row2, B::Normal, 1, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}}),
    [](const ::testing::TestParamInfo<OrderCase>& param) { return param.param.name; });

TEST(BlockOrder, ClockwiseSpiralOnFourByFour) {
    WipeSettings s = defaultSettings();
    s.rows = 4;
    s.columns = 4;
    s.order = popupValue(OrderKind::Clockwise);
    auto f = planOf(s, 40, 40);
    EXPECT_EQ(f->ranks(), (std::vector<int32_t>{0, 1, 2, 3, 11, 12, 13, 4, 10, 15, 14, 5, 9, 8, 7, 6}));
}

TEST(BlockOrder, RowModeOffsetMovesWholeRows) {
    WipeSettings s = defaultSettings();
    s.rows = 4;
    s.columns = 3;
    s.order = popupValue(OrderKind::Horizontal);
    s.orderPer = popupValue(OrderPerKind::Row1);
    s.orderOffset = 0.25;
    auto f = planOf(s, 30, 40);
    EXPECT_TRUE(f->plan.rowMode);
    EXPECT_EQ(f->plan.stepCount, 4);
    EXPECT_EQ(f->ranks(), (std::vector<int32_t>{9, 10, 11, 0, 1, 2, 3, 4, 5, 6, 7, 8}));
}

// Finds an "Order Seed" whose insider draws, at the given probability, make exactly
// the second block of a row of four an outsider.
int32_t seedWithSecondOutsider(double orderInsider) {
    for (int32_t seed = 0; seed < 10000; ++seed) {
        SeededRandom g(insiderSeed(seed));
        bool pattern = true;
        for (int i = 0; i < 4; ++i) pattern = pattern && ((g.next() < orderInsider) == (i != 1));
        if (pattern) return seed;
    }
    return -1;
}

TEST(BlockOrder, RetainKeepsTheOutsidersPlaceAndSkipClosesUp) {
    WipeSettings s = defaultSettings();
    s.rows = 1;
    s.columns = 4;
    s.orderInsider = 0.5;
    s.orderSeed = seedWithSecondOutsider(0.5);
    ASSERT_GE(s.orderSeed, 0);
    auto retain = planOf(s, 40, 10);
    EXPECT_EQ(retain->ranks(), (std::vector<int32_t>{0, ~1, 2, 3}));
    EXPECT_EQ(retain->plan.stepCount, 4);
    s.orderInsiderMode = popupValue(InsiderModeKind::Skip);
    auto skip = planOf(s, 40, 10);
    EXPECT_EQ(skip->ranks(), (std::vector<int32_t>{0, ~1, 1, 2}));
    EXPECT_EQ(skip->plan.stepCount, 3);
}

TEST(BlockOrder, NoInsidersWithSkipAndWithRetain) {
    WipeSettings s = defaultSettings();
    s.rows = 2;
    s.columns = 3;
    s.orderInsider = 0.0;
    s.orderInsiderMode = popupValue(InsiderModeKind::Skip);
    auto skip = planOf(s, 30, 20);
    EXPECT_EQ(skip->ranks(), std::vector<int32_t>(6, -1));
    EXPECT_EQ(skip->plan.stepCount, 0);
    s.orderInsiderMode = popupValue(InsiderModeKind::Retain);
    auto retain = planOf(s, 30, 20);
    EXPECT_EQ(retain->ranks(), (std::vector<int32_t>{~0, ~1, ~2, ~3, ~4, ~5}));
    EXPECT_EQ(retain->plan.stepCount, 6);
}

TEST(BlockOrder, SingleBlockIsRankZeroInEveryOrder) {
    for (OrderKind order : {OrderKind::Horizontal, OrderKind::Vertical, OrderKind::Clockwise,
                            OrderKind::Anticlockwise, OrderKind::Random}) {
        WipeSettings s = defaultSettings();
        s.rows = 1;
        s.columns = 1;
        s.order = popupValue(order);
        auto f = planOf(s, 5, 5);
        EXPECT_EQ(f->ranks(), std::vector<int32_t>{0}) << "order " << s.order;
        EXPECT_EQ(f->plan.stepCount, 1) << "order " << s.order;
    }
}

TEST(BlockOrder, EmptyImagePlansAnEmptyGridButRowModeKeepsItsSteps) {
    for (int32_t order = 1; order <= itemCount<OrderKind>(); ++order) {
        for (int32_t per = 1; per <= itemCount<OrderPerKind>(); ++per) {
            WipeSettings s = defaultSettings();
            s.order = order;
            s.orderPer = per;
            s.orderPathId = 1;
            auto f = planOf(s, 0, 50);
            ASSERT_EQ(f->err, 0);
            EXPECT_EQ(f->plan.blockCount, 0);
            const bool horizontal = order == popupValue(OrderKind::Horizontal);
            const bool rowMode = (horizontal || order == popupValue(OrderKind::Vertical)) &&
                                 per != popupValue(OrderPerKind::Block);
            const int32_t expected = rowMode ? (horizontal ? f->plan.gridRows : f->plan.gridColumns) : 0;
            EXPECT_EQ(f->plan.stepCount, expected) << order << "/" << per;
        }
    }
}

TEST(BlockOrder, RandomOrderIsAPermutationThatFollowsTheSeed) {
    WipeSettings s = defaultSettings();
    s.rows = 5;
    s.columns = 7;
    s.order = popupValue(OrderKind::Random);
    auto a = planOf(s, 70, 50);
    auto b = planOf(s, 70, 50);
    EXPECT_EQ(a->ranks(), b->ranks());
    std::vector<int32_t> sorted = a->ranks();
    std::sort(sorted.begin(), sorted.end());
    for (int32_t i = 0; i < 35; ++i) EXPECT_EQ(sorted[static_cast<std::size_t>(i)], i);
    s.orderSeed = 1;
    EXPECT_NE(planOf(s, 70, 50)->ranks(), a->ranks());
}

TEST(BlockOrder, RandomOrderMatchesTheSwapWithAnyIndex) {
    WipeSettings s = defaultSettings();
    s.rows = 1;
    s.columns = 6;
    s.order = popupValue(OrderKind::Random);
    s.orderSeed = 42;
    std::vector<int32_t> expected{0, 1, 2, 3, 4, 5};
    SeededRandom g(42);
    for (std::size_t i = 0; i < 6; ++i) std::swap(expected[i], expected[static_cast<std::size_t>(g.next() * 6)]);
    EXPECT_EQ(planOf(s, 60, 10)->ranks(), expected);
}

TEST(BlockOrder, RowModeInverseAndDirectionsOfRows) {
    WipeSettings s = defaultSettings();
    s.rows = 3;
    s.columns = 2;
    s.order = popupValue(OrderKind::Horizontal);
    s.orderPer = popupValue(OrderPerKind::Row2);
    s.directionDependence = popupValue(DependenceKind::Normal);
    s.orderInverse = 1;
    auto f = planOf(s, 20, 30);
    EXPECT_EQ(f->ranks(), (std::vector<int32_t>{5, 4, 3, 2, 1, 0}));
    const std::vector<int32_t> d = f->directions();
    EXPECT_EQ(d[0], kUp);
    EXPECT_EQ(d[1], kUp);
    EXPECT_EQ(d[2], kUp);
    s.order = popupValue(OrderKind::Vertical);
    s.orderInverse = 0;
    s.directionDependence = popupValue(DependenceKind::Inverse);
    auto v = planOf(s, 20, 30);
    EXPECT_EQ(v->ranks(), (std::vector<int32_t>{0, 3, 1, 4, 2, 5}));
    EXPECT_EQ(v->directions()[0], kLeft);
    EXPECT_EQ(v->directions()[1], kLeft);
}

TEST(BlockOrder, PerRowShuffleMovesOnlyInsidersWithinTheirRow) {
    WipeSettings s = defaultSettings();
    s.rows = 4;
    s.columns = 5;
    s.orderPerBlockMode = popupValue(PerBlockModeKind::Random);
    s.orderInsider = 0.7;
    s.orderSeed = 3;
    auto f = planOf(s, 50, 40);
    s.orderPerBlockMode = popupValue(PerBlockModeKind::Normal);
    auto unshuffled = planOf(s, 50, 40);
    const std::vector<int32_t> a = f->ranks();
    const std::vector<int32_t> b = unshuffled->ranks();
    for (std::size_t row = 0; row < 4; ++row) {
        std::vector<int32_t> x(a.begin() + static_cast<long>(row * 5), a.begin() + static_cast<long>(row * 5 + 5));
        std::vector<int32_t> y(b.begin() + static_cast<long>(row * 5), b.begin() + static_cast<long>(row * 5 + 5));
        for (std::size_t i = 0; i < 5; ++i) {
            if (y[i] < 0) {
                EXPECT_EQ(x[i], y[i]) << "outsiders never move";
            }
        }
        std::sort(x.begin(), x.end());
        std::sort(y.begin(), y.end());
        EXPECT_EQ(x, y);
    }
}

TEST(BlockOrder, InverseLeavesOutsidersBeyondTheStepsAlone) {
    BlockRecord blocks[3] = {{0, 0, 1, 1, 0, -1}, {1, 0, 1, 1, 1, -1}, {2, 0, 1, 1, ~2, -1}};
    const BlockGrid grid{blocks, 3, 1, 3};
    int32_t stepCount = 2;
    DirectionCode directions[3] = {};
    SeededRandom a(0), b(0);
    OrderChoice choice{OrderKind::Path, OrderPerKind::Block, PerBlockModeKind::Normal, 1, DependenceKind::Off, 1.0,
                       InsiderModeKind::Retain};
    computeBlockOrder(grid, directions, stepCount, choice, a, b);
    EXPECT_EQ(blocks[0].rank, 1);
    EXPECT_EQ(blocks[1].rank, 0);
    EXPECT_EQ(blocks[2].rank, ~2);
}

TEST(BlockOrder, TruncationNeverConvertsOutOfRange) {
    EXPECT_EQ(truncToInt32(std::nan("")), 0);
    EXPECT_EQ(truncToInt32(1e300), INT32_MAX);
    EXPECT_EQ(truncToInt32(-1e300), INT32_MIN);
    EXPECT_EQ(truncToInt32(-2.7), -2);
    EXPECT_EQ(truncToInt32(2.7), 2);
}

}  // namespace
}  // namespace tilesweep::test

namespace tilesweep::test {
namespace {

// Edges are integer divisions of the layer size: 10 pixels in 3 columns are 3, 3, 4.
TEST(Grid, EdgesTruncateAndTileTheWholeLayer) {
    for (int32_t width : {10, 1, 7, 1920, 3839}) {
        for (int32_t columns : {1, 3, 7, 64, 3000}) {
            WipeSettings s = defaultSettings();
            s.rows = 2;
            s.columns = columns;
            auto f = planOf(s, width, 5);
            const int32_t n = f->plan.gridColumns;
            ASSERT_EQ(n, std::min(columns, width));
            for (int32_t c = 0; c < n; ++c) {
                const BlockRecord& b = f->plan.blocks[n + c];
                ASSERT_EQ(b.left, static_cast<int32_t>(int64_t{c} * width / n)) << width << "/" << columns;
                ASSERT_EQ(b.left + b.width, static_cast<int32_t>(int64_t{c + 1} * width / n));
                ASSERT_EQ(b.top, 2);
                ASSERT_EQ(b.height, 3);
            }
        }
    }
    WipeSettings s = defaultSettings();
    s.rows = 1;
    s.columns = 3;
    auto f = planOf(s, 10, 4);
    EXPECT_EQ(f->plan.blocks[0].width, 3);
    EXPECT_EQ(f->plan.blocks[1].width, 3);
    EXPECT_EQ(f->plan.blocks[2].width, 4);
}

TEST(Grid, MoreRowsThanPixelsGiveOnePixelRows) {
    WipeSettings s = defaultSettings();
    s.rows = 3000;
    s.columns = 1;
    auto f = planOf(s, 4, 6);
    EXPECT_EQ(f->plan.gridRows, 6);
    for (int32_t r = 0; r < 6; ++r) EXPECT_EQ(f->plan.blocks[r].height, 1);
    s.rows = 0;
    EXPECT_EQ(planOf(s, 4, 6)->plan.blockCount, 0) << "a count below 1 gives an empty grid";
}

// Which way a block wipes when it follows the order: away from the block before
// it, a diagonal tie on the horizontal axis.
TEST(DirectionDependence, TowardTheNextBlock) {
    struct Move {
        int32_t xn, yn, xp, yp;
        DirectionCode normal;
    };
    const Move moves[] = {
        {100, 100, 0, 0, kRight}, {-100, 100, 0, 0, kLeft},  {100, -100, 0, 0, kRight}, {-100, -100, 0, 0, kLeft},
        {99, 100, 0, 0, kDown},   {-99, -100, 0, 0, kUp},    {101, 100, 0, 0, kRight},  {-100, 0, 0, 0, kLeft},
        {0, 0, 0, 0, kRight},     {0, 7, 0, 0, kDown},       {0, -7, 0, 0, kUp},        {8, 8, 16, 0, kLeft},
        {INT32_MAX, 0, INT32_MIN, 0, kRight},                {0, INT32_MIN, 0, INT32_MAX, kUp},
    };
    const DirectionCode opposite[4] = {kLeft, kRight, kUp, kDown};
    for (const Move& m : moves) {
        SCOPED_TRACE(std::to_string(m.xp) + "," + std::to_string(m.yp) + " to " + std::to_string(m.xn) + "," +
                     std::to_string(m.yn));
        EXPECT_EQ(towardDirection(m.xn, m.yn, m.xp, m.yp, DependenceKind::Normal), m.normal);
        EXPECT_EQ(towardDirection(m.xn, m.yn, m.xp, m.yp, DependenceKind::Inverse), opposite[m.normal]);
    }
}

// Square blocks visited at random: many moves are exact diagonals, which wipe
// along the horizontal axis.
TEST(DirectionDependence, DiagonalStepsOfARandomOrderAreHorizontal) {
    WipeSettings s = defaultSettings();
    s.rows = 6;
    s.columns = 6;
    s.order = popupValue(OrderKind::Random);
    s.orderSeed = 5;
    s.directionDependence = popupValue(DependenceKind::Normal);
    auto f = planOf(s, 60, 60);
    ASSERT_EQ(f->err, 0);
    ASSERT_EQ(f->plan.blockCount, 36);
    int diagonals = 0;
    for (int32_t p = 1; p < f->plan.blockCount; ++p) {
        const BlockRecord& previous = f->plan.blocks[f->plan.blocks[p - 1].blockAtRank];
        const BlockRecord& next = f->plan.blocks[f->plan.blocks[p].blockAtRank];
        const int32_t dx = next.left - previous.left;
        const int32_t dy = next.top - previous.top;
        if (std::abs(dx) != std::abs(dy)) continue;
        ++diagonals;
        EXPECT_EQ(f->plan.directions[p], dx >= 0 ? kRight : kLeft) << "slot " << p;
    }
    EXPECT_GT(diagonals, 0) << "the seed must give the order some diagonal steps";
}

}  // namespace
}  // namespace tilesweep::test
