#include "FramePattern.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>

namespace tilesweep {

namespace {

constexpr int kMaxPatternWidth = 12;

}  // namespace

bool FramePattern::parse(const std::string& path, FramePattern& pattern, std::string& error) {
    const std::filesystem::path whole(path);
    const std::string name = whole.filename().string();
    std::string folder = path.substr(0, path.size() - name.size());
    pattern = FramePattern{};
    std::string* part = &pattern.before_;
    *part = folder;
    int found = 0;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (name[i] != '%') {
            *part += name[i];
            continue;
        }
        std::size_t j = i + 1;
        if (j < name.size() && name[j] == '%') {
            *part += '%';
            i = j;
            continue;
        }
        const bool zero = j < name.size() && name[j] == '0';
        if (zero) ++j;
        const std::size_t digits = j;
        while (j < name.size() && std::isdigit(static_cast<unsigned char>(name[j]))) ++j;
        const int width = j > digits ? std::atoi(name.substr(digits, j - digits).c_str()) : 0;
        if (j >= name.size() || name[j] != 'd' || j - digits > 2 || width > kMaxPatternWidth) {
            error = "OUTPUT \"" + path + "\": \"" + name.substr(i, std::min(j + 1, name.size()) - i) +
                    "\" is not a frame number pattern (accepted: %d, %4d, %04d up to a width of " +
                    std::to_string(kMaxPatternWidth) + ", and %% for a percent sign)";
            return false;
        }
        ++found;
        pattern.width_ = width;
        pattern.zeroPadded_ = zero;
        part = &pattern.after_;
        i = j;
    }
    if (found != 1) {
        error = "OUTPUT \"" + path + "\" of a sequence needs exactly one frame number pattern in its file name, " +
                "such as \"frame_%04d.png\" (found " + std::to_string(found) + ")";
        return false;
    }
    return true;
}

std::string FramePattern::path(int64_t frameNumber) const {
    std::string number = std::to_string(frameNumber);
    if (static_cast<int>(number.size()) < width_) {
        number.insert(0, static_cast<std::size_t>(width_) - number.size(), zeroPadded_ ? '0' : ' ');
    }
    return before_ + number + after_;
}

}  // namespace tilesweep
