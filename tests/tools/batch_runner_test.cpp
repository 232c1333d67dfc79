#include "tools/batch/batch_runner.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <nlohmann/json.hpp>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "protocol/request_handler.h"
#include "research/execution_noise.h"
#include "shot/shot_player.h"
#include "tests/tools/temp_file.h"

namespace glidestone {
namespace {

using nlohmann::json;
using testing::TempFile;

// Requests whose replies on a long-running server would depend on what came
// before: stones that end the list early report their slot's history.
std::vector<std::string> Corpus() {
    std::vector<std::string> lines;
    for (int i = 0; i < 12; ++i) {
        json request;
        int const stones = (i * 5) % 16;
        for (int n = 1; n <= 15; ++n) {
            if (n <= stones)
                request["stone" + std::to_string(n)] = {-1.5 + 0.2 * n, 33.0 + 0.5 * (n % 7), 1};
            else if (n == stones + 1)
                request["stone" + std::to_string(n)] = {0, 0, 0};
        }
        double const y = i % 3 == 0 ? -37.5 : 36.0 + 0.25 * i;
        request["shot"] = {0.3 * (i % 5) - 0.6, y, i % 2 ? 1 : -1};
        request["id"] = i;
        lines.push_back(request.dump());
    }
    return lines;
}

std::string Join(const std::vector<std::string>& lines, bool final_newline = true) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        text += lines[i];
        if (i + 1 < lines.size() || final_newline) text += '\n';
    }
    return text;
}

struct Result {
    BatchSummary summary;
    std::string output;
};

