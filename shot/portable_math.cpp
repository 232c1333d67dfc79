#include "shot/portable_math.h"

#include <cmath>
#include <limits>

namespace glidestone {

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// ln 2 split so that e × kLn2High is exact for every binary exponent e.
constexpr double kLn2High = 6.93147180369123816490e-01;  // 0x3FE62E42FEE00000
constexpr double kLn2Low = 1.90821492927058770002e-10;

// π/2 split the same way for the argument reduction of sine and cosine:
// k × kHalfPiHigh is exact for |k| < 2^20.
constexpr double kHalfPiHigh = 1.57079632673412561417e+00;  // 0x3FF921FB54400000
constexpr double kHalfPiLow = 6.07710050650619224932e-11;
constexpr double kTwoOverPi = 6.36619772367581382433e-01;

}  // namespace

double PortableLog(double x) {
    if (std::isnan(x) || x < 0.0) return kNaN;
    if (x == 0.0) return -std::numeric_limits<double>::infinity();
    if (std::isinf(x)) return x;

    // x = m × 2^e with m in [√½, √2): frexp and the doubling are exact.
    int e = 0;
    double m = std::frexp(x, &e);
    if (m < 0.70710678118654752440) {
        m *= 2.0;
        e -= 1;
    }
    // ln m = ln(1 + f) = 2 atanh(s) with s = f / (2 + f), |s| ≤ 0.1716, f exact.
    // Written as f − (f²/2 − s (f²/2 + R)) with R = 2s²/3 + 2s⁴/5 + ... so that
    // the exact f carries the result and the rounded terms only correct it;
    // twelve terms of R leave less than 1e-18 of it out.
    double const f = m - 1.0;
    double const s = f / (2.0 + f);
    double const z = s * s;
    double r = 2.0 / 25.0;
    for (int k = 11; k >= 1; --k) r = r * z + 2.0 / static_cast<double>(2 * k + 1);
    double const big_r = z * r;
    double const half_f_squared = 0.5 * f * f;
    double const exponent = static_cast<double>(e);
    return exponent * kLn2High - ((half_f_squared - (s * (half_f_squared + big_r) + exponent * kLn2Low)) - f);
}

SineCosine PortableSinCos(double x) {
    if (!std::isfinite(x)) return {kNaN, kNaN};
    if (x == 0.0) return {x, 1.0};  // keeps the sign of a zero

    // x = k × π/2 + r with |r| ≤ π/4 (a little more far from zero).
    double const k = std::floor(x * kTwoOverPi + 0.5);
    double const r = (x - k * kHalfPiHigh) - k * kHalfPiLow;
    double const r2 = r * r;

    // Taylor series to r^17 and r^18: the first term left out is below
    // 1e-19 of the result for |r| ≤ π/4.
    double s = 1.0 / 355687428096000.0;  // 1/17!
    s = s * r2 - 1.0 / 1307674368000.0;  // 1/15!
    s = s * r2 + 1.0 / 6227020800.0;     // 1/13!
    s = s * r2 - 1.0 / 39916800.0;       // 1/11!
    s = s * r2 + 1.0 / 362880.0;         // 1/9!
    s = s * r2 - 1.0 / 5040.0;           // 1/7!
    s = s * r2 + 1.0 / 120.0;            // 1/5!
    s = s * r2 - 1.0 / 6.0;              // 1/3!
    double const sine = r + r * (r2 * s);

    double c = 1.0 / 6402373705728000.0;  // 1/18!
    c = c * r2 - 1.0 / 20922789888000.0;  // 1/16!
    c = c * r2 + 1.0 / 87178291200.0;     // 1/14!
    c = c * r2 - 1.0 / 479001600.0;       // 1/12!
    c = c * r2 + 1.0 / 3628800.0;         // 1/10!
    c = c * r2 - 1.0 / 40320.0;           // 1/8!
    c = c * r2 + 1.0 / 720.0;             // 1/6!
    c = c * r2 - 1.0 / 24.0;              // 1/4!
    c = c * r2 + 1.0 / 2.0;               // 1/2!
    double const cosine = 1.0 - r2 * c;

    // Quadrant k mod 4, exact for |k| < 2^53.
    double const quadrant = k - 4.0 * std::floor(k * 0.25);
    if (quadrant == 0.0) return {sine, cosine};
    if (quadrant == 1.0) return {cosine, -sine};
    if (quadrant == 2.0) return {-sine, -cosine};
    return {-cosine, sine};
}

}  // namespace glidestone
