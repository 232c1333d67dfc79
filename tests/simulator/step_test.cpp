#include <gtest/gtest.h>

#include <cmath>

#include "simulator/fcv1/simulator_fcv1.h"
#include "tests/simulator/stone_helpers.h"

namespace glidestone::simulators {
namespace {

using glidestone::testing::MakeStone;

struct Throw {
    int frames_to_standstill = 0;  // until the speed is exactly zero
    int frames_to_stop = 0;        // until AreAllStonesStopped
    StoneSlot standstill;
};

// Throws one stone from the origin straight along +y and steps it to rest.
Throw ThrowAlone(float speed, float omega) {
    auto sim = SimulatorFCV1Factory(0.05f).CreateSimulator();
    AllStones stones{};
    stones[0] = MakeStone(0.0f, 0.0f, 0.0f, speed, omega);
    sim->SetStones(stones);
    Throw result;
    while (!sim->AreAllStonesStopped()) {
        sim->Step();
        ++result.frames_to_stop;
        const StoneSlot& stone = sim->GetStones()[0];
        if (result.frames_to_standstill == 0 && stone.linear_velocity.x == 0.0f && stone.linear_velocity.y == 0.0f) {
            result.frames_to_standstill = result.frames_to_stop;
            result.standstill = stone;
        }
    }
    return result;
}

TEST(StepTest, OneFrameAppliesTheIceToTheBody) {
    auto sim = SimulatorFCV1Factory(0.05f).CreateSimulator();
    AllStones stones{};
    stones[0] = MakeStone(0.0f, 0.0f, 0.0f, 2.0f, 1.57f);
    sim->SetStones(stones);
    sim->Step();
    const StoneSlot& stone = sim->GetStones()[0];
    EXPECT_NEAR(stone.linear_velocity.x, -0.00047013f, 1e-8f);
    EXPECT_NEAR(stone.linear_velocity.y, 1.9964516f, 1e-6f);
    EXPECT_NEAR(stone.angular_velocity, 1.569375f, 1e-6f);
    // The engine then moves the stone a frame at the new velocity.
    EXPECT_NEAR(stone.position.y, 1.9964516f * 0.05f, 1e-6f);
    EXPECT_NEAR(stone.angle, 1.569375f * 0.05f, 1e-6f);
}

TEST(StepTest, SpinningStoneAtRestLosesItsSpin) {
    auto sim = SimulatorFCV1Factory(0.05f).CreateSimulator();
    AllStones stones{};
    stones[0] = MakeStone(0.0f, 0.0f, 0.0f, 0.0f, 3.0f);
    sim->SetStones(stones);
    EXPECT_FALSE(sim->AreAllStonesStopped());
    sim->Step();
    EXPECT_EQ(sim->GetStones()[0].angular_velocity, 1.75f);
    sim->Step();
    EXPECT_EQ(sim->GetStones()[0].angular_velocity, 0.5f);
    sim->Step();
    EXPECT_EQ(sim->GetStones()[0].angular_velocity, 0.0f);
    EXPECT_TRUE(sim->AreAllStonesStopped());
}

TEST(StepTest, EmptyWorldStepsWithoutEffect) {
    auto sim = SimulatorFCV1Factory(0.05f).CreateSimulator();
    sim->Step();
    EXPECT_TRUE(sim->AreAllStonesStopped());
    EXPECT_TRUE(sim->GetCollisions().empty());
}

TEST(StepTest, CounterClockwiseDrawStopsExactlyAfter548Frames) {
    float const speed = std::sqrt(5.3002505f);
    Throw ccw = ThrowAlone(speed, 1.57f);
    EXPECT_EQ(ccw.frames_to_standstill, 548);
    EXPECT_NEAR(ccw.standstill.position.x, -1.885f, 0.001f);
    EXPECT_NEAR(ccw.standstill.position.y, 34.896f, 0.001f);
    // Still turning counter-clockwise, which counts as motion for one frame more.
    EXPECT_GT(ccw.standstill.angular_velocity, 0.0f);
    EXPECT_EQ(ccw.frames_to_stop, 549);

    // A clockwise spin never counts as motion: the stop test ends it at once.
    Throw cw = ThrowAlone(speed, -1.57f);
    EXPECT_EQ(cw.frames_to_standstill, 548);
    EXPECT_EQ(cw.frames_to_stop, 548);
    EXPECT_EQ(cw.standstill.position.x, -ccw.standstill.position.x);
    EXPECT_EQ(cw.standstill.position.y, ccw.standstill.position.y);
}

TEST(StepTest, StoneWithoutSpinRunsStraight) {
    Throw straight = ThrowAlone(2.0f, 0.0f);
    EXPECT_EQ(straight.standstill.position.x, 0.0f);
    EXPECT_GT(straight.standstill.position.y, 20.0f);
}

}  // namespace
}  // namespace glidestone::simulators
