#include <gtest/gtest.h>

#include <cmath>

#include "simulator/fcv1/simulator_fcv1.h"
#include "tests/simulator/stone_helpers.h"

namespace glidestone::simulators {
namespace {

using glidestone::testing::MakeStone;

float Speed(const StoneSlot& s) {
    return std::hypot(s.linear_velocity.x, s.linear_velocity.y);
}

TEST(CollisionTest, HeadOnHitPassesTheSpeedOnAndIsRecorded) {
    auto sim = SimulatorFCV1Factory(0.05f).CreateSimulator();
    AllStones stones{};
    stones[4] = MakeStone(0.0f, 2.0f);
    stones[15] = MakeStone(0.0f, 0.0f, 0.0f, 2.0f);
    sim->SetStones(stones);

    float striker_speed_before = 0.0f;
    bool hit = false;
    for (int i = 0; i < 100 && !hit; ++i) {
        striker_speed_before = Speed(sim->GetStones()[15]);
        sim->Step();
        hit = !sim->GetCollisions().empty();
    }
    ASSERT_TRUE(hit);
    for (const Collision& c : sim->GetCollisions()) {
        EXPECT_TRUE((c.a.id == 4 && c.b.id == 15) || (c.a.id == 15 && c.b.id == 4));
        EXPECT_GT(c.normal_impulse, 0.0f);
        const CollisionStone& struck = c.a.id == 4 ? c.a : c.b;
        EXPECT_NEAR(struck.position.x, 0.0f, 1e-4f);
    }
    const AllStones& after = sim->GetStones();
    // Equal masses, elastic: the struck stone takes (nearly all) the speed.
    EXPECT_NEAR(Speed(after[4]), striker_speed_before, 0.05f);
    EXPECT_LT(Speed(after[15]), 0.05f);
    EXPECT_GT(after[4].linear_velocity.y, 0.0f);
}

// Each side of a record is one stone: its id with its own position and
// angle. An off-centre hit by a spinning stone on a still one tells them
// apart (the still stone has not moved or turned; the striker has turned).
TEST(CollisionTest, EachStonesIdGoesWithItsOwnPositionAndAngle) {
    for (int striker : {15, 2}) {
        int const still = striker == 15 ? 4 : 9;
        auto sim = SimulatorFCV1Factory(0.05f).CreateSimulator();
        AllStones stones{};
        stones[static_cast<std::size_t>(still)] = MakeStone(0.12f, 2.0f);
        stones[static_cast<std::size_t>(striker)] = MakeStone(0.0f, 0.0f, 0.0f, 2.0f, 2.5f);
        sim->SetStones(stones);
        bool hit = false;
        for (int i = 0; i < 100 && !hit; ++i) {
            sim->Step();
            hit = !sim->GetCollisions().empty();
        }
        ASSERT_TRUE(hit) << "striker " << striker;
        for (const Collision& c : sim->GetCollisions()) {
            ASSERT_TRUE((c.a.id == still && c.b.id == striker) || (c.a.id == striker && c.b.id == still));
            const CollisionStone& struck = c.a.id == still ? c.a : c.b;
            const CollisionStone& moving = c.a.id == still ? c.b : c.a;
            EXPECT_NEAR(struck.position.x, 0.12f, 0.02f) << "striker " << striker;
            EXPECT_NEAR(struck.position.y, 2.0f, 0.02f) << "striker " << striker;
            EXPECT_LT(moving.position.y, 1.8f) << "striker " << striker;
            EXPECT_LT(std::fabs(struck.angle), 0.2f) << "striker " << striker;
            EXPECT_GT(std::fabs(moving.angle), 1.0f) << "striker " << striker;
        }
    }
}

TEST(CollisionTest, ListHoldsOnlyTheLastFrame) {
    auto sim = SimulatorFCV1Factory(0.05f).CreateSimulator();
    AllStones stones{};
    stones[0] = MakeStone(0.0f, 1.0f);
    stones[1] = MakeStone(5.0f, 5.0f);  // never touched
    stones[15] = MakeStone(0.0f, 0.0f, 0.0f, 2.0f);
    sim->SetStones(stones);
    int frames_with_contacts = 0;
    for (int i = 0; i < 60; ++i) {
        sim->Step();
        for (const Collision& c : sim->GetCollisions()) {
            EXPECT_NE(c.a.id, 1);
            EXPECT_NE(c.b.id, 1);
        }
        if (!sim->GetCollisions().empty()) ++frames_with_contacts;
    }
    EXPECT_GE(frames_with_contacts, 1);
    EXPECT_TRUE(sim->GetCollisions().empty()) << "the stones parted long ago";
}

TEST(CollisionTest, AbsentStonesNeverCollide) {
    auto sim = SimulatorFCV1Factory(0.05f).CreateSimulator();
    AllStones stones{};
    stones[0] = MakeStone(0.0f, 1.0f);
    stones[0].present = false;
    stones[15] = MakeStone(0.0f, 0.0f, 0.0f, 2.0f);
    sim->SetStones(stones);
    for (int i = 0; i < 30; ++i) {
        sim->Step();
        EXPECT_TRUE(sim->GetCollisions().empty());
    }
    EXPECT_GT(sim->GetStones()[15].position.y, 1.5f) << "passed straight through the absent stone";
}

}  // namespace
}  // namespace glidestone::simulators
