// The pinned float functions give glibc 2.36's results without FMA, on every
// machine: recorded reference bits checked everywhere, and, on glibc 2.36
// (its FMA variants switched off by the test's environment), samples of every
// argument range compared with the C library itself. The exhaustive runs are
// glidestone-check-math's (README, Exactness).

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/math_check/math_compare.h"

namespace glidestone::math_check {
namespace {

struct ReferenceCase {
    Unary function;
    std::uint32_t argument;
    std::uint32_t result;  // glibc 2.36, x86-64 code without FMA
};

// The arguments on which glibc 2.36's FMA code gives other sinf, cosf and
// expf results than its code without FMA (all of them: 12, 22 and 2 of the
// 2^32, found by glidestone-check-math; its logf and powf(x,-0.8) agree on
// every argument), then branch points, range ends, overflow and underflow of
// each function.
constexpr ReferenceCase kReferenceCases[] = {
    {Unary::kSin, 0x4255b0a9u, 0xbc7d08a8u},                 // 53.4225197
    {Unary::kSin, 0x42a35c07u, 0xbadaa3b5u},                 // 81.6797409
    {Unary::kSin, 0x42a35d44u, 0x3a44b888u},                 // 81.6821594
    {Unary::kSin, 0x42a97360u, 0x3dc7b089u},                 // 84.7253418
    {Unary::kSin, 0x42cf5854u, 0x382ee64fu},                 // 103.672516
    {Unary::kSin, 0x42e87a55u, 0xb5d2257bu},                 // 116.23893
    {Unary::kSin, 0xc255b0a9u, 0x3c7d08a8u},                 // -53.4225197
    {Unary::kSin, 0xc2a35c07u, 0x3adaa3b5u},                 // -81.6797409
    {Unary::kSin, 0xc2a35d44u, 0xba44b888u},                 // -81.6821594
    {Unary::kSin, 0xc2a97360u, 0xbdc7b089u},                 // -84.7253418
    {Unary::kSin, 0xc2cf5854u, 0xb82ee64fu},                 // -103.672516
    {Unary::kSin, 0xc2e87a55u, 0x35d2257bu},                 // -116.23893
    {Unary::kCos, 0x418a3adbu, 0xb7b4f76fu},                 // 17.278738
    {Unary::kCos, 0x418a3adcu, 0xb7a4f76fu},                 // 17.2787399
    {Unary::kCos, 0x418a3addu, 0xb794f76fu},                 // 17.2787418
    {Unary::kCos, 0x418a3adeu, 0xb784f76fu},                 // 17.2787437
    {Unary::kCos, 0x41bc76d9u, 0xbb803f6au},                 // 23.5580311
    {Unary::kCos, 0x4202eb4bu, 0x3e821ce3u},                 // 32.7297783
    {Unary::kCos, 0x42687a55u, 0xb552257bu},                 // 58.1194649
    {Unary::kCos, 0x4280ce28u, 0x34fdd671u},                 // 64.4026489
    {Unary::kCos, 0x42870e40u, 0xbc866cc3u},                 // 67.527832
    {Unary::kCos, 0x42c55faau, 0xbe8a34d2u},                 // 98.6868439
    {Unary::kCos, 0x42d8d23eu, 0xbcd25ea7u},                 // 108.410629
    {Unary::kCos, 0xc18a3adbu, 0xb7b4f76fu},                 // -17.278738
    {Unary::kCos, 0xc18a3adcu, 0xb7a4f76fu},                 // -17.2787399
    {Unary::kCos, 0xc18a3addu, 0xb794f76fu},                 // -17.2787418
    {Unary::kCos, 0xc18a3adeu, 0xb784f76fu},                 // -17.2787437
    {Unary::kCos, 0xc1bc76d9u, 0xbb803f6au},                 // -23.5580311
    {Unary::kCos, 0xc202eb4bu, 0x3e821ce3u},                 // -32.7297783
    {Unary::kCos, 0xc2687a55u, 0xb552257bu},                 // -58.1194649
    {Unary::kCos, 0xc280ce28u, 0x34fdd671u},                 // -64.4026489
    {Unary::kCos, 0xc2870e40u, 0xbc866cc3u},                 // -67.527832
    {Unary::kCos, 0xc2c55faau, 0xbe8a34d2u},                 // -98.6868439
    {Unary::kCos, 0xc2d8d23eu, 0xbcd25ea7u},                 // -108.410629
    {Unary::kExp, 0x4202422fu, 0x56fc9f1bu},                 // 32.5646324
    {Unary::kExp, 0xc27c65d9u, 0x11fa2992u},                 // -63.0994606
    {Unary::kSin, 0x4b800000u, 0xbf47917cu},                 // 16777216
    {Unary::kSin, 0x7f7fffffu, 0xbf0599b3u},                 // FLT_MAX
    {Unary::kCos, 0x7f7fffffu, 0x3f5a5f96u},                 // FLT_MAX
    {Unary::kSin, 0x3f490fdbu, 0x3f3504f3u},                 // pi/4
    {Unary::kCos, 0x3f490fdbu, 0x3f3504f3u},                 // pi/4
    {Unary::kSin, 0x42f00000u, 0x3f14a2efu},                 // 120
    {Unary::kCos, 0x42f00001u, 0x3f506de0u},                 // 120+
    {Unary::kSin, 0x00000001u, 0x00000001u},                 // smallest subnormal
    {Unary::kLog, 0x00000001u, 0xc2ce8ed0u},                 // smallest subnormal
    {Unary::kLog, 0x3f7fffffu, 0xb3800000u},                 // 1-
    {Unary::kLog, 0x7f7fffffu, 0x42b17218u},                 // FLT_MAX
    {Unary::kPowMinusFourFifths, 0x00000001u, 0x7b130898u},  // smallest subnormal
    {Unary::kPowMinusFourFifths, 0x3f800000u, 0x3f800000u},  // 1
    {Unary::kPowMinusFourFifths, 0x7f7fffffu, 0x0c4202f3u},  // FLT_MAX
    {Unary::kPowMinusFourFifths, 0x00800000u, 0x71dedc76u},  // FLT_MIN
    {Unary::kPowMinusFourFifths, 0x40400000u, 0x3ed49ad1u},  // 3
    {Unary::kExp, 0x42b17217u, 0x7f7fff84u},                 // largest without overflow
    {Unary::kExp, 0x42b17218u, 0x7f800000u},                 // overflow
    {Unary::kExp, 0xc2cff1b4u, 0x00000001u},                 // smallest nonzero result
    {Unary::kExp, 0xc2cff1b5u, 0x00000000u},                 // underflow to zero
    {Unary::kExp, 0x3f800000u, 0x402df854u},                 // 1
};

std::string Describe(const Tally& tally) {
    std::string text = std::to_string(tally.mismatches) + " of " + std::to_string(tally.compared) + " differ";
    for (const Mismatch& m : tally.first)
        text += "\n  " + Hex(m.a) + (m.b != 0 ? ", " + Hex(m.b) : std::string()) + ": pinned " + Hex(m.pinned) +
                ", C library " + Hex(m.reference);
    return text;
}

#define SKIP_UNLESS_GLIBC_236()                               \
    if (!ReferenceIsGlibc236())                               \
    GTEST_SKIP() << "the C library is " << ReferenceLibrary() \
                 << ", not glibc 2.36, the reference; the recorded reference bits are checked elsewhere"

TEST(PinnedMathTest, GivesTheRecordedReferenceBits) {
    for (const ReferenceCase& c : kReferenceCases) {
        float const x = std::bit_cast<float>(c.argument);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(Pinned(c.function, x)), c.result)
            << Name(c.function) << " of " << Hex(c.argument) << ": expected " << Hex(c.result);
    }
}

// Also the proof that the environment really selects the C library's code
// without FMA: on a CPU with FMA, its other code gives other bits for the
// first of these arguments.
TEST(PinnedMathTest, TheCLibraryGivesTheRecordedReferenceBits) {
    SKIP_UNLESS_GLIBC_236();
    for (const ReferenceCase& c : kReferenceCases) {
        float const x = std::bit_cast<float>(c.argument);
        EXPECT_EQ(std::bit_cast<std::uint32_t>(Reference(c.function, x)), c.result)
            << Name(c.function) << " of " << Hex(c.argument) << " (GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-FMA?)";
    }
}

// Every 1021st bit pattern (about 4.2 million arguments a function), each
// function starting elsewhere, so that the samples cover all exponents,
// both signs, subnormals, infinities and NaNs.
TEST(PinnedMathTest, SampledArgumentsMatchTheCLibrary) {
    SKIP_UNLESS_GLIBC_236();
    constexpr std::uint64_t kStep = 1021;
    std::uint64_t start = 0;
    for (Unary function : kAllUnary) {
        Tally const tally = CompareRange(function, start, std::uint64_t{1} << 32, kStep, 10);
        EXPECT_GT(tally.compared, 4'000'000u);
        EXPECT_EQ(tally.mismatches, 0u) << Name(function) << ": " << Describe(tally);
        start += 97;
    }
}

// Around the arguments where the most happens: ±π/4, where the sine and
// cosine switch to their reduction; 120, where the reduction switches to
// the large-argument one; 1 for the logarithm and the power; the
// overflow and underflow thresholds of the exponential.
TEST(PinnedMathTest, ArgumentsAroundTheBranchPointsMatchTheCLibrary) {
    SKIP_UNLESS_GLIBC_236();
    std::vector<float> const centres = {0.78539816f, 120.0f, 1.0f, 88.7228394f, -103.972084f, 0x1p-12f, 0x1p-126f};
    for (Unary function : kAllUnary) {
        for (float centre : centres) {
            for (float sign : {1.0f, -1.0f}) {
                auto const middle = std::bit_cast<std::uint32_t>(sign * centre);
                Tally const tally = CompareRange(function, middle - 5000, middle + 5000, 1, 10);
                EXPECT_EQ(tally.mismatches, 0u)
                    << Name(function) << " near " << sign * centre << ": " << Describe(tally);
            }
        }
    }
}

TEST(PinnedMathTest, Atan2AndHypotMatchTheCLibraryOnEdgeCases) {
    SKIP_UNLESS_GLIBC_236();
    std::vector<std::pair<float, float>> const pairs = EdgePairs();
    for (Binary function : kAllBinary) {
        Tally const tally = ComparePairs(function, pairs, 10);
        EXPECT_EQ(tally.compared, pairs.size());
        EXPECT_EQ(tally.mismatches, 0u) << Name(function) << ": " << Describe(tally);
    }
}

TEST(PinnedMathTest, Atan2AndHypotMatchTheCLibraryOnRandomPairs) {
    SKIP_UNLESS_GLIBC_236();
    std::vector<std::pair<float, float>> const pairs = RandomPairs(2'000'000, 7);
    for (Binary function : kAllBinary) {
        Tally const tally = ComparePairs(function, pairs, 10);
        EXPECT_EQ(tally.mismatches, 0u) << Name(function) << ": " << Describe(tally);
    }
}

}  // namespace
}  // namespace glidestone::math_check
