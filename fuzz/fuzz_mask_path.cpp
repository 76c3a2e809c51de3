// SVG mask paths, as --mask and the frei0r "Order Path" take them: parsed, then walked
// by arc length the way the host's path suites walk a mask.
#include <cmath>
#include <cstdint>
#include <string>

#include "FuzzChecks.h"
#include "MaskPathParser.h"

using namespace tilesweep;
using tilesweep::fuzz::require;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    MaskPath mask;
    std::string error;
    if (!parseMaskPath(text, mask, error)) {
        fuzz::requireOneLine(error);
        return 0;
    }
    require(!mask.segments.empty() || text.find('M') != std::string::npos, "an accepted path has an M");
    // Accepted points lie within 1e6 of the origin and a cubic within its control points.
    constexpr double kReach = 1e6 + 1.0;
    for (const PathSegment& segment : mask.segments) {
        const double length = segment.length();
        require(std::isfinite(length) && length >= 0, "a segment's length is finite");
        for (int k = 0; k <= 8; ++k) {
            const PathPoint p = segment.pointAt(length * k / 8);
            require(std::isfinite(p.x) && std::isfinite(p.y), "a point on the path is finite");
            require(std::fabs(p.x) <= kReach && std::fabs(p.y) <= kReach, "a point on the path lies within its hull");
        }
        const PathPoint before = segment.pointAt(-1.0);
        const PathPoint after = segment.pointAt(length + 1.0);
        require(std::isfinite(before.x) && std::isfinite(after.y), "a distance off the segment is held to it");
    }
    return 0;
}