Result RunOn(const std::string& input, int threads, int window = 8, BatchOptions options = {}) {
    TempFile in(input);
    TempFile out;
    int const fd = ::open(in.path().c_str(), O_RDONLY);
    std::FILE* file = std::fopen(out.path().c_str(), "w");
    LineReader reader(fd, kMaxRequestLineBytes);
    options.threads = threads;
    options.window = window;
    Result result;
    result.summary = RunBatch(reader, file, options);
    std::fclose(file);
    ::close(fd);
    result.output = out.Read();
    return result;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(BatchRunnerTest, OutputDoesNotDependOnThreadsOrHistory) {
    std::string const input = Join(Corpus());
    Result const one = RunOn(input, 1);
    Result const three = RunOn(input, 3, 4);
    EXPECT_EQ(one.output, three.output);
    EXPECT_EQ(one.summary.lines, Corpus().size());
    EXPECT_EQ(one.summary.failed, 0u);

    // Each line is what a fresh server answers to that request alone.
    std::vector<std::string> const replies = Lines(one.output);
    ASSERT_EQ(replies.size(), Corpus().size());
    RequestHandler handler;
    for (std::size_t i = 0; i < replies.size(); ++i) {
        handler.ResetToFreshState();
        EXPECT_EQ(replies[i], handler.Handle(Corpus()[i])) << "line " << i + 1;
    }
    // A long-running server would have answered some of them differently.
    handler.ResetToFreshState();
    int differ = 0;
    for (std::size_t i = 0; i < replies.size(); ++i) differ += replies[i] != handler.Handle(Corpus()[i]);
    EXPECT_GT(differ, 0);
}

// With a window of one, every thread but the one answering the next line in
// order waits with its reply in hand; nothing is lost or reordered.
TEST(BatchRunnerTest, AWindowOfOneStillGivesEveryLineInOrder) {
    std::string const input = Join(Corpus());
    Result const one = RunOn(input, 1);
    Result const narrow = RunOn(input, 3, 1);
    EXPECT_EQ(narrow.output, one.output);
    EXPECT_EQ(narrow.summary.lines, Corpus().size());
}

// Failing input or output ends the batch with the failure, on any number of
// threads, instead of a hang or a short output reported as success.
TEST(BatchRunnerTest, ReadAndWriteFailuresAreReported) {
    for (int threads : {1, 2}) {
        SCOPED_TRACE(threads);
        // A directory opens but cannot be read.
        int const directory = ::open(".", O_RDONLY | O_DIRECTORY);
        ASSERT_GE(directory, 0);
        LineReader unreadable(directory, kMaxRequestLineBytes);
        TempFile out;
        std::FILE* file = std::fopen(out.path().c_str(), "w");
        BatchOptions options;
        options.threads = threads;
        EXPECT_THROW(RunBatch(unreadable, file, options), std::system_error);
        std::fclose(file);
        ::close(directory);

        TempFile in(Join(Corpus()));
        int const fd = ::open(in.path().c_str(), O_RDONLY);
        LineReader reader(fd, kMaxRequestLineBytes);
        std::FILE* full = std::fopen("/dev/full", "w");
        ASSERT_NE(full, nullptr);
        EXPECT_THROW(RunBatch(reader, full, options), std::system_error);
        std::fclose(full);
        ::close(fd);
    }
}

TEST(BatchRunnerTest, BadLinesGiveErrorLinesAndTheRestGoesOn) {
    std::vector<std::string> lines = Corpus();
    lines.resize(3);
    lines.insert(lines.begin() + 1, "");
    lines.insert(lines.begin() + 2, "{not json");
    lines.insert(lines.begin() + 3, R"({"pad":")" + std::string(kMaxRequestLineBytes, 'x') + R"("})");
    lines.insert(lines.begin() + 4, R"({"error":"a member, not a failure","shot":[0,35,1],"stone1":[0,0,0]})");
    Result const result = RunOn(Join(lines, /*final_newline=*/false), 2);
    std::vector<std::string> const out = Lines(result.output);
    ASSERT_EQ(out.size(), lines.size());
    EXPECT_EQ(result.summary.failed, 3u);

    json const empty = json::parse(out[1]);
    EXPECT_EQ(empty["line"], 2);
    EXPECT_NE(empty["error"].get<std::string>().find("parse error"), std::string::npos);
    EXPECT_EQ(json::parse(out[2])["line"], 3);
    json const too_long = json::parse(out[3]);
    EXPECT_EQ(too_long["line"], 4);
    EXPECT_NE(too_long["error"].get<std::string>().find("longer than 1048576"), std::string::npos);
    EXPECT_TRUE(json::parse(out[4]).contains("stone16"));
    // The last line had no line-feed and is answered all the same.
    EXPECT_TRUE(json::parse(out.back()).contains("stone16"));
}

TEST(BatchRunnerTest, ParseErrorsQuotingInvalidUtf8StillGiveJsonLines) {
    Result const result = RunOn("{\"a\":\"\xff\xfe\"}\n", 1);
    json const error = json::parse(result.output);
    EXPECT_EQ(error["line"], 1);
}

BatchOptions Noisy(double sigma_speed, double sigma_angle, std::uint64_t seed) {
    BatchOptions options;
    options.noise = {sigma_speed, sigma_angle};
    options.seed = seed;
    return options;
}

TEST(BatchNoiseTest, EachLinesNoiseComesFromTheSeedAndItsNumberAlone) {
    std::string const input = Join(Corpus());
    BatchOptions const noisy = Noisy(0.05, 0.005, 17);
    Result const one = RunOn(input, 1, 8, noisy);
    Result const two = RunOn(input, 2, 4, noisy);
    EXPECT_EQ(one.output, two.output);
    EXPECT_EQ(one.summary.failed, 0u);

    // Line N is a fresh handler's reply with draw N, and its shot is the
    // velocity really thrown.
    std::vector<std::string> const replies = Lines(one.output);
    ASSERT_EQ(replies.size(), Corpus().size());
    RequestHandler handler;
    for (std::size_t i = 0; i < replies.size(); ++i) {
        handler.ResetToFreshState();
        std::optional<ReleasePerturbation> const draw = DrawReleasePerturbation(noisy.noise, 17, i + 1);
        EXPECT_EQ(replies[i], handler.Handle(Corpus()[i], draw)) << "line " << i + 1;
        EXPECT_EQ(replies[i], AnswerAlone(Corpus()[i], i + 1, noisy)) << "line " << i + 1;
    }

    // Noise changes every reply; another seed changes them again.
    Result const plain = RunOn(input, 2);
    Result const reseeded = RunOn(input, 2, 8, Noisy(0.05, 0.005, 18));
    std::vector<std::string> const plain_lines = Lines(plain.output);
    std::vector<std::string> const reseeded_lines = Lines(reseeded.output);
    for (std::size_t i = 0; i < replies.size(); ++i) {
        EXPECT_NE(replies[i], plain_lines[i]) << "line " << i + 1;
        EXPECT_NE(replies[i], reseeded_lines[i]) << "line " << i + 1;
    }
}

TEST(BatchNoiseTest, ZeroNoiseIsThePlainOutput) {
    std::string const input = Join(Corpus());
    EXPECT_EQ(RunOn(input, 2, 8, Noisy(0.0, 0.0, 99)).output, RunOn(input, 2).output);
}

TEST(BatchNoiseTest, ReportedShotIsThePerturbedPlan) {
    std::string const request = R"({"shot":[0.2,38.2,-1],"stone1":[0,0,0]})";
    BatchOptions const noisy = Noisy(0.1, 0.02, 4);
    json const reply = json::parse(AnswerAlone(request, 3, noisy));
    Vector2 const planned = ShotPlayer().Plan(Shot{{0.2f, 38.2f}, false, -1.0});
    Vector2 const thrown = PerturbRelease(planned, *DrawReleasePerturbation(noisy.noise, 4, 3));
    EXPECT_EQ(reply["shot"][0].get<double>(), static_cast<double>(thrown.x));
    EXPECT_EQ(reply["shot"][1].get<double>(), static_cast<double>(thrown.y));
    EXPECT_NE(thrown.x, planned.x);
}

TEST(AnswerAllTest, GivesTheLinesRunBatchWritesWhateverTheThreads) {
    std::vector<std::string> requests = Corpus();
    requests.insert(requests.begin() + 2, "{not json");
    requests.insert(requests.begin() + 5, "");
    requests.push_back(R"({"pad":")" + std::string(kMaxRequestLineBytes, 'x') + R"("})");
    std::vector<std::string> const written = Lines(RunOn(Join(requests), 2).output);
    for (int threads : {1, 3}) {
        std::size_t calls = 0;
        std::size_t last = 0;
        std::vector<std::string> const answered = AnswerAll(requests, threads, [&](std::size_t done) {
            EXPECT_GE(done, last) << "progress never goes back";
            last = done;
            ++calls;
            return true;
        });
        EXPECT_EQ(answered, written) << threads << " threads";
        EXPECT_GE(calls, 1u);
        EXPECT_EQ(last, requests.size()) << "the last report counts every request";
    }
    EXPECT_TRUE(AnswerAll({}, 4).empty());
}

TEST(AnswerAllTest, StopsWhenProgressSaysSoOrThrows) {
    std::vector<std::string> const requests(200, Corpus()[1]);
    std::atomic<std::size_t> reported{0};
    auto const cancel = [&](std::size_t done) {
        reported = done;
        return false;
    };
    EXPECT_THROW(AnswerAll(requests, 2, cancel, std::chrono::milliseconds(1)), BatchCancelled);
    EXPECT_LT(reported.load(), requests.size()) << "cancelled before the end";
    auto const fail = [](std::size_t) -> bool { throw std::logic_error("from the callback"); };
    EXPECT_THROW(AnswerAll(requests, 2, fail, std::chrono::milliseconds(1)), std::logic_error);
}

TEST(AnswerAllTest, RefusesARequestHoldingALineFeed) {
    std::vector<std::string> const requests{Corpus()[0], "{}\n{}"};
    try {
        AnswerAll(requests, 1);
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find("request 2"), std::string::npos) << e.what();
    }
}

