#pragma once

#include "simulator/interfaces/simulator.h"
#include "simulator/interfaces/stone.h"

namespace glidestone {

// The angular velocity (rad/s) of a stone thrown with spin, either way: the
// probe's, and the shot stone's per unit of spin.
inline constexpr float kSpinAngularVelocity = 1.57f;

// The release velocity of a stone thrown from the origin so that it reaches
// `target_position` with `target_speed` (0 to come to rest there) and the
// given spin (clockwise: -kSpinAngularVelocity, otherwise
// +kSpinAngularVelocity).
//
// The speed comes from fitted formulas of the distance and the target speed;
// the direction from a probe throw straight along +y on this thread's own
// simulator: the target's direction is turned by the angle through which the
// probe curled, so that the real throw curls back onto the target.
//
// Inputs are not checked. A target nearer than the fit's range (about 29.9 m
// for a draw, 8.2 m at 3 m/s) gives a non-finite speed, and then a NaN result
// without a probe. Thread-safe: each thread has its own probe simulator.
Vector2 EstimateShotVelocity(const Vector2& target_position, float target_speed, bool clockwise);

// The same estimate with the probe thrown on `probe`, which the caller owns:
// all sixteen of its slots are overwritten, and the engine state the probe
// leaves behind stays with it. The probe is not touched when the speed is not
// finite.
Vector2 EstimateShotVelocity(ISimulator& probe, const Vector2& target_position, float target_speed, bool clockwise);

// The fitted release speed alone (m/s), the first half of the estimate.
float EstimateReleaseSpeed(float distance, float target_speed);

// Drops this thread's probe simulator; the next estimate makes a fresh one.
void ResetProbeSimulator();

}  // namespace glidestone
