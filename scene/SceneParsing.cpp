#include "SceneParsing.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <utility>
#include <vector>

#include "MaskPathParser.h"

namespace tilesweep {

namespace {

std::string trim(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool parseNumber(const std::string& text, double& value) {
    const std::string t = trim(text);
    if (t.empty()) return false;
    char* end = nullptr;
    value = std::strtod(t.c_str(), &end);
    return end == t.c_str() + t.size() && std::isfinite(value);
}

// User text inside a message, quoted: control characters are shown escaped, so that
// a message stays one line whatever was typed.
std::string quoted(const std::string& text) {
    std::string q = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            q += c;
        } else if (c == '\n') {
            q += "\\n";
        } else if (c == '\t') {
            q += "\\t";
        } else {
            static const char kDigits[] = "0123456789abcdef";
            q += "\\x";
            q += kDigits[byte >> 4];
            q += kDigits[byte & 15];
        }
    }
    return q + "\"";
}

std::string formatNumber(double v) {
    std::ostringstream out;
    out << v;
    return out.str();
}

std::string acceptedNames() {
    std::string names;
    for (const ParamSpec& param : kParamTable) {
        if (!names.empty()) names += ", ";
        names += '"';
        names += param.name;
        names += '"';
    }
    return names;
}

bool findNamed(const std::string& name, const ParamSpec*& param, std::string& error) {
    param = findParam(name);
    if (param == nullptr) {
        error = "unknown parameter " + quoted(name) + " (accepted: " + acceptedNames() + ")";
        return false;
    }
    return true;
}

// A value in the parameter's own units, checked against what the host accepts
// when the value is typed in.
bool parseUserValue(const ParamSpec& param, const std::string& text, int32_t maskCount, double& value,
                    std::string& error) {
    const std::string t = trim(text);
    auto refuse = [&](const std::string& why) {
        error = "value " + quoted(t) + " of \"" + param.name + "\" " + why + " (accepted: " + describeAccepted(param) + ")";
        return false;
    };
    switch (param.kind) {
        case ParamKind::Popup: {
            const std::vector<std::string> items = popupItems(param);
            for (std::size_t i = 0; i < items.size(); ++i) {
                if (lower(items[i]) == lower(t)) {
                    value = static_cast<double>(i + 1);
                    return true;
                }
            }
            if (!parseNumber(t, value) || value != std::floor(value)) return refuse("is not an item");
            if (value < 1 || value > static_cast<double>(items.size())) return refuse("is not an item");
            return true;
        }
        case ParamKind::Checkbox: {
            const std::string l = lower(t);
            if (l == "on" || l == "1" || l == "true") { value = 1; return true; }
            if (l == "off" || l == "0" || l == "false") { value = 0; return true; }
            return refuse("is not on or off");
        }
        case ParamKind::Path:
            if (!parseNumber(t, value) || value != std::floor(value)) return refuse("is not a mask number");
            if (value < 0 || value > maskCount) return refuse("names no such mask");
            return true;
        case ParamKind::Slider:
            if (!parseNumber(t, value) || value != std::floor(value)) return refuse("is not an integer");
            if (value < param.validMin || value > param.validMax) return refuse("is out of range");
            return true;
        case ParamKind::FixedSlider:
            if (!parseNumber(t, value)) return refuse("is not a number");
            if (value < param.validMin || value > param.validMax) return refuse("is out of range");
            return true;
        case ParamKind::Angle:
            // Any angle the host's 16.16 word can hold.
            if (!parseNumber(t, value)) return refuse("is not a number");
            if (std::fabs(value) >= 32767.0) return refuse("is out of range");
            return true;
    }
    return refuse("cannot be set");
}

// Splits "UI Name=VALUE" at the last '=' (no UI name holds one).
bool splitAssignment(const std::string& text, std::string& name, std::string& value, std::string& error,
                     const char* form) {
    const std::size_t eq = text.rfind('=');
    if (eq == std::string::npos) {
        error = quoted(text) + " is not of the form " + form;
        return false;
    }
    name = trim(text.substr(0, eq));
    value = text.substr(eq + 1);
    return true;
}

}  // namespace

