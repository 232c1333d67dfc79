#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "simulator/fcv1/engine_access.h"
#include "simulator/fcv1/simulator_fcv1.h"
#include "tests/simulator/stone_helpers.h"

namespace glidestone::simulators {
namespace {

using glidestone::testing::MakeStone;
using glidestone::testing::SameBits;

class Random {
public:
    explicit Random(std::uint32_t seed) : state_(seed) {}
    std::uint32_t Next() {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 17;
        state_ ^= state_ << 5;
        return state_;
    }
    float Uniform(float lo, float hi) { return lo + (hi - lo) * static_cast<float>(Next() >> 8) / 16777216.0f; }
    int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint32_t>(n)); }

private:
    std::uint32_t state_;
};

bool SameBits(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

bool SameStone(const CollisionStone& a, const CollisionStone& b) {
    return a.id == b.id && SameBits(a.position.x, b.position.x) && SameBits(a.position.y, b.position.y) &&
           SameBits(a.angle, b.angle);
}

// Field by field: the records have padding, whose bytes mean nothing.
bool SameCollisions(const std::vector<Collision>& a, const std::vector<Collision>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!SameStone(a[i].a, b[i].a) || !SameStone(a[i].b, b[i].b) ||
            !SameBits(a[i].normal_impulse, b[i].normal_impulse) ||
            !SameBits(a[i].tangent_impulse, b[i].tangent_impulse))
            return false;
    }
    return true;
}

// What of the engine decides the order of later contacts: the broad phase's
// tree (its proxies in traversal order, with their enlarged boxes, and its
// shape) and the contact list.
struct EngineOrder {
    std::vector<std::uint32_t> bits;
    bool operator==(const EngineOrder&) const = default;
};

std::uint32_t SlotOf(const b2Body* body) {
    // The engine's user-data getter is not const.
    return static_cast<std::uint32_t>(const_cast<b2Body*>(body)->GetUserData().pointer);
}

// With a single stone the engine's box lags behind by design until the next
// SetStones (the lone-stone catch-up); there is no order to keep then.
bool Crowded(SimulatorFCV1& simulator) {
    int present = 0;
    for (const StoneSlot& slot : simulator.GetStones()) present += slot.present ? 1 : 0;
    return present > 1;
}

// `lagging` holds the slots (one bit each) whose engine bodies lag behind in the simulator with
// the shortcuts, left out of both.
EngineOrder ReadEngineOrder(const SimulatorFCV1& simulator, std::uint32_t lagging) {
    struct Collect {
        const b2BroadPhase* broad_phase;
        std::vector<std::uint32_t>* out;
        bool QueryCallback(int32 proxy_id) {
            const auto* proxy = static_cast<const b2FixtureProxy*>(broad_phase->GetUserData(proxy_id));
            const b2AABB& box = broad_phase->GetFatAABB(proxy_id);
            out->push_back(static_cast<std::uint32_t>(proxy_id));
            out->push_back(SlotOf(proxy->fixture->GetBody()));
            for (float v : {box.lowerBound.x, box.lowerBound.y, box.upperBound.x, box.upperBound.y})
                out->push_back(std::bit_cast<std::uint32_t>(v));
            return true;
        }
    };
    EngineOrder order;
    const b2World& world = simulator.GetWorld();
    const b2BroadPhase& broad_phase = world.GetContactManager().m_broadPhase;
    b2AABB everywhere;
    everywhere.lowerBound.Set(-b2_maxFloat, -b2_maxFloat);
    everywhere.upperBound.Set(b2_maxFloat, b2_maxFloat);
    Collect collect{&broad_phase, &order.bits};
    broad_phase.Query(&collect, everywhere);
    order.bits.push_back(static_cast<std::uint32_t>(broad_phase.GetTreeHeight()));
    order.bits.push_back(static_cast<std::uint32_t>(broad_phase.GetTreeBalance()));
    order.bits.push_back(std::bit_cast<std::uint32_t>(broad_phase.GetTreeQuality()));
    for (const b2Contact* c = world.GetContactList(); c != nullptr; c = c->GetNext()) {
        order.bits.push_back(SlotOf(c->GetFixtureA()->GetBody()));
        order.bits.push_back(SlotOf(c->GetFixtureB()->GetBody()));
        order.bits.push_back(c->IsTouching() ? 1u : 0u);
        order.bits.push_back(c->IsEnabled() ? 1u : 0u);
        order.bits.push_back(static_cast<std::uint32_t>(c->GetManifold()->pointCount));
    }
    // The bodies as the engine holds them (all but one whose frames are
    // being advanced outside it): what its next step starts from.
    for (const b2Body* body = world.GetBodyList(); body != nullptr; body = body->GetNext()) {
        if (!body->IsEnabled() || (lagging >> SlotOf(body) & 1u) != 0) continue;
        const b2Transform& transform = body->GetTransform();
        order.bits.push_back(SlotOf(body));
        order.bits.push_back(body->IsAwake() ? 1u : 0u);
        // The sweep's start and the proxy's swept box outlast the step: a
        // time of impact with a sleeping body reads the sweep it fell asleep
        // in. (Not so the sweep's alpha0, which every step resets before its
        // time of impact reads it, and which only the engine's frames set.)
        const b2Sweep& sweep = engine_access::Sweep(*body);
        const b2AABB& swept = body->GetFixtureList()->GetAABB(0);
        for (float v :
             {transform.p.x, transform.p.y, transform.q.s, transform.q.c, body->GetWorldCenter().x,
              body->GetWorldCenter().y, body->GetAngle(), body->GetLinearVelocity().x, body->GetLinearVelocity().y,
              body->GetAngularVelocity(), sweep.c0.x, sweep.c0.y, sweep.a0, engine_access::SleepTime(*body),
              swept.lowerBound.x, swept.lowerBound.y, swept.upperBound.x, swept.upperBound.y})
            order.bits.push_back(std::bit_cast<std::uint32_t>(v));
    }
    return order;
}

