#include "research/execution_noise.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "research/random.h"

namespace glidestone {

namespace {

void CheckDeviation(double sigma, const char* name) {
    if (!std::isfinite(sigma) || sigma < 0.0)
        throw std::invalid_argument(std::string(name) + " must be finite and not negative, not " +
                                    std::to_string(sigma));
}

}  // namespace

void ExecutionNoise::Validate() const {
    CheckDeviation(sigma_speed, "sigma_speed");
    CheckDeviation(sigma_angle, "sigma_angle");
}

std::optional<ReleasePerturbation> DrawReleasePerturbation(const ExecutionNoise& noise, std::uint64_t seed,
                                                           std::uint64_t index) {
    noise.Validate();
    if (noise.IsZero()) return std::nullopt;
    SplitMix64 generator = SplitMix64::Stream(seed, index);
    auto const [z1, z2] = StandardNormalPair(generator);
    return ReleasePerturbation{noise.sigma_speed * z1, noise.sigma_angle * z2};
}

}  // namespace glidestone
