// The smart pre-render as the host sees it: what it checks out and in what order,
// what it asks of the input layer, how it reports its output, and what it hands over.
#include <gtest/gtest.h>

#include "SimHostSupport.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "SimHost.h"

namespace tilesweep::simhost {
namespace {

using test::pluginPath;
using test::sceneOf;
using test::show;

constexpr int32_t kWidth = 24;
constexpr int32_t kHeight = 16;

bool sameRect(const PF_LRect& a, const PF_LRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}


class FrameHost : public test::InstanceHost {
public:
    explicit FrameHost(Flavour flavour)
        : InstanceHost(flavour), input(makePatternImage(Depth8, kWidth, kHeight, 0, 3)), output(Depth8, kWidth, kHeight) {}
    PF_Err frame(const Scene& scene, int32_t time = 0, const FrameOptions& options = {}) {
        return host.renderFrame(instance, scene, time, input, output, options);
    }

    PixelBuffer input;
    PixelBuffer output;
};

const std::vector<PF_ParamIndex> kCheckoutOrder = {1,  2,  3,  4,  20, 21, 22, 9,  10, 12, 19, 13, 14,
                                                   15, 17, 11, 16, 18, 23, 24, 5,  6,  7,  8,  26};

TEST(SimHostPreRender, ChecksOutTheParametersInItsOrderAndAsksForTheRequest) {
    for (Flavour flavour : {Flavour::Plugin64, Flavour::Plugin32}) {
        FrameHost f(flavour);
        FrameOptions options;
        options.request = PF_LRect{3, 2, 17, 11};
        ASSERT_EQ(f.frame(sceneOf({"Completion=30"}), 450, options), PF_Err_NONE);
        const FrameReport& report = f.host.lastFrame();
        EXPECT_EQ(report.checkouts, kCheckoutOrder);
        EXPECT_EQ(report.checkoutTimes, std::vector<A_long>(kCheckoutOrder.size(), 450));
        std::vector<PF_ParamIndex> checkins = report.checkins;
        std::sort(checkins.begin(), checkins.end());
        std::vector<PF_ParamIndex> expected = kCheckoutOrder;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(checkins, expected);
        // The input is asked for over exactly the requested area, under checkout id 0.
        EXPECT_TRUE(report.layerCheckedOut);
        EXPECT_EQ(report.layerIndex, 0);
        EXPECT_EQ(report.layerCheckoutId, 0);
        EXPECT_TRUE(sameRect(report.layerRequest.rect, options.request)) << show(report.layerRequest.rect);
        EXPECT_EQ(report.layerRequest.preserve_rgb_of_zero_alpha, 1);
        EXPECT_EQ(report.layerRequest.field, PF_Field_FRAME);
        EXPECT_EQ(report.layerRequest.channel_mask, PF_ChannelMask_ARGB);
        EXPECT_EQ(report.outputFlags, 0);
        f.finish();
    }
}

TEST(SimHostPreRender, OutputRectanglesFollowTheMergeRule) {
    struct Row {
        const char* name;
        PF_LRect request;
        PF_LRect result;  // as the host hands them over
        PF_LRect maxResult;
        PF_LRect expectedResult;
        PF_LRect expectedMax;
    };
    const PF_LRect kLayer{0, 0, kWidth, kHeight};
    const PF_LRect kNone{0, 0, 0, 0};
    const Row rows[] = {
        {"empty rectangles become the input's", kNone, kNone, kNone, kLayer, kLayer},
        {"a region of interest", {4, 2, 10, 8}, kNone, kNone, {4, 2, 10, 8}, kLayer},
        {"both grow to hold the input's", {0, 0, kWidth, kHeight}, {20, 10, 30, 20}, {-5, -5, 2, 2},
         {0, 0, 30, 20}, {-5, -5, kWidth, kHeight}},
        {"for a region, within the request", {4, 2, 10, 8}, {20, 10, 30, 20}, {-5, -5, 2, 2}, {4, 2, 10, 8},
         {-5, -5, kWidth, kHeight}},
        {"for a region, within the request and the layer", {-3, 2, 10, 8}, {0, 0, 0, 0}, {0, 0, 0, 0},
         {0, 2, 10, 8}, {0, 0, kWidth, kHeight}},
        {"a region outside the layer shows nothing", {30, 20, 40, 30}, {1, 1, 3, 3}, {2, 2, 5, 5}, kNone,
         {0, 0, kWidth, kHeight}},
        {"an empty destination copies even an empty source", {30, 20, 40, 30}, {7, 7, 2, 2}, {5, 5, 5, 9}, kNone,
         kLayer},
    };
    for (Flavour flavour : {Flavour::Plugin64, Flavour::Plugin32}) {
        FrameHost f(flavour);
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            FrameOptions options;
            options.request = row.request;
            options.initialResult = row.result;
            options.initialMaxResult = row.maxResult;
            if (row.request.left >= row.request.right) options.request = kLayer;
            EXPECT_EQ(f.frame(sceneOf({"Completion=30"}), 0, options), PF_Err_NONE);
            EXPECT_TRUE(sameRect(f.host.lastFrame().resultRect, row.expectedResult))
                << show(f.host.lastFrame().resultRect);
            EXPECT_TRUE(sameRect(f.host.lastFrame().maxResultRect, row.expectedMax))
                << show(f.host.lastFrame().maxResultRect);
        }
        f.finish();
    }
}

TEST(SimHostPreRender, TheRecordFollowsTheCheckedOutValuesOnly) {
    struct Row {
        const char* name;
        Scene a;
        Scene b;
        bool same;
    };
    const std::vector<Row> rows = {
        {"Easing Keyframe keyframes do not reach the record",
         sceneOf({"Completion=30"}, {"Easing Keyframe=0:0", "Easing Keyframe=9:100"}),
         sceneOf({"Completion=30"}, {"Easing Keyframe=0:20", "Easing Keyframe=5:70"}), true},
        {"Completion does", sceneOf({"Completion=30"}), sceneOf({"Completion=31"}), false},
        {"so does the last parameter checked out", sceneOf({}), sceneOf({"Viewing Mode=Only Wiping"}), false},
    };
    for (Flavour flavour : {Flavour::Plugin64, Flavour::Plugin32}) {
        FrameHost f(flavour);
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            ASSERT_EQ(f.frame(row.a), PF_Err_NONE);
            const std::vector<unsigned char> first = f.host.lastFrame().preRenderData;
            ASSERT_EQ(f.frame(row.b), PF_Err_NONE);
            EXPECT_EQ(f.host.lastFrame().preRenderData == first, row.same);
        }
        f.finish();
    }
}