bool SameEngineState(const SimulatorFCV1& fast, const SimulatorFCV1& exact) {
    return ReadEngineOrder(fast, fast.LaggingSlots()) == ReadEngineOrder(exact, fast.LaggingSlots());
}

// A throw from the origin, as the server and the planner make them.
StoneSlot Throw(Random& random) {
    float const speed = random.Below(8) == 0 ? random.Uniform(0.0f, 0.05f) : random.Uniform(1.0f, 4.5f);
    float const spin = random.Below(3) == 0 ? 0.0f : (random.Below(2) ? 1.57f : -1.57f);
    return MakeStone(0.0f, 0.0f, random.Uniform(-0.3f, 0.3f), speed, spin);
}

AllStones RandomStones(Random& random) {
    AllStones stones{};
    switch (random.Below(9)) {
        case 0:  // nothing at all
            break;
        case 1: {  // a lone stone somewhere else, at rest or sliding, sometimes very far out
            float const far = random.Below(4) == 0 ? 1.0e12f : 0.0f;
            stones[random.Below(16)] = MakeStone(far + random.Uniform(-2, 2), random.Uniform(0, 40),
                                                 random.Uniform(-1, 1), random.Uniform(-1, 1), random.Uniform(-3, 3));
            break;
        }
        case 2:  // a slow lone stone: sleep timer territory, where the ice and the engine's sleep rules meet
            stones[random.Below(16)] =
                MakeStone(random.Uniform(-2, 2), random.Uniform(0, 40), 0.0f, random.Uniform(0.0f, 0.03f),
                          random.Below(2) ? 0.0f : random.Uniform(-0.05f, 0.05f));
            break;
        case 3:
        case 4:  // the shot alone, the common case
            stones[15] = Throw(random);
            break;
        case 5: {  // resting stones anywhere, one or two sliding among them: most never meet
            for (int i = 0, n = random.Below(14) + 1; i < n; ++i)
                stones[random.Below(16)] = MakeStone(random.Uniform(-3.0f, 3.0f), random.Uniform(0.0f, 45.0f));
            for (int i = 0, n = random.Below(2) + 1; i < n; ++i)
                stones[random.Below(16)] =
                    MakeStone(random.Uniform(-3.0f, 3.0f), random.Uniform(0.0f, 45.0f), random.Uniform(-0.5f, 0.5f),
                              random.Uniform(0.0f, 2.5f), random.Below(3) == 0 ? 0.0f : random.Uniform(-2.0f, 2.0f));
            break;
        }
        case 8: {  // stones sliding every way through a crowd, as after a takeout: near misses and hits
            for (int i = 0, n = random.Below(12) + 1; i < n; ++i)
                stones[random.Below(16)] = MakeStone(random.Uniform(-1.5f, 1.5f), random.Uniform(33.0f, 38.0f));
            for (int i = 0, n = random.Below(5) + 2; i < n; ++i) {
                float const direction = random.Uniform(-3.1416f, 3.1416f);
                float const speed = random.Uniform(0.05f, 2.5f);
                stones[random.Below(16)] =
                    MakeStone(random.Uniform(-1.5f, 1.5f), random.Uniform(33.0f, 38.0f), speed * std::sin(direction),
                              speed * std::cos(direction), random.Below(3) == 0 ? 0.0f : random.Uniform(-2.0f, 2.0f));
            }
            break;
        }
        default:  // a crowd in the house and the shot
            for (int i = 0, n = random.Below(15) + 1; i < n; ++i)
                stones[random.Below(15)] = MakeStone(random.Uniform(-1.5f, 1.5f), random.Uniform(33.0f, 38.0f));
            stones[15] = Throw(random);
            stones[15].linear_velocity.y = random.Uniform(2.3f, 4.0f);
            break;
    }
    return stones;
}

