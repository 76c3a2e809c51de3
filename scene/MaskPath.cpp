#include "MaskPath.h"

#include <algorithm>
#include <cmath>

namespace tilesweep {

namespace {

// 16-point Gauss-Legendre nodes and weights on [-1, 1] (symmetric halves).
constexpr double kNodes[8] = {0.0950125098376374, 0.2816035507792589, 0.4580167776572274,
                              0.6178762444026438, 0.7554044083550030, 0.8656312023878318,
                              0.9445750230732326, 0.9894009349916499};
constexpr double kWeights[8] = {0.1894506104550685, 0.1826034150449236, 0.1691565193950025,
                                0.1495959888165767, 0.1246289712555339, 0.0951585116824928,
                                0.0622535239386479, 0.0271524594117541};

// Deepest subdivision of a cubic's arc-length table; 2^-20 of the parameter range.
constexpr int kMaxDepth = 20;
constexpr double kPieceTolerance = 1e-9;
// How near the point found lies to the asked arc length, in pixels.
constexpr double kPointTolerance = 1e-10;

}  // namespace

PathSegment PathSegment::line(PathPoint start, PathPoint end) {
    PathSegment s;
    s.p_[0] = start;
    s.p_[3] = end;
    const double dx = end.x - start.x;
    const double dy = end.y - start.y;
    // Plain arithmetic, not hypot: its last bit differs between runtimes.
    s.length_ = std::sqrt(dx * dx + dy * dy);
    return s;
}

PathSegment PathSegment::cubic(PathPoint start, PathPoint control1, PathPoint control2, PathPoint end) {
    PathSegment s;
    s.cubic_ = true;
    s.p_[0] = start;
    s.p_[1] = control1;
    s.p_[2] = control2;
    s.p_[3] = end;
    s.buildArcTable();
    return s;
}

PathPoint PathSegment::bezierPoint(double t) const {
    const double u = 1 - t;
    const double a = u * u * u;
    const double b = 3 * u * u * t;
    const double c = 3 * u * t * t;
    const double d = t * t * t;
    return PathPoint{a * p_[0].x + b * p_[1].x + c * p_[2].x + d * p_[3].x,
                     a * p_[0].y + b * p_[1].y + c * p_[2].y + d * p_[3].y};
}

double PathSegment::speed(double t) const {
    const double u = 1 - t;
    const double a = 3 * u * u;
    const double b = 6 * u * t;
    const double c = 3 * t * t;
    const double dx = a * (p_[1].x - p_[0].x) + b * (p_[2].x - p_[1].x) + c * (p_[3].x - p_[2].x);
    const double dy = a * (p_[1].y - p_[0].y) + b * (p_[2].y - p_[1].y) + c * (p_[3].y - p_[2].y);
    return std::sqrt(dx * dx + dy * dy);
}

double PathSegment::arcLength(double t0, double t1) const {
    const double half = 0.5 * (t1 - t0);
    const double mid = 0.5 * (t0 + t1);
    double sum = 0.0;
    for (int i = 0; i < 8; ++i) {
        sum += kWeights[i] * (speed(mid - half * kNodes[i]) + speed(mid + half * kNodes[i]));
    }
    return sum * half;
}

// Arc length of a cubic by adaptive Gauss-Legendre quadrature: a piece is split
// until its length agrees with the sum of its halves to 1e-9 pixel (cusps, where
// the speed vanishes, are the only places that need deep splits). The table of
// piece ends then locates any arc length to well within 0.01 pixel.
void PathSegment::buildArcTable() {
    tableT_.assign(1, 0.0);
    tableS_.assign(1, 0.0);
    struct Piece { double t0, t1, length; int depth; };
    std::vector<Piece> stack{{0.0, 1.0, arcLength(0.0, 1.0), 0}};
    while (!stack.empty()) {
        const Piece piece = stack.back();
        stack.pop_back();
        const double mid = 0.5 * (piece.t0 + piece.t1);
        const double left = arcLength(piece.t0, mid);
        const double right = arcLength(mid, piece.t1);
        if (piece.depth < kMaxDepth && std::fabs(left + right - piece.length) > kPieceTolerance) {
            stack.push_back({mid, piece.t1, right, piece.depth + 1});
            stack.push_back({piece.t0, mid, left, piece.depth + 1});
        } else {
            tableT_.push_back(piece.t1);
            tableS_.push_back(tableS_.back() + left + right);
        }
    }
    length_ = tableS_.back();
}

PathPoint PathSegment::pointAt(double distance) const {
    if (!cubic_) {
        if (length_ == 0.0) return p_[0];
        // Multiplied before dividing, per coordinate, so the walk is the same everywhere.
        return PathPoint{p_[0].x + (p_[3].x - p_[0].x) * distance / length_,
                         p_[0].y + (p_[3].y - p_[0].y) * distance / length_};
    }
    if (distance <= 0.0) return p_[0];
    if (distance >= length_) return p_[3];
    const auto it = std::upper_bound(tableS_.begin(), tableS_.end(), distance);
    const std::size_t piece = static_cast<std::size_t>(it - tableS_.begin()) - 1;
    double lo = tableT_[piece];
    double hi = tableT_[piece + 1];
    const double start = lo;
    const double base = tableS_[piece];
    const double pieceLength = tableS_[piece + 1] - base;
    // Newton's method on the parameter, kept within the piece's bracket (where the
    // arc length is monotonic) and falling back to halving it: a few quadrature
    // evaluations instead of one per bit, as the walk evaluates a point per pixel.
    double t = pieceLength > 0.0 ? lo + (hi - lo) * ((distance - base) / pieceLength) : lo;
    for (int i = 0; i < 100 && hi - lo > 1e-15; ++i) {
        const double miss = base + arcLength(start, t) - distance;
        if (std::fabs(miss) <= kPointTolerance) break;
        if (miss < 0.0) {
            lo = t;
        } else {
            hi = t;
        }
        const double next = t - miss / speed(t);
        t = next > lo && next < hi ? next : 0.5 * (lo + hi);
    }
    return bezierPoint(t);
}

}  // namespace tilesweep
