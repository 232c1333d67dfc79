#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "game/agent.h"
#include "game/rules.h"

// Matches between two agents: games in pairs with the hammer swapped, and
// what they say about the agents, with intervals.
namespace glidestone {

// One game: agent A is team 0, agent B team 1.
struct GameResult {
    std::uint64_t number = 0;
    int first_hammer = 1;
    bool finished = false;  // false: stopped before its end, not counted
    std::array<int, 2> totals{};
    std::optional<int> winner;
    int ends = 0;
    std::uint64_t deliveries = 0;
    // Wall time the agents took over their moves, and their moves.
    std::array<double, 2> think_seconds{};
    std::array<std::uint64_t, 2> moves{};
    double seconds = 0.0;             // the whole game
    std::vector<std::string> record;  // when kept
};

struct MatchOptions {
    // The rules of every game; first_hammer is set per game.
    Rules rules;
    // Games to play, in pairs: game g (from 0) gives the first end's hammer
    // to team 1 when g is even and to team 0 when it is odd.
    std::uint64_t games = 2;
    // The number of the first game played: the games are numbers first_game
    // to first_game + games - 1, each exactly as in a match from game 0, so
    // that a long match can be cut into ranges played apart (on other
    // machines, say) and put back together. An even first_game keeps the
    // pairs whole.
    std::uint64_t first_game = 0;
    // Game g is Game(rules, seed, g): its noise is that game's under the
    // seed. Agent A draws under AgentSeed(seed, 0), agent B under
    // AgentSeed(seed, 1), in every game.
    std::uint64_t seed = 0;
    // Games played at once; 0 means one for every core. The results do not
    // depend on it.
    int threads = 0;
    // Keep every game's record (GameResult::record).
    bool keep_records = false;
    // Set (from a signal handler, say) to stop: games under way are dropped
    // between deliveries and no new one starts.
    const std::atomic<bool>* stop = nullptr;
    // Called after every finished game, one call at a time, in the order the
    // games finish (not their numbers).
    std::function<void(const GameResult&)> on_game;
};

// The seed of agent `side` (0 for A, 1 for B) in a match under `seed`.
std::uint64_t AgentSeed(std::uint64_t seed, int side);

// Plays the match: agents A and B made from their configs for every game
// (named by their configs' text in the records' headers), games spread over
// the threads. Returns every game, by number (result i is game first_game +
// i); unfinished ones only when stopped. Throws std::invalid_argument when the
// game numbers would pass 2^64 - 1, and what a game throws (the first, once
// all workers stop).
std::vector<GameResult> RunMatch(const AgentConfig& a, const AgentConfig& b, const MatchOptions& options);

// The 95 % Wilson score interval of a proportion `successes` / `trials` (a
// drawn game counting half a success); [0, 1] for no trials.
struct Interval {
    double low = 0.0;
    double high = 1.0;
};
Interval WilsonInterval(double successes, double trials, double z = 1.959963984540054);

// The Elo difference that gives an expected score p: 400 log10(p / (1 - p));
// ±infinity at 1 and 0.
double EloDifference(double p);

// What the finished games of a match say, from agent A's side.
struct MatchSummary {
    std::uint64_t games = 0;  // finished
    std::uint64_t wins = 0;
    std::uint64_t draws = 0;
    std::uint64_t losses = 0;
    // A's total minus B's, per game, and its standard error.
    double mean_score_difference = 0.0;
    double score_difference_error = 0.0;
    // (wins + draws / 2) / games and its Wilson interval.
    double win_rate = 0.0;
    Interval win_rate_interval;
    // The Elo difference A − B from the win rate, and the interval its Wilson
    // bounds give.
    double elo = 0.0;
    double elo_low = 0.0;
    double elo_high = 0.0;
    // Mean wall time per move of each agent.
    std::array<double, 2> seconds_per_move{};
    // Games a minute of wall time: games over the sum of their times (one
    // thread's view; several threads play that many each).
    double games_per_minute = 0.0;
};
MatchSummary Summarize(const std::vector<GameResult>& results);

}  // namespace glidestone