// Frames the simulator with the shortcuts took outside the engine's step.
struct Shortcuts {
    std::uint64_t among_resting = 0;
    std::uint64_t free = 0;
    std::uint64_t removals = 0;  // stones taken off between frames
};

// Runs the same calls on a simulator with the shortcut and one without, and
// demands the same bits from both after every call.
Shortcuts Differential(std::uint32_t seed, int operations) {
    SimulatorFCV1 fast{SimulatorFCV1Factory(0.05f)};
    SimulatorFCV1 exact{SimulatorFCV1Factory(0.05f)};
    exact.SetEngineShortcuts(false);
    Random random(seed);
    std::unique_ptr<ISimulatorStorage> saved = fast.CreateStorage();
    std::uint64_t steps = 0;
    std::uint64_t removals = 0;

    for (int op = 0; op < operations; ++op) {
        SCOPED_TRACE(::testing::Message() << "seed " << seed << " operation " << op);
        switch (random.Below(10)) {
            case 0: {  // a snapshot, maybe with another frame length
                if (random.Below(2)) {
                    saved = fast.CreateStorage();
                    exact.CreateStorage();
                } else {
                    // Frame lengths the engine treats alike and some it does not move at all.
                    static constexpr float kFrames[] = {0.05f, 0.05f, 0.02f, 0.01f, 0.0f, -0.05f};
                    SimulatorFCV1Storage storage{SimulatorFCV1Factory(kFrames[random.Below(6)])};
                    storage.stones = RandomStones(random);
                    fast.Load(storage);
                    exact.Load(storage);
                }
                break;
            }
            case 1:  // loads without a frame in between
                fast.Load(*saved);
                exact.Load(*saved);
                break;
            default: {
                AllStones const stones = RandomStones(random);
                fast.SetStones(stones);
                exact.SetStones(stones);
                // Run to rest, sometimes stopping early or going on past rest.
                // Frames of zero length or less never bring a sliding stone to rest.
                int const limit = random.Below(4) == 0 ? random.Below(300) : 20000;
                int const beyond = random.Below(4) == 0 ? random.Below(40) : 0;
                int frames = 0;
                for (; frames < limit && !exact.AreAllStonesStopped(); ++frames) {
                    fast.Step();
                    exact.Step();
                    ++steps;
                    EXPECT_EQ(fast.AreAllStonesStopped(), exact.AreAllStonesStopped()) << "frame " << frames;
                    EXPECT_TRUE(SameCollisions(fast.GetCollisions(), exact.GetCollisions())) << "frame " << frames;
                    if (random.Below(16) == 0 || exact.AreAllStonesStopped()) {
                        EXPECT_TRUE(SameBits(fast.GetStones(), exact.GetStones())) << "frame " << frames;
                    }
                    if (Crowded(exact)) {
                        EXPECT_TRUE(SameEngineState(fast, exact)) << "frame " << frames;
                    }
                    if (random.Below(48) == 0) {
                        // A stone taken off the ice between frames, in whatever
                        // way the frames were being taken.
                        std::size_t const slot = random.Below(16);
                        fast.RemoveStone(slot);
                        exact.RemoveStone(slot);
                        ++removals;
                        EXPECT_TRUE(SameBits(fast.GetStones(), exact.GetStones())) << "removal, frame " << frames;
                        EXPECT_FALSE(exact.GetStones()[slot].present);
                    }
                    if (random.Below(128) == 0) {
                        // Turning the shortcut off brings the engine up to date at once.
                        fast.SetEngineShortcuts(false);
                        EXPECT_EQ(fast.LaggingSlots(), 0u) << "frame " << frames;
                        if (Crowded(exact)) {
                            EXPECT_TRUE(SameEngineState(fast, exact)) << "frame " << frames;
                        }
                        fast.SetEngineShortcuts(true);
                    }
                    if (::testing::Test::HasFailure()) return {};
                }
                for (int i = 0; i < beyond; ++i) {
                    fast.Step();
                    exact.Step();
                    ++steps;
                }
                break;
            }
        }
        EXPECT_TRUE(SameBits(fast.GetStones(), exact.GetStones()));
        EXPECT_EQ(fast.AreAllStonesStopped(), exact.AreAllStonesStopped());
        if (Crowded(exact)) {
            EXPECT_TRUE(SameEngineState(fast, exact));
        }
        if (::testing::Test::HasFailure()) return {};
    }
    // Every frame is counted once, by the way it was taken.
    EXPECT_EQ(exact.Frames(FrameMode::kEngine), steps);
    EXPECT_EQ(fast.Frames(FrameMode::kLoneStone) + fast.Frames(FrameMode::kAmongResting) +
                  fast.Frames(FrameMode::kFreeFrame) + fast.Frames(FrameMode::kEngine),
              steps);
    return {fast.Frames(FrameMode::kAmongResting), fast.Frames(FrameMode::kFreeFrame), removals};
}

