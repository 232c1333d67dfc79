#include <box2d/box2d.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

// The profiling timer is compiled out: it used to read the system clock
// several times per world step.
TEST(EngineBuildTest, ProfileTimerNeverAdvances) {
    b2Timer timer;
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    EXPECT_EQ(timer.GetMilliseconds(), 0.0f);
    timer.Reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    EXPECT_EQ(timer.GetMilliseconds(), 0.0f);
}

// Through the world: a crowded world with contacts, stepped long enough that
// a live clock would show milliseconds in its profile.
TEST(EngineBuildTest, WorldProfileStaysZeroWhileStepping) {
    b2World world(b2Vec2(0.0f, 0.0f));
    b2CircleShape circle;
    circle.m_radius = 0.145f;
    b2FixtureDef fixture;
    fixture.shape = &circle;
    fixture.density = 300.0f;
    fixture.restitution = 1.0f;
    b2BodyDef def;
    def.type = b2_dynamicBody;
    def.bullet = true;
    for (int i = 0; i < 15; ++i) {
        def.position.Set(-1.4f + 0.2f * static_cast<float>(i), 34.0f + 0.3f * static_cast<float>(i % 5));
        world.CreateBody(&def)->CreateFixture(&fixture);
    }
    def.position.Set(0.0f, 30.0f);
    def.linearVelocity.Set(0.0f, 3.0f);
    world.CreateBody(&def)->CreateFixture(&fixture);

    int touching_frames = 0;
    float total = 0.0f;
    auto const start = std::chrono::steady_clock::now();
    // At least the frames the shot needs to reach the others, and long enough
    // that a live clock could not read zero throughout.
    for (int frame = 0; frame < 200 || std::chrono::steady_clock::now() - start < std::chrono::milliseconds(20);
         ++frame) {
        world.Step(0.05f, 8, 3);
        for (const b2Contact* c = world.GetContactList(); c != nullptr; c = c->GetNext()) {
            if (c->IsTouching()) {
                ++touching_frames;
                break;
            }
        }
        const b2Profile& profile = world.GetProfile();
        total += profile.step + profile.collide + profile.solve + profile.solveInit + profile.solveVelocity +
                 profile.solvePosition + profile.broadphase + profile.solveTOI;
    }
    EXPECT_GT(touching_frames, 0);
    EXPECT_EQ(total, 0.0f);
}

}  // namespace
