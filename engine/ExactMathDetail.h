// Internals of ExactMath.cpp, declared only so the tests can check the two paths
// separately. Not for use by the engine.
#pragma once

namespace tilesweep::exactmath_detail {

struct DoubleDouble {
    double hi;
    double lo;
};

// The double-double the fast path rounds from, before the rounding test.
// exp2Approx: for 2^-54 <= |y| <= 1000. sinApprox, cosApprox: for 2^-27 <= x <= 2 pi.
DoubleDouble exp2Approx(double y);
DoubleDouble sinApprox(double x);
DoubleDouble cosApprox(double x);

// The public functions with the fixed-point fallback forced for every argument
// (special cases and tiny arguments still take their shortcuts).
double exp2Fallback(double y);
double sinFallback(double x);
double cosFallback(double x);

}  // namespace tilesweep::exactmath_detail
