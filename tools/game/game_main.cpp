#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/record.h"
#include "tools/game/game_viewer.h"

namespace {

using namespace glidestone;

constexpr const char* kUsage =
    "usage: glidestone-game play [options] [-o RECORD] [ACTIONS]\n"
    "       glidestone-game replay RECORD\n"
    "       glidestone-game view RECORD -o GAME.html\n"
    "\n"
    "Whole games under the rules of curling, and their records (JSON Lines).\n"
    "\n"
    "play     plays a game from a file of actions (standard input when absent or '-'), one a line:\n"
    "           {\"shot\":[x,y,spin]}     a target as a request's shot (y < 0 passes (x, -y) at 3 m/s)\n"
    "           {\"release\":[vx,vy,w]}   a release velocity (m/s) and angular velocity (rad/s), unplanned\n"
    "         and writes the game's record to RECORD (standard output when absent or '-'). Actions that\n"
    "         end before the game does leave it unfinished: the record ends without a result, and a note\n"
    "         says so on standard error (exit 0). Actions after the game's end are an error.\n"
    "replay   plays a record's game again and checks every line bit for bit; names the first line\n"
    "         that differs.\n"
    "view     writes the record as one self-contained HTML page: scoreboard, every delivery drawn,\n"
    "         navigation by buttons and arrow keys, #end=E&delivery=D in the address selects one.\n"
    "\n"
    "Options of play (defaults: the rules of a team game):\n"
    "  --ends N                 ends in regulation (10)\n"
    "  --stones-per-team N      stones each team delivers in an end, 1 to 8 (8)\n"
    "  --free-guard-zone N      the free guard zone holds for the first N deliveries of an end;\n"
    "                           0 turns it off (5)\n"
    "  --no-tick on|off         the no-tick rule in the same deliveries (on)\n"
    "  --extra-ends N           at most N extra ends while the totals are tied; 0: a tie is a draw (4)\n"
    "  --first-hammer 0|1       the team with the hammer in the first end (1)\n"
    "  --noise-speed S          execution noise: release speed error, standard deviation in m/s (0)\n"
    "  --noise-angle A          execution noise: release direction error, standard deviation in rad (0)\n"
    "  --seed N                 noise seed, 0 to 2^64 - 1 (0)\n"
    "  --game N                 the game's number under the seed (0); delivery d of game g under\n"
    "                           seed s always meets the same noise\n"
    "  --teams A,B              names of team 0 and team 1, kept in the record\n"
    "  -h, --help               this text\n"
    "\n"
    "Exit status: 0 done (the record replays, the page is written), 1 a bad action, record or\n"
    "input/output failure, 2 usage error.\n";

class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class Failure : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

std::uint64_t ParseUnsigned(const std::string& option, const std::string& text, std::uint64_t max) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos)
        throw UsageError(option + " wants a whole number, not '" + text + "'");
    errno = 0;
    unsigned long long const value = std::strtoull(text.c_str(), nullptr, 10);
    if (errno == ERANGE || value > max)
        throw UsageError(option + " " + text + " is out of range (at most " + std::to_string(max) + ")");
    return value;
}

double ParseDouble(const std::string& option, const std::string& text) {
    char* end = nullptr;
    errno = 0;
    double const value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE)
        throw UsageError(option + " wants a number, not '" + text + "'");
    return value;
}

std::vector<std::string> ReadLines(std::istream& input, const std::string& name) {
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(input, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(std::move(line));
    }
    if (input.bad()) throw Failure("reading " + name + " failed");
    return lines;
}

std::vector<std::string> ReadFile(const std::string& path) {
    if (path == "-") return ReadLines(std::cin, "standard input");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw Failure("cannot open " + path + ": " + std::strerror(errno));
    return ReadLines(file, path);
}

void WriteFile(const std::string& path, const std::string& text) {
    if (path == "-") {
        std::cout << text << std::flush;
        if (!std::cout) throw Failure("writing standard output failed");
        return;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) throw Failure("cannot write " + path + ": " + std::strerror(errno));
    file << text;
    file.close();
    if (!file) throw Failure("writing " + path + " failed");
}

std::string Joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

bool Blank(const std::string& line) {
    return line.find_first_not_of(" \t") == std::string::npos;
}

std::string Standing(const GameState& state) {
    return "end " + std::to_string(state.end) + ", delivery " + std::to_string(state.delivery) + ", totals " +
           std::to_string(state.totals[0]) + "-" + std::to_string(state.totals[1]);
}

