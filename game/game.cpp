#include "game/game.h"

#include <stdexcept>
#include <string>

#include "game/record.h"
#include "research/end_score.h"
#include "research/random.h"

namespace glidestone {

std::uint64_t GameNoiseSeed(std::uint64_t seed, std::uint64_t number) {
    return SplitMix64::Mix(SplitMix64::Mix(seed) + number);
}

void Rules::Validate() const {
    auto check = [](bool ok, const char* message) {
        if (!ok) throw std::invalid_argument(message);
    };
    check(ends >= 1 && ends <= 1000, "rules: ends must be 1 to 1000");
    check(stones_per_team >= 1 && stones_per_team <= kTeamStoneBase, "rules: stones_per_team must be 1 to 8");
    check(free_guard_zone_stones >= 0 && free_guard_zone_stones <= 2 * kTeamStoneBase,
          "rules: free_guard_zone_stones must be 0 to 16");
    check(max_extra_ends >= 0 && max_extra_ends <= 1000, "rules: max_extra_ends must be 0 to 1000");
    check(first_hammer == 0 || first_hammer == 1, "rules: first_hammer must be 0 or 1");
    try {
        Noise().Validate();
    } catch (const std::invalid_argument& error) {
        throw std::invalid_argument(std::string("rules: ") + error.what());
    }
}

Game::Game(const Rules& rules, std::uint64_t seed, std::uint64_t number, std::vector<std::string> team_names)
    : rules_(rules),
      seed_(seed),
      number_(number),
      noise_seed_(GameNoiseSeed(seed, number)),
      team_names_(std::move(team_names)) {
    rules_.Validate();
    if (!team_names_.empty() && team_names_.size() != 2) throw std::invalid_argument("team names: give two or none");
    state_.hammer = rules_.first_hammer;
    state_.team = 1 - state_.hammer;
    record_.push_back(HeaderLine(rules_, seed_, number_, team_names_));
}

DeliveryOutcome Game::Play(const Action& action, ThrowObserver* observer) {
    if (state_.finished) throw std::logic_error("the game is finished");
    ValidateAction(action);

    DeliveryContext const ctx = NextDelivery(rules_, state_);

    std::uint64_t const number = deliveries_ + 1;
    std::optional<ReleasePerturbation> const perturbation =
        DrawReleasePerturbation(rules_.Noise(), noise_seed_, number);
    ShotPlayer player;
    DeliveryOutcome outcome = PlayDelivery(player, ctx, action, perturbation, observer);
    outcome.end = state_.end;
    deliveries_ = number;

    state_.stones = outcome.after;
    state_.team = 1 - state_.team;
    ++state_.delivery;
    if (state_.delivery > rules_.DeliveriesPerEnd()) FinishEnd(outcome);
    record_.push_back(DeliveryLine(outcome));
    if (outcome.end_score) record_.push_back(EndLine(outcome.end, *outcome.end_score, state_.hammer, state_.totals));
    if (state_.finished) record_.push_back(ResultLine(state_.totals, state_.winner));
    return outcome;
}

void Game::FinishEnd(DeliveryOutcome& outcome) {
    EndScore const score = ScoreStones(state_.stones);
    std::array<int, 2> points{};
    if (score.team) {
        points[static_cast<std::size_t>(*score.team)] = score.points;
        // The team that scored gives up the hammer; after a blank end it stays.
        state_.hammer = 1 - *score.team;
    }
    outcome.end_score = points;
    state_.end_scores.push_back(points);
    state_.totals[0] += points[0];
    state_.totals[1] += points[1];

    int const played = static_cast<int>(state_.end_scores.size());
    bool const tied = state_.totals[0] == state_.totals[1];
    bool const more =
        played < rules_.ends || (tied && rules_.extra_ends && played < rules_.ends + rules_.max_extra_ends);
    if (more) {
        ++state_.end;
        state_.delivery = 1;
        state_.stones.clear();
        state_.team = 1 - state_.hammer;
        return;
    }
    state_.finished = true;
    if (!tied) state_.winner = state_.totals[0] > state_.totals[1] ? 0 : 1;
}

}  // namespace glidestone
