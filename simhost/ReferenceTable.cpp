#include "ReferenceTable.h"

#include <cctype>
#include <cinttypes>
#include <cstdio>
#include <set>
#include <sstream>

#include "SceneParsing.h"

namespace tilesweep::simhost {

namespace {

constexpr std::size_t kMaxNameLength = 120;
constexpr std::size_t kMaxLineLength = 8192;
constexpr std::size_t kHeadFields = 7;

// A field as typed, with anything unprintable shown escaped, so that a message stays one line.
std::string shown(const std::string& text) {
    std::string out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out += c;
        } else {
            char escaped[5];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", byte);
            out += escaped;
        }
    }
    return out;
}

std::string trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return "";
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

bool parseWhole(const std::string& text, int64_t low, int64_t high, int32_t& value) {
    if (text.empty() || text.size() > 9) return false;
    int64_t v = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        v = v * 10 + (c - '0');
    }
    if (v < low || v > high) return false;
    value = static_cast<int32_t>(v);
    return true;
}

bool parseHash(const std::string& text, std::optional<uint64_t>& hash) {
    if (text == "-") {
        hash.reset();
        return true;
    }
    if (text.size() != 16) return false;
    uint64_t v = 0;
    for (char c : text) {
        const int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (digit < 0) return false;
        v = v << 4 | static_cast<uint64_t>(digit);
    }
    hash = v;
    return true;
}

bool validName(const std::string& name) {
    if (name.empty() || name.size() > kMaxNameLength) return false;
    for (char c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_' && c != '.' && c != '@') return false;
    }
    return true;
}

bool parseSize(const std::string& text, int32_t& width, int32_t& height) {
    const std::size_t x = text.find('x');
    return x != std::string::npos && parseWhole(text.substr(0, x), 1, kMaxReferenceSide, width) &&
           parseWhole(text.substr(x + 1), 1, kMaxReferenceSide, height);
}

bool parseRegion(const std::string& text, int32_t width, int32_t height, std::optional<Rect>& region);

bool parseView(const std::string& text, ReferenceScene& scene) {
    scene.region.reset();
    scene.downsampleX = scene.downsampleY = 1;
    if (text == "full") return true;
    std::string rest = text;
    const std::string down = "down=";
    if (rest.compare(0, down.size(), down) == 0) {
        const std::size_t end = rest.find('+');
        const std::string factors = rest.substr(down.size(), end == std::string::npos ? std::string::npos : end - down.size());
        const std::size_t x = factors.find('x');
        if (x == std::string::npos || !parseWhole(factors.substr(0, x), 1, kMaxReferenceDownsample, scene.downsampleX) ||
            !parseWhole(factors.substr(x + 1), 1, kMaxReferenceDownsample, scene.downsampleY)) {
            return false;
        }
        if (end == std::string::npos) return true;
        rest = rest.substr(end + 1);
    }
    return parseRegion(rest, scene.frameWidth(), scene.frameHeight(), scene.region);
}

bool parseRegion(const std::string& text, int32_t width, int32_t height, std::optional<Rect>& region) {
    const std::string prefix = "region=";
    if (text.compare(0, prefix.size(), prefix) != 0) return false;
    std::istringstream in(text.substr(prefix.size()));
    std::string part;
    int32_t v[4] = {};
    int count = 0;
    while (std::getline(in, part, ',')) {
        if (count == 4 || !parseWhole(part, 0, kMaxReferenceSide, v[count])) return false;
        ++count;
    }
    const Rect r{v[0], v[1], v[2], v[3]};
    if (count != 4 || isEmpty(r) || r.right > width || r.bottom > height) return false;
    region = r;
    return true;
}

