#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "Easing.h"
#include "SeededRandom.h"
#include "Timing.h"

namespace tilesweep {
namespace {

TEST(SeededRandom, KnownSequences) {
    SeededRandom zero(0);
    EXPECT_EQ(zero.next(), 5.748588591814041e-06);
    EXPECT_EQ(zero.state, 0x00003039u);
    EXPECT_EQ(zero.next(), 0.6551540484651923);
    EXPECT_EQ(zero.state, 0xD3DC167Eu);
    EXPECT_EQ(zero.next(), 0.30481432331725955);
    EXPECT_EQ(zero.state, 0xA70427DFu);
    SeededRandom one(1);
    EXPECT_EQ(one.next(), 0.5138700781390071);
    EXPECT_EQ(one.state, 0x41C67EA6u);
    SeededRandom thousand(insiderSeed(0));
    EXPECT_EQ(thousand.next(), 0.8643352990038693);
}

TEST(SeededRandom, NegativeSeedsKeepTheirBitsAndTheOffsetWraps) {
    EXPECT_EQ(SeededRandom(-1).state, 0xFFFFFFFFu);
    EXPECT_EQ(insiderSeed(INT32_MAX), INT32_MIN + 999);
    EXPECT_EQ(insiderSeed(-1000), 0);
}

TEST(SeededRandom, DrawsStayBelowOne) {
    SeededRandom g(123);
    for (int i = 0; i < 100000; ++i) {
        const double d = g.next();
        ASSERT_GE(d, 0.0);
        ASSERT_LT(d, 1.0);
    }
}

struct EasingRow {
    EasingKind easing;
    double quarter[3];  // In, Out, InOut at t = 0.25
    double half[3];     // and at t = 0.5
};

class EasingTable : public ::testing::TestWithParam<EasingRow> {};

std::string curveName(const ::testing::TestParamInfo<EasingRow>& row) {
    return popupItems(paramSpec(Easing)).at(static_cast<std::size_t>(popupValue(row.param.easing) - 1));
}

TEST_P(EasingTable, MatchesKnownValues) {
    const EasingRow& row = GetParam();
    const int32_t easing = popupValue(row.easing);
    for (int32_t mode = 1; mode <= itemCount<EasingModeKind>(); ++mode) {
        EXPECT_EQ(applyEasing(0.25, easing, mode), row.quarter[mode - 1]) << "easing " << easing << " mode " << mode;
        EXPECT_EQ(applyEasing(0.5, easing, mode), row.half[mode - 1]) << "easing " << easing << " mode " << mode;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Curves, EasingTable,
    ::testing::Values(
        EasingRow{EasingKind::Quad, {0.0625, 0.4375, 0.125}, {0.25, 0.75, 0.5}},
        EasingRow{EasingKind::Cubic, {0.015625, 0.578125, 0.0625}, {0.125, 0.875, 0.5}},
        EasingRow{EasingKind::Quart, {0.00390625, 0.68359375, 0.03125}, {0.0625, 0.9375, 0.5}},
        EasingRow{EasingKind::Quint, {0.0009765625, 0.7626953125, 0.015625}, {0.03125, 0.96875, 0.5}},
        EasingRow{EasingKind::Expo, {0.005524271728019903, 0.8232233047033631, 0.015625}, {0.03125, 0.96875, 0.5}},
        EasingRow{EasingKind::Circ, {0.031754163448145745, 0.6614378277661477, 0.0669872981077807}, {0.1339745962155614, 0.8660254037844386, 0.5}},
        EasingRow{EasingKind::Sine, {0.07612046748871326, 0.3826834323650898, 0.1464466094067262}, {0.2928932188134524, 0.7071067811865475, 0.49999999999999994}},
        EasingRow{EasingKind::Bounce, {0.02734375, 0.47265625, 0.1171875}, {0.234375, 0.765625, 0.5}}),
    curveName);

TEST(Easing, LinearCustomAndUnknownValuesPassThrough) {
    const int32_t inOut = popupValue(EasingModeKind::InOut);
    const int32_t unknownEasing = itemCount<EasingKind>() + 1;
    for (int32_t easing : {popupValue(EasingKind::Linear), popupValue(EasingKind::Custom), 0, unknownEasing, -3}) {
        EXPECT_EQ(applyEasing(0.3, easing, inOut), 0.3) << easing;
    }
    const int32_t quad = popupValue(EasingKind::Quad);
    for (int32_t mode : {0, itemCount<EasingModeKind>() + 1, -1}) EXPECT_EQ(applyEasing(0.3, quad, mode), 0.3) << mode;
}

TEST(Easing, BounceOutFallsBackBetweenItsArcs) {
    const int32_t bounce = popupValue(EasingKind::Bounce);
    const int32_t out = popupValue(EasingModeKind::Out);
    EXPECT_GT(applyEasing(0.36, bounce, out), applyEasing(0.5, bounce, out));
    EXPECT_NEAR(applyEasing(0.5454545454545454, bounce, out), 0.75, 1e-15);
}

TEST(Timing, ConstantsAndStepValues) {
    const TimingConstants t = computeTiming(4, 0.1);
    EXPECT_EQ(t.span, 1.0 / 1.3);
    EXPECT_EQ(t.stepOffset, 0.1 * (1.0 / 1.3));
    EXPECT_DOUBLE_EQ(t.span, 0.7692307692307692);
    double steps[4];
    fillStepValues(steps, 4, 0.5, t);
    EXPECT_NEAR(steps[0], 0.65, 1e-15);
    EXPECT_NEAR(steps[1], 0.55, 1e-15);
    EXPECT_NEAR(steps[2], 0.45, 1e-15);
    EXPECT_NEAR(steps[3], 0.35, 1e-15);
}

TEST(Timing, NoDelayMovesAllTogetherAndFullDelayChains) {
    double steps[4];
    fillStepValues(steps, 4, 0.37, computeTiming(4, 0.0));
    for (double v : steps) EXPECT_EQ(v, 0.37);
    fillStepValues(steps, 4, 0.3, computeTiming(4, 1.0));
    EXPECT_NEAR(steps[0], 1.2, 1e-15);
    EXPECT_NEAR(steps[1], 0.2, 1e-15);
    EXPECT_NEAR(steps[2], -0.8, 1e-15);
    EXPECT_NEAR(steps[3], -1.8, 1e-15);
    fillStepValues(steps, 4, 0.0, computeTiming(4, 0.1));
    EXPECT_EQ(steps[0], 0.0);
    EXPECT_LT(steps[1], 0.0);
}

TEST(Timing, ZeroStepsWithFullDelayKeepZeroConstants) {
    const TimingConstants t = computeTiming(0, 1.0);
    EXPECT_EQ(t.span, 0.0);
    EXPECT_EQ(t.stepOffset, 0.0);
}

TEST(Timing, CurvesNeverSeeTheEnds) {
    double steps[4] = {0.0, 1.0, -0.5, 1.5};
    double effective = 0.3;
    const int32_t expo = popupValue(EasingKind::Expo);
    ASSERT_EQ(easeStepValues(steps, 4, expo, popupValue(EasingModeKind::In), nullptr, effective), 0);
    EXPECT_EQ(steps[0], 0.0);
    EXPECT_EQ(steps[1], 1.0);
    EXPECT_EQ(steps[2], -0.5);
    EXPECT_EQ(steps[3], 1.5);
    EXPECT_EQ(effective, 0.3);
}

}  // namespace
}  // namespace tilesweep
