#include "ParamMapping.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Frei0rApi.h"
#include "SceneParsing.h"

namespace tilesweep::frei0r {

namespace {

constexpr double kFixedPercentOne = 100.0 * kFixedOne;  // raw word of 100 %
constexpr double kFixedTurn = 360.0 * kFixedOne;         // raw word of 360 degrees

std::string trimmed(const char* text) {
    const char* begin = text;
    const char* end = text + std::strlen(text);
    while (begin < end && std::isspace(static_cast<unsigned char>(*begin))) ++begin;
    while (end > begin && std::isspace(static_cast<unsigned char>(end[-1]))) --end;
    return std::string(begin, end);
}

bool sameLetters(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

double heldToUnit(double value) { return std::min(1.0, std::max(0.0, value)); }

int32_t& rawOf(ParamValues& values, const ParamSpec& param) {
    return values.scene.raw[static_cast<std::size_t>(param.index)];
}

int32_t rawOf(const ParamValues& values, const ParamSpec& param) {
    return values.scene.raw[static_cast<std::size_t>(param.index)];
}

// An item by its text or its 1-based number; 0 when neither.
int32_t choiceNumber(const ParamSpec& param, const std::string& text) {
    const std::vector<std::string> items = popupItems(param);
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (sameLetters(items[i], text)) return static_cast<int32_t>(i + 1);
    }
    if (text.empty() || text.size() > 3) return 0;
    char* end = nullptr;
    const long number = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || number < 1 || number > static_cast<long>(items.size())) return 0;
    return static_cast<int32_t>(number);
}

bool setPath(ParamValues& values, const ParamSpec& param, const std::string& text) {
    Scene parsed;
    std::string error;
    if (!text.empty() && !addMask(text, parsed, error)) return false;
    values.scene.masks = std::move(parsed.masks);
    rawOf(values, param) = values.scene.masks.empty() ? 0 : 1;
    values.pathText = text;
    return true;
}

// Pairs separated by blanks, commas or semicolons, each read as the command line
// reads a keyframe of the parameter.
bool setKeyframes(ParamValues& values, const ParamSpec& param, const std::string& text) {
    Scene parsed;
    std::string error;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find_first_of(" \t\r\n,;", start);
        const std::size_t stop = end == std::string::npos ? text.size() : end;
        if (stop > start) {
            const std::string pair = std::string(param.name) + "=" + text.substr(start, stop - start);
            if (!parseKeyframe(pair, 0, parsed, error)) return false;
        }
        start = stop + 1;
    }
    const auto index = static_cast<int32_t>(param.index);
    values.scene.keyframes.erase(index);
    const auto found = parsed.keyframes.find(index);
    if (found != parsed.keyframes.end()) values.scene.keyframes[index] = found->second;
    values.keyframeText = text;
    return true;
}

std::string numberText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6g", value);
    return buffer;
}

std::string describe(const ParamSpec& param) {
    switch (shapeOf(param)) {
        case ParamShape::Fraction:
            return "0 to 1 for 0 to 100 %; default " + numberText(param.defaultValue / 100.0);
        case ParamShape::Turn:
            return "0 to 1 for 0 to 360 degrees; default " + numberText(param.defaultValue / 360.0);
        case ParamShape::ScaledInteger:
            return "0 to 1 for 0 to " + std::to_string(param.validMax) + " (value x " +
                   std::to_string(param.validMax) + ", rounded" +
                   (param.validMin > 0 ? ", at least " + std::to_string(param.validMin) : std::string()) +
                   "); default " + std::to_string(param.defaultValue) + " = " +
                   numberText(static_cast<double>(param.defaultValue) / param.validMax);
        case ParamShape::Choice: {
            const std::vector<std::string> items = popupItems(param);
            std::string text = "one of ";
            for (std::size_t i = 0; i < items.size(); ++i) text += (i ? ", " : "") + items[i];
            return text + " (or its number from 1); default " +
                   items[static_cast<std::size_t>(param.defaultValue - 1)];
        }
        case ParamShape::Switch: {
            const std::string label = param.checkboxText != nullptr ? param.checkboxText : "";
            return (label.empty() ? std::string("on or off") : "on: " + label) + "; default off";
        }
        case ParamShape::PathText: {
            const ParamSpec& order = paramSpec(Order);
            return std::string("an SVG path (M, L, C, Z) in the frame's pixels, used when ") + order.name + " is " +
                   popupItems(order).back() + "; empty for none";
        }
        case ParamShape::KeyframeText: {
            const ParamSpec& easing = paramSpec(Easing);
            return std::string("the curve as FRAME:VALUE pairs (VALUE 0 to 100), used when ") + easing.name +
                   " is " + popupItems(easing).back() + "; empty for none";
        }
    }
    return "";
}

}  // namespace

