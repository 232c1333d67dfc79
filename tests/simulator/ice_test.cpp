#include "simulator/fcv1/ice.h"

#include <gtest/gtest.h>

namespace glidestone::simulators {
namespace {

constexpr float kDt = 0.05f;

TEST(IceTest, MovingStoneSlowsCurlsAndLosesSpin) {
    IceFrame ccw = ApplyIce(0.0f, 2.0f, 1.57f, kDt);
    ASSERT_TRUE(ccw.set_linear);
    ASSERT_TRUE(ccw.set_angular);
    EXPECT_NEAR(ccw.linear_x, -0.00047013f, 1e-8f);
    EXPECT_NEAR(ccw.linear_y, 1.9964516f, 1e-6f);
    EXPECT_NEAR(ccw.angular, 1.569375f, 1e-6f);

    IceFrame cw = ApplyIce(0.0f, 2.0f, -1.57f, kDt);
    EXPECT_EQ(cw.linear_x, -ccw.linear_x);
    EXPECT_EQ(cw.linear_y, ccw.linear_y);
    EXPECT_EQ(cw.angular, -ccw.angular);

    IceFrame still = ApplyIce(0.0f, 2.0f, 0.0f, kDt);
    EXPECT_EQ(still.linear_x, 0.0f);
    EXPECT_EQ(still.linear_y, ccw.linear_y);
    EXPECT_FALSE(still.set_angular);
}

TEST(IceTest, CurlRateDependsOnlyOnTheSignOfTheSpin) {
    IceFrame slow = ApplyIce(0.0f, 2.0f, 0.01f, kDt);
    IceFrame fast = ApplyIce(0.0f, 2.0f, 30.0f, kDt);
    EXPECT_EQ(slow.linear_x, fast.linear_x);
    EXPECT_EQ(slow.linear_y, fast.linear_y);
}

TEST(IceTest, SlowStoneStopsExactlyAndSpinDecaysAtItsOldSpeed) {
    IceFrame frame = ApplyIce(0.01f, 0.0f, 1.0f, kDt);
    ASSERT_TRUE(frame.set_linear);
    EXPECT_EQ(frame.linear_x, 0.0f);
    EXPECT_EQ(frame.linear_y, 0.0f);
    EXPECT_FLOAT_EQ(frame.angular, 0.875f);
}

TEST(IceTest, SpinOfAStoneAtRestDecaysByTwentyFivePerSecond) {
    EXPECT_EQ(ApplyIce(0.0f, 0.0f, 1.0f, kDt).angular, 0.0f);
    EXPECT_EQ(ApplyIce(0.0f, 0.0f, 3.0f, kDt).angular, 1.75f);
    EXPECT_EQ(ApplyIce(0.0f, 0.0f, -0.5f, kDt).angular, 0.0f);
    EXPECT_EQ(ApplyIce(0.0f, 0.0f, -3.0f, kDt).angular, -1.75f);
}

TEST(IceTest, TinyVelocityIsLeftAlone) {
    IceFrame frame = ApplyIce(1e-8f, 0.0f, 0.0f, kDt);
    EXPECT_FALSE(frame.set_linear);
    EXPECT_FALSE(frame.set_angular);
}

TEST(IceTest, NanSpeedMakesNoLinearUpdateButPoisonsTheSpin) {
    float const nan = std::numeric_limits<float>::quiet_NaN();
    IceFrame frame = ApplyIce(nan, 1.0f, 1.0f, kDt);
    EXPECT_FALSE(frame.set_linear);
    ASSERT_TRUE(frame.set_angular);
    EXPECT_TRUE(std::isnan(frame.angular));
}

}  // namespace
}  // namespace glidestone::simulators
