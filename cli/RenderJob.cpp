#include "RenderJob.h"

#include <climits>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace tilesweep {

namespace fs = std::filesystem;

namespace {

constexpr int32_t kMaxSide = 30000;
constexpr int64_t kMaxFrames = 1000000;
constexpr int32_t kMaxSheetSide = 16;
constexpr int32_t kMaxDownsample = 64;

bool parseDepth(const std::string& text, std::optional<PixelDepth>& depth, std::string& error) {
    if (text.empty()) return true;
    if (text == "8") {
        depth = Depth8;
    } else if (text == "16") {
        depth = Depth16;
    } else if (text == "32") {
        depth = Depth32f;
    } else {
        error = "--depth \"" + text + "\" is not a depth (accepted: 8, 16 or 32)";
        return false;
    }
    return true;
}

// "AxB" with each side from `low` to `high`.
bool parsePair(const std::string& option, const std::string& text, int32_t low, int32_t high, int32_t& first,
               int32_t& second, std::string& error) {
    const std::size_t x = text.find_first_of("xX");
    int64_t a = 0;
    int64_t b = 0;
    if (x == std::string::npos || !parseInteger(text.substr(0, x), low, high, a) ||
        !parseInteger(text.substr(x + 1), low, high, b)) {
        error = option + " \"" + text + "\" is not of the form " + (option == "--size" ? "WxH" : "CxR") +
                " (accepted: integers from " + std::to_string(low) + " to " + std::to_string(high) + ")";
        return false;
    }
    first = static_cast<int32_t>(a);
    second = static_cast<int32_t>(b);
    return true;
}

// A frame number as keyframes take it: hundredths of a frame.
bool parseFrameTime(const std::string& text, int32_t& time, std::string& error) {
    char* end = nullptr;
    const double frame = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(frame) || frame < 0 ||
        frame > static_cast<double>(kMaxFrames)) {
        error = "--frame \"" + text + "\" is not a frame number (accepted: 0 to " + std::to_string(kMaxFrames) + ")";
        return false;
    }
    time = static_cast<int32_t>(std::llround(frame * 100.0));
    return true;
}

// "N" or "N,M": the same factor both ways, or across then down.
bool parseDownsample(const std::string& text, int32_t& across, int32_t& down, std::string& error) {
    if (text.empty()) return true;
    const std::size_t comma = text.find(',');
    int64_t a = 0;
    int64_t b = 0;
    const bool ok = parseInteger(text.substr(0, comma), 1, kMaxDownsample, a) &&
                    (comma == std::string::npos ? (b = a, true)
                                                : parseInteger(text.substr(comma + 1), 1, kMaxDownsample, b));
    if (!ok) {
        error = "--downsample \"" + text + "\" is not of the form N or N,M (accepted: integers from 1 to " +
                std::to_string(kMaxDownsample) + ")";
        return false;
    }
    across = static_cast<int32_t>(a);
    down = static_cast<int32_t>(b);
    return true;
}

}  // namespace

bool parseInteger(const std::string& text, int64_t low, int64_t high, int64_t& value) {
    if (text.empty() || text.size() > 18) return false;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (end != text.c_str() + text.size() || v < low || v > high) return false;
    value = v;
    return true;
}

bool readJob(const RenderOptions& options, RenderJob& job, std::string& error) {
    const bool frames = !options.frames.empty();
    const bool frame = !options.frame.empty();
    const bool sheet = !options.sheet.empty();
    if (frames + frame + sheet > 1) {
        error = "--frames, --frame and --sheet exclude one another (give one of them)";
        return false;
    }
    if (!options.noise.empty() && !options.input.empty()) {
        error = "--noise replaces the built-in test image and cannot be used with an INPUT image";
        return false;
    }
    if (!options.noise.empty()) {
        int64_t seed = 0;
        if (!parseInteger(options.noise, 0, UINT32_MAX, seed)) {
            error = "--noise \"" + options.noise + "\" is not a seed (accepted: 0 to " + std::to_string(UINT32_MAX) + ")";
            return false;
        }
        job.noiseSeed = static_cast<uint32_t>(seed);
    }
    if (!options.size.empty() && !options.input.empty()) {
        error = "--size sets the built-in test image's size and cannot be used with an INPUT image";
        return false;
    }
    if (!parseDepth(options.depth, job.depth, error)) return false;
    if (!parseDownsample(options.downsample, job.downsampleX, job.downsampleY, error)) return false;
    if (frames) {
        job.product = Product::Sequence;
        if (!parseInteger(options.frames, 1, kMaxFrames, job.frameCount)) {
            error = "--frames \"" + options.frames + "\" is not a frame count (accepted: 1 to " +
                    std::to_string(kMaxFrames) + ")";
            return false;
        }
        if (!FramePattern::parse(options.output, job.pattern, error)) return false;
    }
    if (frame && !parseFrameTime(options.frame, job.frameTime, error)) return false;
    if (sheet) {
        job.product = Product::Sheet;
        if (!parsePair("--sheet", options.sheet, 1, kMaxSheetSide, job.sheetColumns, job.sheetRows, error)) return false;
        if (job.sheetColumns * job.sheetRows < 2) {
            error = "--sheet \"" + options.sheet + "\" shows one moment; a contact sheet needs at least two";
            return false;
        }
    }
    if (!options.size.empty() && !parsePair("--size", options.size, 1, kMaxSide, job.width, job.height, error)) {
        return false;
    }
    fs::path folder = fs::path(options.output).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        const bool missing = !ec || ec == std::errc::no_such_file_or_directory;
        error = "the folder \"" + folder.string() + "\" of OUTPUT " +
                (missing ? std::string("does not exist") : "cannot be reached: " + ec.message());
        return false;
    }
    return true;
}

std::vector<std::string> outputPaths(const RenderOptions& options, const RenderJob& job) {
    if (job.product != Product::Sequence) return {options.output};
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(job.frameCount));
    for (int64_t i = 0; i < job.frameCount; ++i) paths.push_back(job.pattern.path(i));
    return paths;
}

bool parseRegion(const std::string& text, int32_t width, int32_t height, Rect& region, std::string& error) {
    int64_t sides[4] = {};
    std::size_t start = 0;
    bool ok = true;
    for (int i = 0; i < 4 && ok; ++i) {
        const std::size_t comma = i < 3 ? text.find(',', start) : text.size();
        ok = comma != std::string::npos && parseInteger(text.substr(start, comma - start), INT32_MIN, INT32_MAX, sides[i]);
        start = comma + 1;
    }
    if (!ok) {
        error = "--region \"" + text + "\" is not of the form LEFT,TOP,RIGHT,BOTTOM (four integers)";
        return false;
    }
    region = Rect{static_cast<int32_t>(sides[0]), static_cast<int32_t>(sides[1]), static_cast<int32_t>(sides[2]),
                  static_cast<int32_t>(sides[3])};
    if (region.left >= region.right || region.top >= region.bottom) {
        error = "--region \"" + text + "\" is empty (RIGHT must exceed LEFT and BOTTOM must exceed TOP)";
        return false;
    }
    if (region.left < 0 || region.top < 0 || region.right > width || region.bottom > height) {
        error = "--region \"" + text + "\" reaches outside the " + std::to_string(width) + " x " +
                std::to_string(height) + " layer";
        return false;
    }
    return true;
}

}  // namespace tilesweep
