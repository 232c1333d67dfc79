#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/action.h"
#include "game/game.h"
#include "game/game_state.h"
#include "game/rules.h"
#include "research/execution_noise.h"
#include "shot/shot.h"

// Players: given where a game stands, the action for the team to deliver.
//
// Every agent is deterministic under its seed: the seed, the game's number and
// the delivery's number (counted from 1 over the whole game, as the game's
// noise counts them) decide every random draw it makes, never the order of
// calls, other games or threads. An agent keeps no memory of earlier moves, so
// one agent may serve many games, one call at a time (Act is not thread-safe:
// give each thread its own agent).
namespace glidestone {

// What an agent is asked: the rules, the position, and the numbers that key
// its random draws.
struct AgentView {
    const Rules* rules = nullptr;
    const GameState* state = nullptr;
    std::uint64_t game = 0;      // the game's number under its seed
    std::uint64_t delivery = 1;  // this delivery's number in the game, from 1

    // The view of `game` before its next delivery.
    static AgentView Of(const Game& game);
};

class Agent {
public:
    virtual ~Agent() = default;

    // The action for view.state->team's next delivery. The game must not be
    // finished.
    virtual Action Act(const AgentView& view) = 0;
    Action Act(const Game& game) { return Act(AgentView::Of(game)); }

    // A short name: "random", "heuristic", "montecarlo".
    virtual std::string Name() const = 0;
};

// The seed of an agent's draws for one delivery: Mix(Mix(Mix(seed) + game) +
// delivery), so that neighbouring games and deliveries draw far apart.
std::uint64_t AgentDrawSeed(std::uint64_t seed, std::uint64_t game, std::uint64_t delivery);

// Targets drawn in and around the house: RandomShot (game/random_shot.h) on
// SplitMix64(AgentDrawSeed(seed, game, delivery)): a draw or a pass, either
// spin. The floor of any ladder.
class RandomAgent final : public Agent {
public:
    explicit RandomAgent(std::uint64_t seed = 0) : seed_(seed) {}
    using Agent::Act;
    Action Act(const AgentView& view) override;
    std::string Name() const override { return "random"; }

private:
    std::uint64_t seed_;
};

// A club curler's rules of thumb, first that applies wins:
//
//  1. The last stone of the end (the hammer's): when the opponent lies shot
//     within the four-foot ring (0.61 m of the tee), hit that stone; otherwise
//     draw to the button, which beats any stone farther out and adds a point
//     when we already lie shot.
//  2. The opponent lies shot (its stone is the nearest to the tee in the
//     house): hit it, passing through its centre at 3 m/s.
//  3. We lie shot in the first half of the end (delivery at most
//     stones_per_team): guard it, a draw on its line 3.2 m short of the tee,
//     in the free guard zone.
//  4. Otherwise: draw to the button.
//
// Shots turn counter-clockwise (spin 1) toward targets on or right of the
// centre line (x ≥ 0) and clockwise left of it, so that the stone curls in
// from the centre line's side. The agent draws no random number.
class HeuristicAgent final : public Agent {
public:
    using Agent::Act;
    Action Act(const AgentView& view) override;
    std::string Name() const override { return "heuristic"; }

    // The shot Act chooses.
    static Shot Choose(const Rules& rules, const GameState& state);

    // The guard's distance short of the tee (m).
    static constexpr float kGuardDistance = 3.2f;
    // Hit an opponent's shot stone with the last stone within this of the
    // tee; draw to the button beyond it.
    static constexpr float kLastStoneHitRadius = 0.61f;
};

// The team lying shot among `stones` (its stone nearest the tee in the house)
// and that stone; nothing when no stone is in the house, or the two nearest
// are equally far.
struct ShotStone {
    int team = 0;
    StoneInPlay stone;
    double distance = 0.0;  // from the tee (m)
};
std::optional<ShotStone> FindShotStone(const std::vector<StoneInPlay>& stones);

struct MonteCarloSettings {
    // Shots weighed each move, at least 1: the heuristic's choice first, then
    // hits on the opponent's stones in play (nearest the tee first, both
    // spins, at most half the rest), then a fixed grid of draws and guards.
    int candidates = 48;
    // Noisy deliveries of each candidate, at least 1. With noiseless rules
    // every delivery would be the same, and one is played.
    int samples = 144;
    // Deliveries played on after the candidate, both teams by the heuristic's
    // rules, before the position is valued (never past the end's last).
    int rollout = 1;
    // Worker threads; 0 means one for every core. The result does not depend
    // on it.
    int threads = 1;
    // The noise the agent expects; by default the game's.
    std::optional<ExecutionNoise> noise;

