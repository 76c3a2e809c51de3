#include "KdenliveDescription.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "GreyingRules.h"
#include "ParamMapping.h"
#include "PluginInfo.h"

namespace tilesweep::frei0r {

namespace {

// A composition Kdenlive makes: 3 seconds at the 25 frames a second of its default profile.
constexpr int kNewCompositionFrames = 75;

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c; break;
        }
    }
    return out;
}

// The shortest plain decimal that reads back as the same double: Kdenlive shows a
// default multiplied by the factor, so 0.1 must not arrive as 0.10000000000000001,
// and 100 not as 1e+02.
std::string numberText(double value) {
    char buffer[40];
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(buffer, sizeof buffer, "%.*g", digits, value);
        if (std::strtod(buffer, nullptr) == value && std::strchr(buffer, 'e') == nullptr) break;
    }
    return buffer;
}

std::string attribute(const char* name, const std::string& value) {
    return std::string(" ") + name + "=\"" + escaped(value) + "\"";
}

// Kdenlive separates list items by ';' and their shown names by ','.
std::string joined(const std::vector<std::string>& items, char separator) {
    std::string text;
    for (const std::string& item : items) {
        if (item.find_first_of(";,") != std::string::npos) {
            throw std::logic_error("a popup item holds a list separator: " + item);
        }
        text += (text.empty() ? "" : std::string(1, separator)) + item;
    }
    return text;
}

// The frei0r value (0 to 1) times `factor` is the value in the parameter's own units.
struct Scale {
    double factor;
    double min;
    double max;
    int decimals;
    const char* suffix;
};

Scale scaleOf(const ParamSpec& param) {
    switch (shapeOf(param)) {
        case ParamShape::Fraction: return {100.0, double(param.validMin), double(param.validMax), param.precision, "%"};
        case ParamShape::Turn: return {360.0, 0.0, 360.0, 1, "\xC2\xB0"};
        case ParamShape::ScaledInteger:
            return {double(param.validMax), double(param.validMin), double(param.validMax), 0, ""};
        default: return {1.0, 0.0, 1.0, 0, ""};
    }
}

// Said beside the parameter: what a text holds, or when the parameter does nothing
// (Kdenlive cannot grey a parameter out by the value of another).
std::string commentOf(const ParamSpec& param, int frei0rIndex) {
    const ParamShape shape = shapeOf(param);
    if (shape == ParamShape::PathText || shape == ParamShape::KeyframeText) {
        std::string text = explanationOf(frei0rIndex);
        if (!text.empty()) text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
        return text;
    }
    const GreyingRule* rule = greyingRuleOf(param.index);
    return rule != nullptr ? std::string("No effect unless ") + rule->reason + "." : std::string();
}

std::string parameterXml(const ParamSpec& param, int frei0rIndex, PluginKind kind) {
    std::string xml = "    <parameter";
    std::string inner;
    switch (shapeOf(param)) {
        case ParamShape::Fraction:
        case ParamShape::Turn:
        case ParamShape::ScaledInteger: {
            const Scale scale = scaleOf(param);
            xml += attribute("type", "animated") + attribute("name", param.name) +
                   attribute("default", numberText(param.defaultValue / scale.factor));
            // A composition runs the whole wipe over its length: keyframes on its first and
            // last frame. Kdenlive takes a `default` as one number, but an initial `value`
            // as keyframes; it cannot place MLT's "-1" (the last frame), so the last one is
            // that of its new composition, which it moves along when the end is dragged.
            if (param.index == Completion && kind == PluginKind::Transition) {
                xml += attribute("value", "0=" + numberText(scale.min / scale.factor) + ";" +
                                              std::to_string(kNewCompositionFrames - 1) + "=" +
                                              numberText(scale.max / scale.factor));
            }
            xml += attribute("min", numberText(scale.min)) + attribute("max", numberText(scale.max)) +
                   attribute("factor", numberText(scale.factor)) + attribute("decimals", std::to_string(scale.decimals));
            if (param.kind == ParamKind::Slider && (param.sliderMin != param.validMin || param.sliderMax != param.validMax)) {
                xml += attribute("visualmin", std::to_string(param.sliderMin)) +
                       attribute("visualmax", std::to_string(param.sliderMax));
            }
            if (*scale.suffix != '\0') xml += attribute("suffix", scale.suffix);
            break;
        }
        case ParamShape::Switch:
            xml += attribute("type", "bool") + attribute("name", param.name) +
                   attribute("default", std::to_string(param.defaultValue)) + attribute("min", "0") +
                   attribute("max", "1");
            break;
        case ParamShape::Choice: {
            const std::vector<std::string> items = popupItems(param);
            xml += attribute("type", "list") + attribute("name", param.name) +
                   attribute("default", items.at(static_cast<std::size_t>(param.defaultValue - 1))) +
                   attribute("paramlist", joined(items, ';'));
            inner += "        <paramlistdisplay>" + escaped(joined(items, ',')) + "</paramlistdisplay>\n";
            break;
        }
        case ParamShape::PathText:
        case ParamShape::KeyframeText:
            // A line of text; Kdenlive's keyword field is its plain text entry.
            xml += attribute("type", "keywords") + attribute("name", param.name) + attribute("default", "") +
                   attribute("paramlist", "");
            break;
    }
    xml += ">\n" + inner + "        <name>" + escaped(param.name) + "</name>\n";
    const std::string comment = commentOf(param, frei0rIndex);
    if (!comment.empty()) xml += "        <comment>" + escaped(comment) + "</comment>\n";
    return xml + "    </parameter>\n";
}

}  // namespace

std::string kdenliveDescription(PluginKind kind, const std::string& service) {
    const char* element = kind == PluginKind::Transition ? "transition" : "effect";
    const PluginInfo& info = pluginInfo(kind);
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE kpartgui>\n";
    xml += std::string("<") + element + attribute("LC_NUMERIC", "C") + attribute("tag", service) +
           attribute("id", service) + ">\n";
    xml += "    <name>" + escaped(info.name) + "</name>\n";
    xml += "    <description>" + escaped(info.explanation) + "</description>\n";
    xml += "    <author>" + escaped(info.author) + "</author>\n";
    for (int i = 0; i < kFrei0rParamCount; ++i) xml += parameterXml(*paramAt(i), i, kind);
    return xml + "</" + element + ">\n";
}

}  // namespace tilesweep::frei0r
