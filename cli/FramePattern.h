// Output names of a sequence's frames.
#pragma once

#include <cstdint>
#include <string>

namespace tilesweep {

// An output name with one printf-style frame number ("%d", "%04d", "%4d") in its
// file name; "%%" is a literal percent sign.
class FramePattern {
public:
    static bool parse(const std::string& path, FramePattern& pattern, std::string& error);
    std::string path(int64_t frameNumber) const;

private:
    std::string before_;
    std::string after_;
    int width_ = 0;
    bool zeroPadded_ = false;
};

}  // namespace tilesweep