int RunTool(const std::string& arguments) {
    int const status = std::system((std::string(GLIDESTONE_BATCH_PATH) + " " + arguments).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(BatchToolTest, ExitStatusTellsSuccessFailureAndUsage) {
    TempFile good(Join(Corpus()));
    TempFile bad(Join({Corpus()[0], "[]"}));
    TempFile out;
    EXPECT_EQ(RunTool("-j 2 -o " + out.path() + " " + good.path()), 0);
    EXPECT_EQ(Lines(out.Read()).size(), Corpus().size());
    EXPECT_EQ(RunTool("-o " + out.path() + " < " + bad.path()), 1);
    EXPECT_EQ(Lines(out.Read()).size(), 2u);
    EXPECT_EQ(RunTool("-j 0 2>/dev/null"), 2);
    EXPECT_EQ(RunTool("--bogus 2>/dev/null"), 2);
    EXPECT_EQ(RunTool("--help >/dev/null"), 0);
    EXPECT_EQ(RunTool("/nonexistent/requests 2>/dev/null"), 1);
}

TEST(BatchToolTest, NoiseOptions) {
    TempFile requests(Join(Corpus()));
    TempFile plain, zero, one, two, other;
    std::string const in = " " + requests.path();
    ASSERT_EQ(RunTool("-o " + plain.path() + in), 0);
    ASSERT_EQ(RunTool("--noise-speed 0 --noise-angle 0 --seed 5 -o " + zero.path() + in), 0);
    ASSERT_EQ(RunTool("-j 1 --noise-speed 0.04 --noise-angle 0.003 --seed 5 -o " + one.path() + in), 0);
    ASSERT_EQ(RunTool("-j 2 --seed 5 --noise-angle 0.003 --noise-speed 0.04 -o " + two.path() + in), 0);
    ASSERT_EQ(RunTool("-j 2 --noise-speed 0.04 --noise-angle 0.003 --seed 6 -o " + other.path() + in), 0);
    EXPECT_EQ(zero.Read(), plain.Read());
    EXPECT_EQ(one.Read(), two.Read());
    EXPECT_NE(one.Read(), plain.Read());
    EXPECT_NE(one.Read(), other.Read());
    EXPECT_EQ(Lines(one.Read()).size(), Corpus().size());

    for (const char* bad : {"--noise-speed -0.1", "--noise-angle nan", "--noise-speed inf", "--noise-speed 1e999",
                            "--noise-speed 0.1x", "--noise-speed", "--noise-angle ''", "--noise-speed 0.1 --seed -1",
                            "--noise-speed 0.1 --seed 18446744073709551616", "--noise-speed 0.1 --seed 1.5",
                            "--noise-speed 0.1 --seed", "--seed 3"})
        EXPECT_EQ(RunTool(std::string(bad) + in + " >/dev/null 2>&1"), 2) << bad;
    EXPECT_EQ(RunTool("--noise-speed 0.1 --seed 18446744073709551615" + in + " >/dev/null"), 0);
}

}  // namespace
}  // namespace glidestone