int Play(const std::vector<std::string>& args) {
    Rules rules;
    std::uint64_t seed = 0;
    std::uint64_t number = 0;
    std::vector<std::string> teams;
    std::string input = "-";
    std::string output = "-";
    bool have_input = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string const& arg = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) throw UsageError(arg + " wants a value");
            return args[++i];
        };
        if (arg == "--ends") {
            rules.ends = static_cast<int>(ParseUnsigned(arg, value(), 1000));
        } else if (arg == "--stones-per-team") {
            rules.stones_per_team = static_cast<int>(ParseUnsigned(arg, value(), 8));
        } else if (arg == "--free-guard-zone") {
            rules.free_guard_zone_stones = static_cast<int>(ParseUnsigned(arg, value(), 16));
        } else if (arg == "--no-tick") {
            std::string const v = value();
            if (v != "on" && v != "off") throw UsageError("--no-tick wants on or off, not '" + v + "'");
            rules.no_tick = v == "on";
        } else if (arg == "--extra-ends") {
            rules.max_extra_ends = static_cast<int>(ParseUnsigned(arg, value(), 1000));
            rules.extra_ends = rules.max_extra_ends > 0;
        } else if (arg == "--first-hammer") {
            rules.first_hammer = static_cast<int>(ParseUnsigned(arg, value(), 1));
        } else if (arg == "--noise-speed") {
            rules.sigma_speed = ParseDouble(arg, value());
        } else if (arg == "--noise-angle") {
            rules.sigma_angle = ParseDouble(arg, value());
        } else if (arg == "--seed") {
            seed = ParseUnsigned(arg, value(), UINT64_MAX);
        } else if (arg == "--game") {
            number = ParseUnsigned(arg, value(), UINT64_MAX);
        } else if (arg == "--teams") {
            std::string const v = value();
            std::size_t const comma = v.find(',');
            if (comma == std::string::npos || v.find(',', comma + 1) != std::string::npos)
                throw UsageError("--teams wants two names separated by a comma");
            teams = {v.substr(0, comma), v.substr(comma + 1)};
        } else if (arg == "-o") {
            output = value();
        } else if (arg.size() > 1 && arg[0] == '-' && arg != "-") {
            throw UsageError("unknown option " + arg);
        } else {
            if (have_input) throw UsageError("one file of actions at most");
            input = arg;
            have_input = true;
        }
    }
    try {
        rules.Validate();
    } catch (const std::invalid_argument& error) {
        throw UsageError(error.what());
    }

    std::vector<std::string> const actions = ReadFile(input);
    // A blank last line (a file ending in an empty line) is no action.
    std::size_t count = actions.size();
    while (count > 0 && Blank(actions[count - 1])) --count;

    Game game(rules, seed, number, teams);
    std::string error;
    for (std::size_t i = 0; i < count && error.empty(); ++i) {
        std::string const where =
            (input == "-" ? std::string("standard input") : input) + " line " + std::to_string(i + 1);
        if (game.finished()) {
            error = where + ": the game is over (" + Standing(game.state()) + "); no more actions are played";
            break;
        }
        try {
            game.Play(ParseAction(actions[i]));
        } catch (const std::exception& e) {
            error = where + ": " + e.what();
        }
    }
    WriteFile(output, Joined(game.record()));
    if (!error.empty()) throw Failure(error);
    if (!game.finished())
        std::fprintf(stderr, "glidestone-game: the actions ran out before the game's end (%s): unfinished\n",
                     Standing(game.state()).c_str());
    return 0;
}

int Replay(const std::vector<std::string>& args) {
    if (args.size() != 1) throw UsageError("replay wants one record");
    std::vector<std::string> const lines = ReadFile(args[0]);
    try {
        Game const game = ReplayGame(lines);
        const GameState& state = game.state();
        std::string result =
            game.finished() ? (state.winner ? "won by team " + std::to_string(*state.winner) : std::string("drawn"))
                            : std::string("unfinished");
        std::printf("%s: %zu lines replay bit for bit; %llu deliveries, %zu ends, totals %d-%d, %s\n", args[0].c_str(),
                    lines.size(), static_cast<unsigned long long>(game.deliveries()), state.end_scores.size(),
                    state.totals[0], state.totals[1], result.c_str());
    } catch (const RecordError& error) {
        throw Failure(args[0] + ": " + error.what());
    }
    return 0;
}

int View(const std::vector<std::string>& args) {
    std::string record;
    std::string output;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "-o") {
            if (i + 1 >= args.size()) throw UsageError("-o wants a file");
            output = args[++i];
        } else if (args[i].size() > 1 && args[i][0] == '-') {
            throw UsageError("unknown option " + args[i]);
        } else {
            if (!record.empty()) throw UsageError("view wants one record");
            record = args[i];
        }
    }
    if (record.empty()) throw UsageError("view wants a record");
    if (output.empty()) throw UsageError("view wants -o GAME.html");
    std::vector<std::string> const lines = ReadFile(record);
    std::string html;
    try {
        html = RenderGameViewer(lines);
    } catch (const RecordError& error) {
        throw Failure(record + ": " + error.what());
    }
    WriteFile(output, html);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.empty()) throw UsageError("a command is wanted: play, replay or view");
        std::string const command = args[0];
        if (command == "-h" || command == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        std::vector<std::string> rest(args.begin() + 1, args.end());
        for (const std::string& arg : rest)
            if (arg == "-h" || arg == "--help") {
                std::fputs(kUsage, stdout);
                return 0;
            }
        if (command == "play") return Play(rest);
        if (command == "replay") return Replay(rest);
        if (command == "view") return View(rest);
        throw UsageError("unknown command " + command);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "glidestone-game: %s\n%s", error.what(), kUsage);
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "glidestone-game: %s\n", error.what());
        return 1;
    }
}
