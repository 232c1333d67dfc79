#pragma once

#include <cstdint>
#include <optional>

#include "shot/release_perturbation.h"

namespace glidestone {

// A thrower's execution error as researchers model it: the release speed
// misses by a Gaussian error of standard deviation `sigma_speed` (m/s) and the
// release direction by a Gaussian angle of standard deviation `sigma_angle`
// (radians), independently.
struct ExecutionNoise {
    double sigma_speed = 0.0;
    double sigma_angle = 0.0;

    // Both deviations zero: shots are played exactly as planned.
    bool IsZero() const { return sigma_speed == 0.0 && sigma_angle == 0.0; }

    // Throws std::invalid_argument unless both deviations are finite and not
    // negative.
    void Validate() const;
};

// The perturbation of the release numbered `index` under `seed`: the first
// pair (z1, z2) of StandardNormalPair on SplitMix64::Stream(seed, index) gives
// speed = sigma_speed × z1 and angle = sigma_angle × z2. Both numbers are
// drawn whatever the deviations, so turning one kind of noise off leaves the
// other's errors as they were.
//
// Nothing (std::nullopt) when `noise` is zero, so that a noiseless shot is the
// plain shot bit for bit rather than one perturbed by zero. Throws
// std::invalid_argument for deviations that Validate() refuses.
//
// Numbering, the same everywhere: the batch tool numbers its input lines from
// 1, a sequence of shots is numbered from 1, a single shot is number 1, and
// the samples of a Monte Carlo evaluation are numbered from 1. So line n of a
// batch, shot n of a sequence and sample n of an evaluation under the same
// seed miss their plan in the same way. A game numbers its deliveries from 1
// over the whole game under a seed of its own (GameNoiseSeed in game/game.h).
std::optional<ReleasePerturbation> DrawReleasePerturbation(const ExecutionNoise& noise, std::uint64_t seed,
                                                           std::uint64_t index);

}  // namespace glidestone
