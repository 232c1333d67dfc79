#pragma once

namespace glidestone {

// Elementary functions built only from IEEE 754 double additions,
// subtractions, multiplications, divisions, square roots and exact
// scalings by powers of two, in a fixed order. Every platform that evaluates
// double expressions in double precision without contraction (this build
// forbids fused multiply-adds) gets the same bits from them, which the C
// library's log, sin and cos do not promise. They are accurate to a couple of
// units in the last place: enough for drawing random numbers and turning
// vectors, not a replacement for the C library where speed matters.

// Natural logarithm of a positive finite x (subnormals included). NaN for
// x < 0 or NaN, -infinity for 0, +infinity for +infinity.
double PortableLog(double x);

// Sine and cosine of x radians. Accurate while |x| < 1e6; beyond that the
// argument reduction loses digits (the results stay reproducible). NaN for a
// non-finite x.
struct SineCosine {
    double sine;
    double cosine;
};
SineCosine PortableSinCos(double x);

}  // namespace glidestone
