// glidestone-one-request: handles one request line N times in process, as a
// server handles a client's requests one after another, and prints the last
// reply. Made for instruction counts: under callgrind, the difference between
// runs with N = 2 and N = 1 is the cost of one request on a warm server, free
// of start-up; N = 1 alone, collected inside RequestHandler::Handle only, is
// the cost of a server's first request (see bench/README.md).

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>

#include "protocol/request_handler.h"

namespace {

constexpr const char* kUsage =
    "usage: glidestone-one-request REQUEST [N]\n"
    "Handles the JSON request line REQUEST N times (default 1) on one request handler, as a\n"
    "server handles one client's requests, and prints the last reply.\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::cout << kUsage;
        return 0;
    }
    if (argc < 2 || argc > 3) {
        std::cerr << kUsage;
        return 2;
    }
    long count = 1;
    if (argc == 3) {
        char* end = nullptr;
        errno = 0;
        count = std::strtol(argv[2], &end, 10);
        if (errno != 0 || end == argv[2] || *end != '\0' || count < 1) {
            std::cerr << "glidestone-one-request: N must be a positive integer, not '" << argv[2] << "'\n";
            return 2;
        }
    }

    glidestone::RequestHandler handler;
    std::string reply;
    try {
        for (long i = 0; i < count; ++i) reply = handler.Handle(argv[1]);
    } catch (const std::exception& failure) {
        std::cerr << "glidestone-one-request: " << failure.what() << '\n';
        return 1;
    }
    std::cout << reply << '\n';
    return 0;
}
