#include "simulator/fcv1/far_apart.h"

#include <box2d/b2_time_of_impact.h>
#include <gtest/gtest.h>

#include <cstdint>

#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone::simulators {
namespace {

// The engine's verdict on two stones over one frame: whether its time of
// impact, as its continuous step takes it, finds them touching within the
// frame.
bool EngineFindsATouch(const CentrePath& a, const CentrePath& b) {
    b2CircleShape shape;
    shape.m_radius = SimulatorFCV1::kStoneRadius;
    auto sweep = [](const CentrePath& path) {
        b2Sweep s;
        s.localCenter.SetZero();
        s.c0 = path.from;
        s.c = path.to;
        s.a0 = 0.0f;
        s.a = 0.0f;
        s.alpha0 = 0.0f;
        return s;
    };
    b2TOIInput input;
    input.proxyA.Set(&shape, 0);
    input.proxyB.Set(&shape, 0);
    input.sweepA = sweep(a);
    input.sweepB = sweep(b);
    input.tMax = 1.0f;
    b2TOIOutput output;
    b2TimeOfImpact(&output, &input);
    return output.state == b2TOIOutput::e_touching;
}

// A stone at rest at the origin, and one sliding past it along y = `gap`
// from x = -1 to 1: their centres come `gap` apart halfway.
CentrePath Resting() {
    return {b2Vec2(0.0f, 0.0f), b2Vec2(0.0f, 0.0f), false};
}
CentrePath PassingAt(double gap) {
    auto const y = static_cast<float>(gap);
    return {b2Vec2(-1.0f, y), b2Vec2(1.0f, y), true};
}

TEST(FarApartTest, FarApartJustOutsideTheClearanceAndTheEngineAgrees) {
    for (double gap : {kFarApartClearance + 1.0e-5, kFarApartClearance + 1.0e-3, 1.0}) {
        EXPECT_TRUE(FarApartThroughout(Resting(), PassingAt(gap))) << "gap " << gap;
        EXPECT_TRUE(FarApartThroughout(PassingAt(gap), Resting())) << "gap " << gap;
        EXPECT_FALSE(EngineFindsATouch(Resting(), PassingAt(gap))) << "gap " << gap;
    }
}

TEST(FarApartTest, NotFarApartJustInsideTheClearance) {
    // Inside the margin the engine would still find no touch; the check
    // declines all the same, and the frame goes to the engine.
    for (double gap : {kFarApartClearance - 1.0e-5, kImpactReach + 1.0e-3}) {
        EXPECT_FALSE(FarApartThroughout(Resting(), PassingAt(gap))) << "gap " << gap;
        EXPECT_FALSE(EngineFindsATouch(Resting(), PassingAt(gap))) << "gap " << gap;
    }
}

TEST(FarApartTest, ImpactReachIsWhereTheEngineBeginsToFindATouch) {
    EXPECT_NEAR(kImpactReach, 0.27625, 1.0e-7);
    // Coming straight at a resting stone and stopping at the reach, give or
    // take a little: the engine's time of impact tells them apart.
    auto stopping_at = [](double gap) {
        return CentrePath{b2Vec2(0.0f, 1.0f), b2Vec2(0.0f, static_cast<float>(gap)), true};
    };
    EXPECT_FALSE(EngineFindsATouch(Resting(), stopping_at(kImpactReach + 2.0e-5)));
    EXPECT_TRUE(EngineFindsATouch(Resting(), stopping_at(kImpactReach - 2.0e-5)));
    EXPECT_FALSE(FarApartThroughout(Resting(), stopping_at(kImpactReach + 2.0e-5)));
}

TEST(FarApartTest, LeastDistanceMayFallAtEitherEndOfTheFrame) {
    // Coming straight at each other but stopping short, and leaving.
    double const gap = kFarApartClearance;
    CentrePath const approaching{b2Vec2(0.0f, 1.0f), b2Vec2(0.0f, static_cast<float>(gap + 1.0e-5)), true};
    CentrePath const too_close{b2Vec2(0.0f, 1.0f), b2Vec2(0.0f, static_cast<float>(gap - 1.0e-5)), true};
    CentrePath const leaving{b2Vec2(0.0f, static_cast<float>(gap - 1.0e-5)), b2Vec2(0.0f, 1.0f), true};
    EXPECT_TRUE(FarApartThroughout(Resting(), approaching));
    EXPECT_FALSE(FarApartThroughout(Resting(), too_close));
    EXPECT_FALSE(FarApartThroughout(Resting(), leaving));
    // Both moving the same way side by side: the distance never changes.
    CentrePath const left{b2Vec2(0.0f, 0.0f), b2Vec2(0.0f, 0.2f), true};
    CentrePath const right{b2Vec2(static_cast<float>(gap + 1.0e-5), 0.0f),
                           b2Vec2(static_cast<float>(gap + 1.0e-5), 0.2f), true};
    EXPECT_TRUE(FarApartThroughout(left, right));
}

TEST(FarApartTest, DeclinesBeyondTheLimitFromTheOrigin) {
    float const far = static_cast<float>(kFarApartLimit);
    CentrePath const a{b2Vec2(far, 0.0f), b2Vec2(far, 0.0f), false};
    CentrePath const b{b2Vec2(far, 5.0f), b2Vec2(far, 5.0f), true};
    EXPECT_FALSE(FarApartThroughout(a, b));
    CentrePath const c{b2Vec2(far - 1.0f, 0.0f), b2Vec2(far - 1.0f, 0.0f), false};
    CentrePath const d{b2Vec2(far - 1.0f, 5.0f), b2Vec2(far - 1.0f, 5.0f), true};
    EXPECT_TRUE(FarApartThroughout(c, d));
}

TEST(FarApartTest, NeverFarApartWhereTheEngineFindsATouch) {
    // Stones in and around the house, a frame of up to 0.25 m each: wherever
    // the check says far apart, the engine must find no touch.
    std::uint32_t state = 2024;
    auto uniform = [&](float lo, float hi) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return lo + (hi - lo) * static_cast<float>(state >> 8) / 16777216.0f;
    };
    int far_apart = 0;
    int touching = 0;
    for (int i = 0; i < 20000; ++i) {
        b2Vec2 const a0(uniform(-1.0f, 1.0f), uniform(34.0f, 36.0f));
        b2Vec2 const b0(a0.x + uniform(-0.6f, 0.6f), a0.y + uniform(-0.6f, 0.6f));
        CentrePath const a{a0, b2Vec2(a0.x + uniform(-0.25f, 0.25f), a0.y + uniform(-0.25f, 0.25f)), true};
        CentrePath const b{b0, b2Vec2(b0.x + uniform(-0.25f, 0.25f), b0.y + uniform(-0.25f, 0.25f)), true};
        bool const apart = FarApartThroughout(a, b);
        bool const touch = EngineFindsATouch(a, b);
        far_apart += apart ? 1 : 0;
        touching += touch ? 1 : 0;
        ASSERT_FALSE(apart && touch) << "pair " << i;
    }
    EXPECT_GT(far_apart, 2000);
    EXPECT_GT(touching, 2000);
}

}  // namespace
}  // namespace glidestone::simulators
