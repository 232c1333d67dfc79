#pragma once

#include <cstdint>

#include "research/execution_noise.h"

namespace glidestone {

// How a game is played. Every default follows the current rules of a team
// game (World Curling): ten ends of eight stones a team, the five-rock free
// guard zone, the no-tick rule, extra ends to break a tie.
struct Rules {
    // Ends in regulation, at least 1.
    int ends = 10;
    // Stones each team delivers in an end, 1 to 8. The teams alternate, the
    // team without the hammer first.
    int stones_per_team = 8;
    // The free guard zone holds for the first this many deliveries of an end
    // (0 turns it off; at most 16; more than an end's deliveries: all of them).
    int free_guard_zone_stones = 5;
    // The no-tick rule, in the same deliveries as the free guard zone.
    bool no_tick = true;
    // While the totals are tied after the last end, another end is played,
    // at most max_extra_ends of them; still tied then, the game is drawn.
    // Without extra ends a tie after the last end is a draw.
    bool extra_ends = true;
    int max_extra_ends = 4;
    // The team with the hammer (the last stone) in the first end; the other
    // team delivers first.
    int first_hammer = 1;
    // Execution noise on every delivery (see ExecutionNoise): the release,
    // planned or given, misses by these deviations.
    double sigma_speed = 0.0;
    double sigma_angle = 0.0;

    ExecutionNoise Noise() const { return {sigma_speed, sigma_angle}; }

    // Deliveries in one end.
    int DeliveriesPerEnd() const { return 2 * stones_per_team; }

    // Throws std::invalid_argument, naming the field, for a value out of the
    // ranges above or noise that ExecutionNoise::Validate refuses.
    void Validate() const;

    friend bool operator==(const Rules&, const Rules&) = default;
};

}  // namespace glidestone