const ParamSpec* paramAt(int index) {
    if (index < 0 || index >= kFrei0rParamCount) return nullptr;
    return &kParamTable[static_cast<std::size_t>(index)];
}

ParamShape shapeOf(const ParamSpec& param) {
    switch (param.kind) {
        case ParamKind::FixedSlider:
            // A keyframed slider whose keyframes shape a curve cannot be one number.
            return param.index == EasingKeyframe ? ParamShape::KeyframeText : ParamShape::Fraction;
        case ParamKind::Slider: return ParamShape::ScaledInteger;
        case ParamKind::Popup: return ParamShape::Choice;
        case ParamKind::Path: return ParamShape::PathText;
        case ParamKind::Checkbox: return ParamShape::Switch;
        case ParamKind::Angle: return ParamShape::Turn;
    }
    return ParamShape::Fraction;
}

int frei0rType(const ParamSpec& param) {
    switch (shapeOf(param)) {
        case ParamShape::Switch: return F0R_PARAM_BOOL;
        case ParamShape::Choice:
        case ParamShape::PathText:
        case ParamShape::KeyframeText: return F0R_PARAM_STRING;
        default: return F0R_PARAM_DOUBLE;
    }
}

const char* explanationOf(int index) {
    // Built once, read-only afterwards, so any number of threads may read it.
    static const std::array<std::string, kFrei0rParamCount> explanations = [] {
        std::array<std::string, kFrei0rParamCount> texts;
        for (int i = 0; i < kFrei0rParamCount; ++i) texts[static_cast<std::size_t>(i)] = describe(*paramAt(i));
        return texts;
    }();
    if (index < 0 || index >= kFrei0rParamCount) return nullptr;
    return explanations[static_cast<std::size_t>(index)].c_str();
}

bool setNumber(ParamValues& values, const ParamSpec& param, double value) {
    if (std::isnan(value)) return false;
    const double unit = heldToUnit(value);
    switch (shapeOf(param)) {
        case ParamShape::Fraction:
            rawOf(values, param) = static_cast<int32_t>(std::llround(unit * kFixedPercentOne));
            return true;
        case ParamShape::Turn:
            rawOf(values, param) = static_cast<int32_t>(std::llround(unit * kFixedTurn));
            return true;
        case ParamShape::ScaledInteger: {
            const long long scaled = std::llround(unit * param.validMax);
            rawOf(values, param) = static_cast<int32_t>(std::max<long long>(param.validMin, scaled));
            return true;
        }
        case ParamShape::Switch: rawOf(values, param) = unit >= 0.5 ? 1 : 0; return true;
        default: return false;
    }
}

bool setText(ParamValues& values, const ParamSpec& param, const char* text) {
    if (text == nullptr || ::strnlen(text, kMaxTextBytes + 1) > kMaxTextBytes) return false;
    const std::string value = trimmed(text);
    switch (shapeOf(param)) {
        case ParamShape::Choice: {
            const int32_t number = choiceNumber(param, value);
            if (number == 0) return false;
            rawOf(values, param) = number;
            return true;
        }
        case ParamShape::PathText: return setPath(values, param, value);
        case ParamShape::KeyframeText: return setKeyframes(values, param, value);
        default: return false;
    }
}

double numberOf(const ParamValues& values, const ParamSpec& param) {
    const double raw = rawOf(values, param);
    switch (shapeOf(param)) {
        case ParamShape::Fraction: return raw / kFixedPercentOne;
        case ParamShape::Turn: return raw / kFixedTurn;
        case ParamShape::ScaledInteger: return raw / param.validMax;
        case ParamShape::Switch: return raw;
        default: return 0.0;
    }
}

const char* textOf(ParamValues& values, const ParamSpec& param) {
    std::string& text = values.returnedText[static_cast<std::size_t>(param.index - 1)];
    switch (shapeOf(param)) {
        case ParamShape::Choice: {
            const std::vector<std::string> items = popupItems(param);
            const int32_t number = rawOf(values, param);
            text = number >= 1 && static_cast<std::size_t>(number) <= items.size()
                       ? items[static_cast<std::size_t>(number - 1)]
                       : std::string();
            break;
        }
        case ParamShape::PathText: text = values.pathText; break;
        case ParamShape::KeyframeText: text = values.keyframeText; break;
        default: text.clear(); break;
    }
    return text.c_str();
}

}  // namespace tilesweep::frei0r
