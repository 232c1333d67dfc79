#pragma once

#include <variant>

#include "shot/shot.h"
#include "simulator/interfaces/stone.h"

namespace glidestone {

// A release given directly, without planning: the stone leaves the release
// point with this velocity (m/s) and angular velocity (rad/s, positive
// counter-clockwise). Agents that act in speed, angle and turn use it.
struct Release {
    Vector2 velocity;
    float angular_velocity = 0.0f;
};

// The fastest release a game accepts (m/s) and the fastest turn (rad/s):
// far beyond any throw (a hard takeout leaves at about 4 m/s turning at
// 1.57 rad/s), and small enough that nothing in the physics overflows.
inline constexpr float kMaxReleaseSpeed = 100.0f;
inline constexpr float kMaxReleaseTurn = 100.0f;

// What a team does with its delivery: a planned shot (a target, draw or pass,
// a spin; the planner finds the release) or a release given as it is.
using Action = std::variant<Shot, Release>;

// Throws std::invalid_argument, naming the value, for an action a game does
// not play: a target or spin that is not finite or a target beyond
// kMaxStoneCoordinate; a release that is not finite or faster than the
// bounds above.
void ValidateAction(const Action& action);

}  // namespace glidestone
