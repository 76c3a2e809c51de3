// ExactMath against a __float128 reference (libquadmath), rounded to double.
//
// quadmath's exp2q, sinq and cosq are accurate to about 1 ulp of __float128
// (2^-112 relative), so rounding them to double gives the correctly rounded result
// unless the exact value lies within ~2^-112 of a rounding boundary: about one chance
// in 2^58 per point, i.e. never for the few million points checked here.
#include <gtest/gtest.h>
#include <quadmath.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <iostream>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "ExactMath.h"
#include "ExactMathDetail.h"

namespace {

using namespace tilesweep;
namespace detail = tilesweep::exactmath_detail;

// Sanitizer builds run the same checks on fewer points.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kPointDivisor = 4;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
constexpr int kPointDivisor = 4;
#else
constexpr int kPointDivisor = 1;
#endif
#else
constexpr int kPointDivisor = 1;
#endif

constexpr int kRandomPoints = 1000000 / kPointDivisor;  // per function
constexpr int kFallbackPoints = 20000 / kPointDivisor;  // per function
constexpr int kApproxPoints = 100000 / kPointDivisor;   // per function
constexpr int kWidePoints = 100000 / kPointDivisor;     // per function

constexpr double kPi = 3.141592653589793;  // as in Easing.cpp

double refExp2(double y) { return static_cast<double>(exp2q(static_cast<__float128>(y))); }
double refSin(double x) { return static_cast<double>(sinq(static_cast<__float128>(x))); }
double refCos(double x) { return static_cast<double>(cosq(static_cast<__float128>(x))); }
double libmExp2(double y) { return std::pow(2.0, y); }
double libmSin(double x) { return std::sin(x); }
double libmCos(double x) { return std::cos(x); }

std::string hex(double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%a", v);
    return buf;
}

// Same bits as the reference (so also the sign of zero)?
bool same(double a, double b) { return a == b && std::signbit(a) == std::signbit(b); }

using Fn = std::function<double(double)>;

// Checks fn against ref at every point: mismatches fail the test (the first few are
// listed), differences from the C library are only counted.
struct Checker {
    std::string name;
    Fn fn;
    Fn ref;
    Fn libm;
    long points = 0;
    long mismatches = 0;
    long libmDiffers = 0;

    void operator()(double x) {
        const double got = fn(x);
        const double want = ref(x);
        ++points;
        if (!same(got, want)) {
            if (++mismatches <= 10) {
                ADD_FAILURE() << name << "(" << hex(x) << ") = " << hex(got) << ", reference "
                              << hex(want);
            }
        }
        if (libm && !same(libm(x), got)) ++libmDiffers;
    }

