#include "game/game.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>
#include <vector>

#include "game/random_shot.h"
#include "game/record.h"

namespace glidestone {
namespace {

// A stone that stops short of the hog line: removed, scores nothing.
Release const kThrowAway{{0.0f, 2.0f}, 1.57f};

Shot DrawToTheButton() {
    Shot shot;
    shot.target = {0.0f, 38.405f};
    shot.spin = 1.0;
    return shot;
}

Rules OneStoneEnds(int ends) {
    Rules rules;
    rules.ends = ends;
    rules.stones_per_team = 1;
    rules.free_guard_zone_stones = 0;
    return rules;
}

TEST(GameTest, TeamWithoutTheHammerDeliversFirstAndTheTeamsAlternate) {
    Game game;
    EXPECT_EQ(game.state().hammer, 1);
    std::vector<int> teams, stones;
    for (int i = 0; i < 4; ++i) {
        teams.push_back(game.state().team);
        stones.push_back(game.state().NextStone());
        DeliveryOutcome const outcome = game.Play(kThrowAway);
        EXPECT_EQ(outcome.delivery, i + 1);
        EXPECT_EQ(outcome.end, 1);
    }
    EXPECT_EQ(teams, (std::vector<int>{0, 1, 0, 1}));
    EXPECT_EQ(stones, (std::vector<int>{0, 8, 1, 9}));

    Rules rules;
    rules.first_hammer = 0;
    EXPECT_EQ(Game(rules).state().team, 1);
}

TEST(GameTest, TeamThatScoresGivesUpTheHammerAndABlankEndKeepsIt) {
    Game game(OneStoneEnds(2));
    // End 1: team 0 throws away, team 1 (the hammer) draws to the button.
    game.Play(kThrowAway);
    DeliveryOutcome const scored = game.Play(DrawToTheButton());
    ASSERT_TRUE(scored.end_score);
    EXPECT_EQ(*scored.end_score, (std::array<int, 2>{0, 1}));
    EXPECT_EQ(game.state().hammer, 0);
    EXPECT_EQ(game.state().team, 1);
    EXPECT_EQ(game.state().end, 2);
    EXPECT_TRUE(game.state().stones.empty());
    // End 2: both throw away, a blank end; team 0 keeps the hammer.
    game.Play(kThrowAway);
    DeliveryOutcome const blank = game.Play(kThrowAway);
    EXPECT_EQ(*blank.end_score, (std::array<int, 2>{0, 0}));
    EXPECT_EQ(game.state().hammer, 0);
    EXPECT_TRUE(game.finished());
    EXPECT_EQ(game.state().winner, 1);
    EXPECT_EQ(game.state().totals, (std::array<int, 2>{0, 1}));
    EXPECT_THROW(game.Play(kThrowAway), std::logic_error);
    EXPECT_EQ(game.record().back(), R"({"result":{"totals":[0,1],"winner":1}})");
    EXPECT_EQ(game.record()[game.record().size() - 2], R"({"end":2,"score":[0,0],"hammer":0,"totals":[0,1]})");
}

TEST(GameTest, TiedTotalsBringAnExtraEnd) {
    Game game(OneStoneEnds(1));
    game.Play(kThrowAway);
    game.Play(kThrowAway);
    EXPECT_FALSE(game.finished());
    EXPECT_EQ(game.state().end, 2);
    // The blank end kept team 1's hammer: team 0 delivers first, and scores.
    EXPECT_EQ(game.state().team, 0);
    game.Play(DrawToTheButton());
    game.Play(kThrowAway);
    EXPECT_TRUE(game.finished());
    EXPECT_EQ(game.state().winner, 0);
    EXPECT_EQ(game.state().end_scores.size(), 2u);
}

TEST(GameTest, ExtraEndsEndInADrawAtTheirCap) {
    Rules rules = OneStoneEnds(1);
    rules.max_extra_ends = 2;
    Game game(rules);
    int deliveries = 0;
    while (!game.finished()) {
        game.Play(kThrowAway);
        ++deliveries;
    }
    EXPECT_EQ(deliveries, 6);  // the end in regulation and two extra ones
    EXPECT_FALSE(game.state().winner);
    EXPECT_EQ(game.record().back(), R"({"result":{"totals":[0,0],"winner":null}})");

    rules.extra_ends = false;
    Game no_extra(rules);
    no_extra.Play(kThrowAway);
    no_extra.Play(kThrowAway);
    EXPECT_TRUE(no_extra.finished());
    EXPECT_FALSE(no_extra.state().winner);
}

TEST(GameTest, RulesOutOfRangeAreRefused) {
    auto refused = [](auto change) {
        Rules rules;
        change(rules);
        EXPECT_THROW(Game{rules}, std::invalid_argument);
    };
    refused([](Rules& r) { r.ends = 0; });
    refused([](Rules& r) { r.stones_per_team = 9; });
    refused([](Rules& r) { r.free_guard_zone_stones = 17; });
    refused([](Rules& r) { r.first_hammer = 2; });
    refused([](Rules& r) { r.max_extra_ends = -1; });
    refused([](Rules& r) { r.sigma_speed = -0.1; });
    refused([](Rules& r) { r.sigma_angle = NAN; });
}

// A game of random shots under noise, the shots drawn from their own stream.
Game RandomGame(std::uint64_t number, const Rules& rules) {
    Game game(rules, 2026, number);
    SplitMix64 shots = SplitMix64::Stream(7, number);
    while (!game.finished()) game.Play(RandomShot(shots));
    return game;
}

Rules Noisy() {
    Rules rules;
    rules.sigma_speed = 0.02;
    rules.sigma_angle = 0.002;
    return rules;
}

TEST(GameTest, TenEndGameOfRandomShotsUnderNoiseReplaysBitForBit) {
    Game const game = RandomGame(0, Noisy());
    ASSERT_TRUE(game.finished());
    EXPECT_GE(game.state().end_scores.size(), 10u);
    EXPECT_GE(game.deliveries(), 160u);
    Game const again = ReplayGame(game.record());
    EXPECT_EQ(again.record(), game.record());
    EXPECT_EQ(again.state(), game.state());
}

TEST(GameTest, GamesAreTheSameOnOneAndTwoThreads) {
    constexpr int kGames = 64;
    std::vector<std::vector<std::string>> one(kGames), two(kGames);
    for (int g = 0; g < kGames; ++g)
        one[static_cast<std::size_t>(g)] = RandomGame(static_cast<std::uint64_t>(g), Noisy()).record();
    // Two threads, each taking games in turn, so that each thread's
    // simulators see games in another order than the single thread's.
    std::vector<std::thread> threads;
    for (int t = 0; t < 2; ++t)
        threads.emplace_back([&, t] {
            for (int g = kGames - 1 - t; g >= 0; g -= 2)
                two[static_cast<std::size_t>(g)] = RandomGame(static_cast<std::uint64_t>(g), Noisy()).record();
        });
    for (std::thread& thread : threads) thread.join();
    for (int g = 0; g < kGames; ++g)
        EXPECT_EQ(one[static_cast<std::size_t>(g)], two[static_cast<std::size_t>(g)]) << "game " << g;
    // And the noise really differs between games.
    EXPECT_NE(one[0][1], one[1][1]);
}

TEST(GameTest, NoiseDependsOnSeedGameAndDeliveryOnly) {
    Rules const rules = Noisy();
    Shot const shot = DrawToTheButton();
    Game a(rules, 5, 3), b(rules, 5, 3), c(rules, 5, 4), d(rules, 6, 3);
    DeliveryOutcome const first = a.Play(shot);
    EXPECT_EQ(b.Play(shot).release_velocity.x, first.release_velocity.x);
    EXPECT_NE(c.Play(shot).release_velocity.x, first.release_velocity.x);
    EXPECT_NE(d.Play(shot).release_velocity.x, first.release_velocity.x);
    // Delivery 2 of the game meets delivery 2's error whatever came first.
    Game e(rules, 5, 3);
    e.Play(kThrowAway);
    EXPECT_EQ(e.Play(shot).release_velocity.x, a.Play(shot).release_velocity.x);
    EXPECT_EQ(GameNoiseSeed(5, 3), SplitMix64::Mix(SplitMix64::Mix(5) + 3));
}

}  // namespace
}  // namespace glidestone
