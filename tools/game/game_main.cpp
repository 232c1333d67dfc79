#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "game/agent.h"
#include "game/agent_match.h"
#include "game/game.h"
#include "game/record.h"
#include "tools/game/game_viewer.h"

namespace {

using namespace glidestone;

constexpr const char* kUsage =
    "usage: glidestone-game play [options] [-o RECORD] [ACTIONS]\n"
    "       glidestone-game replay RECORD\n"
    "       glidestone-game view RECORD -o GAME.html\n"
    "       glidestone-game match AGENT_A AGENT_B [options] [--records DIR] [--json FILE]\n"
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
    "match    plays AGENT_A (team 0) against AGENT_B (team 1) in pairs of games with the hammer swapped\n"
    "         (game g, from 0, under the seed: team 1 has the first hammer when g is even, team 0 when\n"
    "         odd), and prints wins, draws, losses, the mean score difference, A's win rate (a draw\n"
    "         counts half) with its 95 % Wilson interval, the Elo difference with the interval those\n"
    "         bounds give, and each agent's time per move. The same results for any -j.\n"
    "         Agents: random     targets drawn in and around the house, draw or pass, either spin\n"
    "                 heuristic  rules of thumb: hit the opponent's shot stone, guard our own early,\n"
    "                            draw to the button\n"
    "                 montecarlo weighs candidate shots by noisy deliveries, each followed by the\n"
    "                            heuristic's reply; settings after a colon (the defaults, about\n"
    "                            a second a move on one core):\n"
    "                            montecarlo:candidates=48,samples=144,rollout=1,threads=1\n"
    "         Progress goes to standard error when it is a terminal; Ctrl-C stops the match and\n"
    "         reports the games finished so far (exit 130).\n"
    "\n"
    "Options of play and match (defaults: the rules of a team game):\n"
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
    "  --teams A,B              play: names of team 0 and team 1, kept in the record\n"
    "\n"
    "Options of match (and the rule options above, but --first-hammer and --game):\n"
    "  --games N                games to play, an even number: N / 2 pairs (2)\n"
    "  -j, --jobs N             games played at once; 0: one for every core (0)\n"
    "  --records DIR            write game g's record to DIR/game-g.jsonl (g in six digits), its\n"
    "                           header naming the teams as AGENT_A and AGENT_B were given\n"
    "  --json FILE              write the results as JSON to FILE ('-': standard output)\n"
    "  -h, --help               this text\n"
    "\n"
    "Exit status: 0 done (the record replays, the page is written, the match is played), 1 a bad\n"
    "action, record or input/output failure, 2 usage error, 130 a match stopped by Ctrl-C.\n";

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

// The options of play and match that set a rule; false for any other.
template <typename Value>
bool RuleOption(const std::string& arg, Value&& value, Rules& rules) {
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
    } else if (arg == "--noise-speed") {
        rules.sigma_speed = ParseDouble(arg, value());
    } else if (arg == "--noise-angle") {
        rules.sigma_angle = ParseDouble(arg, value());
    } else {
        return false;
    }
    return true;
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
        if (arg == "--first-hammer") {
            rules.first_hammer = static_cast<int>(ParseUnsigned(arg, value(), 1));
        } else if (RuleOption(arg, value, rules)) {
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

std::atomic<bool> g_stop{false};

extern "C" void OnInterrupt(int) {
    g_stop = true;
    // A second Ctrl-C ends the program at once.
    std::signal(SIGINT, SIG_DFL);
}

// A number for a table: fixed digits, or "inf" / "-inf".
std::string Fixed(double value, int digits, bool sign = false) {
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char text[64];
    std::snprintf(text, sizeof text, sign ? "%+.*f" : "%.*f", digits, value);
    return text;
}

nlohmann::ordered_json Number(double value) {
    return std::isfinite(value) ? nlohmann::ordered_json(value) : nlohmann::ordered_json(nullptr);
}

std::string Table(const AgentConfig& a, const AgentConfig& b, const MatchSummary& s) {
    std::size_t width = std::max<std::size_t>({5, a.text.size(), b.text.size()});
    std::string text;
    char line[512];
    std::snprintf(line, sizeof line, "%-*s %6s %6s %6s %6s %10s %8s %17s %6s %17s %9s\n", static_cast<int>(width),
                  "agent", "games", "wins", "draws", "losses", "score diff", "win rate", "95 % Wilson", "Elo",
                  "95 % interval", "s/move");
    text += line;
    for (int side = 0; side < 2; ++side) {
        bool const b_side = side == 1;
        double const rate = b_side ? 1.0 - s.win_rate : s.win_rate;
        Interval const wilson =
            b_side ? Interval{1.0 - s.win_rate_interval.high, 1.0 - s.win_rate_interval.low} : s.win_rate_interval;
        double const elo = b_side ? -s.elo : s.elo;
        double const elo_low = b_side ? -s.elo_high : s.elo_low;
        double const elo_high = b_side ? -s.elo_low : s.elo_high;
        std::string const wilson_text = "[" + Fixed(wilson.low, 3) + ", " + Fixed(wilson.high, 3) + "]";
        std::string const elo_text = "[" + Fixed(elo_low, 0, true) + ", " + Fixed(elo_high, 0, true) + "]";
        std::snprintf(line, sizeof line, "%-*s %6llu %6llu %6llu %6llu %10s %8s %17s %6s %17s %9s\n",
                      static_cast<int>(width), (b_side ? b : a).text.c_str(), static_cast<unsigned long long>(s.games),
                      static_cast<unsigned long long>(b_side ? s.losses : s.wins),
                      static_cast<unsigned long long>(s.draws),
                      static_cast<unsigned long long>(b_side ? s.wins : s.losses),
                      Fixed(b_side ? -s.mean_score_difference : s.mean_score_difference, 2, true).c_str(),
                      Fixed(rate, 3).c_str(), wilson_text.c_str(), Fixed(elo, 0, true).c_str(), elo_text.c_str(),
                      Fixed(s.seconds_per_move[static_cast<std::size_t>(side)], 4).c_str());
        text += line;
    }
    return text;
}

nlohmann::ordered_json ResultsJson(const AgentConfig& a, const AgentConfig& b, const MatchOptions& options,
                                   const std::vector<GameResult>& results, const MatchSummary& s, bool stopped) {
    nlohmann::ordered_json games = nlohmann::ordered_json::array();
    for (const GameResult& game : results) {
        if (!game.finished) continue;
        games.push_back(
            {{"game", game.number},
             {"first_hammer", game.first_hammer},
             {"totals", game.totals},
             {"winner", game.winner ? nlohmann::ordered_json(*game.winner) : nlohmann::ordered_json(nullptr)},
             {"ends", game.ends}});
    }
    const Rules& r = options.rules;
    return {
        {"agents", {a.text, b.text}},
        {"rules",
         {{"ends", r.ends},
          {"stones_per_team", r.stones_per_team},
          {"free_guard_zone_stones", r.free_guard_zone_stones},
          {"no_tick", r.no_tick},
          {"extra_ends", r.extra_ends},
          {"max_extra_ends", r.max_extra_ends},
          {"sigma_speed", r.sigma_speed},
          {"sigma_angle", r.sigma_angle}}},
        {"seed", options.seed},
        {"games", options.games},
        {"finished", s.games},
        {"stopped", stopped},
        {"wins", s.wins},
        {"draws", s.draws},
        {"losses", s.losses},
        {"mean_score_difference", s.mean_score_difference},
        {"score_difference_error", s.score_difference_error},
        {"win_rate", s.win_rate},
        {"win_rate_interval", {s.win_rate_interval.low, s.win_rate_interval.high}},
        {"elo", Number(s.elo)},
        {"elo_interval", {Number(s.elo_low), Number(s.elo_high)}},
        {"results", games},
        // Wall times vary from run to run; everything above does not.
        {"timing",
         {{"seconds_per_move", s.seconds_per_move},
          {"games_per_minute", s.games_per_minute},
          {"threads", options.threads}}},
    };
}

int Match(const std::vector<std::string>& args) {
    std::vector<AgentConfig> configs;
    MatchOptions options;
    options.rules = Rules{};
    std::string records;
    std::string json_path;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string const& arg = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) throw UsageError(arg + " wants a value");
            return args[++i];
        };
        if (RuleOption(arg, value, options.rules)) {
        } else if (arg == "--games") {
            options.games = ParseUnsigned(arg, value(), 100'000'000);
            if (options.games == 0 || options.games % 2 != 0)
                throw UsageError("--games wants an even number of games (pairs with the hammer swapped)");
        } else if (arg == "-j" || arg == "--jobs") {
            options.threads = static_cast<int>(ParseUnsigned(arg, value(), 4096));
        } else if (arg == "--seed") {
            options.seed = ParseUnsigned(arg, value(), UINT64_MAX);
        } else if (arg == "--records") {
            records = value();
        } else if (arg == "--json") {
            json_path = value();
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw UsageError("unknown option " + arg);
        } else {
            if (configs.size() == 2) throw UsageError("match wants two agents");
            try {
                configs.push_back(ParseAgentConfig(arg));
            } catch (const std::invalid_argument& error) {
                throw UsageError(error.what());
            }
        }
    }
    if (configs.size() != 2) throw UsageError("match wants two agents");
    try {
        options.rules.Validate();
    } catch (const std::invalid_argument& error) {
        throw UsageError(error.what());
    }
    if (!records.empty()) {
        std::error_code error;
        std::filesystem::create_directories(records, error);
        if (error) throw Failure("cannot make " + records + ": " + error.message());
    }

    bool const progress = isatty(STDERR_FILENO) != 0;
    std::uint64_t finished = 0;
    std::array<std::uint64_t, 3> tally{};  // A's wins, draws, losses
    std::string write_error;
    options.keep_records = !records.empty();
    options.stop = &g_stop;
    options.on_game = [&](const GameResult& game) {
        ++finished;
        ++tally[!game.winner ? 1 : *game.winner == 0 ? 0 : 2];
        if (!records.empty() && write_error.empty()) {
            char name[64];
            std::snprintf(name, sizeof name, "/game-%06llu.jsonl", static_cast<unsigned long long>(game.number));
            try {
                WriteFile(records + name, Joined(game.record));
            } catch (const Failure& error) {
                write_error = error.what();
            }
        }
        if (progress)
            std::fprintf(stderr, "\r%llu/%llu games: %s %llu wins, %llu draws, %llu losses  ",
                         static_cast<unsigned long long>(finished), static_cast<unsigned long long>(options.games),
                         configs[0].text.c_str(), static_cast<unsigned long long>(tally[0]),
                         static_cast<unsigned long long>(tally[1]), static_cast<unsigned long long>(tally[2]));
    };

    g_stop = false;
    std::signal(SIGINT, OnInterrupt);
    std::vector<GameResult> const results = RunMatch(configs[0], configs[1], options);
    std::signal(SIGINT, SIG_DFL);
    bool const stopped = g_stop.load();
    if (progress) std::fputs("\n", stderr);
    if (!write_error.empty()) throw Failure(write_error);

    MatchSummary const summary = Summarize(results);
    const Rules& r = options.rules;
    std::printf(
        "%s vs %s: %llu of %llu games (%llu pairs, hammer swapped), %d ends of %d stones a team, noise "
        "%g m/s %g rad, seed %llu%s\n",
        configs[0].text.c_str(), configs[1].text.c_str(), static_cast<unsigned long long>(summary.games),
        static_cast<unsigned long long>(options.games), static_cast<unsigned long long>(options.games / 2), r.ends,
        r.stones_per_team, r.sigma_speed, r.sigma_angle, static_cast<unsigned long long>(options.seed),
        stopped ? " (stopped by Ctrl-C)" : "");
    std::fputs(Table(configs[0], configs[1], summary).c_str(), stdout);
    std::printf("mean score difference %+.3f ± %.3f (standard error, %s's points minus %s's)\n",
                summary.mean_score_difference, summary.score_difference_error, configs[0].text.c_str(),
                configs[1].text.c_str());
    std::fflush(stdout);
    if (!json_path.empty())
        WriteFile(json_path, ResultsJson(configs[0], configs[1], options, results, summary, stopped).dump() + "\n");
    return stopped ? 130 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        if (args.empty()) throw UsageError("a command is wanted: play, replay, view or match");
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
        if (command == "match") return Match(rest);
        throw UsageError("unknown command " + command);
    } catch (const UsageError& error) {
        std::fprintf(stderr, "glidestone-game: %s\n%s", error.what(), kUsage);
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "glidestone-game: %s\n", error.what());
        return 1;
    }
}