std::string describeAccepted(const ParamSpec& param) {
    switch (param.kind) {
        case ParamKind::Popup: {
            std::string s = "1 to " + std::to_string(popupItems(param).size()) + " or ";
            const std::vector<std::string> items = popupItems(param);
            for (std::size_t i = 0; i < items.size(); ++i) s += (i ? ", " : "") + items[i];
            return s;
        }
        case ParamKind::Checkbox: return "on, off, 1 or 0";
        case ParamKind::Path: return "a mask number, 0 for none";
        case ParamKind::Slider: return "an integer from " + std::to_string(param.validMin) + " to " + std::to_string(param.validMax);
        case ParamKind::FixedSlider: return "a percentage from " + std::to_string(param.validMin) + " to " + std::to_string(param.validMax);
        case ParamKind::Angle: return "degrees, any value between -32767 and 32767";
    }
    return "";
}

bool parseParamAssignment(const std::string& text, int32_t maskCount, Scene& scene, std::string& error) {
    std::string name, value;
    if (!splitAssignment(text, name, value, error, "\"UI Name=VALUE\"")) return false;
    const ParamSpec* param = nullptr;
    if (!findNamed(name, param, error)) return false;
    double v = 0;
    if (!parseUserValue(*param, value, maskCount, v, error)) return false;
    scene.raw[static_cast<std::size_t>(param->index)] = rawFromUserValue(*param, v);
    return true;
}

bool parseKeyframe(const std::string& text, int32_t maskCount, Scene& scene, std::string& error) {
    std::string name, rest;
    if (!splitAssignment(text, name, rest, error, "\"UI Name=TIME:VALUE\"")) return false;
    const ParamSpec* param = nullptr;
    if (!findNamed(name, param, error)) return false;
    const std::size_t colon = rest.find(':');
    double frame = 0;
    if (colon == std::string::npos || !parseNumber(rest.substr(0, colon), frame)) {
        error = "keyframe " + quoted(text) + " is not of the form \"UI Name=TIME:VALUE\" (TIME a frame number)";
        return false;
    }
    if (frame < 0 || frame > 1e6) {
        error = "keyframe time " + formatNumber(frame) + " of \"" + param->name + "\" is out of range (accepted: 0 to 1000000 frames)";
        return false;
    }
    Keyframe key;
    key.time = static_cast<int32_t>(std::llround(100.0 * frame));
    if (!parseUserValue(*param, rest.substr(colon + 1), maskCount, key.value, error)) return false;
    std::vector<Keyframe>& keys = scene.keyframes[param->index];
    const auto at = std::lower_bound(keys.begin(), keys.end(), key.time,
                                     [](const Keyframe& k, int32_t t) { return k.time < t; });
    if (at != keys.end() && at->time == key.time) {
        error = "two keyframes of \"" + std::string(param->name) + "\" at frame " + formatNumber(frame);
        return false;
    }
    keys.insert(at, key);
    return true;
}

bool addMask(const std::string& svgPath, Scene& scene, std::string& error) {
    MaskPath mask;
    std::string why;
    if (!parseMaskPath(svgPath, mask, why)) {
        error = "mask " + std::to_string(scene.masks.size() + 1) + " " + quoted(svgPath) + ": " + why;
        return false;
    }
    scene.masks.push_back(std::move(mask));
    return true;
}

bool validateScene(const Scene& scene, std::string& error) {
    const int32_t pathId = scene.raw[OrderPath];
    if (pathId < 0 || static_cast<std::size_t>(pathId) > scene.masks.size()) {
        error = "\"Order Path\" " + std::to_string(pathId) + " names no such mask (accepted: 0 to " +
                std::to_string(scene.masks.size()) + ", one per --mask)";
        return false;
    }
    // The host counts time in hundredths of a frame: 100 x fps ticks a second must be
    // a whole number of at least 1.
    if (!(scene.fps > 0 && scene.fps <= 1000) || scene.timeScale() < 1) {
        error = "frame rate " + formatNumber(scene.fps) + " is out of range (accepted: 0.01 to 1000)";
        return false;
    }
    return true;
}

}  // namespace tilesweep
