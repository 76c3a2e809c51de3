#include "MaskPathParser.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <string>

namespace tilesweep {

namespace {

// What a mask may hold. The walk passes over whatever lies beyond the layer or in
// blocks already ranked, but steps pixel by pixel where blocks are still to rank:
// these bounds keep any accepted mask's walk of a 4K layer well under a second
// (curves cost a quadrature per point, lines almost nothing).
constexpr double kMaxCoordinate = 1e6;
constexpr std::size_t kMaxSegments = 1024;
constexpr std::size_t kMaxCurves = 64;

class PathParser {
public:
    PathParser(const std::string& text, MaskPath& mask, std::string& error)
        : text_(text), mask_(mask), error_(error) {}

    bool parse() {
        char command = 0;
        bool havePoint = false;
        PathPoint current;
        PathPoint subpathStart;
        for (;;) {
            skipSeparators();
            if (pos_ >= text_.size()) break;
            const char c = text_[pos_];
            if (std::isalpha(static_cast<unsigned char>(c))) {
                if (c != 'M' && c != 'L' && c != 'C' && c != 'Z') {
                    return fail(std::string("unsupported path command '") + c +
                                "' (accepted: absolute M, L, C, Z)");
                }
                command = c;
                ++pos_;
                if (command == 'Z') {
                    if (!havePoint) return fail("Z before any M");
                    if ((current.x != subpathStart.x || current.y != subpathStart.y) &&
                        !addSegment(PathSegment::line(current, subpathStart), false)) {
                        return false;
                    }
                    current = subpathStart;
                    command = 0;
                }
                continue;
            }
            if (command == 0) return fail("a number where a path command (M, L, C, Z) is expected");
            if (command == 'M') {
                if (!point(current)) return false;
                subpathStart = current;
                havePoint = true;
                command = 'L';  // further pairs after M are lines
            } else if (command == 'L') {
                if (!havePoint) return fail("L before any M");
                PathPoint end;
                if (!point(end)) return false;
                if (!addSegment(PathSegment::line(current, end), false)) return false;
                current = end;
            } else {
                if (!havePoint) return fail("C before any M");
                PathPoint c1, c2, end;
                if (!point(c1) || !point(c2) || !point(end)) return false;
                if (!addSegment(PathSegment::cubic(current, c1, c2, end), true)) return false;
                current = end;
            }
        }
        if (!havePoint) return fail("the path is empty (it needs at least an M command)");
        return true;
    }

private:
    void skipSeparators() {
        while (pos_ < text_.size() && (std::isspace(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == ',')) {
            ++pos_;
        }
    }

    bool number(double& value) {
        skipSeparators();
        const char* start = text_.c_str() + pos_;
        char* end = nullptr;
        value = std::strtod(start, &end);
        if (end == start) return fail("a coordinate is missing or not a number");
        if (!std::isfinite(value)) return fail("a coordinate is not a finite number");
        if (std::fabs(value) > kMaxCoordinate) {
            return fail("a coordinate is beyond " + std::to_string(static_cast<long>(kMaxCoordinate)) +
                        " pixels (accepted: -1000000 to 1000000)");
        }
        pos_ += static_cast<std::size_t>(end - start);
        return true;
    }

    bool point(PathPoint& p) { return number(p.x) && number(p.y); }

    bool addSegment(const PathSegment& segment, bool curve) {
        if (mask_.segments.size() >= kMaxSegments) {
            return fail("the path has more than " + std::to_string(kMaxSegments) + " segments");
        }
        if (curve && ++curves_ > kMaxCurves) {
            return fail("the path has more than " + std::to_string(kMaxCurves) + " curves (C)");
        }
        mask_.segments.push_back(segment);
        return true;
    }

    bool fail(const std::string& reason) {
        error_ = reason;
        return false;
    }

    const std::string& text_;
    MaskPath& mask_;
    std::string& error_;
    std::size_t pos_ = 0;
    std::size_t curves_ = 0;
};

}  // namespace

bool parseMaskPath(const std::string& text, MaskPath& mask, std::string& error) {
    mask.segments.clear();
    return PathParser(text, mask, error).parse();
}

}  // namespace tilesweep
