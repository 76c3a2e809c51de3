// Host failures while planning: the first code wins, later host calls are skipped,
// and whatever was obtained is given back.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "MaskPathParser.h"
#include "MaskPathSource.h"
#include "TestSupport.h"

namespace tilesweep::test {
namespace {

// Fails the n-th allocation (1-based; 0 never) and checks that everything is freed.
class CountingServices : public LocalServices {
public:
    int failAt = 0;
    int allocations = 0;
    std::set<void*> live;
    std::vector<std::size_t> sizes;

    bool allocateArray(std::size_t bytes, ArrayMemory& memory) override {
        ++allocations;
        sizes.push_back(bytes);
        if (allocations == failAt) return false;
        if (!LocalServices::allocateArray(bytes, memory)) return false;
        live.insert(memory.token);
        return true;
    }
    void freeArray(ArrayMemory& memory) override {
        if (memory.token != nullptr) {
            EXPECT_EQ(live.erase(memory.token), 1u);
        }
        LocalServices::freeArray(memory);
    }
};

int32_t planWith(CountingServices& services, const WipeSettings& s, int32_t w, int32_t h) {
    FrameArrays arrays(services);
    FramePlan plan;
    return planFrame(s, w, h, services, arrays, plan);
}

TEST(PlanFailures, EachFailedAllocationReportsMemoryErrorAndFreesTheRest) {
    for (int failAt = 1; failAt <= 3; ++failAt) {
        CountingServices services;
        services.failAt = failAt;
        EXPECT_EQ(planWith(services, defaultSettings(), 64, 48), 512) << failAt;
        EXPECT_EQ(services.message(), "Memory Error!");
        EXPECT_EQ(services.allocations, failAt) << "nothing is allocated after a failure";
        EXPECT_TRUE(services.live.empty());
    }
}

TEST(PlanFailures, ArraysAreAllocatedOnceEachAtTheirSizes) {
    CountingServices services;
    WipeSettings s = defaultSettings();
    s.rows = 3;
    s.columns = 5;
    ASSERT_EQ(planWith(services, s, 50, 30), 0);
    EXPECT_EQ(services.sizes, (std::vector<std::size_t>{15, 15 * sizeof(BlockRecord), 15 * sizeof(double)}));
    EXPECT_TRUE(services.live.empty());
}

TEST(PlanFailures, NoStepsAskNoMemoryForThem) {
    CountingServices services;
    services.failAt = 3;  // the step array would be the third request
    WipeSettings s = defaultSettings();
    s.orderInsider = 0.0;
    s.orderInsiderMode = popupValue(InsiderModeKind::Skip);
    EXPECT_EQ(planWith(services, s, 64, 48), 0);
    EXPECT_EQ(services.allocations, 2);
}

// Scripted path: one straight segment across the layer, failing at call n.
class FailingPath : public OrderPathSource {
public:
    int failAt = 0;
    int calls = 0;
    int checkedOut = 0;
    int prepared = 0;
    std::vector<std::string> log;
    MaskPath mask;

