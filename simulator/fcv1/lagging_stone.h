#pragma once

#include <box2d/box2d.h>

#include "simulator/fcv1/broad_phase_moves.h"
#include "simulator/fcv1/engine_access.h"

namespace glidestone::simulators {

// A stone whose frames are taken outside the engine while its body lags
// behind in the engine's world: the only enabled stone, a stone moving among
// resting ones, or an awake stone in a frame free of contact. It advances
// frame by frame with the engine's own arithmetic for a lone awake body (zero
// gravity and damping: velocity integration, the translation and rotation
// clamps, the position update, the sleep timer) and follows the body's box in
// the broad phase, so that the body can later be brought to the very state
// the engine's steps would have left. Which engine function each operation
// mirrors, and which tests hold them to it: EXACTNESS.md.
struct LaggingStone {
    int slot = -1;
    float dt = 0.0f;
    int frames = 0;  // frames advanced here and not by the engine

    b2Vec2 position{0.0f, 0.0f};  // centre of mass, as the engine's sweep holds it
    float angle = 0.0f;
    // Where the last frame in which the stone was awake began: the start of
    // the engine's sweep, which a sleeping body keeps.
    b2Vec2 frame_start{0.0f, 0.0f};
    float frame_start_angle = 0.0f;
    b2Vec2 velocity{0.0f, 0.0f};
    float angular_velocity = 0.0f;
    bool awake = true;
    float sleep_time = 0.0f;  // the engine's sleep timer
    b2AABB fat_box{};         // the body's enlarged box in the broad phase's tree

    // What the last frame asked of the broad phase: whether the engine would
    // have moved the body's proxy at all (a sleeping body is not moved), with
    // which swept box and displacement, and whether the tree would have
    // replaced the enlarged box.
    bool moved_proxy = false;
    b2AABB swept_box{};
    b2Vec2 displacement{0.0f, 0.0f};
    bool reinserted = false;

    // One frame: the ice, then what the engine's world step does to the body.
    void Advance();

    // What the engine's world step does to the body alone, the ice already
    // applied: velocity and position integration, the sleep timer, and the
    // broad phase's response to the move.
    void Integrate();

    // Takes the stone as the engine holds it now: its body's slot (the
    // body's user data), sweep, velocities, awake flag and sleep timer, and
    // its proxy's enlarged box in `broad_phase`; no frames advanced yet, in
    // frames of `dt`. False, leaving the frame to the engine, when any of it
    // is not finite.
    bool ReadFrom(const b2Body& body, const b2BroadPhase& broad_phase, float dt);

    // Leaves the body as the engine's steps of the frames advanced since
    // ReadFrom would have: its sweep, transform, velocities, sleep timer,
    // awake flag and its proxy's swept box. The tree is not touched; the
    // proxy's moves are the caller's. Wants at least one frame advanced
    // from an awake stone.
    void WriteTo(b2Body& body) const;
};

// Inline: it runs for every moving stone of every frame free of contact.
inline bool LaggingStone::ReadFrom(const b2Body& body, const b2BroadPhase& broad_phase, float frame_dt) {
    // The engine's user-data getter is not const.
    slot = static_cast<int>(const_cast<b2Body&>(body).GetUserData().pointer);
    dt = frame_dt;
    frames = 0;
    const b2Sweep& sweep = engine_access::Sweep(body);
    position = sweep.c;
    angle = sweep.a;
    frame_start = sweep.c0;
    frame_start_angle = sweep.a0;
    velocity = body.GetLinearVelocity();
    angular_velocity = body.GetAngularVelocity();
    awake = body.IsAwake();
    sleep_time = engine_access::SleepTime(body);
    fat_box = broad_phase.GetFatAABB(engine_access::ProxyId(body));
    moved_proxy = false;
    reinserted = false;
    return position.IsValid() && velocity.IsValid() && b2IsValid(angle) && b2IsValid(angular_velocity);
}

}  // namespace glidestone::simulators
