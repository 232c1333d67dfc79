// The batch tool against the real server: every line it writes is the reply
// that a freshly started server sends for that request on a new connection.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/server/server_process.h"
#include "tests/tools/temp_file.h"

namespace glidestone::test {
namespace {

// Requests whose replies on a long-running server would depend on those
// before: absent slots report history, and the engine keeps contact state.
const std::vector<std::string> kRequests = {
    R"({"shot":[0,35,1],"stone1":[0,0,0]})",
    R"({"id":"takeout","shot":[0.1,-36.5,-1],"stone1":[0.0,36.5,1],"stone2":[0.3,37.2,1],"stone3":[-0.4,35.9,1],"stone4":[0,0,0]})",
    R"({"shot":[0.5,38.0,1],"stone1":[0,5,0],"stone2":[9,9,1]})",
    R"({"shot":[-0.2,-37,1],"stone1":[-0.25,37.0,1],"stone2":[1.2,35.5,1],"stone3":[0,0,0]})",
    R"({"shot":[0,20,1],"stone1":[0,0,0]})",
    R"({"shot":[0.3,36,-1],"stone1":[0.3,36.1,1],"stone2":[0,0,0]})",
};

std::string FreshServerReply(const std::string& request) {
    std::uint16_t const port = FindFreePort();
    ChildProcess server({GLIDESTONE_SERVER_PATH, std::to_string(static_cast<int>(port) - 10000)});
    std::optional<Client> client = ConnectWithRetry(port, server);
    if (!client) {
        ADD_FAILURE() << "server did not listen\n" << Describe(server.Wait());
        return {};
    }
    EXPECT_TRUE(client->Send(request + "\n"));
    Received const reply = client->ReadReply();
    EXPECT_TRUE(reply.complete()) << request;
    return reply.bytes;
}

TEST(BatchAgainstServer, EveryLineIsAFreshServersReply) {
    std::string input;
    for (const std::string& request : kRequests) input += request + "\n";
    testing::TempFile requests(input);
    testing::TempFile replies;
    int const status = std::system(
        (std::string(GLIDESTONE_BATCH_PATH) + " -j 2 -o " + replies.path() + " " + requests.path()).c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    std::istringstream lines(replies.Read());
    std::vector<std::string> batch;
    for (std::string line; std::getline(lines, line);) batch.push_back(line);
    ASSERT_EQ(batch.size(), kRequests.size());
    for (std::size_t i = 0; i < kRequests.size(); ++i)
        EXPECT_EQ(batch[i], FreshServerReply(kRequests[i])) << "line " << i + 1;
}

}  // namespace
}  // namespace glidestone::test