    FailingPath() {
        std::string error;
        EXPECT_TRUE(parseMaskPath("M 0 5 L 99.5 5 L 99.5 95", mask, error));
    }
    int32_t step(const char* name) {
        log.emplace_back(name);
        return ++calls == failAt ? 77 : 0;
    }
    int32_t checkoutPath(int32_t, void** path) override {
        *path = nullptr;
        if (int32_t e = step("checkout")) return e;
        *path = &mask;
        ++checkedOut;
        return 0;
    }
    int32_t numSegments(void*, int32_t* count) override {
        *count = 2;
        return step("count");
    }
    int32_t prepareSegLength(void*, int32_t segment, int32_t frequency, void** preparation) override {
        EXPECT_EQ(frequency, 100);
        if (int32_t e = step("prepare")) return e;
        *preparation = &mask.segments[static_cast<std::size_t>(segment)];
        ++prepared;
        return 0;
    }
    int32_t getSegLength(void*, int32_t, void* preparation, double* length) override {
        *length = static_cast<PathSegment*>(preparation)->length();
        return step("length");
    }
    int32_t evalSegLength(void*, void* preparation, int32_t, double d, double* x, double* y) override {
        const PathPoint p = static_cast<PathSegment*>(preparation)->pointAt(d);
        *x = p.x;
        *y = p.y;
        return step("eval");
    }
    int32_t cleanupSegLength(void*, int32_t, void*) override {
        --prepared;
        return step("cleanup");
    }
    int32_t checkinPath(int32_t, void*) override {
        --checkedOut;
        return step("checkin");
    }
};

WipeSettings pathSettings() {
    WipeSettings s = defaultSettings();
    s.order = popupValue(OrderKind::Path);
    s.orderPathId = 1;
    s.rows = 10;
    s.columns = 10;
    return s;
}

TEST(PlanFailures, PathWalkRanksAlongTheMask) {
    FailingPath path;
    auto f = planOf(pathSettings(), 100, 100, &path);
    ASSERT_EQ(f->err, 0);
    // The first row left to right, then the last column downwards (its top block already ranked).
    EXPECT_EQ(f->plan.stepCount, 19);
    const std::vector<int32_t> r = f->ranks();
    for (int32_t c = 0; c < 10; ++c) EXPECT_EQ(r[static_cast<std::size_t>(c)], c);
    for (int32_t row = 1; row < 10; ++row) EXPECT_EQ(r[static_cast<std::size_t>(row * 10 + 9)], 9 + row);
    EXPECT_EQ(r[10], ~19) << "the rest are outsiders, in index order";
    EXPECT_EQ(r[11], ~20);
    EXPECT_EQ(path.checkedOut, 0);
    EXPECT_EQ(path.prepared, 0);
}

TEST(PlanFailures, EveryPathFailureEndsTheWalkAndReturnsThePath) {
    FailingPath probe;
    planOf(pathSettings(), 100, 100, &probe);
    const int total = probe.calls;
    ASSERT_GT(total, 100);
    for (int failAt = 1; failAt <= total; failAt += (failAt < 10 || failAt > total - 10) ? 1 : 37) {
        FailingPath path;
        path.failAt = failAt;
        auto f = planOf(pathSettings(), 100, 100, &path);
        EXPECT_EQ(f->err, 77) << "call " << failAt << " " << path.log[static_cast<std::size_t>(failAt - 1)];
        EXPECT_EQ(path.checkedOut, 0) << "checked in after failure at " << failAt;
        EXPECT_EQ(path.prepared, 0) << "cleaned up after failure at " << failAt;
        const std::string& failed = path.log[static_cast<std::size_t>(failAt - 1)];
        if (failed != "cleanup" && failed != "checkin") {
            // Only the releases follow a failure.
            for (std::size_t i = static_cast<std::size_t>(failAt); i < path.log.size(); ++i) {
                EXPECT_TRUE(path.log[i] == "cleanup" || path.log[i] == "checkin") << path.log[i];
            }
        }
    }
}

TEST(PlanFailures, MaskOutsideTheLayerMakesEveryBlockAnOutsider) {
    MaskPath mask;
    std::string error;
    ASSERT_TRUE(parseMaskPath("M -10 -10 L -50 -80", mask, error));
    std::vector<MaskPath> masks{mask};
    MaskPathSource source(masks);
    auto f = planOf(pathSettings(), 100, 100, &source);
    ASSERT_EQ(f->err, 0);
    EXPECT_EQ(f->plan.stepCount, 0);
    for (int32_t r : f->ranks()) EXPECT_LT(r, 0);
}

// Scripted "Easing Keyframe" stream: keyframes at given times and values, linear
// between them, failing at call n.
class ScriptedKeyframes : public EasingKeyframeSource {
public:
    std::vector<std::pair<int32_t, double>> keys;
    int failAt = 0;
    int calls = 0;
    int effects = 0, streams = 0, values = 0;
    std::vector<int32_t> sampledTimes;
    int token = 0;

