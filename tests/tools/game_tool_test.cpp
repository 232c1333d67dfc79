// glidestone-game as a user runs it: a game played from a file of actions,
// its record checked again, the viewer written, and the exit statuses.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "game/game.h"
#include "game/random_shot.h"
#include "game/record.h"
#include "tests/server/server_process.h"
#include "tests/tools/temp_file.h"

namespace glidestone {
namespace {

using testing::TempFile;

test::ProcessResult RunGame(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), GLIDESTONE_GAME_PATH);
    return test::ChildProcess(arguments).Wait();
}

// Action lines for `count` random shots, as a request's shot.
std::string Actions(int count) {
    SplitMix64 shots = SplitMix64::Stream(4, 0);
    std::string text;
    for (int i = 0; i < count; ++i) {
        Shot const shot = RandomShot(shots);
        char line[128];
        std::snprintf(line, sizeof line, "{\"shot\":[%.9g,%.9g,%d]}\n", static_cast<double>(shot.target.x),
                      shot.pass ? -static_cast<double>(shot.target.y) : static_cast<double>(shot.target.y),
                      static_cast<int>(shot.spin));
        text += line;
    }
    return text;
}

TEST(GameToolTest, PlaysAGameFromActionsAndItsRecordReplays) {
    // Two ends of four stones a team: 16 actions, maybe an extra end's 8.
    TempFile const actions(Actions(24) + R"({"release":[0.0,2.0,1.57]})"
                                         "\n");
    TempFile const record;
    test::ProcessResult played =
        RunGame({"play", "--ends", "2", "--stones-per-team", "4", "--noise-speed", "0.02", "--noise-angle", "0.002",
                 "--seed", "9", "--teams", "North,South", "-o", record.path(), actions.path()});
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = record.Read().find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(record.Read().substr(start, end - start));
    ASSERT_GE(lines.size(), 20u) << test::Describe(played);
    Game const game = ReplayGame(lines);
    EXPECT_EQ(game.rules().ends, 2);
    EXPECT_EQ(game.seed(), 9u);
    EXPECT_EQ(game.team_names(), (std::vector<std::string>{"North", "South"}));

    if (game.finished()) {
        // More actions than the game took: an error after the record is written.
        EXPECT_EQ(played.exit_code, 1) << test::Describe(played);
        EXPECT_NE(played.err.find("the game is over"), std::string::npos) << played.err;
    } else {
        EXPECT_EQ(played.exit_code, 0) << test::Describe(played);
    }

    test::ProcessResult const replayed = RunGame({"replay", record.path()});
    EXPECT_EQ(replayed.exit_code, 0) << test::Describe(replayed);
    EXPECT_NE(replayed.out.find("replay bit for bit"), std::string::npos) << replayed.out;

    TempFile const html;
    test::ProcessResult const viewed = RunGame({"view", record.path(), "-o", html.path()});
    EXPECT_EQ(viewed.exit_code, 0) << test::Describe(viewed);
    EXPECT_NE(html.Read().find("<html"), std::string::npos);
}

TEST(GameToolTest, ActionsThatRunOutLeaveTheGameUnfinished) {
    TempFile const actions(Actions(5));
    test::ProcessResult const played = RunGame({"play", actions.path()});
    EXPECT_EQ(played.exit_code, 0) << test::Describe(played);
    EXPECT_NE(played.err.find("unfinished"), std::string::npos) << played.err;
    // Header and five deliveries, no result.
    EXPECT_EQ(std::count(played.out.begin(), played.out.end(), '\n'), 6);
    EXPECT_EQ(played.out.find("\"result\""), std::string::npos);
}

TEST(GameToolTest, BadActionsRecordsAndUsageHaveTheirStatuses) {
    TempFile const bad_action("{\"shot\":[0,38,1]}\n{\"shot\":[0,38]}\n");
    test::ProcessResult const bad = RunGame({"play", bad_action.path()});
    EXPECT_EQ(bad.exit_code, 1);
    EXPECT_NE(bad.err.find("line 2"), std::string::npos) << bad.err;

    TempFile const actions(Actions(3));
    test::ProcessResult const played = RunGame({"play", actions.path()});
    ASSERT_EQ(played.exit_code, 0);
    std::string changed = played.out;
    changed.replace(changed.find("\"frames\":"), 9, "\"frames\":1");
    TempFile const tampered(changed);
    test::ProcessResult const replayed = RunGame({"replay", tampered.path()});
    EXPECT_EQ(replayed.exit_code, 1);
    EXPECT_NE(replayed.err.find("record line 2"), std::string::npos) << replayed.err;
    EXPECT_EQ(RunGame({"view", tampered.path(), "-o", "/dev/null"}).exit_code, 1);

    EXPECT_EQ(RunGame({}).exit_code, 2);
    EXPECT_EQ(RunGame({"throw"}).exit_code, 2);
    EXPECT_EQ(RunGame({"play", "--ends", "0"}).exit_code, 2);
    EXPECT_EQ(RunGame({"play", "--no-tick", "maybe"}).exit_code, 2);
    EXPECT_EQ(RunGame({"view", "record.jsonl"}).exit_code, 2);
    EXPECT_EQ(RunGame({"replay", "/nonexistent/record.jsonl"}).exit_code, 1);
    test::ProcessResult const help = RunGame({"--help"});
    EXPECT_EQ(help.exit_code, 0);
    EXPECT_NE(help.out.find("usage: glidestone-game play"), std::string::npos);
    EXPECT_NE(help.out.find("glidestone-game match AGENT_A AGENT_B"), std::string::npos);
}

