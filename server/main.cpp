#include <csignal>
#include <cstring>
#include <iostream>

#include "server/connection.h"
#include "server/port.h"

namespace {

constexpr const char* kUsage =
    "usage: glidestone-server N\n"
    "Serves one client on TCP port N + 10000 (wrapped to 16 bits) on every IPv4 address.\n"
    "The client sends one JSON request per line; each reply is a JSON object without a terminator.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::cout << kUsage;
        return 0;
    }
    if (argc != 2) {
        std::cerr << kUsage;
        return 2;
    }
    // A client or a reader of standard output that goes away must not kill
    // the process: such write errors are handled where they occur.
    std::signal(SIGPIPE, SIG_IGN);
    return glidestone::Serve(glidestone::PortFromArgument(argv[1]));
}
