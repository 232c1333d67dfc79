// One fixture per rule. Each throw was found by a search over releases or
// targets for the situation named, and is pinned here with what it did.
#include "game/delivery.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game/sheet_rules.h"

namespace glidestone {
namespace {

struct Played {
    DeliveryOutcome outcome;
    ShotResult unrefereed;  // the same throw without the rules in flight
};

Played Deliver(const Rules& rules, std::vector<StoneInPlay> before, int delivery, int team, int stone,
               const Action& action) {
    DeliveryContext ctx{&rules, delivery, team, stone, before};
    ShotPlayer player;
    Played played{PlayDelivery(player, ctx, action), {}};
    if (const Release* release = std::get_if<Release>(&action)) {
        AllStones slots{};
        for (std::size_t i = 0; i < before.size(); ++i) {
            slots[i].position = before[i].position;
            slots[i].present = true;
        }
        played.unrefereed = ShotPlayer().Throw(slots, release->velocity, release->angular_velocity);
    }
    return played;
}

std::vector<RuleEvent> Events(std::initializer_list<RuleEvent> events) {
    return events;
}

const StoneInPlay* Find(const std::vector<StoneInPlay>& stones, int number) {
    for (const StoneInPlay& stone : stones)
        if (stone.number == number) return &stone;
    return nullptr;
}

Shot PassAt(float x, float y) {
    Shot shot;
    shot.target = {x, y};
    shot.pass = true;
    shot.spin = 1.0;
    return shot;
}

TEST(DeliveryTest, StoneShortOfTheHogLineIsRemoved) {
    Played const p = Deliver(Rules{}, {}, 1, 0, 0, Release{{0.0f, 2.0f}, 1.57f});
    EXPECT_EQ(p.outcome.events, Events({{0, Rule::kHog}}));
    EXPECT_TRUE(p.outcome.after.empty());
    EXPECT_EQ(p.outcome.frames, 463);
    EXPECT_FALSE(sheet_rules::WhollyBeyondHogLine(p.unrefereed.stones[kShotSlot].position));
}

TEST(DeliveryTest, StoneShortOfTheHogLineAfterTouchingAStoneStays) {
    // Straight, without spin, into a stone lying short: it stops dead at the
    // hit and hands its speed on.
    Played const p = Deliver(Rules{}, {{8, 1, {0.0f, 25.0f}}}, 2, 0, 0, Release{{0.0f, 2.2f}, 0.0f});
    EXPECT_TRUE(p.outcome.events.empty());
    const StoneInPlay* delivered = Find(p.outcome.after, 0);
    ASSERT_NE(delivered, nullptr);
    EXPECT_FALSE(sheet_rules::WhollyBeyondHogLine(delivered->position));
    EXPECT_NEAR(delivered->position.y, 24.7118f, 1e-3f);
    ASSERT_NE(Find(p.outcome.after, 8), nullptr);
    EXPECT_NEAR(Find(p.outcome.after, 8)->position.y, 31.9821f, 1e-3f);
}

TEST(DeliveryTest, StoneWhollyOverTheBackLineLeavesInFlight) {
    Played const p = Deliver(Rules{}, {}, 1, 0, 0, Release{{0.0f, 4.0f}, 1.57f});
    EXPECT_EQ(p.outcome.events, Events({{0, Rule::kBack}}));
    EXPECT_TRUE(p.outcome.after.empty());
    // It leaves the frame it is wholly over, long before it would stop.
    EXPECT_EQ(p.outcome.frames, 223);
    EXPECT_GT(p.unrefereed.frames, p.outcome.frames);
    EXPECT_GT(p.unrefereed.stones[kShotSlot].position.y, 41.0f);
}

TEST(DeliveryTest, StoneThatTouchesASideLineTakesNoFurtherPart) {
    // Delivery 6: no free guard zone. Without the rule the stone would go on
    // past the side line and strike the stone lying by it.
    Played const p = Deliver(Rules{}, {{8, 1, {2.1f, 37.0f}}}, 6, 0, 2, Release{{0.256000012f, 2.6f}, 1.57f});
    EXPECT_EQ(p.outcome.events, Events({{2, Rule::kSide}}));
    ASSERT_EQ(p.outcome.after.size(), 1u);
    EXPECT_EQ(p.outcome.after[0], (StoneInPlay{8, 1, {2.1f, 37.0f}}));
    EXPECT_EQ(p.outcome.frames, 357);
    EXPECT_NE(p.unrefereed.stones[0].position.x, 2.1f);
}

TEST(DeliveryTest, TakingOutAnOpponentsGuardEarlyPutsEveryStoneBack) {
    std::vector<StoneInPlay> const before = {{0, 0, {0.5f, 38.0f}}, {8, 1, {0.0f, 34.0f}}};
    Played const p = Deliver(Rules{}, before, 3, 0, 1, PassAt(0.0f, 34.0f));
    EXPECT_EQ(p.outcome.events, Events({{1, Rule::kFreeGuardZone}}));
    EXPECT_EQ(p.outcome.after, before);

    // The same throw without the rule: the guard goes out over the back line.
    Rules off;
    off.free_guard_zone_stones = 0;
    Played const free = Deliver(off, before, 3, 0, 1, PassAt(0.0f, 34.0f));
    EXPECT_EQ(free.outcome.events, Events({{8, Rule::kBack}}));
    EXPECT_EQ(Find(free.outcome.after, 8), nullptr);
    EXPECT_NE(Find(free.outcome.after, 1), nullptr);
}

TEST(DeliveryTest, StoneOutInFlightAfterTakingOutAGuardKeepsBothRulings) {
    // The delivered stone knocks the guard over the side line, then leaves
    // over it too: the guard's removal is undone, the delivered stone keeps
    // its own ruling and draws the violation's.
    std::vector<StoneInPlay> const before = {{8, 1, {2.0f, 37.0f}}};
    Played const p = Deliver(Rules{}, before, 2, 0, 0, Release{{0.25000006f, 2.6f}, 1.57f});
    EXPECT_EQ(p.outcome.events, Events({{0, Rule::kSide}, {0, Rule::kFreeGuardZone}}));
    EXPECT_EQ(p.outcome.after, before);
}

TEST(DeliveryTest, SameTakeoutAsTheSixthDeliveryIsAllowed) {
    std::vector<StoneInPlay> const before = {{0, 0, {0.5f, 38.0f}}, {8, 1, {0.0f, 34.0f}}};
    Played const p = Deliver(Rules{}, before, 6, 0, 1, PassAt(0.0f, 34.0f));
    EXPECT_EQ(p.outcome.events, Events({{8, Rule::kBack}}));
    EXPECT_EQ(Find(p.outcome.after, 8), nullptr);
    EXPECT_NE(Find(p.outcome.after, 1), nullptr);
    // The fifth delivery is the last the zone protects.
    EXPECT_EQ(Deliver(Rules{}, before, 5, 0, 1, PassAt(0.0f, 34.0f)).outcome.events,
              Events({{1, Rule::kFreeGuardZone}}));
}

TEST(DeliveryTest, TakingOutOnesOwnGuardIsAllowed) {
    std::vector<StoneInPlay> const before = {{0, 0, {0.0f, 34.0f}}, {8, 1, {0.5f, 38.0f}}};
    Played const p = Deliver(Rules{}, before, 3, 0, 1, PassAt(0.0f, 34.0f));
    EXPECT_EQ(p.outcome.events, Events({{0, Rule::kBack}}));
    EXPECT_EQ(Find(p.outcome.after, 0), nullptr);
}

TEST(DeliveryTest, MovingAGuardOffTheCentreLineEarlyIsANoTick) {
    std::vector<StoneInPlay> const before = {{8, 1, {0.1f, 34.0f}}};
    Release const tick{{0.09f, 2.4f}, 1.57f};
    Played const p = Deliver(Rules{}, before, 2, 0, 0, tick);
    EXPECT_EQ(p.outcome.events, Events({{0, Rule::kNoTick}}));
    EXPECT_EQ(p.outcome.after, before);

    // Without the rule the guard stays in play, off the centre line.
    Rules off;
    off.no_tick = false;
    Played const ticked = Deliver(off, before, 2, 0, 0, tick);
    EXPECT_TRUE(ticked.outcome.events.empty());
    const StoneInPlay* guard = Find(ticked.outcome.after, 8);
    ASSERT_NE(guard, nullptr);
    EXPECT_FALSE(sheet_rules::TouchesCentreLine(guard->position));
    EXPECT_TRUE(sheet_rules::InFreeGuardZone(guard->position));
}

TEST(DeliveryTest, ActionsOutOfRangeAreRefused) {
    Rules const rules;
    auto refuses = [&](const Action& action) {
        DeliveryContext ctx{&rules, 1, 0, 0, {}};
        ShotPlayer player;
        EXPECT_THROW(PlayDelivery(player, ctx, action), std::invalid_argument);
    };
    refuses(Release{{NAN, 2.0f}, 0.0f});
    refuses(Release{{0.0f, 2.0f}, INFINITY});
    refuses(Release{{0.0f, 101.0f}, 0.0f});
    refuses(Release{{0.0f, 2.0f}, -101.0f});
    Shot behind;
    behind.target = {0.0f, -5.0f};
    refuses(behind);
    Shot far;
    far.target = {0.0f, 2e36f};
    refuses(far);
    Shot spin;
    spin.target = {0.0f, 38.0f};
    spin.spin = 1e300;
    refuses(spin);
}

TEST(DeliveryTest, TargetOutOfThePlannersRangeStaysAtTheReleaseAndIsRemoved) {
    Shot near;
    near.target = {0.0f, 10.0f};
    Played const p = Deliver(Rules{}, {}, 1, 0, 0, near);
    EXPECT_FALSE(std::isfinite(p.outcome.release_velocity.y));
    EXPECT_EQ(p.outcome.events, Events({{0, Rule::kHog}}));
}

}  // namespace
}  // namespace glidestone
