#pragma once

#include <array>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "research/end_score.h"
#include "simulator/interfaces/stone.h"

namespace glidestone {

// Team t delivers the stones numbered t × kTeamStoneBase + i, i = 0, 1, ...
// in order: team 0 its stones 0 to 7, team 1 its stones 8 to 15.
inline constexpr int kTeamStoneBase = 8;

// A stone in play, at rest.
struct StoneInPlay {
    int number = 0;  // 0 to 15, see kTeamStoneBase
    int team = 0;    // 0 or 1
    Vector2 position;

    friend bool operator==(const StoneInPlay& a, const StoneInPlay& b) {
        return a.number == b.number && a.team == b.team && a.position.x == b.position.x && a.position.y == b.position.y;
    }
};

// Why a stone was taken out of play.
enum class Rule {
    kHog,            // the delivered stone came to rest short of the far hog line, touching no stone
    kBack,           // wholly beyond the back line, in flight
    kSide,           // touching a side line, in flight
    kFreeGuardZone,  // the delivery took an opponent's guard out of play: the delivered stone is removed
    kNoTick,         // the delivery moved an opponent's guard off the centre line: the same
};

// The rule's name in game records: "hog", "back", "side", "free_guard_zone",
// "no_tick".
std::string_view RuleName(Rule rule);
// The rule of a name RuleName gives; nothing for any other text.
std::optional<Rule> RuleFromName(std::string_view name);

// ScoreEnd of the stones in play, each with its team.
EndScore ScoreStones(std::span<const StoneInPlay> stones);

// One ruling: which stone, which rule.
struct RuleEvent {
    int stone = 0;
    Rule rule = Rule::kHog;

    friend bool operator==(const RuleEvent&, const RuleEvent&) = default;
};

// Where a game stands between deliveries.
struct GameState {
    // The end being played (from 1) and the next delivery in it (from 1).
    // Once the game is finished: the last end played and one past its last
    // delivery.
    int end = 1;
    int delivery = 1;
    // The team to deliver next and the team with the hammer in this end.
    int team = 0;
    int hammer = 1;
    // Every stone in play, by number.
    std::vector<StoneInPlay> stones;
    // The points of every finished end, [team 0, team 1], and their sums.
    std::vector<std::array<int, 2>> end_scores;
    std::array<int, 2> totals{};
    bool finished = false;
    // The winning team once finished; nothing for a drawn game.
    std::optional<int> winner;

    // The number of the stone the next delivery throws.
    int NextStone() const { return team * kTeamStoneBase + (delivery - 1) / 2; }

    friend bool operator==(const GameState&, const GameState&) = default;
};

}  // namespace glidestone
