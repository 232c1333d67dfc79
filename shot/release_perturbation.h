#pragma once

#include "simulator/interfaces/stone.h"

namespace glidestone {

// How far a real release misses the planned one: what a thrower's hand adds
// between planning a shot and letting the stone go.
struct ReleasePerturbation {
    // Added to the planned release speed (m/s).
    double speed = 0.0;
    // The release direction is turned by this many radians, counter-clockwise
    // (from +y toward -x) for positive values.
    double angle = 0.0;
};

// The velocity the stone really gets when the release planned as `planned`
// is perturbed: its speed changed by `perturbation.speed` (a speed that would
// come out negative is zero: a stone is never released backwards) and its
// direction turned by `perturbation.angle`. Computed in double precision from
// the float velocity, with the portable sine and cosine, and rounded to float
// once, so it is the same on every platform.
//
// A zero perturbation returns `planned` untouched, bit for bit, and so does a
// planned velocity that is not finite (a target out of the planner's range
// stays out of range). A zero planned velocity is taken to point along +y.
Vector2 PerturbRelease(Vector2 planned, const ReleasePerturbation& perturbation);

}  // namespace glidestone
