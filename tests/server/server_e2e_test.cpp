// End-to-end tests: run the real glidestone-server binary on a loopback port
// and talk to it over TCP.

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <nlohmann/json.hpp>
#include <string>
#include <thread>
#include <vector>

#include "server/port.h"
#include "tests/server/server_process.h"

namespace glidestone::test {
namespace {

using nlohmann::json;

constexpr const char* kServerPath = GLIDESTONE_SERVER_PATH;
constexpr const char* kRequest = R"({"shot":[0,35,1],"stone1":[0,0,0]})";

// The argument that makes the server listen on `port`: n + 10000 is the port.
std::string ArgumentFor(std::uint16_t port) {
    return std::to_string(static_cast<int>(port) - 10000);
}

std::size_t LineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A server running on a port of its own, with a connected client.
struct Session {
    std::uint16_t port = FindFreePort();
    ChildProcess server{{kServerPath, ArgumentFor(port)}};
    std::optional<Client> client = ConnectWithRetry(port, server);
};

#define START_SESSION(name)                                                                   \
    Session name;                                                                             \
    ASSERT_TRUE(name.client.has_value()) << "could not connect to port " << name.port << "\n" \
                                         << Describe(name.server.Wait())

// Sends `line` and returns the parsed reply, failing the test if there is none.
// An empty object if there is none. Callers keep replies non-const, so that
// operator[] on a missing key gives null rather than undefined behaviour.
json Exchange(Client& client, const std::string& line, std::string* raw = nullptr) {
    EXPECT_TRUE(client.Send(line));
    Received const reply = client.ReadReply();
    EXPECT_TRUE(reply.complete()) << "eof=" << reply.eof << " timed_out=" << reply.timed_out
                                  << " bytes=" << reply.bytes;
    if (raw != nullptr) *raw = reply.bytes;
    json parsed = json::parse(reply.bytes, nullptr, /*allow_exceptions=*/false);
    return parsed.is_object() ? parsed : json::object();  // so that a failure reads as missing keys
}

void ExpectStone16NearTarget(const json& reply) {
    ASSERT_TRUE(reply.is_object()) << reply;
    ASSERT_TRUE(reply.contains("stone16")) << reply;
    const json& stone = reply["stone16"];
    ASSERT_TRUE(stone.is_array() && stone.size() == 3) << stone;
    EXPECT_NEAR(stone[1].get<double>(), 34.946, 0.01);
    EXPECT_NEAR(stone[0].get<double>(), 0.0, 0.01);
    EXPECT_EQ(stone[2], 1);
}

// The reply a freshly started server gives to `line` as its first request.
std::string FreshReply(const std::string& line) {
    Session fresh;
    if (!fresh.client) {
        ADD_FAILURE() << "could not connect\n" << Describe(fresh.server.Wait());
        return {};
    }
    std::string raw;
    Exchange(*fresh.client, line, &raw);
    return raw;
}

// The process ended by exiting (not by a signal) with `code`.
::testing::AssertionResult ExitedWith(const ProcessResult& result, int code) {
    if (result.exited && result.exit_code == code) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "expected exit status " << code << "\n" << Describe(result);
}

std::string Nested(int depth) {
    return std::string(static_cast<std::size_t>(depth), '[') + std::string(static_cast<std::size_t>(depth), ']');
}

// --- command line -----------------------------------------------------------

TEST(ServerPort, ArgumentIsReadAsAtoiDoesAndOffsetByTenThousandWrapped) {
    EXPECT_EQ(PortFromArgument("0"), 10000);
    EXPECT_EQ(PortFromArgument("-5"), 9995);
    EXPECT_EQ(PortFromArgument("-10000"), 0);
    EXPECT_EQ(PortFromArgument("55535"), 65535);
    EXPECT_EQ(PortFromArgument("55536"), 0);
    EXPECT_EQ(PortFromArgument("55537"), 1);
    EXPECT_EQ(PortFromArgument("60000"), 4464);
    EXPECT_EQ(PortFromArgument("-10001"), 65535);
    EXPECT_EQ(PortFromArgument("abc"), 10000);
    EXPECT_EQ(PortFromArgument(""), 10000);
    EXPECT_EQ(PortFromArgument("  +42xyz"), 10042);
    EXPECT_EQ(PortFromArgument("12.9"), 10012);
    EXPECT_EQ(PortFromArgument("65536"), 10000);
    EXPECT_EQ(PortFromArgument("4294967296"), 10000);
    // Beyond the range of long: saturated, as strtol does.
    EXPECT_EQ(PortFromArgument("99999999999999999999"), 9999);
    EXPECT_EQ(PortFromArgument("-99999999999999999999"), 10000);
}

TEST(ServerCommandLine, UsageAndHelp) {
    {
        ChildProcess server({kServerPath});
        ProcessResult const result = server.Wait();
        EXPECT_TRUE(ExitedWith(result, 2));
        EXPECT_NE(result.err.find("usage: glidestone-server N"), std::string::npos) << result.err;
        EXPECT_EQ(result.out, "");
    }
    {
        ChildProcess server({kServerPath, "1", "2"});
        ProcessResult const result = server.Wait();
        EXPECT_TRUE(ExitedWith(result, 2));
        EXPECT_NE(result.err.find("usage:"), std::string::npos) << result.err;
    }
    for (const char* option : {"-h", "--help"}) {
        ChildProcess server({kServerPath, option});
        ProcessResult const result = server.Wait();
        EXPECT_TRUE(ExitedWith(result, 0)) << option;
        EXPECT_NE(result.out.find("usage: glidestone-server N"), std::string::npos) << option << ": " << result.out;
        EXPECT_EQ(result.err, "") << option;
    }
}

// Arguments whose port is fixed; skipped when that port is taken.
class ServerFixedPort : public testing::TestWithParam<std::pair<const char*, std::uint16_t>> {};

TEST_P(ServerFixedPort, ListensWhereTheArgumentSays) {
    auto const [argument, port] = GetParam();
    if (!PortIsFree(port)) GTEST_SKIP() << "port " << port << " is in use";
    ChildProcess server({kServerPath, argument});
    std::optional<Client> client = ConnectWithRetry(port, server);
    ASSERT_TRUE(client.has_value()) << Describe(server.Wait());
    client->Close();
    ProcessResult const result = server.Wait();
    EXPECT_TRUE(ExitedWith(result, 0));
    EXPECT_EQ(result.out, "connect\n");
}

INSTANTIATE_TEST_SUITE_P(Arguments, ServerFixedPort,
                         testing::Values(std::make_pair("abc", std::uint16_t{10000}),
                                         std::make_pair("-5", std::uint16_t{9995})),
                         [](const auto& info) { return "Port" + std::to_string(info.param.second); });

TEST(ServerSetup, PortInUseFailsWithBindMessage) {
    std::uint16_t const port = FindFreePort();
    UniqueFd const holder = BindTcp(port, /*listen=*/true);
    ASSERT_TRUE(holder.valid()) << std::strerror(errno);

    ChildProcess server({kServerPath, ArgumentFor(port)});
    ProcessResult const result = server.Wait();
    EXPECT_TRUE(ExitedWith(result, 1));
    EXPECT_EQ(LineCount(result.err), 1u) << result.err;
    EXPECT_NE(result.err.find("bind"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find(std::strerror(EADDRINUSE)), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
}

// --- a connection's life ----------------------------------------------------

TEST(ServerSession, AnswersLinesDiscardsExtraBytesAndExitsCleanly) {
    START_SESSION(s);
    // Printed on accept, before any request.
    EXPECT_TRUE(s.server.WaitForStdout("connect\n", std::chrono::seconds(10))) << s.server.Stdout();

    ExpectStone16NearTarget(Exchange(*s.client, std::string(kRequest) + "\n"));
    ExpectStone16NearTarget(Exchange(*s.client, std::string(kRequest) + "\r\n"));

    // Two requests in one write: only the first is answered, the second is
    // dropped rather than queued.
    std::string const first = R"({"shot":[0,35,1],"stone1":[0,0,0],"id":1})";
    std::string const second = R"({"shot":[0,35,1],"stone1":[0,0,0],"id":2})";
    json reply1 = Exchange(*s.client, first + "\n" + second + "\n");
    EXPECT_EQ(reply1["id"], 1);
    ExpectStone16NearTarget(reply1);
    json reply3 = Exchange(*s.client, R"({"shot":[0,35,1],"stone1":[0,0,0],"id":3})"
                                      "\n");
    EXPECT_EQ(reply3["id"], 3) << "the second request of the pair was answered";

    s.client->Close();
    ProcessResult const result = s.server.Wait();
    EXPECT_TRUE(ExitedWith(result, 0));
    EXPECT_EQ(result.out, "connect\n");
    EXPECT_EQ(result.err, "");
}

TEST(ServerSession, RequestEndedByEofIsAnsweredThenServerExits) {
    START_SESSION(s);
    ASSERT_TRUE(s.client->Send(kRequest));
    s.client->ShutdownWrite();
    Received const received = s.client->ReadToEof();
    EXPECT_TRUE(received.eof);
    ASSERT_TRUE(received.complete()) << received.bytes;
    ExpectStone16NearTarget(json::parse(received.bytes));

    ProcessResult const result = s.server.Wait();
    EXPECT_TRUE(ExitedWith(result, 0));
    EXPECT_EQ(result.out, "connect\n");
    EXPECT_EQ(result.err, "");
}

TEST(ServerSession, ResetConnectionIsAFailedRead) {
    START_SESSION(s);
    ASSERT_TRUE(s.server.WaitForStdout("connect\n", std::chrono::seconds(10))) << s.server.Stdout();
    s.client->Reset();

    ProcessResult const result = s.server.Wait();
    EXPECT_TRUE(ExitedWith(result, 1));
    EXPECT_EQ(result.out, std::string("connect\nreceive failed: ") + std::strerror(ECONNRESET) + "\n");
}

TEST(ServerSession, UnusualButValidRequestsAreAnswered) {
    std::string const fresh_reply = FreshReply(std::string(kRequest) + "\n");
    ASSERT_FALSE(fresh_reply.empty());

    START_SESSION(s);
    // A target outside the fitted range: no velocity, the stone stays at
    // release.
    json out_of_range = Exchange(*s.client, R"({"shot":[0,20,1],"stone1":[0,0,0]})"
                                            "\n");
    EXPECT_EQ(out_of_range["shot"], json::parse("[null,null,1]"));
    EXPECT_EQ(out_of_range["stone16"], json::parse("[0.0,0.0,1]"));

    // ... and leaves nothing behind.
    std::string raw;
    Exchange(*s.client, std::string(kRequest) + "\n", &raw);
    EXPECT_EQ(raw, fresh_reply);

    // A spin outside the int range reads as clockwise and is still finite.
    json big_spin = Exchange(*s.client, R"({"shot":[0,35,5e9],"stone1":[0,0,0]})"
                                        "\n");
    ASSERT_TRUE(big_spin.contains("stone16")) << big_spin;
    EXPECT_EQ(big_spin["stone16"][2], 1);
    EXPECT_EQ(big_spin["shot"][2], 5e9);
    EXPECT_TRUE(big_spin["shot"][0].is_number() && big_spin["shot"][1].is_number()) << big_spin["shot"];

    // Nesting well within the limit is echoed back.
    std::string const nested = Nested(200);
    json deep = Exchange(*s.client, R"({"shot":[0,35,1],"stone1":[0,0,0],"extra":)" + nested + "}\n");
    ExpectStone16NearTarget(deep);
    EXPECT_EQ(deep["extra"], json::parse(nested));

    s.client->Close();
    ProcessResult const result = s.server.Wait();
    EXPECT_TRUE(ExitedWith(result, 0));
    EXPECT_EQ(result.err, "");
}

// --- failures ---------------------------------------------------------------

struct FailingRequest {
    const char* name;
    std::string line;
    const char* message;  // part of the error line on standard error
};

void PrintTo(const FailingRequest& request, std::ostream* out) {
    *out << request.name;
}

class ServerFailure : public testing::TestWithParam<FailingRequest> {};

TEST_P(ServerFailure, NoReplyOneErrorLineAndExitStatusOne) {
    const FailingRequest& request = GetParam();
    START_SESSION(s);
    ASSERT_TRUE(s.client->Send(request.line + "\n"));
    Received const received = s.client->ReadToEof();
    EXPECT_TRUE(received.eof) << "the server kept the connection open";
    EXPECT_EQ(received.bytes, "") << "a failed request got a reply";

    ProcessResult const result = s.server.Wait();
    EXPECT_TRUE(ExitedWith(result, 1));
    EXPECT_EQ(LineCount(result.err), 1u) << result.err;
    EXPECT_NE(result.err.find(request.message), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "connect\n");
}

INSTANTIATE_TEST_SUITE_P(
    Requests, ServerFailure,
    testing::Values(FailingRequest{"NotJson", "not json", "parse error"},
                    FailingRequest{"EmptyObject", "{}", "type must be number, but is null"},
                    FailingRequest{"BooleanSpin", R"({"shot":[0.5,38.0,true],"stone1":[0,0,0]})",
                                   "type must be number, but is boolean"},
                    FailingRequest{"CoordinateBeyondFloat", R"({"shot":[0,35,1],"stone1":[1e39,0,1],"stone2":[0,0,0]})",
                                   "is not finite as a 32-bit float"},
                    FailingRequest{"SpinBeyondFloat", R"({"shot":[0,35,1e308],"stone1":[0,0,0]})", "out of range"},
                    FailingRequest{"DeepNesting",
                                   R"({"shot":[0,35,1],"stone1":[0,0,0],"extra":)" + Nested(100000) + "}",
                                   "nested deeper than"}),
    [](const testing::TestParamInfo<FailingRequest>& info) { return std::string(info.param.name); });

TEST(ServerFailureLongLine, LineOverOneMebibyteFailsWithoutWaitingForTheRest) {
    START_SESSION(s);
    // More than the limit and no line-feed; the connection stays open. The
    // server stops reading at the limit, so send from a thread of its own.
    std::string const payload((std::size_t{1} << 20) + (std::size_t{1} << 17), '7');
    std::thread sender([&] { s.client->Send(payload); });

    ProcessResult const result = s.server.Wait();
    s.client->ShutdownBoth();  // unblocks the sender if the server never read it all
    sender.join();

    EXPECT_TRUE(ExitedWith(result, 1));
    EXPECT_EQ(LineCount(result.err), 1u) << result.err;
    EXPECT_NE(result.err.find("longer than 1048576 bytes"), std::string::npos) << result.err;
}

}  // namespace
}  // namespace glidestone::test
