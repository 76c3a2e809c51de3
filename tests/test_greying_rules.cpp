// Every greying rule, row by row: its reason names exactly the parameters its rule
// reads, the plug-in greys the parameter when the rule says so, and the tool gives
// the row's reason.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "GreyingRules.h"
#include "PluginSession.h"

namespace tilesweep::test {
namespace {

using Change = std::pair<ParamIndex, int32_t>;

// What a rule can read: every item of every popup, and "Order Insider" at and just
// below 100 %.
std::vector<Change> candidateChanges() {
    std::vector<Change> changes;
    for (const ParamSpec& param : kParamTable) {
        if (param.kind != ParamKind::Popup) continue;
        for (int32_t item = param.validMin; item <= param.validMax; ++item) changes.emplace_back(param.index, item);
    }
    changes.emplace_back(OrderInsider, 100 * kFixedOne);
    changes.emplace_back(OrderInsider, 100 * kFixedOne - 1);
    return changes;
}

RawParamValues changed(RawParamValues values, const Change& change) {
    values[static_cast<std::size_t>(change.first)] = change.second;
    return values;
}

// The defaults and every setting one or two changes away from them.
std::vector<RawParamValues> nearbySettings(const std::vector<Change>& changes) {
    const RawParamValues defaults = defaultRawValues();
    std::vector<RawParamValues> settings{defaults};
    for (const Change& first : changes) {
        const RawParamValues one = changed(defaults, first);
        settings.push_back(one);
        for (const Change& second : changes) {
            if (second.first > first.first) settings.push_back(changed(one, second));
        }
    }
    return settings;
}

// The parameters a reason names in quotes; a name that is no parameter fails.
std::set<int32_t> quotedParams(const std::string& reason) {
    std::set<int32_t> params;
    for (std::size_t open = reason.find('"'); open != std::string::npos; open = reason.find('"', open)) {
        const std::size_t close = reason.find('"', open + 1);
        if (close == std::string::npos) {
            ADD_FAILURE() << "unbalanced quotes in: " << reason;
            break;
        }
        const std::string name = reason.substr(open + 1, close - open - 1);
        const ParamSpec* param = findParam(name);
        if (param == nullptr) {
            ADD_FAILURE() << "\"" << name << "\" is no parameter, in: " << reason;
        } else {
            params.insert(param->index);
        }
        open = close + 1;
    }
    return params;
}

TEST(GreyingRules, EveryRowsReasonNamesExactlyWhatItsRuleReads) {
    const std::vector<Change> changes = candidateChanges();
    const std::vector<RawParamValues> settings = nearbySettings(changes);
    std::set<int32_t> governed;
    for (const GreyingRule& rule : kGreyingRules) {
        const std::string name = paramSpec(rule.param).name;
        EXPECT_TRUE(governed.insert(rule.param).second) << name << " has two rows";
        EXPECT_EQ(greyingRuleOf(rule.param), &rule) << name;
        bool everEnabled = false;
        bool everGreyed = false;
        std::set<int32_t> read;
        for (const RawParamValues& values : settings) {
            const bool enabled = rule.enabled(values);
            (enabled ? everEnabled : everGreyed) = true;
            for (const Change& change : changes) {
                if (rule.enabled(changed(values, change)) != enabled) read.insert(change.first);
            }
        }
        EXPECT_TRUE(everEnabled && everGreyed) << name << " never changes";
        EXPECT_EQ(quotedParams(rule.reason), read) << name << ": " << rule.reason;
    }
    for (const ParamSpec& param : kParamTable) {
        if (governed.count(param.index) == 0) {
            EXPECT_EQ(greyingRuleOf(param.index), nullptr) << param.name;
        }
    }
}

TEST(GreyingRules, ThePlugInAppliesEveryRowAndTheToolGivesItsReason) {
    const std::vector<RawParamValues> settings = nearbySettings(candidateChanges());
    for (const char* plugin : {TILESWEEP_PLUGIN64_PATH, TILESWEEP_PLUGIN32_PATH}) {
        std::string error;
        const std::unique_ptr<PluginSession> session = PluginSession::open(plugin, error);
        ASSERT_NE(session, nullptr) << error;
        for (const GreyingRule& rule : kGreyingRules) {
            const std::string name = paramSpec(rule.param).name;
            for (const bool enabled : {false, true}) {
                const auto found = std::find_if(settings.begin(), settings.end(), [&](const RawParamValues& values) {
                    return rule.enabled(values) == enabled;
                });
                ASSERT_NE(found, settings.end()) << name;
                Scene scene;
                scene.raw = *found;
                const std::vector<std::string> warnings = session->greyedOutWarnings(scene, {rule.param});
                const std::vector<std::string> expected =
                    enabled ? std::vector<std::string>{}
                            : std::vector<std::string>{"\"" + name + "\" has no effect unless " + rule.reason};
                EXPECT_EQ(warnings, expected) << plugin;
            }
        }
    }
}

}  // namespace
}  // namespace tilesweep::test
