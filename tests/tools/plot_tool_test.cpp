// glidestone-plot as a user runs it: one request in, one picture out, the
// batch tool's messages for bad requests, and its exit statuses.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "plot/shot_svg.h"
#include "protocol/request_handler.h"
#include "tests/server/server_process.h"
#include "tests/tools/temp_file.h"
#include "tools/batch/batch_runner.h"
#include "tools/plot/plot_request.h"

namespace glidestone {
namespace {

using testing::TempFile;

const std::string kTakeout =
    R"({"id":"takeout","shot":[0.1,-36.5,-1],"stone1":[0.0,36.5,1],"stone2":[0.3,37.2,1],"stone3":[-0.4,35.9,1],"stone4":[0,0,0]})";

test::ProcessResult RunPlot(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), GLIDESTONE_PLOT_PATH);
    return test::ChildProcess(arguments).Wait();
}

int Shell(const std::string& command) {
    int const status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(PictureOfRequestTest, ReadsTheShotAndTheReplyAsTheServerDoes) {
    RequestHandler fresh;
    nlohmann::json const reply = nlohmann::json::parse(fresh.Handle(kTakeout));
    plot::ShotPicture const picture = PictureOfRequest(kTakeout, 2);
    EXPECT_EQ(picture.shot.target.x, 0.1f);
    EXPECT_EQ(picture.shot.target.y, 36.5f);
    EXPECT_TRUE(picture.shot.pass);
    EXPECT_EQ(picture.shot.spin, -1.0);
    EXPECT_EQ(picture.release_velocity.x, reply["shot"][0].get<float>());
    EXPECT_EQ(picture.release_velocity.y, reply["shot"][1].get<float>());
    EXPECT_EQ(picture.trajectory.sample_every, 2);
    for (int n : {1, 2, 3, 16}) {
        const std::vector<StonePose>& track = picture.trajectory.tracks[n - 1];
        ASSERT_FALSE(track.empty()) << n;
        nlohmann::json const stone = reply["stone" + std::to_string(n)];
        EXPECT_EQ(track.back().position.x, stone[0].get<float>()) << n;
        EXPECT_EQ(track.back().position.y, stone[1].get<float>()) << n;
    }
    EXPECT_FALSE(picture.trajectory.InPlay(3));

    // Out of range: the reply's null velocity comes back as not finite.
    plot::ShotPicture const near = PictureOfRequest(R"({"shot":[0,10,1],"stone1":[0,0,0]})");
    EXPECT_TRUE(std::isnan(near.release_velocity.x));
    EXPECT_FALSE(near.shot.pass);
}

TEST(PlotToolTest, DrawsTheRequestFromAFileOrStandardInput) {
    TempFile request(kTakeout + "\n\n");
    std::string const expected = plot::RenderShotSvg(PictureOfRequest(kTakeout));

    test::ProcessResult const from_file = RunPlot({request.path()});
    ASSERT_TRUE(from_file.exited && from_file.exit_code == 0) << test::Describe(from_file);
    EXPECT_EQ(from_file.out, expected);
    EXPECT_EQ(from_file.err, "");

    TempFile out;
    EXPECT_EQ(Shell(std::string(GLIDESTONE_PLOT_PATH) + " -o " + out.path() + " < " + request.path()), 0);
    EXPECT_EQ(out.Read(), expected);
    EXPECT_EQ(Shell(std::string(GLIDESTONE_PLOT_PATH) + " --view=sheet --animate --teams halves --every 3 -o " +
                    out.path() + " - < " + request.path()),
              0);
    plot::PlotOptions options;
    options.view = plot::View::kSheet;
    options.animate = true;
    options.teams = plot::TeamsHalves();
    EXPECT_EQ(out.Read(), plot::RenderShotSvg(PictureOfRequest(kTakeout, 3), options));
}

TEST(PlotToolTest, BadRequestsGiveTheBatchToolsMessages) {
    for (const std::string& bad :
         {std::string("{\"shot\":[0.5,38.0,true],\"stone1\":[0,0,0]}"), std::string("[]"), std::string("{}"),
          std::string("{\"shot\":[0,35"), std::string("{\"shot\":[0,35,1],\"stone1\":[\"a\",1,1]}")}) {
        std::string const batch_message = nlohmann::json::parse(AnswerAlone(bad, 1))["error"].get<std::string>();
        TempFile request(bad + "\n");
        TempFile out("untouched");
        test::ProcessResult const result = RunPlot({"-o", out.path(), request.path()});
        EXPECT_TRUE(result.exited && result.exit_code == 1) << bad << "\n" << test::Describe(result);
        EXPECT_EQ(result.err, "glidestone-plot: " + batch_message + "\n") << bad;
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(out.Read(), "untouched") << "no picture for a failed request";
    }
}

TEST(PlotToolTest, ExitStatusTellsSuccessFailureAndUsage) {
    TempFile request(kTakeout + "\n");
    TempFile two(kTakeout + "\n" + kTakeout + "\n");
    TempFile empty("");
    TempFile too_long(std::string(kMaxRequestLineBytes + 1, ' ') + "\n");
    std::string const tool = GLIDESTONE_PLOT_PATH;
    EXPECT_EQ(Shell(tool + " " + request.path() + " >/dev/null"), 0);
    EXPECT_EQ(Shell(tool + " " + two.path() + " 2>/dev/null >/dev/null"), 1);
    EXPECT_EQ(Shell(tool + " " + empty.path() + " 2>/dev/null >/dev/null"), 1);
    EXPECT_EQ(Shell(tool + " /nonexistent/request 2>/dev/null"), 1);
    EXPECT_EQ(Shell(tool + " -o /nonexistent/out.svg " + request.path() + " 2>/dev/null"), 1);
    for (const char* usage :
         {"--bogus", "--view side", "--view", "--teams 0", "--every 0", "--every x", "--animate=yes", "a b"})
        EXPECT_EQ(Shell(tool + " " + usage + " 2>/dev/null >/dev/null"), 2) << usage;

    test::ProcessResult const help = RunPlot({"--help"});
    EXPECT_TRUE(help.exited && help.exit_code == 0);
    EXPECT_NE(help.out.find("usage: glidestone-plot"), std::string::npos);
    test::ProcessResult const long_line = RunPlot({too_long.path()});
    EXPECT_EQ(long_line.exit_code, 1);
    EXPECT_NE(long_line.err.find("request line longer than"), std::string::npos);
    test::ProcessResult const second = RunPlot({two.path()});
    EXPECT_NE(second.err.find("line 2"), std::string::npos) << second.err;
}

}  // namespace
}  // namespace glidestone