TEST(EngineShortcutsTest, ShortcutGivesTheEngineResultsBitForBit) {
    // GLIDESTONE_DIFFERENTIAL_SEEDS=N runs seeds 1 to N instead (the long run).
    std::uint32_t seeds = 12;
    if (const char* value = std::getenv("GLIDESTONE_DIFFERENTIAL_SEEDS"))
        seeds = static_cast<std::uint32_t>(std::atoi(value));
    Shortcuts total;
    for (std::uint32_t seed = 1; seed <= seeds; ++seed) {
        Shortcuts const run = Differential(seed, 40);
        total.among_resting += run.among_resting;
        total.free += run.free;
        total.removals += run.removals;
        if (HasFailure()) return;
    }
    // The runs must take both ways round the engine, and often, or they
    // prove nothing about them.
    EXPECT_GT(total.among_resting, 5000u * seeds / 12);
    EXPECT_GT(total.free, 2000u * seeds / 12);
    EXPECT_GT(total.removals, 100u * seeds / 12);
    std::printf("frames outside the engine: %llu among resting stones, %llu free of contact; %llu removals\n",
                static_cast<unsigned long long>(total.among_resting), static_cast<unsigned long long>(total.free),
                static_cast<unsigned long long>(total.removals));
}

// Runs one stone for `frames` frames of `dt` with and without the shortcut.
void ExpectSameLoneRun(const StoneSlot& stone, float dt, int frames) {
    SimulatorFCV1 fast{SimulatorFCV1Factory(dt)};
    SimulatorFCV1 exact{SimulatorFCV1Factory(dt)};
    exact.SetEngineShortcuts(false);
    AllStones stones{};
    stones[0] = stone;
    fast.SetStones(stones);
    exact.SetStones(stones);
    for (int i = 0; i < frames; ++i) {
        fast.Step();
        exact.Step();
        ASSERT_TRUE(SameBits(fast.GetStones(), exact.GetStones())) << "dt " << dt << " frame " << i;
    }
}

TEST(EngineShortcutsTest, SleepTimerRestartsWheneverTheIceSetsMotion) {
    // With short frames a slow stone has frames below the engine's sleep
    // tolerance in which the ice still sets a (tiny) velocity, which restarts
    // the engine's sleep timer even though the body is awake.
    ExpectSameLoneRun(MakeStone(0.0f, 0.0f, 0.0f, 0.0191321243f), 0.02f, 200);
    ExpectSameLoneRun(MakeStone(0.0f, 0.0f, 0.0f, 0.012f, 0.03f), 0.01f, 200);
}

TEST(EngineShortcutsTest, FramesOfZeroLengthOrLessMoveNothing) {
    ExpectSameLoneRun(MakeStone(0.0f, 0.0f, 0.1f, 2.3f, 1.57f), -0.05f, 5);
    ExpectSameLoneRun(MakeStone(0.0f, 0.0f, 0.1f, 2.3f, 1.57f), 0.0f, 5);
}

