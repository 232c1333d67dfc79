#include <gtest/gtest.h>

#include <typeinfo>

#include "simulator/fcv1/simulator_fcv1.h"
#include "tests/simulator/stone_helpers.h"

namespace glidestone::simulators {
namespace {

using glidestone::testing::MakeStone;
using glidestone::testing::SameBits;

// Two stones that meet within a few frames, so snapshots carry collisions.
AllStones HeadOn() {
    AllStones stones{};
    stones[0] = MakeStone(0.0f, 1.0f);
    stones[15] = MakeStone(0.0f, 0.0f, 0.0f, 3.0f, 1.57f);
    return stones;
}

std::unique_ptr<ISimulator> RunUntilFirstContact(float seconds_per_frame = 0.05f) {
    auto sim = SimulatorFCV1Factory(seconds_per_frame).CreateSimulator();
    sim->SetStones(HeadOn());
    for (int i = 0; i < 100 && sim->GetCollisions().empty(); ++i) sim->Step();
    return sim;
}

class ForeignStorage final : public ISimulatorStorage {
public:
    std::unique_ptr<ISimulator> CreateSimulator() const override { return nullptr; }
    std::string GetSimulatorId() const override { return "other"; }
};

TEST(SnapshotTest, StorageRoundTripsBitForBitWithCollisions) {
    auto sim = RunUntilFirstContact();
    ASSERT_FALSE(sim->GetCollisions().empty());
    auto storage = sim->CreateStorage();
    EXPECT_EQ(storage->GetSimulatorId(), "fcv1");

    auto copy = storage->CreateSimulator();
    EXPECT_TRUE(SameBits(copy->GetStones(), sim->GetStones()));
    ASSERT_EQ(copy->GetCollisions().size(), sim->GetCollisions().size());
    EXPECT_EQ(copy->GetCollisions()[0].normal_impulse, sim->GetCollisions()[0].normal_impulse);
}

TEST(SnapshotTest, SaveStepLoadRestoresSlotsAndCollisions) {
    auto sim = RunUntilFirstContact();
    auto storage = SimulatorFCV1Factory(0.05f).CreateSimulator()->CreateStorage();
    sim->Save(*storage);
    const AllStones saved = sim->GetStones();
    const std::size_t saved_collisions = sim->GetCollisions().size();
    const float saved_impulse = sim->GetCollisions()[0].normal_impulse;

    for (int i = 0; i < 20; ++i) sim->Step();
    ASSERT_FALSE(SameBits(sim->GetStones(), saved));

    sim->Load(*storage);
    EXPECT_TRUE(SameBits(sim->GetStones(), saved));
    ASSERT_EQ(sim->GetCollisions().size(), saved_collisions);
    EXPECT_EQ(sim->GetCollisions()[0].normal_impulse, saved_impulse);
}

TEST(SnapshotTest, LoadReportsAbsentSlotsExactlyAsStored) {
    SimulatorFCV1Storage storage{SimulatorFCV1Factory(0.05f)};
    storage.stones[4] = MakeStone(3.0f, 4.0f, 1.0f, 0.0f);
    storage.stones[4].present = false;
    auto sim = SimulatorFCV1Factory(0.05f).CreateSimulator();
    sim->Load(storage);
    EXPECT_TRUE(SameBits(sim->GetStones()[4], storage.stones[4]));
    EXPECT_TRUE(sim->AreAllStonesStopped());
}

TEST(SnapshotTest, LoadingAStorageWithAnotherFrameLengthChangesIt) {
    auto sim = SimulatorFCV1Factory(0.05f).CreateSimulator();
    SimulatorFCV1Storage storage{SimulatorFCV1Factory(0.02f)};
    storage.stones[0] = MakeStone(0.0f, 0.0f, 0.0f, 1.0f);
    sim->Load(storage);
    EXPECT_EQ(sim->GetSecondsPerFrame(), 0.02f);
    EXPECT_EQ(sim->GetFactory().CreateSimulator()->GetSecondsPerFrame(), 0.02f);
    sim->Step();
    // One 0.02 s frame at just under 1 m/s moves the stone just under 2 cm.
    float const y = sim->GetStones()[0].position.y;
    EXPECT_GT(y, 0.0199f);
    EXPECT_LT(y, 0.02f);
}

TEST(SnapshotTest, ForeignStorageIsRejectedAndNothingChanges) {
    auto sim = RunUntilFirstContact();
    const AllStones before = sim->GetStones();
    const std::size_t collisions_before = sim->GetCollisions().size();
    ForeignStorage foreign;
    EXPECT_THROW(sim->Save(foreign), std::bad_cast);
    EXPECT_THROW(sim->Load(foreign), std::bad_cast);
    EXPECT_TRUE(SameBits(sim->GetStones(), before));
    EXPECT_EQ(sim->GetCollisions().size(), collisions_before);

    // A real snapshot is untouched by a failed Load into another simulator too.
    auto storage = sim->CreateStorage();
    auto* fcv1 = dynamic_cast<SimulatorFCV1Storage*>(storage.get());
    ASSERT_NE(fcv1, nullptr);
    const AllStones stored = fcv1->stones;
    EXPECT_THROW(sim->Load(foreign), std::bad_cast);
    EXPECT_TRUE(SameBits(fcv1->stones, stored));
}

TEST(SnapshotTest, SnapshotIsIndependentOfLaterFrames) {
    auto sim = RunUntilFirstContact();
    auto storage = sim->CreateStorage();
    auto* fcv1 = dynamic_cast<SimulatorFCV1Storage*>(storage.get());
    const AllStones stored = fcv1->stones;
    for (int i = 0; i < 10; ++i) sim->Step();
    EXPECT_TRUE(SameBits(fcv1->stones, stored));
}

TEST(SnapshotTest, LoadOfAFactoryFreshStorageDisablesEveryStone) {
    auto sim = RunUntilFirstContact();
    sim->Load(SimulatorFCV1Storage(SimulatorFCV1Factory(0.05f)));
    EXPECT_TRUE(sim->AreAllStonesStopped());
    for (const StoneSlot& slot : sim->GetStones()) EXPECT_FALSE(slot.present);
}

TEST(SnapshotTest, StorageCopiesAreIndependentValues) {
    SimulatorFCV1Storage original{SimulatorFCV1Factory(0.05f)};
    original.collisions.resize(3);
    SimulatorFCV1Storage copy = original;
    copy.collisions.clear();
    copy.factory.seconds_per_frame = 0.01f;
    EXPECT_EQ(original.collisions.size(), 3u);
    EXPECT_EQ(original.factory.seconds_per_frame, 0.05f);
    SimulatorFCV1Storage& self = original;
    original = self;
    EXPECT_EQ(original.collisions.size(), 3u);
}

}  // namespace
}  // namespace glidestone::simulators
