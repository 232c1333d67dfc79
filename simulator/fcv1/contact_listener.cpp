#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone::simulators {

namespace {

CollisionStone DescribeStone(b2Body* body) {
    CollisionStone stone;
    stone.id = static_cast<std::uint8_t>(body->GetUserData().pointer);
    const b2Vec2& position = body->GetWorldCenter();
    stone.position = {position.x, position.y};
    stone.angle = body->GetAngle();
    return stone;
}

}  // namespace

void SimulatorFCV1::ContactListener::PostSolve(b2Contact* contact, const b2ContactImpulse* impulse) {
    Collision collision;
    collision.a = DescribeStone(contact->GetFixtureA()->GetBody());
    collision.b = DescribeStone(contact->GetFixtureB()->GetBody());
    // Two circles touch at exactly one point.
    collision.normal_impulse = impulse->normalImpulses[0];
    collision.tangent_impulse = impulse->tangentImpulses[0];
    simulator->storage.collisions.push_back(collision);
}

}  // namespace glidestone::simulators
