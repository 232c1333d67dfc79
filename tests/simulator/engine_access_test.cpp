#include "simulator/fcv1/engine_access.h"

#include <gtest/gtest.h>

namespace glidestone::simulators {
namespace {

// The accessors must reach the very fields the engine's step reads and
// writes: each is checked against what the engine does or reports itself.
class EngineAccessTest : public ::testing::Test {
protected:
    EngineAccessTest() : world(b2Vec2(0.0f, 0.0f)) {
        b2BodyDef def;
        def.type = b2_dynamicBody;
        def.position.Set(1.0f, 2.0f);
        body = world.CreateBody(&def);
        b2CircleShape shape;
        shape.m_radius = 0.145f;
        body->CreateFixture(&shape, 1.0f);
        other = world.CreateBody(&def);
        other->CreateFixture(&shape, 1.0f);
    }

    b2World world;
    b2Body* body = nullptr;
    b2Body* other = nullptr;
};

TEST_F(EngineAccessTest, SleepTimerCountsTheStepsAtRestUntilTheBodySleeps) {
    other->SetEnabled(false);
    float expected = 0.0f;
    EXPECT_EQ(engine_access::SleepTime(*body), 0.0f);
    while (body->IsAwake()) {
        world.Step(0.05f, 8, 3);
        expected += 0.05f;
        if (body->IsAwake()) {
            EXPECT_EQ(engine_access::SleepTime(*body), expected);
        }
    }
    EXPECT_GE(expected, b2_timeToSleep);
    EXPECT_EQ(engine_access::SleepTime(*body), 0.0f);  // cleared by falling asleep
}

TEST_F(EngineAccessTest, StateFieldsAreTheOnesTheGettersRead) {
    body->SetLinearVelocity(b2Vec2(0.5f, -0.25f));
    body->SetAngularVelocity(1.5f);
    world.Step(0.05f, 8, 3);
    EXPECT_EQ(engine_access::Sweep(*body).c, body->GetWorldCenter());
    EXPECT_EQ(engine_access::Sweep(*body).a, body->GetAngle());
    EXPECT_EQ(engine_access::Transform(*body).p, body->GetTransform().p);
    EXPECT_EQ(engine_access::LinearVelocity(*body), body->GetLinearVelocity());
    EXPECT_EQ(engine_access::AngularVelocity(*body), body->GetAngularVelocity());
    engine_access::AngularVelocity(*body) = 0.25f;
    EXPECT_EQ(body->GetAngularVelocity(), 0.25f);
}

TEST_F(EngineAccessTest, ProxyIsTheOneTheBroadPhaseHolds) {
    const b2BroadPhase& broad_phase = world.GetContactManager().m_broadPhase;
    for (b2Body* b : {body, other}) {
        int32 const id = engine_access::ProxyId(*b);
        const auto* proxy = static_cast<const b2FixtureProxy*>(broad_phase.GetUserData(id));
        EXPECT_EQ(proxy->fixture, b->GetFixtureList());
    }
    EXPECT_NE(engine_access::ProxyId(*body), engine_access::ProxyId(*other));
}

TEST_F(EngineAccessTest, TreeIsTheOneTheBroadPhaseQueries) {
    b2BroadPhase& broad_phase = const_cast<b2BroadPhase&>(world.GetContactManager().m_broadPhase);
    b2DynamicTree& tree = engine_access::Tree(broad_phase);
    int32 const id = engine_access::ProxyId(*body);
    b2AABB far;
    far.lowerBound.Set(50.0f, 50.0f);
    far.upperBound.Set(50.3f, 50.3f);
    ASSERT_TRUE(tree.MoveProxy(id, far, b2Vec2(0.0f, 0.0f)));
    EXPECT_TRUE(broad_phase.GetFatAABB(id).Contains(far));
    EXPECT_FALSE(broad_phase.TestOverlap(id, engine_access::ProxyId(*other)));
    EXPECT_TRUE(tree.WasMoved(id));
    tree.ClearMoved(id);
    EXPECT_FALSE(tree.WasMoved(id));
}

TEST_F(EngineAccessTest, ClearTouchingClearsOnlyTheTouch) {
    world.Step(0.05f, 8, 3);  // the two bodies overlap: their contact touches
    b2Contact* contact = world.GetContactList();
    ASSERT_NE(contact, nullptr);
    ASSERT_TRUE(contact->IsTouching());
    engine_access::ClearTouching(*contact);
    EXPECT_FALSE(contact->IsTouching());
    EXPECT_TRUE(contact->IsEnabled());
}

}  // namespace
}  // namespace glidestone::simulators
