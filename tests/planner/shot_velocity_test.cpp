#include "planner/shot_velocity.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

namespace glidestone {
namespace {

float Length(Vector2 v) { return std::hypot(v.x, v.y); }

TEST(ReleaseSpeedTest, EachFitAtItsFigures) {
    EXPECT_NEAR(EstimateReleaseSpeed(35.0f, 0.0f), 2.30223f, 1e-5f);
    EXPECT_EQ(EstimateReleaseSpeed(35.0f, 0.0f), std::sqrt(5.3002505f));
    EXPECT_NEAR(EstimateReleaseSpeed(35.0f, 3.0f), 3.70100f, 1e-5f);
    EXPECT_NEAR(EstimateReleaseSpeed(35.0f, 0.5f), 2.33501f, 1e-5f);
}

TEST(ReleaseSpeedTest, FitBoundsAreInclusiveAbove) {
    // At exactly 0.05 the draw fit still holds; at exactly 1 the slow fit.
    float const draw_at_bound = EstimateReleaseSpeed(35.0f, 0.05f);
    float const slow_at_bound = EstimateReleaseSpeed(35.0f, 1.0f);
    float const draw_fit_b = [] {
        float const v = 0.05f;
        float const d = -0.0014030973f - std::log(35.0f - 29.898958f) * 0.00046669575f;
        float const e = 35.0f * 0.0005048123f + 0.27562425f;
        float const h = 35.0f * 0.13968688f + 0.4112094f;
        return (d * v + (e * v) * v) + h;
    }();
    EXPECT_EQ(draw_at_bound, std::sqrt(draw_fit_b));
    // The three fits disagree just above each bound, so the side taken shows.
    EXPECT_NE(EstimateReleaseSpeed(35.0f, std::nextafter(0.05f, 1.0f)), draw_at_bound);
    EXPECT_NE(EstimateReleaseSpeed(35.0f, std::nextafter(1.0f, 2.0f)), slow_at_bound);
    float const slow_fit_b = [] {
        float const v = 1.0f;
        float const d = -0.198118f - std::log(35.0f - 29.867514f) * -0.0008339332f;
        float const e = 0.9858458f - 35.0f * 0.0014309171f;
        float const h = 35.0f * 0.13967323f + 0.4281631f;
        return (d * v + (e * v) * v) + h;
    }();
    EXPECT_EQ(slow_at_bound, std::sqrt(slow_fit_b));
}

TEST(ShotVelocityTest, DrawCurlsBackOntoTheTarget) {
    Vector2 ccw = EstimateShotVelocity({0.0f, 35.0f}, 0.0f, false);
    EXPECT_NEAR(ccw.x, 0.1242f, 1e-4f);
    EXPECT_NEAR(ccw.y, 2.2989f, 1e-4f);
    EXPECT_NEAR(Length(ccw), 2.30223f, 1e-5f);

    Vector2 cw = EstimateShotVelocity({0.0f, 35.0f}, 0.0f, true);
    EXPECT_NEAR(cw.x, -0.1242f, 1e-4f);
    EXPECT_NEAR(cw.y, 2.2989f, 1e-4f);
}

TEST(ShotVelocityTest, PassingShotProbesUntilItSlowsToTheTargetSpeed) {
    Vector2 v = EstimateShotVelocity({0.0f, 35.0f}, 3.0f, false);
    EXPECT_NEAR(v.x, 0.0569f, 1e-4f);
    EXPECT_NEAR(v.y, 3.7006f, 1e-4f);
}

TEST(ShotVelocityTest, TargetInsideTheFittedRangeGivesNan) {
    Vector2 near_draw = EstimateShotVelocity({0.0f, 20.0f}, 0.0f, false);
    EXPECT_TRUE(std::isnan(near_draw.x));
    EXPECT_TRUE(std::isnan(near_draw.y));
    Vector2 near_pass = EstimateShotVelocity({0.0f, 5.0f}, 3.0f, true);
    EXPECT_TRUE(std::isnan(near_pass.x));
    // The probe simulator is unharmed: the next estimate is as on a fresh thread.
    Vector2 after = EstimateShotVelocity({0.0f, 35.0f}, 0.0f, false);
    Vector2 fresh;
    std::thread([&] { fresh = EstimateShotVelocity({0.0f, 35.0f}, 0.0f, false); }).join();
    EXPECT_EQ(after.x, fresh.x);
    EXPECT_EQ(after.y, fresh.y);
}

TEST(ShotVelocityTest, ResultDoesNotDependOnEarlierEstimatesOrThreads) {
    Vector2 first = EstimateShotVelocity({1.0f, 36.0f}, 0.0f, false);
    EstimateShotVelocity({-1.5f, 40.0f}, 3.0f, true);
    Vector2 again = EstimateShotVelocity({1.0f, 36.0f}, 0.0f, false);
    ResetProbeSimulator();
    Vector2 after_reset = EstimateShotVelocity({1.0f, 36.0f}, 0.0f, false);
    EXPECT_EQ(first.x, again.x);
    EXPECT_EQ(first.y, again.y);
    EXPECT_EQ(first.x, after_reset.x);
    EXPECT_EQ(first.y, after_reset.y);
}

}  // namespace
}  // namespace glidestone
