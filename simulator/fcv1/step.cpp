#include "simulator/fcv1/ice.h"
#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone::simulators {

void SimulatorFCV1::Step() {
    float const dt = storage.factory.seconds_per_frame;

    // Every body, enabled or not: a disabled body's velocities are never read
    // back and are overwritten when it is enabled again.
    for (b2Body* body : stone_bodies) {
        const b2Vec2 velocity = body->GetLinearVelocity();
        IceFrame const frame = ApplyIce(velocity.x, velocity.y, body->GetAngularVelocity(), dt);
        if (frame.set_linear) body->SetLinearVelocity(b2Vec2(frame.linear_x, frame.linear_y));
        if (frame.set_angular) body->SetAngularVelocity(frame.angular);
    }

    storage.collisions.clear();  // keeps its capacity: no allocation per frame
    world.Step(dt, kVelocityIterations, kPositionIterations);

    stones_dirty = true;
    stopped_dirty = true;
}

}  // namespace glidestone::simulators
