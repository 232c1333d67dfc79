#pragma once

#include <optional>
#include <span>

#include "simulator/interfaces/stone.h"

namespace glidestone {

// The result of an end: which team scores (nothing for a blank end) and how
// many points.
struct EndScore {
    std::optional<int> team;
    int points = 0;

    // Points from team 0's side: +points when team 0 scores, -points when
    // team 1 does, 0 for a blank end.
    int Signed() const { return !team ? 0 : *team == 0 ? points : -points; }

    friend bool operator==(const EndScore&, const EndScore&) = default;
};

// Scores an end from the stones at rest: `positions[i]` is a stone's centre
// and `teams[i]` its team, 0 or 1.
//
// A stone is in the house when its centre is at most sheet::kHouseRadius +
// sheet::kStoneRadius from the tee, so a stone that touches the outer ring
// counts. Only stones in the house count. The team with the stone nearest the
// tee scores a point for each of its stones in the house nearer than the
// other team's nearest stone in the house (all of them when the other team has
// none). No stone in the house: a blank end.
//
// Equal distances: when the two teams' nearest stones are equally far from
// the tee, nobody scores (the measure cannot separate them); a stone of the
// scoring team exactly as far as the other team's nearest is not nearer, so it
// does not count. Ties within one team change nothing.
//
// Distances are compared as squared distances from the tee computed in double
// precision from the float coordinates; the house limit is the same sum of the
// two float radii, widened to double, squared.
//
// The house lies wholly between the hog line and the back line (a stone in it
// is never completely past the back line) and within the side lines, so stones
// removed from play under the rules are never in the house and need no
// separate test. Throws std::invalid_argument when the spans differ in length,
// a team is neither 0 nor 1, or a coordinate is not finite.
EndScore ScoreEnd(std::span<const Vector2> positions, std::span<const int> teams);

}  // namespace glidestone