    void report() const {
        std::cout << "[ exactmath ] " << name << ": " << points << " points, " << mismatches
                  << " mismatches with __float128";
        if (libm) std::cout << ", " << libmDiffers << " differ from this C library";
        std::cout << std::endl;
        ::testing::Test::RecordProperty(name + "_points", std::to_string(points));
        if (libm) {
            ::testing::Test::RecordProperty(name + "_differ_from_libm",
                                            std::to_string(libmDiffers));
        }
        EXPECT_EQ(mismatches, 0) << name;
    }
};

// Fixed-seed source of doubles, independent of the standard library's distributions.
class Source {
public:
    explicit Source(uint64_t seed) : gen_(seed) {}
    // Uniform in [0, 1), multiples of 2^-53.
    double unit() { return static_cast<double>(gen_() >> 11) * 0x1p-53; }
    // Uniform in [lo, hi).
    double uniform(double lo, double hi) { return lo + (hi - lo) * unit(); }
    // Magnitude log-uniform in [2^e0, 2^e1) with a random 53-bit significand.
    double logUniform(int e0, int e1) {
        const double m = 1.0 + unit();  // [1, 2)
        const int e = e0 + static_cast<int>(gen_() % static_cast<uint64_t>(e1 - e0));
        return std::ldexp(m, e);
    }

private:
    std::mt19937_64 gen_;
};

// The n doubles on each side of x0 (and x0), limited to [lo, hi].
std::vector<double> neighbourhood(double x0, int n, double lo, double hi) {
    std::vector<double> out;
    double a = x0;
    double b = x0;
    if (x0 >= lo && x0 <= hi) out.push_back(x0);
    for (int i = 0; i < n; ++i) {
        a = std::nextafter(a, -std::numeric_limits<double>::infinity());
        b = std::nextafter(b, std::numeric_limits<double>::infinity());
        if (a >= lo && a <= hi) out.push_back(a);
        if (b >= lo && b <= hi) out.push_back(b);
    }
    return out;
}

// Arguments near the points where sin or cos is 0 or +-1 (tiny results after the
// reduction), and near the table and quadrant boundaries.
std::vector<double> sinCosSpecialPoints() {
    std::vector<double> pts;
    const double anchors[] = {kPi,          kPi / 2,       kPi / 4,        3 * kPi / 4,
                              kPi / 3,      kPi / 6,       2 * kPi / 3,    5 * kPi / 6,
                              0x1p-26,      0x1p-27,       1.0 / 64,       1.0 / 128,
                              51.0 / 64,    49.5 / 64,     kPi / 2 - 0.25, kPi / 2 + 0.25};
    for (double a : anchors) {
        for (double x : neighbourhood(a, 3000, 0.0, kPi)) pts.push_back(x);
    }
    for (double x : neighbourhood(0.0, 3000, 0.0, kPi)) pts.push_back(x);  // subnormals
    return pts;
}

std::vector<double> exp2SpecialPoints() {
    std::vector<double> pts;
    for (int k = -10; k <= 0; ++k) {
        for (double d : {0.0, 0.5, -0.5, 1.0 / 128, -1.0 / 128, 1.0 / 64, -1.0 / 64}) {
            for (double y : neighbourhood(k + d, 800, -10.0, 0.0)) pts.push_back(y);
        }
    }
    for (double y : neighbourhood(-0x1p-54, 1500, -10.0, 0.0)) pts.push_back(y);
    for (double y : neighbourhood(-0x1p-60, 1500, -10.0, 0.0)) pts.push_back(y);
    return pts;
}

// t = k/N as the engine produces it.
std::vector<double> easingParameters() {
    std::vector<double> ts;
    for (int n = 1; n <= 300; ++n) {
        for (int k = 0; k <= n; ++k) ts.push_back(static_cast<double>(k) / n);
    }
    for (int n : {1000, 1024, 3600, 65536}) {
        for (int k = 0; k <= n; k += (n > 10000 ? kPointDivisor : 1)) {
            ts.push_back(static_cast<double>(k) / n);
        }
    }
    return ts;
}

Checker exp2Checker(const std::string& name) {
    return Checker{name, [](double y) { return exactExp2(y); }, refExp2, libmExp2};
}
Checker sinChecker(const std::string& name) {
    return Checker{name, [](double x) { return exactSin(x); }, refSin, libmSin};
}
Checker cosChecker(const std::string& name) {
    return Checker{name, [](double x) { return exactCos(x); }, refCos, libmCos};
}

TEST(ExactMath, EdgeValues) {
    EXPECT_TRUE(same(exactExp2(0.0), 1.0));
    EXPECT_TRUE(same(exactExp2(-0.0), 1.0));
    for (int k = -10; k <= 0; ++k) EXPECT_EQ(exactExp2(k), std::ldexp(1.0, k)) << k;
    EXPECT_EQ(exactExp2(-0.5), 0x1.6a09e667f3bcdp-1);  // RN(sqrt(1/2))
    EXPECT_EQ(exactExp2(-0x1p-60), 1.0);
    EXPECT_EQ(exactExp2(-1e-300), 1.0);
    EXPECT_EQ(exactExp2(-std::numeric_limits<double>::denorm_min()), 1.0);
    EXPECT_EQ(exactExp2(-1074.0), std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(exactExp2(-1100.0), 0.0);
    EXPECT_EQ(exactExp2(1023.0), 0x1p1023);
    EXPECT_EQ(exactExp2(1024.0), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(exactExp2(std::numeric_limits<double>::quiet_NaN())));

    EXPECT_TRUE(same(exactSin(0.0), 0.0));
    EXPECT_TRUE(same(exactSin(-0.0), -0.0));
    EXPECT_TRUE(same(exactCos(0.0), 1.0));
    EXPECT_TRUE(same(exactCos(-0.0), 1.0));
    EXPECT_EQ(exactSin(kPi), 1.2246467991473532e-16);
    EXPECT_EQ(exactCos(kPi / 2), 6.123233995736766e-17);
    EXPECT_EQ(exactSin(kPi / 2), 1.0);
    EXPECT_EQ(exactCos(kPi), -1.0);
    EXPECT_EQ(exactSin(kPi / 6), 0.49999999999999994);
    EXPECT_EQ(exactSin(std::numeric_limits<double>::denorm_min()),
              std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(exactCos(1e-9), 1.0);
    EXPECT_EQ(exactSin(2 * kPi), -2.4492935982947064e-16);
    EXPECT_TRUE(std::isnan(exactSin(2 * kPi + 1e-12)));
    EXPECT_TRUE(std::isnan(exactCos(-7.0)));
    EXPECT_TRUE(std::isnan(exactSin(std::numeric_limits<double>::infinity())));
    EXPECT_TRUE(std::isnan(exactCos(std::numeric_limits<double>::quiet_NaN())));
}

TEST(ExactMath, Exp2RandomArguments) {
    Checker check = exp2Checker("exp2_random");
    Source src(0x5eed0001);
    for (int i = 0; i < kRandomPoints; ++i) {
        // Two in three uniform in (-10, 0], one in three with a log-uniform magnitude.
        check(i % 3 != 2 ? -10.0 * src.unit() : -src.logUniform(-60, 4) * 0.625);
    }
    check.report();
}

TEST(ExactMath, SinRandomArguments) {
    Checker check = sinChecker("sin_random");
    Source src(0x5eed0002);
    for (int i = 0; i < kRandomPoints; ++i) {
        check(i % 3 != 2 ? kPi * src.unit() : std::fmin(src.logUniform(-30, 2), kPi));
    }
    check.report();
}

TEST(ExactMath, CosRandomArguments) {
    Checker check = cosChecker("cos_random");
    Source src(0x5eed0003);
    for (int i = 0; i < kRandomPoints; ++i) {
        check(i % 3 != 2 ? kPi * src.unit() : std::fmin(src.logUniform(-30, 2), kPi));
    }
    check.report();
}

TEST(ExactMath, SpecialNeighbourhoods) {
    Checker e = exp2Checker("exp2_special");
    Checker s = sinChecker("sin_special");
    Checker c = cosChecker("cos_special");
    for (double y : exp2SpecialPoints()) e(y);
    for (double x : sinCosSpecialPoints()) {
        s(x);
        c(x);
    }
    e.report();
    s.report();
    c.report();
}

// Exactly the expressions of Easing.cpp for t = k/N.
TEST(ExactMath, EasingGrid) {
    Checker e = exp2Checker("exp2_easing");
    Checker s = sinChecker("sin_easing");
    Checker c = cosChecker("cos_easing");
    for (double t : easingParameters()) {
        e(10 * (t - 1));  // Expo In
        e(-10 * t);       // Expo Out
        const double u = 2 * t;
        if (u < 1) {
            e(10 * (u - 1));  // Expo InOut, first half
        } else {
            e(-10 * (u - 1));  // Expo InOut, second half
        }
        c(t * kPi / 2);  // Sine In
        s(t * kPi / 2);  // Sine Out
        c(kPi * t);      // Sine InOut
    }
    e.report();
    s.report();
    c.report();
}

// Beyond what the easing needs: all normal results of exp2, sin/cos on [-2 pi, 2 pi].
TEST(ExactMath, WiderDomain) {
    Checker e = exp2Checker("exp2_wide");
    Checker s = sinChecker("sin_wide");
    Checker c = cosChecker("cos_wide");
    Source src(0x5eed0004);
    for (int i = 0; i < kWidePoints; ++i) {
        e(src.uniform(-1022.0, 1023.0));
        const double x = src.uniform(-2 * kPi, 2 * kPi);
        s(x);
        c(x);
    }
    for (double x : neighbourhood(2 * kPi, 2000, -2 * kPi, 2 * kPi)) s(x);
    for (double x : neighbourhood(3 * kPi / 2, 2000, -2 * kPi, 2 * kPi)) c(x);
    for (double x : neighbourhood(-kPi, 2000, -2 * kPi, 2 * kPi)) s(x);
    e.report();
    s.report();
    c.report();
}

// The rarely taken 288-bit fallback, forced for every argument.
TEST(ExactMath, FallbackPath) {
    Checker e{"exp2_fallback", detail::exp2Fallback, refExp2, nullptr};
    Checker s{"sin_fallback", detail::sinFallback, refSin, nullptr};
    Checker c{"cos_fallback", detail::cosFallback, refCos, nullptr};
    Source src(0x5eed0005);
    for (int i = 0; i < kFallbackPoints; ++i) {
        e(i % 2 == 0 ? -10.0 * src.unit() : -src.logUniform(-54, 4) * 0.625);
        const double x = i % 2 == 0 ? src.uniform(-2 * kPi, 2 * kPi) : src.logUniform(-27, 2);
        s(x);
        c(x);
    }
    for (double x : neighbourhood(kPi, 200, 0.0, kPi)) s(x);
    for (double x : neighbourhood(kPi / 2, 200, 0.0, kPi)) c(x);
    e.report();
    s.report();
    c.report();
}

// The double-double of the fast path stays far inside the 2^-90 that the rounding
// test relies on (ExactMath.cpp documents a bound of about 2^-99).
TEST(ExactMath, FastPathErrorBound) {
    const auto relError = [](detail::DoubleDouble v, __float128 ref) {
        const __float128 got = static_cast<__float128>(v.hi) + static_cast<__float128>(v.lo);
        return static_cast<double>(fabsq((got - ref) / ref));
    };
    double worstExp2 = 0;
    double worstSin = 0;
    double worstCos = 0;
    Source src(0x5eed0006);
    std::vector<double> xs = sinCosSpecialPoints();
    std::vector<double> ys = exp2SpecialPoints();
    for (int i = 0; i < kApproxPoints; ++i) {
        ys.push_back(i % 2 == 0 ? -10.0 * src.unit() : -src.logUniform(-54, 4) * 0.625);
        xs.push_back(i % 2 == 0 ? src.uniform(0x1p-27, 2 * kPi) : src.logUniform(-27, 2));
    }
    for (double y : ys) {
        if (std::fabs(y) < 0x1p-54) continue;
        worstExp2 = std::fmax(worstExp2,
                              relError(detail::exp2Approx(y), exp2q(static_cast<__float128>(y))));
    }
    for (double x : xs) {
        if (x < 0x1p-27) continue;
        const __float128 q = static_cast<__float128>(x);
        worstSin = std::fmax(worstSin, relError(detail::sinApprox(x), sinq(q)));
        worstCos = std::fmax(worstCos, relError(detail::cosApprox(x), cosq(q)));
    }
    std::cout << "[ exactmath ] fast-path worst relative error: exp2 2^" << std::log2(worstExp2)
              << ", sin 2^" << std::log2(worstSin) << ", cos 2^" << std::log2(worstCos)
              << " (" << ys.size() << " + " << xs.size() << " points)" << std::endl;
    EXPECT_LT(worstExp2, 0x1p-99);
    EXPECT_LT(worstSin, 0x1p-99);
    EXPECT_LT(worstCos, 0x1p-99);
}

}  // namespace
