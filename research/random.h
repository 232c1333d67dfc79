#pragma once

#include <cstdint>
#include <utility>

namespace glidestone {

// SplitMix64 (Steele, Lea and Flood; Vigna's constants): a 64-bit state that
// advances by the golden-ratio increment, each output a bijective mix of the
// state. Small, fast, and specified completely by the code below, so any
// language can reproduce its streams.
class SplitMix64 {
public:
    static constexpr std::uint64_t kIncrement = 0x9E3779B97F4A7C15u;

    // The generator whose first output is Mix(state + kIncrement).
    explicit SplitMix64(std::uint64_t state) : state_(state) {}

    // The stream for `index` (a line, a sample) under `seed`: its state is
    // Mix(Mix(seed) + index), so neighbouring indices and neighbouring seeds
    // start far apart, and a stream depends on nothing but its two keys.
    static SplitMix64 Stream(std::uint64_t seed, std::uint64_t index) { return SplitMix64(Mix(Mix(seed) + index)); }

    std::uint64_t Next() {
        state_ += kIncrement;
        return Mix(state_);
    }

    // A double in [0, 1): the top 53 bits of the next output times 2^-53.
    double NextUnit() { return static_cast<double>(Next() >> 11) * 0x1p-53; }

    // SplitMix64's output function (Stafford's mix 13), modulo 2^64.
    static constexpr std::uint64_t Mix(std::uint64_t z) {
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
        return z ^ (z >> 31);
    }

private:
    std::uint64_t state_;
};

// Two independent standard normal numbers by Marsaglia's polar method: u and
// v are 2 × NextUnit() − 1 (a pair drawn again until 0 < s = u² + v² < 1),
// and the pair is (u f, v f) with f = √(−2 ln(s) / s), evaluated in that
// order in double precision with PortableLog. Uses only basic IEEE operations,
// so a stream gives the same numbers on every platform.
std::pair<double, double> StandardNormalPair(SplitMix64& generator);

}  // namespace glidestone
