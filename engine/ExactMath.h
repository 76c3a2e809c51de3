// Correctly rounded versions of the few transcendental functions the easing needs.
// C runtimes differ in the last bit of pow, sin and cos; these give the same double
// on every build, so equal settings give the same picture everywhere.
#pragma once

namespace tilesweep {

// 2^y for y in (-10, 0], correctly rounded.
double exactExp2(double y);
// sin x and cos x for x in [0, pi], correctly rounded.
double exactSin(double x);
double exactCos(double x);

}  // namespace tilesweep
