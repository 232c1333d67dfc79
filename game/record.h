#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "game/action.h"
#include "game/delivery.h"
#include "game/game.h"
#include "game/rules.h"

// Game records: JSON Lines, one JSON object a line.
//
//   header    {"format":"glidestone-game","version":1,"rules":{...every
//             field of Rules...},"seed":S,"game":G[,"teams":["A","B"]]}
//   delivery  {"end":E,"delivery":D,"team":T,"stone":N,"action":A,
//             "release":[vx,vy,w],"frames":F,"before":[STONE...],
//             "after":[STONE...],"events":[{"stone":N,"rule":R}...]}
//   end       {"end":E,"score":[a,b],"hammer":H,"totals":[a,b]}
//   result    {"result":{"totals":[a,b],"winner":0, 1 or null}}
//
// Ends and deliveries count from 1; "team" and "hammer" are 0 or 1 ("hammer"
// on an end line is the team with the hammer in the next end). A STONE is
// {"number":n,"team":t,"x":x,"y":y}. A is the action as played:
// {"shot":[x,y,spin]} exactly as a request's shot (y < 0 passes the target
// (x, -y) at 3 m/s) or {"release":[vx,vy,angular_velocity]}. "release" is
// the release really thrown (null velocity components when the target was out
// of the planner's range). R is one of "hog", "back", "side",
// "free_guard_zone", "no_tick". Floats are written as the doubles they widen
// to, in the shortest digits that read back the same, so a record holds every
// bit. A game that ends before its result (actions ran out) has no result
// line.
namespace glidestone {

std::string HeaderLine(const Rules& rules, std::uint64_t seed, std::uint64_t game,
                       const std::vector<std::string>& team_names);
std::string DeliveryLine(const DeliveryOutcome& outcome);
std::string EndLine(int end, const std::array<int, 2>& score, int hammer, const std::array<int, 2>& totals);
std::string ResultLine(const std::array<int, 2>& totals, const std::optional<int>& winner);

// A record that cannot be read or does not replay. `line` counts from 1; the
// message names the line and what is wrong with it.
class RecordError : public std::runtime_error {
public:
    RecordError(std::size_t line, const std::string& what);
    std::size_t line() const { return line_; }

private:
    std::size_t line_;
};

// One action line of an actions file, {"shot":[x,y,spin]} or
// {"release":[vx,vy,angular_velocity]}, or the "action" member of a record.
// Throws std::invalid_argument, naming the fault, for anything else.
Action ParseAction(std::string_view text);

// The header's contents. Throws RecordError (line 1) for a header that is
// not exactly as HeaderLine writes them: a missing, extra or mistyped member,
// another format or version, rules that Rules::Validate refuses.
struct RecordHeader {
    Rules rules;
    std::uint64_t seed = 0;
    std::uint64_t game = 0;
    std::vector<std::string> team_names;
};
RecordHeader ParseHeader(std::string_view line);

// Plays a record's game again from its header and the actions of its
// delivery lines, and checks that every line the game writes equals the
// record's, value for value (every float bit for bit). Returns the game as
// the record leaves it (finished, or unfinished when the record ends before
// the result). Throws RecordError naming the first line that is malformed,
// differs, is missing or is one too many.
Game ReplayGame(std::span<const std::string> lines);
// The same, reading the lines from `input` (a trailing carriage return on a
// line is ignored).
Game ReplayGame(std::istream& input);

}  // namespace glidestone