bool parseSceneLine(const std::string& line, ReferenceScene& scene, std::string& why) {
    const std::size_t bar = line.find('|');
    std::istringstream head(line.substr(0, bar));
    std::vector<std::string> fields;
    std::string field;
    while (fields.size() <= kHeadFields && head >> field) fields.push_back(field);
    if (fields.size() != kHeadFields) {
        why = "expected NAME FRAME WxH VIEW and three hashes before the first '|'";
        return false;
    }
    if (!validName(fields[0])) {
        why = "the name \"" + shown(fields[0]) + "\" is not letters, digits and - _ . @";
        return false;
    }
    scene.name = fields[0];
    if (!parseWhole(fields[1], 0, kMaxReferenceFrame, scene.frame)) {
        why = "the frame \"" + shown(fields[1]) + "\" is not a whole number from 0 to " + std::to_string(kMaxReferenceFrame);
        return false;
    }
    if (!parseSize(fields[2], scene.width, scene.height)) {
        why = "the size \"" + shown(fields[2]) + "\" is not WxH with sides from 1 to " + std::to_string(kMaxReferenceSide);
        return false;
    }
    if (!parseView(fields[3], scene)) {
        why = "the view \"" + shown(fields[3]) + "\" is not \"full\", down=NxM (1 to " +
              std::to_string(kMaxReferenceDownsample) + ") or a non-empty region=L,T,R,B within the frame, or both joined by +";
        return false;
    }
    for (std::size_t i = 0; i < kReferenceDepths.size(); ++i) {
        if (!parseHash(fields[4 + i], scene.hashes[i])) {
            why = "the hash \"" + shown(fields[4 + i]) + "\" is not 16 lower-case hex digits or -";
            return false;
        }
    }
    if (bar == std::string::npos) return true;
    std::istringstream rest(line.substr(bar + 1));
    std::string setting;
    while (std::getline(rest, setting, '|')) {
        setting = trim(setting);
        if (setting.empty()) {
            why = "an empty setting between two '|'";
            return false;
        }
        scene.settings.push_back(setting);
    }
    return true;
}

const char* depthArgument(PixelDepth depth) { return depth == Depth8 ? "8" : depth == Depth16 ? "16" : "32"; }

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool startsWith(const std::string& text, const char* prefix, std::string& rest) {
    const std::string p(prefix);
    if (text.compare(0, p.size(), p) != 0) return false;
    rest = text.substr(p.size());
    return true;
}

bool reduced(const ReferenceScene& scene) { return scene.downsampleX != 1 || scene.downsampleY != 1; }

std::string regionText(const Rect& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string viewText(const ReferenceScene& scene) {
    std::string view = reduced(scene) ? "down=" + std::to_string(scene.downsampleX) + "x" +
                                            std::to_string(scene.downsampleY)
                                      : "";
    if (scene.region) view += (view.empty() ? "" : "+") + std::string("region=") + regionText(*scene.region);
    return view.empty() ? "full" : view;
}

}  // namespace

std::vector<ReferenceScene*> ReferenceTable::scenes() {
    std::vector<ReferenceScene*> out;
    for (ReferenceLine& line : lines) {
        if (line.scene) out.push_back(&*line.scene);
    }
    return out;
}

std::vector<const ReferenceScene*> ReferenceTable::scenes() const {
    std::vector<const ReferenceScene*> out;
    for (const ReferenceLine& line : lines) {
        if (line.scene) out.push_back(&*line.scene);
    }
    return out;
}

bool parseReferenceTable(const std::string& text, ReferenceTable& table, std::string& error) {
    table.lines.clear();
    std::set<std::string> names;
    std::istringstream in(text);
    std::string line;
    int32_t number = 0;
    std::size_t sceneCount = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (line.size() > kMaxLineLength) {
            error = where + "longer than " + std::to_string(kMaxLineLength) + " characters";
            return false;
        }
        const std::string content = trim(line);
        if (content.empty() || content[0] == '#') {
            table.lines.push_back(ReferenceLine{line, std::nullopt});
            continue;
        }
        if (++sceneCount > kMaxReferenceScenes) {
            error = where + "more than " + std::to_string(kMaxReferenceScenes) + " scenes";
            return false;
        }
        ReferenceScene scene;
        scene.line = number;
        std::string why;
        if (!parseSceneLine(content, scene, why)) {
            error = where + why;
            return false;
        }
        if (!names.insert(scene.name).second) {
            error = where + "the name \"" + shown(scene.name) + "\" is used twice";
            return false;
        }
        table.lines.push_back(ReferenceLine{"", std::move(scene)});
    }
    return true;
}

