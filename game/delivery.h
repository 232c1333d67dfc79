#pragma once

#include <array>
#include <optional>
#include <span>
#include <vector>

#include "game/action.h"
#include "game/game_state.h"
#include "game/rules.h"
#include "shot/release_perturbation.h"
#include "shot/shot_player.h"

namespace glidestone {

// What one delivery did.
struct DeliveryOutcome {
    int end = 1;       // from 1
    int delivery = 1;  // within the end, from 1
    int team = 0;      // the delivering team
    int stone = 0;     // the delivered stone's number
    Action action;     // as given
    // The stones in play before the delivery and once everything rests and
    // the rules have been applied, by number.
    std::vector<StoneInPlay> before;
    std::vector<StoneInPlay> after;
    // The release really thrown (after execution noise). The velocity is not
    // finite when a planned target was out of the planner's range; the stone
    // then stays at the release point (and is removed: it never crossed the
    // hog line).
    Vector2 release_velocity;
    float angular_velocity = 0.0f;
    // Frames played until every stone rested or left the ice.
    int frames = 0;
    // Every ruling, in the order made (see PlayDelivery).
    std::vector<RuleEvent> events;
    // When the delivery ended an end: that end's points, [team 0, team 1].
    std::optional<std::array<int, 2>> end_score;
};

// One delivery under the rules, without the game around it.
struct DeliveryContext {
    const Rules* rules = nullptr;
    int delivery = 1;  // within the end, from 1: decides the free guard zone
    int team = 0;
    int stone = 0;
    std::span<const StoneInPlay> before;  // by number
};

// The next delivery of a game standing at `state` under `rules`. The context
// refers to both; they must outlive it.
DeliveryContext NextDelivery(const Rules& rules, const GameState& state);

// Plays `action` for ctx.team's stone ctx.stone among ctx.before on `player`
// (which should be fresh, so that the result depends on nothing else), with
// the release perturbed by `perturbation` when given, and applies the rules:
//
//  1. In flight, after every frame: a stone touching a side line or wholly
//     beyond the back line is taken off the ice at once ("side", "back") and
//     takes no further part. The stones are checked in number order, the
//     delivered stone last.
//  2. At rest: the delivered stone is removed ("hog") if it has not wholly
//     crossed the far hog line, unless it touched a stone in play during the
//     delivery.
//  3. In the first rules.free_guard_zone_stones deliveries of an end: if an
//     opponent's stone that lay in the free guard zone before the delivery is
//     out of play after it ("free_guard_zone"), or (with rules.no_tick) one
//     that touched the centre line there no longer does ("no_tick"), the
//     delivered stone is removed and every other stone is put back where it
//     lay before. Only the delivered stone's rulings are kept then (the
//     others' removals were undone), the violation last; a delivered stone
//     already out of play in flight still draws the violation's ruling.
//
// The stones are placed into the simulator's slots in number order, the
// delivered stone in the shot slot, so a delivery plays exactly as the
// request listing the same stones in that order would (until a stone leaves
// the ice). `observer`, if given, watches the throw after the rulings of each
// frame. Throws std::invalid_argument for an action ValidateAction refuses,
// and ShotError as ShotPlayer does.
DeliveryOutcome PlayDelivery(ShotPlayer& player, const DeliveryContext& ctx, const Action& action,
                             const std::optional<ReleasePerturbation>& perturbation = std::nullopt,
                             ThrowObserver* observer = nullptr);

}  // namespace glidestone
