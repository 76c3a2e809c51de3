// The plug-ins as a frei0r host sees them: loaded by file and driven through their
// exported functions only.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>

#include "CompositeOver.h"
#include "FrameSupport.h"
#include "Frei0rModule.h"
#include "ParamMapping.h"

namespace tilesweep::test {
namespace {

const Frei0rModule& filterModule() {
    static const Frei0rModule module(TILESWEEP_FREI0R_FILTER_PATH);
    return module;
}

const Frei0rModule& transitionModule() {
    static const Frei0rModule module(TILESWEEP_FREI0R_TRANSITION_PATH);
    return module;
}

// An instance that is destructed whatever the test's outcome.
class Instance {
public:
    Instance(const Frei0rModule& module, unsigned width, unsigned height)
        : module_(module), instance_(module.construct(width, height)) {}
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;
    ~Instance() {
        if (instance_ != nullptr) module_.destruct(instance_);
    }
    f0r_instance_t get() const { return instance_; }

private:
    const Frei0rModule& module_;
    f0r_instance_t instance_;
};

// Applies a case's settings the way a host does: one set call per parameter.
void applyCase(const Frei0rModule& module, f0r_instance_t instance, const WipeCase& wipe) {
    for (const Setting& s : wipe.settings) {
        const ParamSpec& param = *findParam(s.name);
        const int index = param.index - 1;
        const std::string value = frei0rValue(s);
        if (isTextParam(param)) {
            module.setText(instance, index, value.c_str());
        } else {
            module.setDouble(instance, index, std::stod(value));
        }
    }
}

RgbaFrame compositeExpected(const RgbaFrame& wiped, const RgbaFrame& under) {
    RgbaFrame expected(wiped.size());
    for (std::size_t p = 0; p < wiped.size(); ++p) {
        const auto* w = reinterpret_cast<const uint8_t*>(&wiped[p]);
        const auto* u = reinterpret_cast<const uint8_t*>(&under[p]);
        const frei0r::Rgba8 result = frei0r::over({w[0], w[1], w[2], w[3]}, {u[0], u[1], u[2], u[3]});
        std::memcpy(&expected[p], &result, 4);
    }
    return expected;
}

std::size_t firstDifference(const RgbaFrame& a, const RgbaFrame& b) {
    for (std::size_t p = 0; p < std::min(a.size(), b.size()); ++p) {
        if (a[p] != b[p]) return p;
    }
    return a.size() == b.size() ? SIZE_MAX : std::min(a.size(), b.size());
}

TEST(Frei0rSurface, PluginInfoOfBothModules) {
    struct Expected {
        const Frei0rModule& module;
        const char* name;
        int type;
    };
    for (const Expected& e : {Expected{filterModule(), "TileSweep", F0R_PLUGIN_TYPE_FILTER},
                              Expected{transitionModule(), "TileSweep Transition", F0R_PLUGIN_TYPE_MIXER2}}) {
        f0r_plugin_info_t info{};
        e.module.pluginInfo(&info);
        EXPECT_STREQ(info.name, e.name);
        EXPECT_EQ(info.plugin_type, e.type);
        EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
        EXPECT_EQ(info.frei0r_version, FREI0R_MAJOR_VERSION);
        EXPECT_EQ(info.major_version, 1);
        EXPECT_EQ(info.num_params, kUserParamCount);
        ASSERT_NE(info.author, nullptr);
        ASSERT_NE(info.explanation, nullptr);
        EXPECT_GT(std::strlen(info.explanation), 20u);
        e.module.pluginInfo(nullptr);
    }
}

TEST(Frei0rSurface, ParameterInfoFollowsTheEngineTable) {
    for (const Frei0rModule* module : {&filterModule(), &transitionModule()}) {
        for (int i = 0; i < kUserParamCount; ++i) {
            const ParamSpec& param = kParamTable[static_cast<std::size_t>(i)];
            f0r_param_info_t info{};
            module->paramInfo(&info, i);
            EXPECT_STREQ(info.name, param.name);
            int expectedType = F0R_PARAM_DOUBLE;
            if (param.kind == ParamKind::Checkbox) expectedType = F0R_PARAM_BOOL;
            if (param.kind == ParamKind::Popup || param.kind == ParamKind::Path || param.index == EasingKeyframe) {
                expectedType = F0R_PARAM_STRING;
            }
            EXPECT_EQ(info.type, expectedType) << param.name;
            ASSERT_NE(info.explanation, nullptr) << param.name;
            if (param.kind == ParamKind::Popup) {
                for (const std::string& item : popupItems(param)) {
                    EXPECT_NE(std::strstr(info.explanation, item.c_str()), nullptr) << param.name << " " << item;
                }
            }
        }
        for (int outside : {-1, kUserParamCount, INT_MAX, INT_MIN}) {
            f0r_param_info_t info{"untouched", 99, nullptr};
            module->paramInfo(&info, outside);
            EXPECT_STREQ(info.name, "untouched");
            EXPECT_EQ(info.type, 99);
        }
        module->paramInfo(nullptr, 0);
    }
}

TEST(Frei0rSurface, NewInstancesReadTheDefaults) {
    const Frei0rModule& m = transitionModule();
    Instance instance(m, 16, 8);
    ASSERT_NE(instance.get(), nullptr);
    for (const ParamSpec& param : kParamTable) {
        const int index = param.index - 1;
        switch (param.kind) {
            case ParamKind::Popup:
                EXPECT_EQ(m.getText(instance.get(), index), popupItems(param)[static_cast<std::size_t>(param.defaultValue - 1)]);
                break;
            case ParamKind::Path: EXPECT_EQ(m.getText(instance.get(), index), ""); break;
            case ParamKind::FixedSlider:
                if (param.index == EasingKeyframe) {
                    EXPECT_EQ(m.getText(instance.get(), index), "");
                } else {
                    EXPECT_DOUBLE_EQ(m.getDouble(instance.get(), index), param.defaultValue / 100.0) << param.name;
                }
                break;
            case ParamKind::Slider:
                EXPECT_DOUBLE_EQ(m.getDouble(instance.get(), index), static_cast<double>(param.defaultValue) / param.validMax)
                    << param.name;
                break;
            case ParamKind::Checkbox:
            case ParamKind::Angle: EXPECT_EQ(m.getDouble(instance.get(), index), 0.0) << param.name; break;
        }
    }
}

// Each number parameter: what a set value reads back as.
TEST(Frei0rSurface, NumbersAreHeldToTheirRangeAndNonsenseIsIgnored) {
    struct Row {
        const char* name;
        double set;
        double expected;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const Row rows[] = {
        {"Completion", 0.375, 0.375},       {"Completion", 1.7, 1.0},        {"Completion", -3.0, 0.0},
        {"Completion", inf, 1.0},           {"Completion", -inf, 0.0},       {"Delay", 0.5, 0.5},
        {"Order Insider", 0.25, 0.25},      {"Order Offset", 0.25, 0.25},    {"Order Offset", 2.0, 1.0},
        {"Row", 0.5, 1500.0 / 3000},        {"Row", 0.0, 1.0 / 3000},        {"Row", 5.0 / 3000, 5.0 / 3000},
        {"Column", 1.0, 1.0},               {"Column", 0.00001, 1.0 / 3000}, {"Order Seed", 0.0042, 0.0042},
        {"Z-index Seed", 1.0, 1.0},         {"Direction Seed", 0.00005, 1.0 / 10000},
        {"Order Outsider", 1.0, 1.0},       {"Order Outsider", 0.4, 0.0},    {"Order Inverse", 0.5, 1.0},
        {"Order Inverse", 7.0, 1.0},
    };
    const Frei0rModule& m = filterModule();
    for (const Row& row : rows) {
        Instance instance(m, 8, 8);
        const int index = findParam(row.name)->index - 1;
        m.setDouble(instance.get(), index, row.set);
        EXPECT_DOUBLE_EQ(m.getDouble(instance.get(), index), row.expected) << row.name << " set " << row.set;
        const double before = m.getDouble(instance.get(), index);
        m.setDouble(instance.get(), index, nan);
        EXPECT_EQ(m.getDouble(instance.get(), index), before) << row.name << ": NaN must be ignored";
    }
}

// Each text parameter: what a set text reads back as, after an earlier value.
TEST(Frei0rSurface, TextsAreTakenOnlyWhenTheyMakeSense) {
    struct Row {
        const char* name;
        const char* earlier;
        const char* set;
        const char* expected;
    };
    const char* path = "M 0 0 L 5 5";
    const char* curve = "0:0 9:100";
    const Row rows[] = {
        {"Mode", "Move1", "Move2", "Move2"},
        {"Mode", "Move1", "  shrink1 ", "Shrink1"},
        {"Mode", "Move1", "3", "Still3"},
        {"Mode", "Move1", "8", "Shrink2"},
        {"Mode", "Move1", "9", "Move1"},
        {"Mode", "Move1", "0", "Move1"},
        {"Mode", "Move1", "-1", "Move1"},
        {"Mode", "Move1", "Move", "Move1"},
        {"Mode", "Move1", "", "Move1"},
        {"Blend Mode", "Add", "hard light", "Hard Light"},
        {"Viewing Mode", "Output", "Only Not Wiping", "Only Not Wiping"},
        {"Easing", "Quad", "10", "Custom"},
        {"Easing Mode", "In", "inout", "InOut"},
        {"Order Path", path, "M 1 1 L 30 20", "M 1 1 L 30 20"},
        {"Order Path", path, "M 1 1 Q 3 3 4 4", path},
        {"Order Path", path, "L 3", path},
        {"Order Path", path, "", ""},
        {"Easing Keyframe", curve, "0:0 12:80 30:100", "0:0 12:80 30:100"},
        {"Easing Keyframe", curve, "0:0,10:100", "0:0,10:100"},
        {"Easing Keyframe", curve, "0:0 10:150", curve},
        {"Easing Keyframe", curve, "0:0 0:50", curve},
        {"Easing Keyframe", curve, "zero:0", curve},
        {"Easing Keyframe", curve, "", ""},
    };
    const Frei0rModule& m = transitionModule();
    for (const Row& row : rows) {
        Instance instance(m, 8, 8);
        const int index = findParam(row.name)->index - 1;
        m.setText(instance.get(), index, row.earlier);
        ASSERT_EQ(m.getText(instance.get(), index), row.earlier) << row.name;
        m.setText(instance.get(), index, row.set);
        EXPECT_EQ(m.getText(instance.get(), index), row.expected) << row.name << " set \"" << row.set << "\"";
    }
}

TEST(Frei0rSurface, HostileCallsAreIgnored) {
    const Frei0rModule& m = filterModule();
    Instance instance(m, 8, 8);
    const int mode = Mode - 1;
    m.setText(instance.get(), mode, "Move1");
    m.setParam(instance.get(), nullptr, mode);
    f0r_param_string nullText = nullptr;
    m.setParam(instance.get(), &nullText, mode);
    const std::string huge(frei0r::kMaxTextBytes + 1, 'M');
    m.setText(instance.get(), mode, huge.c_str());
    m.setText(instance.get(), OrderPath - 1, huge.c_str());
    EXPECT_EQ(m.getText(instance.get(), mode), "Move1");
    EXPECT_EQ(m.getText(instance.get(), OrderPath - 1), "");
    double value = 0.5;
    m.setParam(instance.get(), &value, -1);
    m.setParam(instance.get(), &value, kUserParamCount);
    m.setParam(nullptr, &value, 0);
    m.getParam(instance.get(), nullptr, 0);
    m.getParam(nullptr, &value, 0);
    m.getParam(instance.get(), &value, kUserParamCount);
    EXPECT_EQ(value, 0.5);
    RgbaFrame frame = patternFrame(8, 8, 1, true);
    RgbaFrame out(frame.size(), 0x12345678u);
    m.update(instance.get(), 0.0, nullptr, out.data());
    m.update(instance.get(), 0.0, frame.data(), nullptr);
    m.update(nullptr, 0.0, frame.data(), out.data());
    m.update2(instance.get(), 0.0, nullptr, frame.data(), nullptr, out.data());
    for (uint32_t pixel : out) EXPECT_EQ(pixel, 0x12345678u);
    m.destruct(nullptr);
}

TEST(Frei0rSurface, SizesOutsideTheUsableRangeMakeNoInstance) {
    for (const Frei0rModule* module : {&filterModule(), &transitionModule()}) {
        for (const auto& [w, h] : {std::pair{0u, 8u}, {8u, 0u}, {0u, 0u}, {16385u, 8u}, {8u, 16385u}, {UINT_MAX, UINT_MAX}}) {
            f0r_instance_t instance = module->construct(w, h);
            EXPECT_EQ(instance, nullptr) << w << " x " << h;
            if (instance != nullptr) module->destruct(instance);
        }
    }
}

// Every case at odd sizes: the filter's frame equals the direct render byte for
// byte, the transition's equals that frame laid over the second input.
TEST(Frei0rSurface, FramesEqualTheDirectRenderAtAnySize) {
    const std::pair<int32_t, int32_t> sizes[] = {{1, 1}, {3, 5}, {13, 9}, {67, 45}, {80, 48}};
    for (const auto& [w, h] : sizes) {
        const RgbaFrame first = patternFrame(w, h, 7, false);
        const RgbaFrame second = patternFrame(w, h, 8, false);
        for (const WipeCase& wipe : wipeCases()) {
            SCOPED_TRACE(wipe.label + " at " + std::to_string(w) + " x " + std::to_string(h));
            std::string error;
            const RgbaFrame expected = directRender(wipe, first, w, h, error);
            ASSERT_EQ(error, "");

            Instance filter(filterModule(), static_cast<unsigned>(w), static_cast<unsigned>(h));
            applyCase(filterModule(), filter.get(), wipe);
            RgbaFrame out(first.size());
            filterModule().update(filter.get(), 12.5, first.data(), out.data());
            EXPECT_EQ(firstDifference(out, expected), SIZE_MAX);

            Instance transition(transitionModule(), static_cast<unsigned>(w), static_cast<unsigned>(h));
            applyCase(transitionModule(), transition.get(), wipe);
            transitionModule().update2(transition.get(), 0.0, first.data(), second.data(), nullptr, out.data());
            EXPECT_EQ(firstDifference(out, compositeExpected(expected, second)), SIZE_MAX);
        }
    }
}

// The ends of a cut between opaque clips are the clips; the end shows the second
// input as it is even where it is transparent.
TEST(Frei0rSurface, TransitionStartsOnTheFirstInputAndEndsOnTheSecond) {
    const Frei0rModule& m = transitionModule();
    const RgbaFrame first = patternFrame(24, 16, 3, true);
    const RgbaFrame second = patternFrame(24, 16, 4, false);
    Instance instance(m, 24, 16);
    RgbaFrame out(first.size());
    m.setDouble(instance.get(), Completion - 1, 0.0);
    m.update2(instance.get(), 0.0, first.data(), second.data(), nullptr, out.data());
    EXPECT_EQ(firstDifference(out, first), SIZE_MAX);
    m.setDouble(instance.get(), Completion - 1, 1.0);
    m.update2(instance.get(), 0.0, first.data(), second.data(), nullptr, out.data());
    EXPECT_EQ(firstDifference(out, second), SIZE_MAX);
}

// Hosts may hand the same buffer in and out.
TEST(Frei0rSurface, InPlaceFramesGiveTheSameResult) {
    const WipeCase& wipe = wipeCases()[1];
    const RgbaFrame first = patternFrame(40, 24, 5, true);
    const RgbaFrame second = patternFrame(40, 24, 6, true);
    for (const Frei0rModule* module : {&filterModule(), &transitionModule()}) {
        Instance instance(*module, 40, 24);
        applyCase(*module, instance.get(), wipe);
        RgbaFrame separate(first.size());
        module->update2(instance.get(), 0.0, first.data(), second.data(), nullptr, separate.data());
        RgbaFrame inPlaceFirst = first;
        module->update2(instance.get(), 0.0, inPlaceFirst.data(), second.data(), nullptr, inPlaceFirst.data());
        EXPECT_EQ(firstDifference(inPlaceFirst, separate), SIZE_MAX);
        RgbaFrame inPlaceSecond = second;
        module->update2(instance.get(), 0.0, first.data(), inPlaceSecond.data(), nullptr, inPlaceSecond.data());
        EXPECT_EQ(firstDifference(inPlaceSecond, separate), SIZE_MAX);
    }
}

// More blocks than pixels, a path order without a path, Custom easing without a curve.
TEST(Frei0rSurface, SettingsBeyondTheFrameStillRender) {
    const Frei0rModule& m = filterModule();
    const RgbaFrame first = patternFrame(1, 1, 9, true);
    for (const WipeCase& wipe : {WipeCase{"grid", {{"Row", "3000"}, {"Column", "3000"}, {"Completion", "50"}}},
                                 WipeCase{"pathless", {{"Order", "Path"}, {"Completion", "50"}}},
                                 WipeCase{"curveless", {{"Easing", "Custom"}, {"Completion", "50"}}}}) {
        Instance instance(m, 1, 1);
        applyCase(m, instance.get(), wipe);
        RgbaFrame out(1, 0);
        m.update(instance.get(), 0.0, first.data(), out.data());
        std::string error;
        EXPECT_EQ(out, directRender(wipe, first, 1, 1, error)) << wipe.label;
    }
}

// Instances share nothing: many at once give what each gives alone.
TEST(Frei0rSurface, InstancesRenderConcurrently) {
    constexpr int kThreads = 6;
    const int32_t w = 48;
    const int32_t h = 32;
    const RgbaFrame first = patternFrame(w, h, 11, false);
    const RgbaFrame second = patternFrame(w, h, 12, true);
    std::vector<RgbaFrame> alone(kThreads);
    std::vector<RgbaFrame> together(kThreads, RgbaFrame(first.size()));
    const auto render = [&](int t, RgbaFrame& out) {
        const Frei0rModule& m = t % 2 ? transitionModule() : filterModule();
        Instance instance(m, w, h);
        applyCase(m, instance.get(), wipeCases()[static_cast<std::size_t>(t) % wipeCases().size()]);
        for (int repeat = 0; repeat < 20; ++repeat) {
            m.update2(instance.get(), 0.0, first.data(), second.data(), nullptr, out.data());
        }
    };
    for (int t = 0; t < kThreads; ++t) {
        alone[static_cast<std::size_t>(t)].resize(first.size());
        render(t, alone[static_cast<std::size_t>(t)]);
    }
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) threads.emplace_back(render, t, std::ref(together[static_cast<std::size_t>(t)]));
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) {
        EXPECT_EQ(firstDifference(together[static_cast<std::size_t>(t)], alone[static_cast<std::size_t>(t)]), SIZE_MAX) << t;
    }
}

}  // namespace
}  // namespace tilesweep::test