TEST(EngineShortcutsTest, LoneDrawsThenATakeoutMatchTheEngine) {
    SimulatorFCV1 fast{SimulatorFCV1Factory(0.05f)};
    SimulatorFCV1 exact{SimulatorFCV1Factory(0.05f)};
    exact.SetEngineShortcuts(false);
    auto run = [&](const AllStones& stones) {
        fast.SetStones(stones);
        exact.SetStones(stones);
        while (!exact.AreAllStonesStopped()) {
            fast.Step();
            exact.Step();
        }
        ASSERT_TRUE(fast.AreAllStonesStopped());
        ASSERT_TRUE(SameBits(fast.GetStones(), exact.GetStones()));
        if (Crowded(exact)) {
            ASSERT_TRUE(SameEngineState(fast, exact));
        }
    };
    AllStones draw{};
    draw[15] = MakeStone(0.0f, 0.0f, 0.1242f, 2.2989f, 1.57f);
    AllStones takeout{};
    for (int i = 0; i < 15; ++i) takeout[i] = MakeStone(-1.4f + 0.2f * i, 34.0f + 0.3f * (i % 5));
    takeout[15] = MakeStone(0.0f, 0.0f, 0.0569f, 3.7006f, 1.57f);
    for (int round = 0; round < 3; ++round) {
        run(draw);
        run(draw);
        run(takeout);
        draw[15].angular_velocity = -draw[15].angular_velocity;
    }
    // The knocked stones slide out alone among resting ones; before that,
    // most frames of the takeout have no stone touching another.
    EXPECT_GT(fast.Frames(FrameMode::kAmongResting), 0u);
    EXPECT_GT(fast.Frames(FrameMode::kFreeFrame), 300u);
    std::printf("takeouts: %llu frames among resting stones, %llu free of contact\n",
                static_cast<unsigned long long>(fast.Frames(FrameMode::kAmongResting)),
                static_cast<unsigned long long>(fast.Frames(FrameMode::kFreeFrame)));
}

// Whether a contact touches whose stones both have their sleep timers
// running.
bool TouchWithTimersRunning(const SimulatorFCV1& simulator) {
    for (const b2Contact* c = simulator.GetWorld().GetContactList(); c != nullptr; c = c->GetNext()) {
        if (c->IsTouching() && engine_access::SleepTime(*c->GetFixtureA()->GetBody()) > 0.0f &&
            engine_access::SleepTime(*c->GetFixtureB()->GetBody()) > 0.0f)
            return true;
    }
    return false;
}

TEST(EngineShortcutsTest, SleepTimersRestartWhenATouchEndsInAFrameFreeOfContact) {
    // Gentle hits after which both stones move below the engine's sleep
    // tolerance while they still touch, so their timers run; the touch then
    // ends in a frame taken outside the engine, whose update of the contact
    // wakes both stones and so restarts the timers. The long differential
    // run meets this only now and then.
    struct Hit {
        float speed;   // of the thrown stone, 5 cm short of the struck one
        float offset;  // of the struck stone, across the line
    };
    int ended = 0;
    for (Hit const hit : {Hit{0.08f, 0.05f}, Hit{0.0775f, 0.06f}, Hit{0.095f, 0.08f}, Hit{0.105f, 0.1f}}) {
        SCOPED_TRACE(::testing::Message() << "speed " << hit.speed << " offset " << hit.offset);
        SimulatorFCV1 fast{SimulatorFCV1Factory(0.05f)};
        SimulatorFCV1 exact{SimulatorFCV1Factory(0.05f)};
        exact.SetEngineShortcuts(false);
        AllStones stones{};
        stones[0] = MakeStone(0.0f, 35.0f, 0.0f, hit.speed);
        stones[1] = MakeStone(hit.offset, 35.0f + 0.29f + hit.speed * 0.06f);
        fast.SetStones(stones);
        exact.SetStones(stones);
        for (int frame = 0; frame < 200 && !exact.AreAllStonesStopped(); ++frame) {
            bool const timers_running = TouchWithTimersRunning(exact);
            std::uint64_t const free_frames = fast.Frames(FrameMode::kFreeFrame);
            fast.Step();
            exact.Step();
            ASSERT_TRUE(SameBits(fast.GetStones(), exact.GetStones())) << "frame " << frame;
            ASSERT_TRUE(SameEngineState(fast, exact)) << "frame " << frame;
            if (timers_running && fast.Frames(FrameMode::kFreeFrame) > free_frames) ++ended;
        }
        EXPECT_TRUE(exact.AreAllStonesStopped());
        EXPECT_TRUE(fast.AreAllStonesStopped());
    }
    // Every hit ends its touch in such a frame, or proves nothing.
    EXPECT_EQ(ended, 4);
}

}  // namespace
}  // namespace glidestone::simulators
