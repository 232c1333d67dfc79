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
    FrameMode const mode = TakeFrame(dt);
    ++frames_by_mode[static_cast<std::size_t>(mode)];
}

// The transitions between the frame modes, all of them (EXACTNESS.md has
// when each shortcut holds and what it mirrors):
//  - A lone stone, once begun, takes every frame until SetStones, Load,
//    RemoveStone or SetEngineShortcuts(false) brings the engine up to date.
//  - Stones moving among resting ones take every frame until a box of theirs
//    would meet another (they rejoin the engine, and the frame goes on down
//    the list below) or the last of them comes to rest (each rejoins as it
//    does).
//  - Otherwise, in this order: a lone stone begins, stones begin to move
//    among resting ones, a frame free of contact, the engine's step.
// The shortcuts are tried only when they are on and the engine would move
// bodies in a frame of `dt` at all.
FrameMode SimulatorFCV1::TakeFrame(float dt) {
    switch (lagging_mode) {
        case FrameMode::kLoneStone:
            ContinueLoneStone();
            return FrameMode::kLoneStone;
        case FrameMode::kAmongResting:
            if (StepAmongResting()) return FrameMode::kAmongResting;
            break;  // they went back to the engine: the frame is taken below
        default:
            if (!ShortcutsApply(dt)) {
                StepEngine(dt);
                return FrameMode::kEngine;
            }
            if (BeginLoneStone(dt)) {
                stones_dirty = true;
                return FrameMode::kLoneStone;
            }
            if (BeginAmongResting(dt)) {
                stones_dirty = true;
                return FrameMode::kAmongResting;
            }
            break;
    }
    if (StepFreeFrame(dt)) {
        stones_dirty = true;
        return FrameMode::kFreeFrame;
    }
    StepEngine(dt);
    return FrameMode::kEngine;
}

bool SimulatorFCV1::ShortcutsApply(float dt) const {
    // The engine does not move bodies for a frame length of zero or less.
    return engine_shortcuts && dt > 0.0f && std::isfinite(1.0f / dt);
}

void SimulatorFCV1::StepEngine(float dt) {
    // Only enabled, awake bodies: disabled ones are never read back and
    // sleeping ones are still (invariants 1 and 5 in EXACTNESS.md).
    for (b2Body* body : stone_bodies)
        if (body->IsEnabled() && body->IsAwake()) ApplyIce(body, dt);
    world.Step(dt, kVelocityIterations, kPositionIterations);
    pairs_found = true;
    engine_dt = dt;
    stones_dirty = true;
}

bool SimulatorFCV1::BeginLoneStone(float dt) {
    if (enabled_count != 1) return false;
    b2Body* body = stone_bodies[enabled_slot];
    if (!body->IsAwake()) return false;

    LaggingStone stone;
    if (!stone.ReadFrom(*body, world.GetContactManager().m_broadPhase, dt)) return false;
    stone.Advance();
    lone = stone;
    lagging_mode = FrameMode::kLoneStone;
    return true;
}

void SimulatorFCV1::ContinueLoneStone() {
    lone.Advance();
    lagging_dirty = true;
    all_stopped = !Moving(lone.velocity, lone.angular_velocity);
    stopped_dirty = false;
}

}  // namespace glidestone::simulators
