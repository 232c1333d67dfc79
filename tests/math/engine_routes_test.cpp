// The engine's sine and cosine, as routed: each call gives exactly the pinned
// function's bits, whatever the order and the angles of the calls, and
// threads never see each other's kept cosine.

#include "math/engine_routes.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

std::uint32_t Bits(float x) {
    return std::bit_cast<std::uint32_t>(x);
}

TEST(EngineRoutesTest, SineThenCosineOfOneAngleGiveThePinnedBits) {
    for (float const angle : {0.0f, -0.0f, 1.0f, -2.5f, 17.278738f, 53.4225197f, 1.0e6f}) {
        float const sine = sinf(angle);
        float const cosine = cosf(angle);
        EXPECT_EQ(Bits(sine), Bits(glidestone_sinf(angle))) << angle;
        EXPECT_EQ(Bits(cosine), Bits(glidestone_cosf(angle))) << angle;
    }
}

TEST(EngineRoutesTest, AKeptCosineServesOnlyItsOwnAngleAndOnlyOnce) {
    float const kept = 0.75f;
    (void)sinf(kept);
    // Another angle, even one with a cosine equal as a float (the sign of 0
    // differs in its bits), is computed.
    EXPECT_EQ(Bits(cosf(1.25f)), Bits(glidestone_cosf(1.25f)));
    (void)sinf(0.0f);
    EXPECT_EQ(Bits(cosf(-0.0f)), Bits(glidestone_cosf(-0.0f)));
    // A cosine with no sine before it, and the same cosine twice.
    EXPECT_EQ(Bits(cosf(kept)), Bits(glidestone_cosf(kept)));
    (void)sinf(kept);
    EXPECT_EQ(Bits(cosf(kept)), Bits(glidestone_cosf(kept)));
    EXPECT_EQ(Bits(cosf(kept)), Bits(glidestone_cosf(kept)));
    // Not a number: its cosine is computed, the bits of the same NaN match.
    float const nan = std::bit_cast<float>(0x7fc00001u);
    (void)sinf(nan);
    EXPECT_EQ(Bits(cosf(nan)), Bits(glidestone_cosf(nan)));
}

TEST(EngineRoutesTest, ThreadsInterleavingKeepTheirOwnCosines) {
    std::vector<std::thread> threads;
    std::vector<int> wrong(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &wrong] {
            for (int i = 0; i < 20000; ++i) {
                float const angle = static_cast<float>(t * 100000 + i) * 0.001f;
                float const sine = sinf(angle);
                float const cosine = cosf(angle);
                if (Bits(sine) != Bits(glidestone_sinf(angle)) || Bits(cosine) != Bits(glidestone_cosf(angle)))
                    ++wrong[t];
            }
        });
    }
    for (std::thread& thread : threads) thread.join();
    for (int t = 0; t < 4; ++t) EXPECT_EQ(wrong[t], 0) << "thread " << t;
}

}  // namespace