// A directory in the temporary directory, removed with everything in it.
class TempDirectory {
public:
    TempDirectory() {
        char name[] = "/tmp/glidestone-match-XXXXXX";
        path_ = ::mkdtemp(name);
    }
    ~TempDirectory() { std::filesystem::remove_all(path_); }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

std::vector<std::string> FileLines(const std::string& path) {
    std::ifstream in(path);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(GameToolTest, MatchIsTheSameOnOneAndTwoThreadsAndWritesRecordsThatReplay) {
    TempDirectory const one_dir, two_dir;
    TempFile const one_json, two_json;
    std::vector<std::string> const common = {"match", "random", "heuristic", "--games",       "4",    "--ends",
                                             "1",     "--seed", "12",        "--noise-speed", "0.02", "--noise-angle",
                                             "0.002"};
    auto run = [&](const char* jobs, const TempDirectory& dir, const TempFile& json) {
        std::vector<std::string> arguments = common;
        for (const char* extra : {"-j", jobs, "--records", dir.path().c_str(), "--json", json.path().c_str()})
            arguments.push_back(extra);
        return RunGame(arguments);
    };
    test::ProcessResult const one = run("1", one_dir, one_json);
    test::ProcessResult const two = run("2", two_dir, two_json);
    ASSERT_EQ(one.exit_code, 0) << test::Describe(one);
    ASSERT_EQ(two.exit_code, 0) << test::Describe(two);
    // The table is the same but for the time per move, its last column.
    auto without_times = [](const std::string& out) {
        std::string kept;
        for (std::size_t start = 0, end; (end = out.find('\n', start)) != std::string::npos; start = end + 1) {
            std::string line = out.substr(start, end - start);
            if (line.rfind("random ", 0) == 0 || line.rfind("heuristic ", 0) == 0) line.erase(line.find_last_of(' '));
            kept += line + "\n";
        }
        return kept;
    };
    EXPECT_EQ(without_times(one.out), without_times(two.out));
    EXPECT_NE(one.out.find("95 % Wilson"), std::string::npos) << one.out;

    // The JSON: equal up to its timing, which comes last.
    std::string const a = one_json.Read(), b = two_json.Read();
    ASSERT_NE(a.find(",\"timing\":"), std::string::npos) << a;
    EXPECT_EQ(a.substr(0, a.find(",\"timing\":")), b.substr(0, b.find(",\"timing\":")));
    for (const char* field :
         {"\"agents\":[\"random\",\"heuristic\"]", "\"wins\":", "\"draws\":", "\"losses\":",
          "\"mean_score_difference\":", "\"win_rate\":", "\"win_rate_interval\":[", "\"elo\":", "\"elo_interval\":[",
          "\"finished\":4", "\"seconds_per_move\":[", "\"results\":[", "\"games_per_minute\":"})
        EXPECT_NE(a.find(field), std::string::npos) << field << " in " << a;

    for (int g = 0; g < 4; ++g) {
        char name[32];
        std::snprintf(name, sizeof name, "/game-%06d.jsonl", g);
        std::vector<std::string> const lines = FileLines(one_dir.path() + name);
        ASSERT_FALSE(lines.empty()) << name;
        EXPECT_EQ(lines, FileLines(two_dir.path() + name)) << name;
        EXPECT_NE(lines[0].find("\"teams\":[\"random\",\"heuristic\"]"), std::string::npos) << lines[0];
        Game const game = ReplayGame(lines);
        EXPECT_TRUE(game.finished());
        EXPECT_EQ(game.number(), static_cast<std::uint64_t>(g));
        EXPECT_EQ(game.rules().first_hammer, g % 2 == 0 ? 1 : 0);
    }

    EXPECT_EQ(RunGame({"match", "random"}).exit_code, 2);
    EXPECT_EQ(RunGame({"match", "random", "heuristic", "--games", "3"}).exit_code, 2);
    EXPECT_EQ(RunGame({"match", "random", "expert"}).exit_code, 2);
    EXPECT_EQ(RunGame({"match", "random", "montecarlo:samples=0"}).exit_code, 2);
}

}  // namespace
}  // namespace glidestone
