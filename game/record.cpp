#include "game/record.h"

#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>

#include "shot/shot_player.h"

namespace glidestone {

namespace {

using json = nlohmann::json;
using ordered = nlohmann::ordered_json;

constexpr const char* kFormat = "glidestone-game";
constexpr int kVersion = 1;

// Floats widen to double exactly; a value that is not finite is null.
double Wide(float value) {
    return static_cast<double>(value);
}

ordered Stones(const std::vector<StoneInPlay>& stones) {
    ordered list = ordered::array();
    for (const StoneInPlay& stone : stones)
        list.push_back(ordered{{"number", stone.number},
                               {"team", stone.team},
                               {"x", Wide(stone.position.x)},
                               {"y", Wide(stone.position.y)}});
    return list;
}

ordered ActionJson(const Action& action) {
    if (const Shot* shot = std::get_if<Shot>(&action)) {
        double const y = shot->pass ? -Wide(shot->target.y) : Wide(shot->target.y);
        return ordered{{"shot", {Wide(shot->target.x), y, shot->spin}}};
    }
    const Release& release = std::get<Release>(action);
    return ordered{{"release", {Wide(release.velocity.x), Wide(release.velocity.y), Wide(release.angular_velocity)}}};
}

ordered RulesJson(const Rules& rules) {
    return ordered{{"ends", rules.ends},
                   {"stones_per_team", rules.stones_per_team},
                   {"free_guard_zone_stones", rules.free_guard_zone_stones},
                   {"no_tick", rules.no_tick},
                   {"extra_ends", rules.extra_ends},
                   {"max_extra_ends", rules.max_extra_ends},
                   {"first_hammer", rules.first_hammer},
                   {"sigma_speed", rules.sigma_speed},
                   {"sigma_angle", rules.sigma_angle}};
}

// Reads of one member, each naming what it wanted.
[[noreturn]] void Fail(const std::string& what) {
    throw std::invalid_argument(what);
}

const json& Member(const json& object, const char* name) {
    auto const it = object.find(name);
    if (it == object.end()) Fail(std::string("no \"") + name + "\"");
    return *it;
}

void OnlyMembers(const json& object, std::initializer_list<const char*> names) {
    std::set<std::string> const allowed(names.begin(), names.end());
    for (auto it = object.begin(); it != object.end(); ++it)
        if (!allowed.count(it.key())) Fail("unexpected member \"" + it.key() + "\"");
}

int IntMember(const json& object, const char* name) {
    const json& value = Member(object, name);
    if (!value.is_number_integer()) Fail(std::string("\"") + name + "\" is not an integer");
    if (value.is_number_unsigned() ? value.get<std::uint64_t>() > std::numeric_limits<int>::max()
                                   : value.get<std::int64_t>() < std::numeric_limits<int>::min() ||
                                         value.get<std::int64_t>() > std::numeric_limits<int>::max())
        Fail(std::string("\"") + name + "\" is out of range");
    return value.get<int>();
}

std::uint64_t UnsignedMember(const json& object, const char* name) {
    const json& value = Member(object, name);
    if (!value.is_number_unsigned()) Fail(std::string("\"") + name + "\" is not an integer from 0 to 2^64 - 1");
    return value.get<std::uint64_t>();
}

bool BoolMember(const json& object, const char* name) {
    const json& value = Member(object, name);
    if (!value.is_boolean()) Fail(std::string("\"") + name + "\" is not true or false");
    return value.get<bool>();
}

double NumberMember(const json& object, const char* name) {
    const json& value = Member(object, name);
    if (!value.is_number()) Fail(std::string("\"") + name + "\" is not a number");
    return value.get<double>();
}

// Three numbers, as an action holds them.
std::array<double, 3> Triple(const json& value, const char* name) {
    if (!value.is_array() || value.size() != 3) Fail(std::string("\"") + name + "\" is not an array of three numbers");
    std::array<double, 3> numbers{};
    for (std::size_t i = 0; i < 3; ++i) {
        if (!value[i].is_number()) Fail(std::string("\"") + name + "\" is not an array of three numbers");
        numbers[i] = value[i].get<double>();
    }
    return numbers;
}

float ToFloat(double value, const char* name) {
    float const narrowed = NarrowToFloat(value);
    if (!std::isfinite(narrowed)) Fail(std::string("\"") + name + "\" holds a number out of float range");
    return narrowed;
}

Action ActionFrom(const json& value) {
    if (!value.is_object() || value.size() != 1)
        Fail("an action is {\"shot\":[x,y,spin]} or {\"release\":[vx,vy,angular_velocity]}");
    Action action;
    if (value.contains("shot")) {
        std::array<double, 3> const p = Triple(value["shot"], "shot");
        Shot shot;
        shot.target = {ToFloat(p[0], "shot"), ToFloat(std::fabs(p[1]), "shot")};
        shot.pass = p[1] < 0.0;
        shot.spin = p[2];
        action = shot;
    } else if (value.contains("release")) {
        std::array<double, 3> const p = Triple(value["release"], "release");
        action = Release{{ToFloat(p[0], "release"), ToFloat(p[1], "release")}, ToFloat(p[2], "release")};
    } else {
        Fail("an action is {\"shot\":[x,y,spin]} or {\"release\":[vx,vy,angular_velocity]}");
    }
    ValidateAction(action);
    return action;
}

json Parse(std::string_view text) {
    try {
        json value = json::parse(text);
        if (!value.is_object()) Fail("not a JSON object");
        return value;
    } catch (const json::exception& error) {
        Fail(std::string("not JSON: ") + error.what());
    }
}

// The first member in which two lines differ, for the message.
std::string FirstDifference(const json& recorded, const json& replayed) {
    for (auto it = replayed.begin(); it != replayed.end(); ++it) {
        auto const other = recorded.find(it.key());
        if (other == recorded.end()) return "has no \"" + it.key() + "\"";
        if (*other != *it) return "\"" + it.key() + "\" is " + other->dump() + ", the replay gives " + it->dump();
    }
    for (auto it = recorded.begin(); it != recorded.end(); ++it)
        if (!replayed.contains(it.key())) return "has the unexpected member \"" + it.key() + "\"";
    return "differs";
}

}  // namespace

RecordError::RecordError(std::size_t line, const std::string& what)
    : std::runtime_error("record line " + std::to_string(line) + ": " + what), line_(line) {}

std::string HeaderLine(const Rules& rules, std::uint64_t seed, std::uint64_t game,
                       const std::vector<std::string>& team_names) {
    ordered header{
        {"format", kFormat}, {"version", kVersion}, {"rules", RulesJson(rules)}, {"seed", seed}, {"game", game}};
    if (!team_names.empty()) header["teams"] = team_names;
    return header.dump();
}

std::string DeliveryLine(const DeliveryOutcome& outcome) {
    ordered events = ordered::array();
    for (const RuleEvent& event : outcome.events)
        events.push_back(ordered{{"stone", event.stone}, {"rule", RuleName(event.rule)}});
    ordered line{{"end", outcome.end},
                 {"delivery", outcome.delivery},
                 {"team", outcome.team},
                 {"stone", outcome.stone},
                 {"action", ActionJson(outcome.action)},
                 {"release",
                  {Wide(outcome.release_velocity.x), Wide(outcome.release_velocity.y), Wide(outcome.angular_velocity)}},
                 {"frames", outcome.frames},
                 {"before", Stones(outcome.before)},
                 {"after", Stones(outcome.after)},
                 {"events", events}};
    return line.dump();
}

std::string EndLine(int end, const std::array<int, 2>& score, int hammer, const std::array<int, 2>& totals) {
    return ordered{{"end", end}, {"score", score}, {"hammer", hammer}, {"totals", totals}}.dump();
}

std::string ResultLine(const std::array<int, 2>& totals, const std::optional<int>& winner) {
    ordered result{{"totals", totals}, {"winner", nullptr}};
    if (winner) result["winner"] = *winner;
    return ordered{{"result", result}}.dump();
}

Action ParseAction(std::string_view text) {
    return ActionFrom(Parse(text));
}

RecordHeader ParseHeader(std::string_view line) {
    try {
        json const header = Parse(line);
        OnlyMembers(header, {"format", "version", "rules", "seed", "game", "teams"});
        const json& format = Member(header, "format");
        if (format != kFormat) Fail("not a glidestone game record (\"format\" is not \"glidestone-game\")");
        if (IntMember(header, "version") != kVersion)
            Fail("record format version " + Member(header, "version").dump() + "; this build reads version 1");
        const json& rules_json = Member(header, "rules");
        if (!rules_json.is_object()) Fail("\"rules\" is not an object");
        OnlyMembers(rules_json, {"ends", "stones_per_team", "free_guard_zone_stones", "no_tick", "extra_ends",
                                 "max_extra_ends", "first_hammer", "sigma_speed", "sigma_angle"});
        RecordHeader result;
        Rules& rules = result.rules;
        rules.ends = IntMember(rules_json, "ends");
        rules.stones_per_team = IntMember(rules_json, "stones_per_team");
        rules.free_guard_zone_stones = IntMember(rules_json, "free_guard_zone_stones");
        rules.no_tick = BoolMember(rules_json, "no_tick");
        rules.extra_ends = BoolMember(rules_json, "extra_ends");
        rules.max_extra_ends = IntMember(rules_json, "max_extra_ends");
        rules.first_hammer = IntMember(rules_json, "first_hammer");
        rules.sigma_speed = NumberMember(rules_json, "sigma_speed");
        rules.sigma_angle = NumberMember(rules_json, "sigma_angle");
        rules.Validate();
        result.seed = UnsignedMember(header, "seed");
        result.game = UnsignedMember(header, "game");
        if (header.contains("teams")) {
            const json& teams = header["teams"];
            if (!teams.is_array() || teams.size() != 2 || !teams[0].is_string() || !teams[1].is_string())
                Fail("\"teams\" is not an array of two strings");
            result.team_names = {teams[0].get<std::string>(), teams[1].get<std::string>()};
        }
        return result;
    } catch (const std::invalid_argument& error) {
        throw RecordError(1, error.what());
    }
}

Game ReplayGame(std::span<const std::string> lines) {
    if (lines.empty()) throw RecordError(1, "the record is empty");
    RecordHeader const header = ParseHeader(lines[0]);
    Game game(header.rules, header.seed, header.game, header.team_names);

    // Checks the record's lines against the game's from `from` on.
    std::size_t checked = 1;
    auto check_new_lines = [&] {
        const std::vector<std::string>& expected = game.record();
        for (std::size_t i = checked; i < expected.size(); ++i) {
            std::size_t const number = i + 1;
            // A record may stop after any delivery (an unfinished game), but
            // not inside what one delivery writes.
            if (i >= lines.size())
                throw RecordError(number, "missing: the record ends where the replay writes " + expected[i]);
            json recorded;
            try {
                recorded = Parse(lines[i]);
            } catch (const std::invalid_argument& error) {
                throw RecordError(number, error.what());
            }
            json const replayed = json::parse(expected[i]);
            if (recorded != replayed)
                throw RecordError(number, "differs from the replay: " + FirstDifference(recorded, replayed));
        }
        checked = expected.size();
    };
    check_new_lines();

    while (checked < lines.size()) {
        std::size_t const number = checked + 1;
        if (game.finished()) throw RecordError(number, "a line after the game's result");
        Action action;
        try {
            json const line = Parse(lines[checked]);
            if (!line.contains("action")) Fail("not a delivery line (no \"action\")");
            action = ActionFrom(line["action"]);
        } catch (const std::invalid_argument& error) {
            throw RecordError(number, error.what());
        }
        try {
            game.Play(action);
        } catch (const std::exception& error) {
            throw RecordError(number, std::string("the delivery fails: ") + error.what());
        }
        check_new_lines();
    }
    return game;
}

Game ReplayGame(std::istream& input) {
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(input, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    if (input.bad()) throw std::runtime_error("reading the record failed");
    return ReplayGame(lines);
}

}  // namespace glidestone
