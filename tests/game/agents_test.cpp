#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <stdexcept>
#include <vector>

#include "game/agent.h"
#include "game/agent_match.h"
#include "game/delivery.h"
#include "game/record.h"
#include "game/sheet_rules.h"
#include "research/end_score.h"
#include "shot/sheet.h"

namespace glidestone {
namespace {

constexpr float kTeeY = sheet::kTee.y;

Rules NoisyRules() {
    Rules rules;
    rules.sigma_speed = 0.02;
    rules.sigma_angle = 0.002;
    return rules;
}

// Team `team` to deliver `delivery` of the end with `stones` in play (team 1
// holds the hammer).
GameState Position(int team, int delivery, std::vector<StoneInPlay> stones) {
    GameState state;
    state.team = team;
    state.delivery = delivery;
    state.hammer = 1;
    state.stones = std::move(stones);
    return state;
}

// The delivery thrown without noise, as a game would throw it.
DeliveryOutcome Throw(const Rules& rules, const GameState& state, const Action& action) {
    DeliveryContext const ctx = NextDelivery(rules, state);
    ShotPlayer player;
    return PlayDelivery(player, ctx, action);
}

const StoneInPlay* Find(const std::vector<StoneInPlay>& stones, int number) {
    for (const StoneInPlay& stone : stones)
        if (stone.number == number) return &stone;
    return nullptr;
}

double FromTee(Vector2 p) {
    return std::hypot(static_cast<double>(p.x), static_cast<double>(p.y) - kTeeY);
}

TEST(AgentsTest, RandomAgentDrawsDependOnlyOnSeedGameAndDelivery) {
    Rules const rules;
    GameState const state;
    auto shot_for = [&](RandomAgent& agent, std::uint64_t game, std::uint64_t delivery) {
        return std::get<Shot>(agent.Act(AgentView{&rules, &state, game, delivery}));
    };
    RandomAgent forward(7), backward(7), other(8);
    std::vector<Shot> first, second;
    for (std::uint64_t d = 1; d <= 6; ++d) first.push_back(shot_for(forward, 3, d));
    for (std::uint64_t d = 6; d >= 1; --d) second.insert(second.begin(), shot_for(backward, 3, d));
    int differs_by_seed = 0;
    for (std::size_t i = 0; i < first.size(); ++i) {
        EXPECT_EQ(first[i].target.x, second[i].target.x);
        EXPECT_EQ(first[i].target.y, second[i].target.y);
        EXPECT_EQ(first[i].pass, second[i].pass);
        EXPECT_EQ(first[i].spin, second[i].spin);
        EXPECT_GE(first[i].target.x, -2.0f);
        EXPECT_LE(first[i].target.x, 2.0f);
        EXPECT_GE(first[i].target.y, 35.0f);
        EXPECT_LE(first[i].target.y, 41.5f);
        if (shot_for(other, 3, i + 1).target.x != first[i].target.x) ++differs_by_seed;
    }
    EXPECT_GT(differs_by_seed, 0);
    EXPECT_NE(shot_for(forward, 3, 1).target.x, shot_for(forward, 4, 1).target.x);
}

TEST(AgentsTest, HeuristicDrawsToTheButtonOnAnEmptyHouse) {
    Rules const rules;
    GameState const state = Position(0, 1, {});
    Shot const shot = HeuristicAgent::Choose(rules, state);
    EXPECT_FALSE(shot.pass);
    EXPECT_EQ(shot.target.x, sheet::kTee.x);
    EXPECT_EQ(shot.target.y, sheet::kTee.y);
    DeliveryOutcome const played = Throw(rules, state, shot);
    ASSERT_EQ(played.after.size(), 1u);
    EXPECT_LT(FromTee(played.after[0].position), 0.3);
}

TEST(AgentsTest, HeuristicTakesOutTheOpponentsShotStoneInTheHouse) {
    Rules const rules;
    // Team 1's stone 8 lies shot on the four-foot; team 0's stone 0 is
    // farther out, in the house.
    GameState const state = Position(0, 3, {{0, 0, {-1.2f, 37.6f}}, {8, 1, {0.3f, 38.1f}}});
    Shot const shot = HeuristicAgent::Choose(rules, state);
    EXPECT_TRUE(shot.pass);
    EXPECT_EQ(shot.target.x, 0.3f);
    EXPECT_EQ(shot.target.y, 38.1f);

    DeliveryOutcome const played = Throw(rules, state, shot);
    const StoneInPlay* hit = Find(played.after, 8);
    // Out of play, or moved well away from where it lay.
    if (hit != nullptr) {
        EXPECT_GT(FromTee(hit->position), FromTee({0.3f, 38.1f}) + 0.5);
    }
    std::optional<ShotStone> const now = FindShotStone(played.after);
    EXPECT_TRUE(!now || now->team == 0);

    // An opponent's stone outside the house is not its shot stone: no hit.
    GameState const guard_only = Position(0, 3, {{8, 1, {0.0f, 35.0f}}});
    EXPECT_FALSE(HeuristicAgent::Choose(rules, guard_only).pass);
}

TEST(AgentsTest, HeuristicGuardsItsShotStoneEarlyAndNotLate) {
    Rules const rules;
    std::vector<StoneInPlay> const stones = {{0, 0, {0.2f, 38.3f}}, {8, 1, {1.4f, 39.4f}}};
    GameState const early = Position(0, 3, stones);
    Shot const guard = HeuristicAgent::Choose(rules, early);
    EXPECT_FALSE(guard.pass);
    EXPECT_EQ(guard.target.x, 0.2f);
    EXPECT_LT(guard.target.y, kTeeY - sheet::kHouseRadius - sheet::kStoneRadius);

    DeliveryOutcome const played = Throw(rules, early, guard);
    const StoneInPlay* placed = Find(played.after, early.NextStone());
    ASSERT_NE(placed, nullptr);
    EXPECT_TRUE(sheet_rules::InFreeGuardZone(placed->position));
    EXPECT_LT(std::fabs(placed->position.x - 0.2f), 0.4f);
    // The guarded stone is untouched.
    ASSERT_NE(Find(played.after, 0), nullptr);
    EXPECT_EQ(Find(played.after, 0)->position.x, 0.2f);
    EXPECT_EQ(Find(played.after, 0)->position.y, 38.3f);

    // Past the first half of the end it draws instead.
    GameState const late = Position(0, 11, stones);
    Shot const draw = HeuristicAgent::Choose(rules, late);
    EXPECT_FALSE(draw.pass);
    EXPECT_EQ(draw.target.y, kTeeY);
}

TEST(AgentsTest, HeuristicLastStoneHitsOnTheFourFootAndDrawsPastIt) {
    Rules const rules;
    GameState const close = Position(1, 16, {{0, 0, {0.1f, 38.2f}}});
    EXPECT_TRUE(HeuristicAgent::Choose(rules, close).pass);
    GameState const far = Position(1, 16, {{0, 0, {1.0f, 39.0f}}});
    Shot const draw = HeuristicAgent::Choose(rules, far);
    EXPECT_FALSE(draw.pass);
    EXPECT_EQ(draw.target.y, kTeeY);
    // Lying shot already: draw for another point rather than guard.
    GameState const ours = Position(1, 16, {{8, 1, {0.5f, 38.6f}}});
    EXPECT_EQ(HeuristicAgent::Choose(rules, ours).target.y, kTeeY);
}

// A middle-of-the-end position from a noisy game of heuristic deliveries.
Game MidEnd(const Rules& rules) {
    Game game(rules, 11, 2);
    HeuristicAgent heuristic;
    for (int i = 0; i < 5; ++i) game.Play(heuristic.Act(game));
    return game;
}

TEST(AgentsTest, MonteCarloIsTheSameOnOneAndTwoThreadsAndFollowsItsSeed) {
    Rules const rules = NoisyRules();
    Game const game = MidEnd(rules);
    MonteCarloSettings settings;
    settings.candidates = 6;
    settings.samples = 4;
    settings.threads = 1;
    MonteCarloMove const one = MonteCarloAgent(settings, 5).Decide(AgentView::Of(game));
    settings.threads = 2;
    MonteCarloMove const two = MonteCarloAgent(settings, 5).Decide(AgentView::Of(game));
    MonteCarloMove const reseeded = MonteCarloAgent(settings, 6).Decide(AgentView::Of(game));
    ASSERT_EQ(one.candidates.size(), 6u);
    ASSERT_EQ(two.candidates.size(), 6u);
    int differs = 0;
    for (std::size_t i = 0; i < one.candidates.size(); ++i) {
        EXPECT_EQ(one.candidates[i].value, two.candidates[i].value) << i;
        if (one.candidates[i].value != reseeded.candidates[i].value) ++differs;
    }
    EXPECT_EQ(one.chosen, two.chosen);
    EXPECT_GT(differs, 0);
    // The heuristic's choice comes first.
    Shot const heuristic = HeuristicAgent::Choose(rules, game.state());
    EXPECT_EQ(one.candidates[0].shot.target.x, heuristic.target.x);
    EXPECT_EQ(one.candidates[0].shot.pass, heuristic.pass);
    // The best candidate, the first of equals.
    for (std::size_t i = 0; i < one.candidates.size(); ++i) {
        if (i < one.chosen) {
            EXPECT_LT(one.candidates[i].value, one.candidates[one.chosen].value);
        }
        EXPECT_LE(one.candidates[i].value, one.candidates[one.chosen].value);
    }
}

TEST(AgentsTest, MonteCarloValuesAreTheGamesOwnDeliveriesUnderItsDraws) {
    // Without rollout a candidate's value is the mean score, for the acting
    // team, of the game's delivery of that shot under the agent's errors:
    // the planned-once throws are the shot as a game plays it.
    Rules rules = NoisyRules();
    Game const game = MidEnd(rules);
    MonteCarloSettings settings;
    settings.candidates = 5;
    settings.samples = 3;
    settings.rollout = 0;
    MonteCarloAgent const agent(settings, 21);
    AgentView const view = AgentView::Of(game);
    MonteCarloMove const move = agent.Decide(view);
    const GameState& state = game.state();
    std::uint64_t const seed = AgentDrawSeed(21, game.number(), view.delivery);
    for (const CandidateValue& candidate : move.candidates) {
        double sum = 0.0;
        for (std::uint64_t n = 1; n <= 3; ++n) {
            DeliveryContext const ctx = NextDelivery(rules, state);
            ShotPlayer player;
            DeliveryOutcome const outcome =
                PlayDelivery(player, ctx, candidate.shot, DrawReleasePerturbation(rules.Noise(), seed, n));
            int const score = ScoreStones(outcome.after).Signed();
            sum += state.team == 0 ? score : -score;
        }
        EXPECT_EQ(candidate.value, sum / 3.0);
    }
}

TEST(AgentsTest, MonteCarloPlaysTheLastStoneForTheWinInTheLastEnd) {
    // Last end, last stone, team 1 one down with an opponent's stone on the
    // button: a value in win chances prefers what wins, and whatever it
    // chooses is among the candidates with the best chance.
    Rules rules = NoisyRules();
    rules.ends = 1;
    GameState state = Position(1, 16, {{0, 0, {0.05f, 38.35f}}, {8, 1, {1.6f, 38.9f}}});
    MonteCarloSettings settings;
    settings.candidates = 8;
    settings.samples = 8;
    MonteCarloMove const move = MonteCarloAgent(settings, 3).Decide(AgentView{&rules, &state, 0, 16});
    for (const CandidateValue& candidate : move.candidates) {
        EXPECT_GE(candidate.value, -0.01);  // a win probability, with a thousandth of a point
        EXPECT_LE(candidate.value, 1.01);
    }
    EXPECT_TRUE(move.shot.pass);  // only a hit can save it
}

TEST(AgentsTest, AgentConfigsNameTheAgentAndItsSettings) {
    AgentConfig const config = ParseAgentConfig("montecarlo:candidates=32,samples=64,rollout=2,threads=3");
    EXPECT_EQ(config.kind, "montecarlo");
    EXPECT_EQ(config.monte_carlo.candidates, 32);
    EXPECT_EQ(config.monte_carlo.samples, 64);
    EXPECT_EQ(config.monte_carlo.rollout, 2);
    EXPECT_EQ(config.monte_carlo.threads, 3);
    EXPECT_EQ(MakeAgent(config, 0)->Name(), "montecarlo");
    EXPECT_EQ(MakeAgent(ParseAgentConfig("random"), 0)->Name(), "random");
    EXPECT_EQ(MakeAgent(ParseAgentConfig("heuristic"), 0)->Name(), "heuristic");
    EXPECT_THROW(ParseAgentConfig("expert"), std::invalid_argument);
    EXPECT_THROW(ParseAgentConfig("random:samples=3"), std::invalid_argument);
    EXPECT_THROW(ParseAgentConfig("montecarlo:samples=0"), std::invalid_argument);
    EXPECT_THROW(ParseAgentConfig("montecarlo:samples"), std::invalid_argument);
    EXPECT_THROW(ParseAgentConfig("montecarlo:depth=3"), std::invalid_argument);
    EXPECT_THROW(ParseAgentConfig("montecarlo:samples=-1"), std::invalid_argument);
}

TEST(AgentsTest, WilsonIntervalAndElo) {
    Interval const interval = WilsonInterval(8, 10);
    EXPECT_NEAR(interval.low, 0.4902, 1e-4);
    EXPECT_NEAR(interval.high, 0.9433, 1e-4);
    Interval const none = WilsonInterval(0, 10);
    EXPECT_EQ(none.low, 0.0);
    EXPECT_NEAR(none.high, 0.2775, 1e-4);
    EXPECT_EQ(WilsonInterval(400, 400).high, 1.0);  // no finite Elo bound above
    EXPECT_NEAR(EloDifference(0.75), 190.849, 1e-3);
    EXPECT_EQ(EloDifference(0.5), 0.0);
    EXPECT_TRUE(std::isinf(EloDifference(1.0)));
}

MatchOptions SmallMatch(int threads) {
    MatchOptions options;
    options.rules = NoisyRules();
    options.rules.ends = 1;
    options.games = 4;
    options.seed = 3;
    options.threads = threads;
    options.keep_records = true;
    return options;
}

TEST(AgentsTest, MatchIsTheSameOnOneAndTwoThreadsAndItsRecordsReplay) {
    AgentConfig const a = ParseAgentConfig("random");
    AgentConfig const b = ParseAgentConfig("heuristic");
    std::vector<GameResult> const one = RunMatch(a, b, SmallMatch(1));
    std::vector<GameResult> const two = RunMatch(a, b, SmallMatch(2));
    ASSERT_EQ(one.size(), 4u);
    ASSERT_EQ(two.size(), 4u);
    for (std::size_t g = 0; g < one.size(); ++g) {
        EXPECT_TRUE(one[g].finished);
        EXPECT_EQ(one[g].number, g);
        EXPECT_EQ(one[g].first_hammer, g % 2 == 0 ? 1 : 0);
        EXPECT_EQ(one[g].totals, two[g].totals);
        EXPECT_EQ(one[g].winner, two[g].winner);
        EXPECT_EQ(one[g].record, two[g].record);
        EXPECT_EQ(one[g].moves[0] + one[g].moves[1], one[g].deliveries);

        Game const replayed = ReplayGame(one[g].record);
        EXPECT_TRUE(replayed.finished());
        EXPECT_EQ(replayed.number(), g);
        EXPECT_EQ(replayed.seed(), 3u);
        EXPECT_EQ(replayed.rules().first_hammer, one[g].first_hammer);
        EXPECT_EQ(replayed.team_names(), (std::vector<std::string>{"random", "heuristic"}));
        EXPECT_EQ(replayed.state().totals, one[g].totals);
    }
    MatchSummary const summary = Summarize(one);
    EXPECT_EQ(summary.games, 4u);
    EXPECT_EQ(summary.wins + summary.draws + summary.losses, 4u);
    double difference = 0.0;
    for (const GameResult& game : one) difference += game.totals[0] - game.totals[1];
    EXPECT_EQ(summary.mean_score_difference, difference / 4.0);
    EXPECT_EQ(summary.win_rate, (summary.wins + 0.5 * summary.draws) / 4.0);
    EXPECT_LE(summary.win_rate_interval.low, summary.win_rate);
    EXPECT_GE(summary.win_rate_interval.high, summary.win_rate);
}

TEST(AgentsTest, ARangeOfGamesIsThatSliceOfTheWholeMatch) {
    AgentConfig const a = ParseAgentConfig("random");
    AgentConfig const b = ParseAgentConfig("heuristic");
    MatchOptions whole = SmallMatch(2);
    whole.games = 6;
    std::vector<GameResult> const all = RunMatch(a, b, whole);
    ASSERT_EQ(all.size(), 6u);

    // Odd starts too: a range need not keep the pairs whole to be exact.
    for (std::uint64_t const first : std::initializer_list<std::uint64_t>{0, 1, 2, 3}) {
        MatchOptions piece = SmallMatch(1);
        piece.first_game = first;
        piece.games = 3;
        std::vector<GameResult> const range = RunMatch(a, b, piece);
        ASSERT_EQ(range.size(), 3u);
        for (std::size_t i = 0; i < range.size(); ++i) {
            const GameResult& game = all[first + i];
            EXPECT_TRUE(range[i].finished);
            EXPECT_EQ(range[i].number, first + i);
            EXPECT_EQ(range[i].first_hammer, game.first_hammer);
            EXPECT_EQ(range[i].totals, game.totals);
            EXPECT_EQ(range[i].winner, game.winner);
            EXPECT_EQ(range[i].ends, game.ends);
            EXPECT_EQ(range[i].deliveries, game.deliveries);
            EXPECT_EQ(range[i].record, game.record);
        }
    }
}

TEST(AgentsTest, GameNumbersPastTheLargestAreRefused) {
    MatchOptions options = SmallMatch(1);
    options.games = 2;
    options.first_game = std::numeric_limits<std::uint64_t>::max();
    EXPECT_THROW(RunMatch(ParseAgentConfig("random"), ParseAgentConfig("random"), options), std::invalid_argument);
    // The very last number is a game like any other.
    options.games = 1;
    std::vector<GameResult> const last = RunMatch(ParseAgentConfig("random"), ParseAgentConfig("random"), options);
    ASSERT_EQ(last.size(), 1u);
    EXPECT_TRUE(last[0].finished);
    EXPECT_EQ(last[0].number, std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(last[0].first_hammer, 0);
}

TEST(AgentsTest, AStoppedMatchCountsNoUnfinishedGame) {
    std::atomic<bool> stop{true};
    MatchOptions options = SmallMatch(2);
    options.stop = &stop;
    std::vector<GameResult> const results = RunMatch(ParseAgentConfig("random"), ParseAgentConfig("random"), options);
    ASSERT_EQ(results.size(), 4u);
    for (const GameResult& game : results) EXPECT_FALSE(game.finished);
    EXPECT_EQ(Summarize(results).games, 0u);
}

}  // namespace
}  // namespace glidestone
