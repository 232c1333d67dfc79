#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/action.h"
#include "game/delivery.h"
#include "game/game_state.h"
#include "game/rules.h"
#include "shot/shot_player.h"

namespace glidestone {

// A whole game under `Rules`, delivery by delivery.
//
// Every delivery is played on a fresh ShotPlayer (as the batch tool answers
// a line), so a game depends only on its rules, its seed, its number and the
// actions given: never on threads, on other games or on how it is driven.
//
// Execution noise: the deliveries of game `number` under `seed` are numbered
// from 1 over the whole game, and delivery d is perturbed by
// DrawReleasePerturbation(rules.Noise(), GameNoiseSeed(seed, number), d).
//
// The game keeps its record (see game/record.h) as it goes: one header line,
// a line for each delivery, one for each finished end, and the result.
//
// A game is a value: copying it gives an independent game in the same state
// (for search). It is not thread-safe; games share nothing.
class Game {
public:
    // Throws std::invalid_argument for rules that Rules::Validate refuses.
    explicit Game(const Rules& rules = {}, std::uint64_t seed = 0, std::uint64_t number = 0,
                  std::vector<std::string> team_names = {});

    // Plays the next delivery and applies the rules; scores the end after its
    // last delivery and moves on to the next end or finishes the game. Throws
    // std::logic_error once the game is finished, std::invalid_argument for
    // an action ValidateAction refuses (nothing changes then), and ShotError
    // as ShotPlayer does. `observer` watches the throw (see PlayDelivery).
    DeliveryOutcome Play(const Action& action, ThrowObserver* observer = nullptr);

    const GameState& state() const { return state_; }
    const Rules& rules() const { return rules_; }
    std::uint64_t seed() const { return seed_; }
    std::uint64_t number() const { return number_; }
    const std::vector<std::string>& team_names() const { return team_names_; }
    bool finished() const { return state_.finished; }
    // Deliveries played so far.
    std::uint64_t deliveries() const { return deliveries_; }

    // The record so far, one JSON text a line (without line-feeds).
    const std::vector<std::string>& record() const { return record_; }

private:
    void FinishEnd(DeliveryOutcome& outcome);

    Rules rules_;
    std::uint64_t seed_ = 0;
    std::uint64_t number_ = 0;
    std::uint64_t noise_seed_ = 0;
    std::vector<std::string> team_names_;
    GameState state_;
    std::uint64_t deliveries_ = 0;
    std::vector<std::string> record_;
};

// The seed of game `number`'s noise under `seed`: SplitMix64::Mix(Mix(seed)
// + number), the starting state research gives stream `number` of `seed`.
std::uint64_t GameNoiseSeed(std::uint64_t seed, std::uint64_t number);

}  // namespace glidestone
