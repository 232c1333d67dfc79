#include "tools/math_check/math_compare.h"

#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>

#if defined(__GLIBC__)
#include <gnu/libc-version.h>
#endif

#include "math/pinned_math.h"

namespace glidestone::math_check {

namespace {

constexpr float kIceExponent = -0.8f;  // simulator/fcv1/ice.h

// Through volatile pointers, so that the compiler neither folds a call nor
// replaces it with a builtin of its own: these must be the C library's code.
float (*volatile libc_sinf)(float) = ::sinf;
float (*volatile libc_cosf)(float) = ::cosf;
void (*volatile libc_sincosf)(float, float*, float*) = ::sincosf;
float (*volatile libc_logf)(float) = ::logf;
float (*volatile libc_expf)(float) = ::expf;
float (*volatile libc_powf)(float, float) = ::powf;
float (*volatile libc_atan2f)(float, float) = ::atan2f;
float (*volatile libc_hypotf)(float, float) = ::hypotf;

std::uint32_t Bits(float x) {
    return std::bit_cast<std::uint32_t>(x);
}

// splitmix64: small, and the same sequence everywhere.
std::uint64_t Next(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

}  // namespace

std::string_view Name(Unary function) {
    switch (function) {
        case Unary::kSin:
            return "sinf";
        case Unary::kCos:
            return "cosf";
        case Unary::kSinOfSincos:
            return "sincosf.sin";
        case Unary::kCosOfSincos:
            return "sincosf.cos";
        case Unary::kLog:
            return "logf";
        case Unary::kExp:
            return "expf";
        case Unary::kPowMinusFourFifths:
            return "powf(x,-0.8)";
    }
    return "?";
}

std::string_view Name(Binary function) {
    return function == Binary::kAtan2 ? "atan2f" : "hypotf";
}

bool Parse(std::string_view name, Unary& function) {
    for (Unary candidate : kAllUnary) {
        if (Name(candidate) == name) {
            function = candidate;
            return true;
        }
    }
    return false;
}

bool Parse(std::string_view name, Binary& function) {
    for (Binary candidate : kAllBinary) {
        if (Name(candidate) == name) {
            function = candidate;
            return true;
        }
    }
    return false;
}

float Pinned(Unary function, float x) {
    switch (function) {
        case Unary::kSin:
            return glidestone_sinf(x);
        case Unary::kCos:
            return glidestone_cosf(x);
        case Unary::kSinOfSincos:
        case Unary::kCosOfSincos: {
            float sine = 0.0f;
            float cosine = 0.0f;
            glidestone_sincosf(x, &sine, &cosine);
            return function == Unary::kSinOfSincos ? sine : cosine;
        }
        case Unary::kLog:
            return glidestone_logf(x);
        case Unary::kExp:
            return glidestone_expf(x);
        case Unary::kPowMinusFourFifths:
            return glidestone_powf(x, kIceExponent);
    }
    return 0.0f;
}

float Reference(Unary function, float x) {
    switch (function) {
        case Unary::kSin:
            return libc_sinf(x);
        case Unary::kCos:
            return libc_cosf(x);
        case Unary::kSinOfSincos:
        case Unary::kCosOfSincos: {
            float sine = 0.0f;
            float cosine = 0.0f;
            libc_sincosf(x, &sine, &cosine);
            return function == Unary::kSinOfSincos ? sine : cosine;
        }
        case Unary::kLog:
            return libc_logf(x);
        case Unary::kExp:
            return libc_expf(x);
        case Unary::kPowMinusFourFifths:
            return libc_powf(x, kIceExponent);
    }
    return 0.0f;
}

float Pinned(Binary function, float a, float b) {
    return function == Binary::kAtan2 ? glidestone_atan2f(a, b) : glidestone_hypotf(a, b);
}

float Reference(Binary function, float a, float b) {
    return function == Binary::kAtan2 ? libc_atan2f(a, b) : libc_hypotf(a, b);
}

void Tally::Add(const Tally& other, std::size_t keep) {
    compared += other.compared;
    mismatches += other.mismatches;
    for (const Mismatch& m : other.first) {
        if (first.size() >= keep) break;
        first.push_back(m);
    }
}

Tally CompareRange(Unary function, std::uint64_t begin, std::uint64_t end, std::uint64_t step, std::size_t keep) {
    Tally tally;
    for (std::uint64_t i = begin; i < end; i += step) {
        float const x = std::bit_cast<float>(static_cast<std::uint32_t>(i));
        std::uint32_t const pinned = Bits(Pinned(function, x));
        std::uint32_t const reference = Bits(Reference(function, x));
        ++tally.compared;
        if (pinned == reference) continue;
        ++tally.mismatches;
        if (tally.first.size() < keep) tally.first.push_back({static_cast<std::uint32_t>(i), 0, pinned, reference});
    }
    return tally;
}

Tally ComparePairs(Binary function, const std::vector<std::pair<float, float>>& pairs, std::size_t keep) {
    Tally tally;
    for (auto [a, b] : pairs) {
        std::uint32_t const pinned = Bits(Pinned(function, a, b));
        std::uint32_t const reference = Bits(Reference(function, a, b));
        ++tally.compared;
        if (pinned == reference) continue;
        ++tally.mismatches;
        if (tally.first.size() < keep) tally.first.push_back({Bits(a), Bits(b), pinned, reference});
    }
    return tally;
}

std::vector<std::pair<float, float>> EdgePairs() {
    using limits = std::numeric_limits<float>;
    std::vector<float> const magnitudes = {0.0f,
                                           limits::denorm_min(),
                                           std::bit_cast<float>(0x00000003u),
                                           std::bit_cast<float>(0x007FFFFFu),  // largest subnormal
                                           limits::min(),
                                           0x1p-100f,
                                           0x1p-60f,
                                           0x1.8p-30f,
                                           1e-7f,
                                           0.4375f,
                                           0.5f,
                                           1.0f,
                                           std::nextafter(1.0f, 2.0f),
                                           std::nextafter(1.0f, 0.0f),
                                           1.1875f,
                                           2.4375f,
                                           3.14159265f,
                                           17.278738f,
                                           0x1p25f,
                                           0x1p60f,
                                           0x1p64f,
                                           0x1p100f,
                                           1.8e19f,  // squares beyond float's range
                                           limits::max(),
                                           limits::infinity(),
                                           limits::quiet_NaN()};
    std::vector<float> values;
    for (float m : magnitudes) {
        values.push_back(m);
        values.push_back(-m);
    }
    std::vector<std::pair<float, float>> pairs;
    pairs.reserve(values.size() * values.size());
    for (float a : values)
        for (float b : values) pairs.emplace_back(a, b);
    return pairs;
}

std::vector<std::pair<float, float>> RandomPairs(std::uint64_t count, std::uint64_t seed) {
    std::vector<std::pair<float, float>> pairs;
    pairs.reserve(count);
    std::uint64_t state = seed;
    // Every other pair from magnitudes 2^-10 to 2^10, where the ratios are
    // moderate and the functions' main paths run, as they do in play.
    auto const moderate = [](std::uint32_t bits) {
        std::uint32_t const exponent = 117 + (bits >> 23 & 0xFF) % 20;
        return std::bit_cast<float>((bits & 0x807FFFFFu) | exponent << 23);
    };
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t const r = Next(state);
        auto const high = static_cast<std::uint32_t>(r >> 32);
        auto const low = static_cast<std::uint32_t>(r);
        if (i % 2 == 0)
            pairs.emplace_back(std::bit_cast<float>(high), std::bit_cast<float>(low));
        else
            pairs.emplace_back(moderate(high), moderate(low));
    }
    return pairs;
}

std::string ReferenceLibrary() {
#if defined(__GLIBC__)
    return std::string("glibc ") + gnu_get_libc_version();
#else
    return "a C library other than glibc";
#endif
}

bool ReferenceIsGlibc236() {
#if defined(__GLIBC__)
    return std::string_view(gnu_get_libc_version()) == "2.36";
#else
    return false;
#endif
}

std::string Hex(std::uint32_t bits) {
    char text[64];
    std::snprintf(text, sizeof text, "0x%08x (%.9g)", static_cast<unsigned>(bits),
                  static_cast<double>(std::bit_cast<float>(bits)));
    return text;
}

}  // namespace glidestone::math_check
