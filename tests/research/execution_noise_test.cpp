#include "research/execution_noise.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <stdexcept>

#include "research/random.h"
#include "shot/shot_player.h"

namespace glidestone {
namespace {

TEST(ExecutionNoiseTest, ZeroNoiseDrawsNothing) {
    EXPECT_FALSE(DrawReleasePerturbation({}, 1, 1));
    EXPECT_FALSE(DrawReleasePerturbation({0.0, -0.0}, 12345, 99));
    EXPECT_TRUE(DrawReleasePerturbation({0.01, 0.0}, 1, 1));
    EXPECT_TRUE(DrawReleasePerturbation({0.0, 0.001}, 1, 1));
}

TEST(ExecutionNoiseTest, RefusesDeviationsThatAreNegativeOrNotFinite) {
    double const inf = std::numeric_limits<double>::infinity();
    double const nan = std::numeric_limits<double>::quiet_NaN();
    for (ExecutionNoise bad : {ExecutionNoise{-0.01, 0.0}, ExecutionNoise{0.0, -1e-9}, ExecutionNoise{inf, 0.0},
                               ExecutionNoise{0.0, nan}, ExecutionNoise{nan, nan}}) {
        EXPECT_THROW(bad.Validate(), std::invalid_argument);
        EXPECT_THROW(DrawReleasePerturbation(bad, 1, 1), std::invalid_argument);
    }
}

TEST(ExecutionNoiseTest, DrawsAreKeyedBySeedAndIndexAlone) {
    ExecutionNoise const noise{0.05, 0.01};
    ReleasePerturbation const a = *DrawReleasePerturbation(noise, 7, 3);
    ReleasePerturbation const b = *DrawReleasePerturbation(noise, 7, 3);
    EXPECT_EQ(a.speed, b.speed);
    EXPECT_EQ(a.angle, b.angle);
    EXPECT_NE(DrawReleasePerturbation(noise, 8, 3)->speed, a.speed);
    EXPECT_NE(DrawReleasePerturbation(noise, 7, 4)->speed, a.speed);

    // The documented recipe: the first normal pair of the stream, scaled.
    SplitMix64 stream = SplitMix64::Stream(7, 3);
    auto const [z1, z2] = StandardNormalPair(stream);
    EXPECT_EQ(a.speed, 0.05 * z1);
    EXPECT_EQ(a.angle, 0.01 * z2);

    // Turning one kind of noise off leaves the other's errors as they were.
    EXPECT_EQ(DrawReleasePerturbation({0.05, 0.0}, 7, 3)->speed, a.speed);
    EXPECT_EQ(DrawReleasePerturbation({0.0, 0.01}, 7, 3)->angle, a.angle);
}

// The release velocities a player reports, over many noisy draws of one shot,
// spread as the noise model says.
TEST(ExecutionNoiseTest, ReportedReleaseSpreadsWithTheGivenDeviations) {
    ExecutionNoise const noise{0.02, 0.004};
    constexpr int kDraws = 10000;
    Vector2 const planned = ShotPlayer().Plan(Shot{{0.3f, 38.0f}, false, 1.0});
    double const planned_speed = std::hypot(double{planned.x}, double{planned.y});
    double const planned_direction = std::atan2(double{planned.y}, double{planned.x});

    double speed_sum = 0.0, speed_squares = 0.0, angle_sum = 0.0, angle_squares = 0.0, product = 0.0;
    for (int n = 1; n <= kDraws; ++n) {
        Vector2 const v = PerturbRelease(planned, *DrawReleasePerturbation(noise, 2024, n));
        double const ds = std::hypot(double{v.x}, double{v.y}) - planned_speed;
        double const da = std::atan2(double{v.y}, double{v.x}) - planned_direction;
        speed_sum += ds;
        speed_squares += ds * ds;
        angle_sum += da;
        angle_squares += da * da;
        product += ds * da;
    }
    double const speed_mean = speed_sum / kDraws;
    double const angle_mean = angle_sum / kDraws;
    double const speed_sd = std::sqrt((speed_squares - kDraws * speed_mean * speed_mean) / (kDraws - 1));
    double const angle_sd = std::sqrt((angle_squares - kDraws * angle_mean * angle_mean) / (kDraws - 1));
    EXPECT_NEAR(speed_sd, noise.sigma_speed, 0.02 * noise.sigma_speed);
    EXPECT_NEAR(angle_sd, noise.sigma_angle, 0.02 * noise.sigma_angle);
    // Unbiased (within four standard errors) and independent.
    EXPECT_NEAR(speed_mean, 0.0, 4.0 * noise.sigma_speed / 100.0);
    EXPECT_NEAR(angle_mean, 0.0, 4.0 * noise.sigma_angle / 100.0);
    EXPECT_NEAR(product / kDraws / (speed_sd * angle_sd), 0.0, 0.04);
}

// Played for real, the reported velocity is the perturbed plan.
TEST(ExecutionNoiseTest, PlayedShotReportsTheDrawnRelease) {
    Shot const shot{{0.0f, 38.4f}, false, 1.0};
    ExecutionNoise const noise{0.03, 0.005};
    Vector2 const planned = ShotPlayer().Plan(shot);
    for (std::uint64_t n = 1; n <= 3; ++n) {
        std::optional<ReleasePerturbation> const p = DrawReleasePerturbation(noise, 11, n);
        ShotResult const played = ShotPlayer().Play({}, shot, p);
        Vector2 const expected = PerturbRelease(planned, *p);
        EXPECT_EQ(played.release_velocity.x, expected.x) << n;
        EXPECT_EQ(played.release_velocity.y, expected.y) << n;
    }
}

}  // namespace
}  // namespace glidestone
