#include <cmath>

#include "simulator/fcv1/engine_access.h"
#include "simulator/fcv1/ice.h"
#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone::simulators {

void SimulatorFCV1::ApplyIce(b2Body* body, float dt) {
    const b2Vec2 velocity = body->GetLinearVelocity();
    IceFrame const frame = simulators::ApplyIce(velocity.x, velocity.y, body->GetAngularVelocity(), dt);
    if (frame.set_linear) body->SetLinearVelocity(b2Vec2(frame.linear_x, frame.linear_y));
    if (frame.set_angular) body->SetAngularVelocity(frame.angular);
}

void SimulatorFCV1::Step() {
    float const dt = storage.factory.seconds_per_frame;
    storage.collisions.clear();  // keeps its capacity: no allocation per frame
    stopped_dirty = true;

    if (lone) {
        // The only enabled stone.
        lone->Advance();
        ++lone_frames;
        lagging_dirty = true;
        all_stopped = !Moving(lone->velocity, lone->angular_velocity);
        stopped_dirty = false;
        return;
    }
    if (mover_count > 0) {
        if (StepAmongResting()) return;
        // They went back to the engine: the frame is taken below.
    } else if (BeginLoneStone(dt)) {
        ++lone_frames;
        stones_dirty = true;
        return;
    } else if (BeginAmongResting(dt)) {
        stones_dirty = true;
        return;
    }
    if (!StepFreeFrame(dt)) {
        // Only enabled bodies: nothing of a disabled body is ever read back,
        // and SetStones overwrites all of its state (transform, velocities,
        // awake flag and sleep timer) before it takes part again. Nor
        // sleeping ones: the engine zeroes a body's velocities when it puts it
        // to sleep and wakes it for any non-zero one, so the ice finds nothing
        // to do there.
        for (b2Body* body : stone_bodies)
            if (body->IsEnabled() && body->IsAwake()) ApplyIce(body, dt);
        world.Step(dt, kVelocityIterations, kPositionIterations);
        ++engine_frames;
        engine_settled = true;
        settled_dt = dt;
    }
    stones_dirty = true;
}

bool SimulatorFCV1::BeginLoneStone(float dt) {
    // The engine does not move bodies for a frame length of zero or less.
    if (!lone_stone_shortcut || enabled_count != 1 || !(dt > 0.0f) || !std::isfinite(1.0f / dt)) return false;
    b2Body* body = stone_bodies[enabled_slot];
    if (!body->IsAwake()) return false;

    LoneStone stone;
    if (!stone.ReadFrom(*body, world.GetContactManager().m_broadPhase, dt)) return false;
    stone.Advance();
    lone = stone;
    return true;
}

}  // namespace glidestone::simulators
