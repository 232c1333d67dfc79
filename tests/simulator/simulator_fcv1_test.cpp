#include "simulator/fcv1/simulator_fcv1.h"

#include <gtest/gtest.h>

#include "tests/simulator/stone_helpers.h"

namespace glidestone::simulators {
namespace {

using glidestone::testing::MakeStone;
using glidestone::testing::SameBits;

std::unique_ptr<ISimulator> NewSimulator() {
    return SimulatorFCV1Factory(0.05f).CreateSimulator();
}

TEST(SimulatorFCV1Test, FreshSimulatorIsEmptyAndStopped) {
    auto sim = NewSimulator();
    EXPECT_TRUE(SameBits(sim->GetStones(), AllStones{}));
    EXPECT_TRUE(sim->GetCollisions().empty());
    EXPECT_TRUE(sim->AreAllStonesStopped());
    EXPECT_EQ(sim->GetSecondsPerFrame(), 0.05f);
    EXPECT_EQ(sim->GetSimulatorId(), "fcv1");
    EXPECT_EQ(sim->GetFactory().GetSimulatorId(), "fcv1");
}

TEST(SimulatorFCV1Test, FactoryCloneMakesEqualSimulators) {
    SimulatorFCV1Factory factory(0.05f);
    auto clone = factory.Clone();
    EXPECT_EQ(clone->GetSimulatorId(), "fcv1");
    EXPECT_EQ(clone->CreateSimulator()->GetSecondsPerFrame(), 0.05f);
}

TEST(SimulatorFCV1Test, GetStonesReturnsExactlyWhatWasSet) {
    auto sim = NewSimulator();
    AllStones stones{};
    stones[0] = MakeStone(0.1f, 30.3f, 0.25f, -1.5f, 2.0f);
    stones[0].angle = 7.5f;  // not reduced to any range
    stones[15] = MakeStone(-1.0f, 2.0f);
    sim->SetStones(stones);
    const AllStones& out = sim->GetStones();
    EXPECT_TRUE(SameBits(out[0], stones[0]));
    EXPECT_TRUE(SameBits(out[15], stones[15]));
    EXPECT_FALSE(out[3].present);
    EXPECT_EQ(&out, &sim->GetStones()) << "the same array object on every call";
}

TEST(SimulatorFCV1Test, AbsentSlotReportsTheStateLastReadNotTheValuesPassed) {
    AllStones at_one_two{};
    at_one_two[3] = MakeStone(1.0f, 2.0f);
    AllStones absent_elsewhere{};
    absent_elsewhere[3] = MakeStone(5.0f, 5.0f);
    absent_elsewhere[3].present = false;

    auto read_between = NewSimulator();
    read_between->SetStones(at_one_two);
    EXPECT_TRUE(read_between->GetStones()[3].present);
    read_between->SetStones(absent_elsewhere);
    EXPECT_FALSE(read_between->GetStones()[3].present);
    EXPECT_EQ(read_between->GetStones()[3].position.x, 1.0f);
    EXPECT_EQ(read_between->GetStones()[3].position.y, 2.0f);

    // Without a read in between, the slot still holds the fresh zeros.
    auto no_read = NewSimulator();
    no_read->SetStones(at_one_two);
    no_read->SetStones(absent_elsewhere);
    EXPECT_FALSE(no_read->GetStones()[3].present);
    EXPECT_EQ(no_read->GetStones()[3].position.x, 0.0f);
    EXPECT_EQ(no_read->GetStones()[3].position.y, 0.0f);
}

TEST(SimulatorFCV1Test, StopTestCountsOnlyCounterClockwiseSpinAndRealSpeed) {
    struct Case {
        float vx, omega;
        bool stopped;
    };
    for (Case c : {Case{0.0f, -1.0f, true}, Case{0.0f, 1.0f, false}, Case{0.0003f, 0.0f, true},
                   Case{0.0004f, 0.0f, false}, Case{std::numeric_limits<float>::quiet_NaN(), 0.0f, true}}) {
        auto sim = NewSimulator();
        AllStones stones{};
        stones[7] = MakeStone(0.0f, 0.0f, c.vx, 0.0f, c.omega);
        sim->SetStones(stones);
        EXPECT_EQ(sim->AreAllStonesStopped(), c.stopped) << "vx " << c.vx << " omega " << c.omega;
    }
}

TEST(SimulatorFCV1Test, AbsentStoneWithVelocityDoesNotCountAsMoving) {
    auto sim = NewSimulator();
    AllStones stones{};
    stones[2] = MakeStone(0.0f, 0.0f, 0.0f, 2.0f);
    sim->SetStones(stones);
    EXPECT_FALSE(sim->AreAllStonesStopped());
    stones[2].present = false;
    sim->SetStones(stones);  // the body keeps its velocity, but is switched off
    EXPECT_TRUE(sim->AreAllStonesStopped());
}

TEST(SimulatorFCV1Test, StonesFarFromTheOriginKeepMovingUntilTheyStop) {
    auto sim = NewSimulator();
    AllStones stones{};
    stones[0] = MakeStone(400.0f, -300.0f, 1.0f, 1.0f, 1.57f);
    stones[1] = MakeStone(-500.0f, 800.0f, -0.5f, 0.0f, -1.57f);
    sim->SetStones(stones);
    int frames = 0;
    while (!sim->AreAllStonesStopped() && frames < 10000) {
        sim->Step();
        ++frames;
    }
    EXPECT_LT(frames, 10000);
    const AllStones& out = sim->GetStones();
    EXPECT_TRUE(out[0].present);
    EXPECT_TRUE(out[1].present);
    EXPECT_GT(out[0].position.x, 401.0f);
    EXPECT_LT(out[1].position.x, -500.1f);
}

}  // namespace
}  // namespace glidestone::simulators
