#include "research/end_score.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "shot/sheet.h"

namespace glidestone {

namespace {

constexpr double kHouseLimit = static_cast<double>(sheet::kHouseRadius) + static_cast<double>(sheet::kStoneRadius);
constexpr double kHouseLimitSquared = kHouseLimit * kHouseLimit;

double SquaredDistanceFromTee(Vector2 position) {
    double const dx = static_cast<double>(position.x) - static_cast<double>(sheet::kTee.x);
    double const dy = static_cast<double>(position.y) - static_cast<double>(sheet::kTee.y);
    return dx * dx + dy * dy;
}

}  // namespace

EndScore ScoreEnd(std::span<const Vector2> positions, std::span<const int> teams) {
    if (positions.size() != teams.size())
        throw std::invalid_argument(std::to_string(positions.size()) + " positions but " +
                                    std::to_string(teams.size()) + " teams");
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (teams[i] != 0 && teams[i] != 1)
            throw std::invalid_argument("team of stone " + std::to_string(i) + " is " + std::to_string(teams[i]) +
                                        "; teams are 0 and 1");
        if (!std::isfinite(positions[i].x) || !std::isfinite(positions[i].y))
            throw std::invalid_argument("position of stone " + std::to_string(i) + " is not finite");
    }

    // Each team's nearest stone in the house.
    double nearest[2] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity()};
    for (std::size_t i = 0; i < positions.size(); ++i) {
        double const d = SquaredDistanceFromTee(positions[i]);
        if (d <= kHouseLimitSquared && d < nearest[teams[i]]) nearest[teams[i]] = d;
    }
    if (nearest[0] == nearest[1]) return {};  // a blank end, or a tie for the nearest stone

    int const scorer = nearest[0] < nearest[1] ? 0 : 1;
    double const bar = nearest[1 - scorer];  // infinity when the other team has no stone in the house
    EndScore score{scorer, 0};
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (teams[i] != scorer) continue;
        double const d = SquaredDistanceFromTee(positions[i]);
        if (d <= kHouseLimitSquared && d < bar) ++score.points;
    }
    return score;
}

}  // namespace glidestone
