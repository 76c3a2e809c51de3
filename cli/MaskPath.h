// Masks given as SVG paths (absolute M, L, C, Z), in the layer's pixel coordinates,
// walked by arc length the way the host's path suites walk a mask.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RenderServices.h"

namespace tilesweep {

struct PathPoint {
    double x = 0.0;
    double y = 0.0;
};

class PathSegment {
public:
    static PathSegment line(PathPoint start, PathPoint end);
    static PathSegment cubic(PathPoint start, PathPoint control1, PathPoint control2, PathPoint end);

    double length() const { return length_; }
    // The point at arc length `distance` from the segment's start.
    PathPoint pointAt(double distance) const;

private:
    PathPoint bezierPoint(double t) const;
    double speed(double t) const;
    double arcLength(double t0, double t1) const;
    void buildArcTable();

    bool cubic_ = false;
    PathPoint p_[4];
    double length_ = 0.0;
    // Cubic only: parameter values and the arc length up to each.
    std::vector<double> tableT_;
    std::vector<double> tableS_;
};

struct MaskPath {
    std::vector<PathSegment> segments;
};

// Parses an SVG path; on failure returns false with a one-line reason in `error`.
bool parseMaskPath(const std::string& text, MaskPath& mask, std::string& error);

// The masks of a layer as the host's path suites present them; path id n is the
// n-th mask (1-based).
class MaskPathSource : public OrderPathSource {
public:
    explicit MaskPathSource(const std::vector<MaskPath>& masks) : masks_(masks) {}

    int32_t checkoutPath(int32_t pathId, void** path) override;
    int32_t numSegments(void* path, int32_t* count) override;
    int32_t prepareSegLength(void* path, int32_t segment, int32_t frequency, void** preparation) override;
    int32_t getSegLength(void* path, int32_t segment, void* preparation, double* length) override;
    int32_t evalSegLength(void* path, void* preparation, int32_t segment, double distance, double* x,
                          double* y) override;
    int32_t cleanupSegLength(void* path, int32_t segment, void* preparation) override;
    int32_t checkinPath(int32_t pathId, void* path) override;

private:
    const std::vector<MaskPath>& masks_;
};

}  // namespace tilesweep