TEST(SimHostPreRender, FailuresStopItWhereTheyHappen) {
    struct Row {
        const char* name;
        CallKind kind;
        int64_t nth;  // within the frame
        PF_Err err;
        std::size_t checkouts;
        bool layerCheckedOut;
    };
    const Row rows[] = {
        {"no handle for the record", CallKind::NewHandle, 1, PF_Err_OUT_OF_MEMORY, 0, false},
        {"the record cannot be locked", CallKind::LockHandle, 1, PF_Err_OUT_OF_MEMORY, 0, false},
        {"Completion cannot be checked out", CallKind::CheckoutParam, 1, 71, 1, false},
        {"Viewing Mode cannot be checked out", CallKind::CheckoutParam, 25, 72, 25, false},
        {"the layer cannot be checked out", CallKind::CheckoutLayer, 1, 73, 25, false},
    };
    const PF_LRect kGiven{1, 2, 3, 4};
    for (Flavour flavour : {Flavour::Plugin64, Flavour::Plugin32}) {
        for (const Row& row : rows) {
            SCOPED_TRACE(row.name);
            FrameHost f(flavour);
            f.host.addFault(FaultPlan{row.kind, row.nth, row.err});
            FrameOptions options;
            options.initialResult = kGiven;
            options.initialMaxResult = kGiven;
            EXPECT_EQ(f.frame(sceneOf({"Completion=30"}), 0, options), row.err);
            const FrameReport& report = f.host.lastFrame();
            EXPECT_EQ(report.preRenderErr, row.err);
            EXPECT_FALSE(report.rendered);
            EXPECT_EQ(report.checkouts.size(), row.checkouts);
            EXPECT_EQ(report.checkins.size(), row.checkouts - (row.kind == CallKind::CheckoutParam ? 1 : 0));
            EXPECT_EQ(report.layerCheckedOut, row.layerCheckedOut);
            EXPECT_TRUE(sameRect(report.resultRect, kGiven));
            EXPECT_TRUE(sameRect(report.maxResultRect, kGiven));
            EXPECT_EQ(f.host.lastCommand().returnMsg, "");
            f.finish();
        }
    }
}

}  // namespace
}  // namespace tilesweep::simhost
