#include "shot/portable_math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace glidestone {
namespace {

// Distance in units in the last place between two finite doubles of the same
// sign, or of magnitude below the smallest normal.
double UlpsApart(double a, double b) {
    double const ulp = std::nextafter(std::fabs(b), std::numeric_limits<double>::infinity()) - std::fabs(b);
    return std::fabs(a - b) / ulp;
}

TEST(PortableLogTest, AgreesWithTheCLibraryWithinOneUlp) {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> exponent(-1000.0, 1000.0);
    for (int i = 0; i < 200000; ++i) {
        double const x = std::pow(2.0, exponent(random));
        ASSERT_LE(UlpsApart(PortableLog(x), std::log(x)), 1.0) << x;
    }
    // Near 1, where the logarithm itself is small and cancellation would show.
    std::uniform_real_distribution<double> near_one(0.9, 1.1);
    for (int i = 0; i < 100000; ++i) {
        double const x = near_one(random);
        ASSERT_LE(UlpsApart(PortableLog(x), std::log(x)), 1.0) << x;
    }
    // The square-root-of-a-half split and subnormals.
    for (double x : {0.70710678118654746, 0.70710678118654757, 1.4142135623730949, 1.4142135623730951,
                     std::numeric_limits<double>::denorm_min(), 1e-310, std::numeric_limits<double>::max()})
        EXPECT_LE(UlpsApart(PortableLog(x), std::log(x)), 1.0) << x;
}

TEST(PortableLogTest, SpecialValues) {
    EXPECT_EQ(PortableLog(1.0), 0.0);
    EXPECT_EQ(PortableLog(0.0), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(PortableLog(std::numeric_limits<double>::infinity()), std::numeric_limits<double>::infinity());
    EXPECT_TRUE(std::isnan(PortableLog(-1.0)));
    EXPECT_TRUE(std::isnan(PortableLog(std::numeric_limits<double>::quiet_NaN())));
}

TEST(PortableSinCosTest, AgreesWithTheCLibrary) {
    std::mt19937_64 random(11);
    // Around zero, where the relative error is what matters.
    std::uniform_real_distribution<double> small(-0.8, 0.8);
    for (int i = 0; i < 100000; ++i) {
        double const x = small(random);
        SineCosine const r = PortableSinCos(x);
        ASSERT_LE(UlpsApart(r.sine, std::sin(x)), 2.0) << x;
        ASSERT_LE(UlpsApart(r.cosine, std::cos(x)), 2.0) << x;
    }
    // Every quadrant, up to the documented range.
    std::uniform_real_distribution<double> wide(-1e6, 1e6);
    for (int i = 0; i < 100000; ++i) {
        double const x = i % 2 ? wide(random) : small(random) * 10.0;
        SineCosine const r = PortableSinCos(x);
        ASSERT_NEAR(r.sine, std::sin(x), 1e-15 * std::max(1.0, std::fabs(x) * 1e-4)) << x;
        ASSERT_NEAR(r.cosine, std::cos(x), 1e-15 * std::max(1.0, std::fabs(x) * 1e-4)) << x;
    }
}

TEST(PortableSinCosTest, ExactPointsAndSpecialValues) {
    SineCosine const zero = PortableSinCos(0.0);
    EXPECT_EQ(zero.sine, 0.0);
    EXPECT_EQ(zero.cosine, 1.0);
    SineCosine const minus_zero = PortableSinCos(-0.0);
    EXPECT_EQ(minus_zero.cosine, 1.0);
    EXPECT_TRUE(std::signbit(minus_zero.sine));
    // Odd and even.
    for (double x : {0.3, 1.2, 2.5, 4.0, 100.25}) {
        EXPECT_EQ(PortableSinCos(-x).sine, -PortableSinCos(x).sine) << x;
        EXPECT_EQ(PortableSinCos(-x).cosine, PortableSinCos(x).cosine) << x;
    }
    EXPECT_TRUE(std::isnan(PortableSinCos(std::numeric_limits<double>::infinity()).sine));
    EXPECT_TRUE(std::isnan(PortableSinCos(std::numeric_limits<double>::quiet_NaN()).cosine));
}

}  // namespace
}  // namespace glidestone