std::string hashText(uint64_t hash) {
    char text[17];
    std::snprintf(text, sizeof text, "%016" PRIx64, hash);
    return text;
}

std::string formatReferenceScene(const ReferenceScene& scene) {
    std::string out = scene.name + "  " + std::to_string(scene.frame) + "  " + std::to_string(scene.width) + "x" +
                      std::to_string(scene.height) + "  " + viewText(scene);
    for (const std::optional<uint64_t>& hash : scene.hashes) out += "  " + (hash ? hashText(*hash) : "-");
    for (const std::string& setting : scene.settings) out += " | " + setting;
    return out;
}

std::string formatReferenceTable(const ReferenceTable& table) {
    std::string out;
    for (const ReferenceLine& line : table.lines) {
        out += (line.scene ? formatReferenceScene(*line.scene) : line.text) + "\n";
    }
    return out;
}

bool sceneFromSettings(const ReferenceScene& reference, Scene& scene, std::string& error) {
    scene = Scene{};
    std::string rest;
    for (const std::string& setting : reference.settings) {
        if (startsWith(setting, "mask ", rest) && !addMask(rest, scene, error)) return false;
    }
    const auto maskCount = static_cast<int32_t>(scene.masks.size());
    for (const std::string& setting : reference.settings) {
        if (startsWith(setting, "mask ", rest)) continue;
        const bool ok = startsWith(setting, "key ", rest) ? parseKeyframe(rest, maskCount, scene, error)
                                                          : parseParamAssignment(setting, maskCount, scene, error);
        if (!ok) return false;
    }
    return validateScene(scene, error);
}

std::string describeReferenceScene(const ReferenceScene& scene) {
    std::string out = "frame " + std::to_string(scene.frame) + ", " + std::to_string(scene.width) + "x" +
                      std::to_string(scene.height) + ", " + viewText(scene);
    for (const std::string& setting : scene.settings) out += " | " + setting;
    return out;
}

std::vector<std::string> renderArguments(const ReferenceScene& scene, PixelDepth depth) {
    std::vector<std::string> args = {"render", "--noise", std::to_string(kReferenceNoiseSeed), "--size",
                                     std::to_string(scene.width) + "x" + std::to_string(scene.height), "--depth",
                                     depthArgument(depth), "--frame", std::to_string(scene.frame)};
    if (reduced(scene)) {
        args.insert(args.end(), {"--downsample", std::to_string(scene.downsampleX) + "," + std::to_string(scene.downsampleY)});
    }
    if (scene.region) args.insert(args.end(), {"--region", regionText(*scene.region)});
    std::string rest;
    for (const std::string& setting : scene.settings) {
        if (startsWith(setting, "mask ", rest)) {
            args.insert(args.end(), {"--mask", rest});
        } else if (startsWith(setting, "key ", rest)) {
            args.insert(args.end(), {"--keyframe", rest});
        } else {
            args.insert(args.end(), {"--param", setting});
        }
    }
    return args;
}

std::string renderCommandFor(const ReferenceScene& scene, PixelDepth depth) {
    std::string out = "tilesweep";
    for (const std::string& arg : renderArguments(scene, depth)) {
        const bool plain = arg.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-,.:=_") == std::string::npos;
        out += " " + (plain ? arg : quoted(arg));
    }
    return out + " -o " + scene.name + "-" + depthArgument(depth) + (depth == Depth32f ? ".tif" : ".png");
}

}  // namespace tilesweep::simhost
