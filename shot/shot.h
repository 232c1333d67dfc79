#pragma once

#include <stdexcept>

#include "planner/shot_velocity.h"
#include "simulator/interfaces/stone.h"

namespace glidestone {

// The most stones that can lie on the ice before a shot: every slot but the
// shot stone's.
inline constexpr std::size_t kMaxStonesInPlay = kStoneCount - 1;

// The slot of the shot stone.
inline constexpr std::size_t kShotSlot = kStoneCount - 1;

// The farthest from the release point, along either axis, that a stone may
// lie (m). The engine forms sums of coordinates that overflow long before
// FLT_MAX: a contact point is the mean of two stones' nearly equal contact
// points taken as (a + b) / 2, infinite above FLT_MAX / 2 (1.7e38), and the
// NaN that follows spreads to every stone the contact touches and makes each
// later frame slow; the broad phase ranks where to insert a stone by
// perimeter costs of up to 24 times a coordinate (two boxes spanning -c..c
// on both axes: perimeter 8c, cost and inheritance 16c each), infinite
// above FLT_MAX / 24 (1.4e37). Neither the ice model nor the planner reads
// positions. 1e36 keeps every such sum finite with a factor of 14 to spare;
// stones at any distance a client could mean play exactly as before.
inline constexpr float kMaxStoneCoordinate = 1e36f;

// Whether a stone may lie at `coordinate` (one axis): finite and within
// kMaxStoneCoordinate of the release point.
inline bool IsPlayableCoordinate(float coordinate) {
    return coordinate >= -kMaxStoneCoordinate && coordinate <= kMaxStoneCoordinate;
}

// Speed (m/s) at which a passing shot crosses its target.
inline constexpr float kPassSpeed = 3.0f;

// Angular velocity (rad/s) of the shot stone per unit of spin: the planner's
// float widened, so that the product is taken in double precision as the
// wire format does.
inline constexpr double kSpinRate = static_cast<double>(kSpinAngularVelocity);
static_assert(kSpinRate == 1.5700000524520874);

// What the thrower asks for: come to rest at (pass = false) or cross at
// kPassSpeed (pass = true) the target point, turning counter-clockwise for
// spin 1 and clockwise for -1.
//
// The spin is kept as the request carries it: the release is planned for a
// counter-clockwise stone when the spin truncates to 1, for a clockwise one
// otherwise, and the stone turns at spin × kSpinRate rad/s. So spin 0 throws a
// stone without rotation that was planned as clockwise.
struct Shot {
    Vector2 target;
    bool pass = false;
    double spin = 1.0;

    float TargetSpeed() const { return pass ? kPassSpeed : 0.0f; }
    bool Clockwise() const { return !(spin >= 1.0 && spin < 2.0); }
};

// Where a shot left every stone.
struct ShotResult {
    // All sixteen slots after the stones came to rest; slot kShotSlot is the
    // shot stone. An absent slot holds what that slot of the player's
    // simulator last held (its history, as a server reports it).
    AllStones stones{};
    // The velocity the shot stone was released with (m/s). Not finite when
    // the target is nearer than the planner's fitted range; the shot stone
    // then stays at the release point.
    Vector2 release_velocity;
    // The angular velocity the shot stone was released with (rad/s).
    float angular_velocity = 0.0f;
    // Frames played until every stone had stopped.
    int frames = 0;
};

// A shot this library refuses to play (too many stones, a value out of
// range, a run that does not end). The message says which.
class ShotError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace glidestone