    // Throws std::invalid_argument, naming the setting, for values out of range.
    void Validate() const;
};

// A candidate and what it is worth to the acting team.
struct CandidateValue {
    Shot shot;
    // The mean over the samples of the value below (points, or a win
    // probability in the game's deciding end); -infinity when a sample could
    // not be played.
    double value = 0.0;
};

// What a Monte Carlo move weighed.
struct MonteCarloMove {
    Shot shot;               // the best candidate, the first of equals
    std::size_t chosen = 0;  // its index in `candidates`
    std::vector<CandidateValue> candidates;
    double seconds = 0.0;  // wall time of the move
};

// Weighs candidate shots by playing each `samples` times under the game's
// rules and plays the best.
//
// Every candidate is planned once; each sample is a fresh throw of the
// planned release perturbed by DrawReleasePerturbation(noise,
// AgentDrawSeed(seed, game, delivery), n) for sample n (from 1), played by
// PlayDelivery on a reset ShotPlayer with the game's rules and stones: exactly
// what the game would do with that shot and that error. All candidates meet
// the same errors (common random numbers), so their differences are far less
// noisy than their values. The agent's errors are its own draws, never the
// game's.
//
// After the candidate, `rollout` more deliveries of the end (none past its
// last) are played by both teams by the heuristic's rules, delivery k after
// the candidate under the draws of seed Mix(AgentDrawSeed(...) + k). A
// sample's value for the acting team: when the end is over, the end's score
// (positive when the acting team scores); before that, the score if the end
// ended with the stones as they lie. In an end after which the
// game could be over (the last end of regulation, or an extra end), a win
// counts 1, a tie 0.5 (an extra end follows) and a loss 0, from the totals
// plus that score, and a thousandth of the score breaks ties between equal
// chances.
//
// A sample plays 1 + rollout deliveries. The defaults (48 candidates × 144
// samples, rollout 1: 13,824 throws) take about a second a move on one core
// (bench/README.md, "Agents and matches").
class MonteCarloAgent final : public Agent {
public:
    explicit MonteCarloAgent(MonteCarloSettings settings = {}, std::uint64_t seed = 0);
    using Agent::Act;
    Action Act(const AgentView& view) override;
    std::string Name() const override { return "montecarlo"; }

    // The move with everything weighed.
    MonteCarloMove Decide(const AgentView& view) const;
    // The candidates a move weighs, in order.
    std::vector<Shot> Candidates(const Rules& rules, const GameState& state) const;

    const MonteCarloSettings& settings() const { return settings_; }
    // Moves made by Act and their summed wall time.
    std::uint64_t moves() const { return moves_; }
    double seconds() const { return seconds_; }

private:
    MonteCarloSettings settings_;
    std::uint64_t seed_;
    std::uint64_t moves_ = 0;
    double seconds_ = 0.0;
};

// An agent as named on a command line: "random", "heuristic" or
// "montecarlo", settings after a colon as name=value pairs separated by
// commas: "montecarlo:candidates=32,samples=64,threads=2". Throws
// std::invalid_argument naming what is wrong.
struct AgentConfig {
    std::string text;  // as given
    std::string kind;
    MonteCarloSettings monte_carlo;
};
AgentConfig ParseAgentConfig(std::string_view text);
std::unique_ptr<Agent> MakeAgent(const AgentConfig& config, std::uint64_t seed);

}  // namespace glidestone
