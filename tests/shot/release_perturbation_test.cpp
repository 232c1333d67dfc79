#include "shot/release_perturbation.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <vector>

#include "shot/shot_player.h"

namespace glidestone {
namespace {

bool SameBits(Vector2 a, Vector2 b) {
    return std::bit_cast<std::uint32_t>(a.x) == std::bit_cast<std::uint32_t>(b.x) &&
           std::bit_cast<std::uint32_t>(a.y) == std::bit_cast<std::uint32_t>(b.y);
}

double Length(Vector2 v) {
    return std::hypot(double{v.x}, double{v.y});
}
double Direction(Vector2 v) {
    return std::atan2(double{v.y}, double{v.x});
}

constexpr Vector2 kDraw{0.1242f, 2.2989f};

TEST(PerturbReleaseTest, NothingToAddLeavesThePlanUntouched) {
    for (Vector2 planned : {kDraw, Vector2{-0.0f, 3.7f}, Vector2{1e-30f, -2.0f}})
        EXPECT_TRUE(SameBits(PerturbRelease(planned, {}), planned));
    EXPECT_TRUE(SameBits(PerturbRelease(kDraw, {-0.0, -0.0}), kDraw));
    // Out of the planner's range stays out of range, whatever the noise.
    float const nan = std::numeric_limits<float>::quiet_NaN();
    Vector2 const out = PerturbRelease({nan, nan}, {0.1, 0.1});
    EXPECT_TRUE(std::isnan(out.x) && std::isnan(out.y));
}

TEST(PerturbReleaseTest, SpeedErrorKeepsTheDirection) {
    for (double error : {0.05, -0.2, 1.0}) {
        Vector2 const v = PerturbRelease(kDraw, {error, 0.0});
        EXPECT_NEAR(Length(v), Length(kDraw) + error, 1e-6) << error;
        EXPECT_NEAR(Direction(v), Direction(kDraw), 1e-6) << error;
    }
}

TEST(PerturbReleaseTest, AngleErrorTurnsCounterClockwiseAndKeepsTheSpeed) {
    for (double angle : {0.01, -0.03, 0.5, -3.0}) {
        Vector2 const v = PerturbRelease(kDraw, {0.0, angle});
        EXPECT_NEAR(Length(v), Length(kDraw), 1e-6) << angle;
        EXPECT_NEAR(std::remainder(Direction(v) - Direction(kDraw), 2.0 * M_PI), angle, 1e-6) << angle;
    }
    // Straight up the sheet, a positive angle sends the stone toward -x.
    Vector2 const turned = PerturbRelease({0.0f, 2.0f}, {0.0, 0.1});
    EXPECT_NEAR(turned.x, -2.0 * std::sin(0.1), 1e-6);
    EXPECT_NEAR(turned.y, 2.0 * std::cos(0.1), 1e-6);
}

TEST(PerturbReleaseTest, NeverReleasedBackwards) {
    Vector2 const v = PerturbRelease(kDraw, {-5.0, 0.2});
    EXPECT_EQ(Length(v), 0.0);
    // A stone planned to stand still still gets a direction: +y, turned.
    Vector2 const from_rest = PerturbRelease({0.0f, 0.0f}, {1.5, 0.0});
    EXPECT_EQ(from_rest.x, 0.0f);
    EXPECT_EQ(from_rest.y, 1.5f);
}

TEST(PerturbReleaseTest, PlayerThrowsAndReportsThePerturbedRelease) {
    std::vector<Vector2> const stones{{0.2f, 38.1f}, {-0.5f, 37.0f}};
    Shot const draw{{0.1f, 38.3f}, false, -1.0};
    ReleasePerturbation const miss{0.04, -0.006};

    ShotPlayer planner;
    Vector2 const planned = planner.Plan(draw);
    ShotPlayer noisy;
    ShotResult const perturbed = noisy.Play(stones, draw, miss);
    EXPECT_TRUE(SameBits(perturbed.release_velocity, PerturbRelease(planned, miss)));
    EXPECT_FALSE(SameBits(perturbed.release_velocity, planned));

    // The same as throwing the perturbed velocity by hand.
    AllStones slots{};
    for (std::size_t i = 0; i < stones.size(); ++i) {
        slots[i].position = stones[i];
        slots[i].present = true;
    }
    ShotPlayer by_hand;
    ShotResult const thrown = by_hand.Throw(slots, PerturbRelease(planned, miss), perturbed.angular_velocity);
    for (std::size_t i = 0; i < kStoneCount; ++i)
        EXPECT_TRUE(SameBits(thrown.stones[i].position, perturbed.stones[i].position)) << "slot " << i;

    // No perturbation: the plain shot, bit for bit.
    ShotPlayer plain, none;
    ShotResult const a = plain.Play(stones, draw);
    ShotResult const b = none.Play(stones, draw, std::nullopt);
    EXPECT_TRUE(SameBits(a.release_velocity, planned));
    for (std::size_t i = 0; i < kStoneCount; ++i)
        EXPECT_TRUE(SameBits(a.stones[i].position, b.stones[i].position)) << "slot " << i;
    EXPECT_GT(std::fabs(a.stones[kShotSlot].position.y - perturbed.stones[kShotSlot].position.y), 0.01f);
}

}  // namespace
}  // namespace glidestone