    int32_t step() { return ++calls == failAt ? 33 : 0; }
    int32_t getEffect(void** e) override {
        if (int32_t err = step()) return err;
        *e = &token;
        ++effects;
        return 0;
    }
    int32_t getStream(void*, void** s) override {
        if (int32_t err = step()) return err;
        *s = &token;
        ++streams;
        return 0;
    }
    int32_t numKeyframes(void*, int32_t* count) override {
        *count = static_cast<int32_t>(keys.size());
        return step();
    }
    int32_t keyframeTime(void*, int32_t index, KeyframeTime* t) override {
        t->value = keys[static_cast<std::size_t>(index)].first;
        t->scale = 3000;
        return step();
    }
    int32_t newStreamValue(void*, KeyframeTime t, void** v, double* value) override {
        if (int32_t err = step()) return err;
        EXPECT_EQ(t.scale, 3000u);
        sampledTimes.push_back(t.value);
        *v = &token;
        ++values;
        *value = valueAt(t.value);
        return 0;
    }
    double valueAt(int32_t t) const {
        if (t <= keys.front().first) return keys.front().second;
        if (t >= keys.back().first) return keys.back().second;
        for (std::size_t i = 1; i < keys.size(); ++i) {
            if (t < keys[i].first) {
                const auto& a = keys[i - 1];
                const auto& b = keys[i];
                return a.second + (b.second - a.second) * (t - a.first) / (b.first - a.first);
            }
        }
        return keys.back().second;
    }
    int32_t disposeStreamValue(void*) override { --values; return step(); }
    int32_t disposeStream(void*) override { --streams; return step(); }
    int32_t disposeEffect(void*) override { --effects; return step(); }
};

WipeSettings customSettings() {
    WipeSettings s = defaultSettings();
    s.easing = popupValue(EasingKind::Custom);
    s.rows = 1;
    s.columns = 4;
    s.delay = 1.0;
    s.completion = 0.3;
    return s;
}

TEST(CustomEasing, MapsStepsThroughTheKeyframes) {
    ScriptedKeyframes k;
    k.keys = {{100, 0.0}, {300, 100.0}};
    auto f = planOf(customSettings(), 40, 10, nullptr, &k);
    ASSERT_EQ(f->err, 0);
    // Steps 1.2, 0.2, -0.8, -1.8: done, a fifth of the way, not started twice.
    EXPECT_EQ(f->plan.stepProgress[0], 1.0);
    // p = (0.3 - 0.25) / 0.25 is just below 0.2, so the sample time truncates to 139.
    ASSERT_FALSE(k.sampledTimes.empty());
    EXPECT_EQ(k.sampledTimes.back(), 139);
    EXPECT_EQ(f->plan.stepProgress[1], 19.5 * 0.01);
    EXPECT_EQ(f->plan.stepProgress[2], 0.0);
    EXPECT_EQ(f->plan.stepProgress[3], 0.0);
    EXPECT_EQ(f->plan.effectiveCompletion, 0.3);
    EXPECT_EQ(k.effects + k.streams + k.values, 0);
}

TEST(CustomEasing, CurveNotFromZeroToHundredHalvesTheEffectiveCompletion) {
    ScriptedKeyframes k;
    k.keys = {{0, 10.0}, {90, 100.0}};
    WipeSettings s = customSettings();
    s.completion = 0.0;
    auto f = planOf(s, 40, 10, nullptr, &k);
    ASSERT_EQ(f->err, 0);
    EXPECT_EQ(f->plan.effectiveCompletion, 0.5);
    EXPECT_NEAR(f->plan.stepProgress[3], 0.1, 1e-15) << "steps not started show v0 x 0.01";
}

TEST(CustomEasing, FewerThanTwoKeyframesIsLinear) {
    for (std::size_t count : {0u, 1u}) {
        ScriptedKeyframes k;
        if (count == 1) k.keys = {{10, 40.0}};
        auto f = planOf(customSettings(), 40, 10, nullptr, &k);
        ASSERT_EQ(f->err, 0);
        EXPECT_NEAR(f->plan.stepProgress[1], 0.2, 1e-15);
        EXPECT_EQ(f->plan.effectiveCompletion, 0.3);
        EXPECT_EQ(k.effects + k.streams, 0) << "released";
    }
}

TEST(CustomEasing, EveryFailureIsReturnedAndEverythingReleased) {
    ScriptedKeyframes probe;
    probe.keys = {{0, 0.0}, {50, 30.0}, {100, 100.0}};
    planOf(customSettings(), 40, 10, nullptr, &probe);
    for (int failAt = 1; failAt <= probe.calls; ++failAt) {
        ScriptedKeyframes k;
        k.keys = probe.keys;
        k.failAt = failAt;
        auto f = planOf(customSettings(), 40, 10, nullptr, &k);
        EXPECT_EQ(f->err, 33) << failAt;
        EXPECT_EQ(k.effects, 0) << failAt;
        EXPECT_EQ(k.streams, 0) << failAt;
        EXPECT_EQ(k.values, 0) << failAt;
    }
}

TEST(CustomEasing, SetUpAndReleaseRunEvenWithoutSteps) {
    ScriptedKeyframes k;
    k.keys = {{0, 0.0}, {50, 100.0}};
    WipeSettings s = customSettings();
    s.orderInsider = 0.0;
    s.orderInsiderMode = popupValue(InsiderModeKind::Skip);
    auto f = planOf(s, 40, 10, nullptr, &k);
    ASSERT_EQ(f->err, 0);
    EXPECT_EQ(f->plan.stepCount, 0);
    EXPECT_GT(k.calls, 3);
    EXPECT_EQ(k.effects + k.streams + k.values, 0);
}

}  // namespace
}  // namespace tilesweep::test
