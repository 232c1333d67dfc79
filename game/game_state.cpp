#include "game/game_state.h"

#include <vector>

namespace glidestone {

namespace {

constexpr std::pair<Rule, std::string_view> kRuleNames[] = {
    {Rule::kHog, "hog"},        {Rule::kBack, "back"}, {Rule::kSide, "side"}, {Rule::kFreeGuardZone, "free_guard_zone"},
    {Rule::kNoTick, "no_tick"},
};

}  // namespace

std::string_view RuleName(Rule rule) {
    for (auto const& [value, name] : kRuleNames)
        if (value == rule) return name;
    return "unknown";
}

std::optional<Rule> RuleFromName(std::string_view name) {
    for (auto const& [value, rule_name] : kRuleNames)
        if (rule_name == name) return value;
    return std::nullopt;
}

EndScore ScoreStones(std::span<const StoneInPlay> stones) {
    std::vector<Vector2> positions;
    std::vector<int> teams;
    positions.reserve(stones.size());
    teams.reserve(stones.size());
    for (const StoneInPlay& stone : stones) {
        positions.push_back(stone.position);
        teams.push_back(stone.team);
    }
    return ScoreEnd(positions, teams);
}

}  // namespace glidestone
