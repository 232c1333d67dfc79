#pragma once

#include <box2d/box2d.h>

namespace glidestone::simulators::engine_access {

// The engine keeps a body's sweep, transform, velocities and sleep timer
// private, and its only setter for the transform also re-synchronises the
// body's proxy in the broad phase, which for a fast body re-inserts it and so
// reshapes the tree. A frame the simulator advances for the engine has to
// leave the body exactly as the engine's own step would, and the tree
// untouched but for what that step would do to it; these accessors reach the
// fields that step reads and writes. The engine is pinned (third_party/box2d,
// checked against its checksums), so the fields cannot change under this code
// unnoticed. Which frame mode reads or writes which field, and why:
// EXACTNESS.md.

b2Sweep& Sweep(b2Body& body);
const b2Sweep& Sweep(const b2Body& body);
b2Transform& Transform(b2Body& body);
b2Vec2& LinearVelocity(b2Body& body);
float& AngularVelocity(b2Body& body);
float& SleepTime(b2Body& body);
float SleepTime(const b2Body& body);

// The broad-phase proxy of a stone's body (one circle fixture, one child).
b2FixtureProxy& Proxy(b2Fixture& fixture);
int32 ProxyId(const b2Body& body);

// The broad phase's tree, which its own proxy moves reach only through the
// buffer of moves that its search for new pairs then works through.
b2DynamicTree& Tree(b2BroadPhase& broad_phase);

// Clears a contact's touching flag, as its update does when a touch ends.
void ClearTouching(b2Contact& contact);

}  // namespace glidestone::simulators::engine_access
