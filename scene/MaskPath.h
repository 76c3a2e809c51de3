// Masks as segments in the layer's pixel coordinates, walked by arc length the
// way the host's path suites walk a mask.
#pragma once

#include <vector>

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

}  // namespace tilesweep
