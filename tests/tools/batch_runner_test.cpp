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

#include "server/request_handler.h"
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

Result RunOn(const std::string& input, int threads, int window = 8) {
    TempFile in(input);
    TempFile out;
    int const fd = ::open(in.path().c_str(), O_RDONLY);
    std::FILE* file = std::fopen(out.path().c_str(), "w");
    LineReader reader(fd, kMaxRequestLineBytes);
    BatchOptions options;
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

}  // namespace
}  // namespace glidestone
