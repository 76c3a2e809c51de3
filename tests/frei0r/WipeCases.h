// Settings of the wipe written once in the user's terms (as the command line takes
// them), turned into frei0r values by the mapping that the README documents, and
// into the command line's options for the reference render.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "ParamTable.h"

namespace tilesweep::test {

struct Setting {
    std::string name;
    std::string value;  // percent, integer, degrees, item text, on/off; the SVG path or
                        // the keyframe pairs for "Order Path" and "Easing Keyframe"
};

struct WipeCase {
    std::string label;
    std::vector<Setting> settings;
};

inline std::string exactText(double value) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.17g", value);
    return buffer;
}

// The frei0r value of a setting: numbers as text of a double in 0..1, booleans as
// "1"/"0", choices and texts as they are.
inline std::string frei0rValue(const Setting& setting) {
    const ParamSpec& param = *findParam(setting.name);
    switch (param.kind) {
        case ParamKind::FixedSlider:
            if (param.index == EasingKeyframe) return setting.value;
            return exactText(std::stod(setting.value) / 100.0);
        case ParamKind::Angle: return exactText(std::stod(setting.value) / 360.0);
        case ParamKind::Slider: return exactText(std::stod(setting.value) / param.validMax);
        case ParamKind::Checkbox: return setting.value == "on" ? "1" : "0";
        case ParamKind::Popup:
        case ParamKind::Path: return setting.value;
    }
    return setting.value;
}

inline bool isTextParam(const ParamSpec& param) {
    return param.kind == ParamKind::Popup || param.kind == ParamKind::Path || param.index == EasingKeyframe;
}

// The command line's options for the same settings.
inline std::vector<std::string> toolOptions(const WipeCase& wipe) {
    std::vector<std::string> options;
    for (const Setting& s : wipe.settings) {
        const ParamSpec& param = *findParam(s.name);
        if (param.index == OrderPath) {
            options.insert(options.end(), {"--mask", s.value, "--param", s.name + "=1"});
        } else if (param.index == EasingKeyframe) {
            std::size_t start = 0;
            while (start < s.value.size()) {
                std::size_t end = s.value.find(' ', start);
                if (end == std::string::npos) end = s.value.size();
                if (end > start) options.insert(options.end(), {"--keyframe", s.name + "=" + s.value.substr(start, end - start)});
                start = end + 1;
            }
        } else {
            options.insert(options.end(), {"--param", s.name + "=" + s.value});
        }
    }
    return options;
}

// Every look of the effect that a frame can show, spread over a few cases.
inline const std::vector<WipeCase>& wipeCases() {
    static const std::vector<WipeCase> cases = {
        {"defaults", {{"Completion", "37.5"}}},
        {"move2_screen_random", {{"Completion", "62.5"}, {"Mode", "Move2"}, {"Blend Mode", "Screen"},
                                 {"Z-index", "Random"}, {"Z-index Seed", "7"}, {"Order", "Random"},
                                 {"Order Seed", "42"}}},
        {"still2_clockwise", {{"Completion", "50"}, {"Mode", "Still2"}, {"Order", "Clockwise"},
                              {"Direction", "Alternate1"}, {"Delay", "50"}, {"Row", "5"}, {"Column", "7"}}},
        {"shrink2_rows_inverse", {{"Completion", "40"}, {"Mode", "Shrink2"}, {"Order Per", "Row1"},
                                  {"Order Inverse", "on"}, {"Order Offset", "90"}, {"Order Insider", "75"},
                                  {"Order Insider Mode", "Skip"}, {"Order Outsider", "on"},
                                  {"Viewing Mode", "Only Wiping"}}},
        {"path_custom_easing", {{"Completion", "55"}, {"Order", "Path"}, {"Order Path", "M 3 4 C 60 0 20 40 75 45"},
                                {"Easing", "Custom"}, {"Easing Keyframe", "0:0 12:80 30:100"},
                                {"Direction Dependence On Order", "Normal"}, {"Mode", "Move1"}}},
        {"move3_hardlight_bounce", {{"Completion", "70"}, {"Mode", "Move3"}, {"Blend Mode", "Hard Light"},
                                    {"Z-index", "Late"}, {"Easing", "Bounce"}, {"Easing Mode", "Out"},
                                    {"Direction", "Random"}, {"Direction Seed", "3"}, {"Direction Mode", "Alternate2"},
                                    {"Order Per Block Mode", "Zigzag"}, {"Row", "4"}, {"Column", "6"}}},
        {"shrink1_anticlockwise", {{"Completion", "85"}, {"Mode", "Shrink1"}, {"Order", "Anticlockwise"},
                                   {"Easing", "Sine"}, {"Easing Mode", "In"}, {"Viewing Mode", "Only Not Wiping"},
                                   {"Direction", "Vertical"}, {"Direction Mode", "Inverse"}}},
        {"still3_vertical", {{"Completion", "25"}, {"Mode", "Still3"}, {"Order", "Vertical"},
                             {"Order Per", "Row2"}, {"Delay", "0"}, {"Easing", "Linear"}}},
    };
    return cases;
}

}  // namespace tilesweep::test
