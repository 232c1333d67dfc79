// Bit-for-bit comparison of the pinned float functions (math/pinned_math.h)
// with the C library's of the same name: the evidence that the pinned ones
// give glibc 2.36's results, when run on glibc 2.36 with its non-FMA variants
// selected (GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-FMA on a CPU with FMA).
// Shared by glidestone-check-math (the exhaustive runs) and the test suite
// (samples of them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace glidestone::math_check {

// The one-argument functions, sincosf's two halves, and powf with the ice
// model's exponent.
enum class Unary { kSin, kCos, kSinOfSincos, kCosOfSincos, kLog, kExp, kPowMinusFourFifths };
inline constexpr Unary kAllUnary[] = {Unary::kSin, Unary::kCos, Unary::kSinOfSincos,       Unary::kCosOfSincos,
                                      Unary::kLog, Unary::kExp, Unary::kPowMinusFourFifths};
enum class Binary { kAtan2, kHypot };
inline constexpr Binary kAllBinary[] = {Binary::kAtan2, Binary::kHypot};

std::string_view Name(Unary function);
std::string_view Name(Binary function);
// Parses a name as Name() prints it; false when it names none.
bool Parse(std::string_view name, Unary& function);
bool Parse(std::string_view name, Binary& function);

float Pinned(Unary function, float x);
float Reference(Unary function, float x);  // the C library's
float Pinned(Binary function, float a, float b);
float Reference(Binary function, float a, float b);

struct Mismatch {
    std::uint32_t a = 0;  // argument bits (the first, for two arguments)
    std::uint32_t b = 0;  // second argument's bits
    std::uint32_t pinned = 0;
    std::uint32_t reference = 0;
};

struct Tally {
    std::uint64_t compared = 0;
    std::uint64_t mismatches = 0;
    std::vector<Mismatch> first;  // the first few mismatches

    void Add(const Tally& other, std::size_t keep);
};

// Every argument whose bit pattern is begin, begin + step, ... below end
// (end at most 2^32), results compared bit for bit; keeps `keep` mismatches.
Tally CompareRange(Unary function, std::uint64_t begin, std::uint64_t end, std::uint64_t step, std::size_t keep);

Tally ComparePairs(Binary function, const std::vector<std::pair<float, float>>& pairs, std::size_t keep);

// Every pair drawn from zeros, subnormals, the normal range's ends, ones,
// infinities and NaNs of both signs, with ratios up to the largest.
std::vector<std::pair<float, float>> EdgePairs();

// `count` random pairs, from a fixed generator seeded with `seed` (pair i is
// the same on every machine): half of them any bit patterns (any sign,
// exponent, NaN), half of them magnitudes between 2^-10 and 2^10.
std::vector<std::pair<float, float>> RandomPairs(std::uint64_t count, std::uint64_t seed);

// "glibc 2.36" or what else the process runs on.
std::string ReferenceLibrary();
// True on glibc 2.36, the C library the reference results come from.
bool ReferenceIsGlibc236();

std::string Hex(std::uint32_t bits);  // the float's bits as 0x........, and its value

}  // namespace glidestone::math_check
