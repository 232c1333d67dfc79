// glidestone-load: plays a corpus of requests against a running
// glidestone-server, one request at a time, and reports throughput and
// latency percentiles.
//
// A reply carries no terminator, so the client reads until the bytes received
// form one whole JSON value: it tracks the nesting of arrays and objects
// outside strings, and the reply is complete when the outermost object closes.
// Each complete reply is then checked with the JSON library (outside the
// timing).

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: glidestone-load [options] CORPUS\n"
    "Sends the request lines of CORPUS (one JSON request a line; blank lines and lines starting\n"
    "with '#' are skipped) to a running glidestone-server, one at a time, each after the reply\n"
    "to the one before, and reports requests/s and latency percentiles in microseconds.\n"
    "\n"
    "options:\n"
    "  --host HOST      server address (default 127.0.0.1)\n"
    "  --port PORT      server TCP port (required; the server listens on N + 10000)\n"
    "  --requests N     requests to time, cycling through the corpus (default: one pass)\n"
    "  --warmup N       requests sent first and left out of the figures (default 0)\n"
    "  --timeout S      seconds to wait for a reply before giving up (default 60)\n"
    "  -h, --help       this text\n"
    "\n"
    "The server ends at the first request it cannot handle; an end of the connection before a\n"
    "reply is reported with the request's number and corpus line.\n";

// A request failed, or the server misbehaved; ends the run with status 1.
class LoadError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The command line is wrong; ends the run with status 2.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct Options {
    std::string host = "127.0.0.1";
    std::string port;
    std::optional<long> requests;
    long warmup = 0;
    double timeout_seconds = 60.0;
    std::string corpus;
};

long ParseCount(const std::string& option, const std::string& text, long minimum) {
    char* end = nullptr;
    errno = 0;
    long const value = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || value < minimum)
        throw UsageError(option + " wants an integer of at least " + std::to_string(minimum) + ", not '" + text + "'");
    return value;
}

Options ParseOptions(int argc, char** argv) {
    Options options;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::string value;
        bool has_value = false;
        if (arg.rfind("--", 0) == 0) {
            if (auto const equals = arg.find('='); equals != std::string::npos) {
                value = arg.substr(equals + 1);
                arg.resize(equals);
                has_value = true;
            }
        }
        auto take_value = [&]() {
            if (has_value) return value;
            if (i + 1 >= argc) throw UsageError(arg + " needs a value");
            return std::string(argv[++i]);
        };
        if (arg == "-h" || arg == "--help") {
            std::cout << kUsage;
            std::exit(0);
        } else if (arg == "--host") {
            options.host = take_value();
            if (options.host.empty()) throw UsageError("--host needs a non-empty value");
        } else if (arg == "--port") {
            std::string const port = take_value();
            if (ParseCount("--port", port, 1) > 65535) throw UsageError("--port must be at most 65535");
            options.port = port;
        } else if (arg == "--requests") {
            options.requests = ParseCount(arg, take_value(), 1);
        } else if (arg == "--warmup") {
            options.warmup = ParseCount(arg, take_value(), 0);
        } else if (arg == "--timeout") {
            std::string const text = take_value();
            char* end = nullptr;
            double const seconds = std::strtod(text.c_str(), &end);
            if (end == text.c_str() || *end != '\0' || !(seconds > 0.0) || seconds > 1e6)
                throw UsageError("--timeout wants a positive number of seconds, not '" + text + "'");
            options.timeout_seconds = seconds;
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw UsageError("unknown option " + arg);
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 1) throw UsageError("expected one corpus file, got " + std::to_string(positional.size()));
    if (options.port.empty()) throw UsageError("missing --port");
    options.corpus = positional[0];
    return options;
}

struct CorpusLine {
    std::string request;
    long line_number;
};

std::vector<CorpusLine> ReadCorpus(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw LoadError("cannot open corpus " + path + ": " + std::strerror(errno));
    std::vector<CorpusLine> corpus;
    std::string line;
    for (long number = 1; std::getline(in, line); ++number) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find_first_not_of(" \t") == std::string::npos || line[0] == '#') continue;
        if (!nlohmann::json::accept(line))
            throw LoadError(path + ":" + std::to_string(number) + ": not a JSON value (the server would end on it)");
        corpus.push_back({line, number});
    }
    if (in.bad()) throw LoadError("cannot read corpus " + path + ": " + std::strerror(errno));
    if (corpus.empty()) throw LoadError("corpus " + path + " holds no request lines");
    return corpus;
}

// Finds where a JSON object or array ends in text that arrives in pieces,
// counting nesting outside strings. Only the text's structure is followed;
// the JSON library checks the whole reply afterwards.
class ReplyScanner {
public:
    // Feeds the next bytes; returns how many belong to the reply, or npos when
    // the reply is not yet complete. Throws LoadError if the reply does not
    // start with an object or array.
    std::size_t Feed(std::string_view bytes) {
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            char const c = bytes[i];
            if (in_string_) {
                if (escaped_) {
                    escaped_ = false;
                } else if (c == '\\') {
                    escaped_ = true;
                } else if (c == '"') {
                    in_string_ = false;
                }
            } else if (c == '"') {
                in_string_ = true;
            } else if (c == '{' || c == '[') {
                ++depth_;
                started_ = true;
            } else if (c == '}' || c == ']') {
                if (--depth_ == 0) return i + 1;
            } else if (!started_ && c != ' ' && c != '\t' && c != '\n' && c != '\r') {
                throw LoadError(std::string("reply does not start with a JSON object: first byte '") + c + "'");
            }
        }
        return std::string_view::npos;
    }

private:
    int depth_ = 0;
    bool started_ = false;
    bool in_string_ = false;
    bool escaped_ = false;
};

class Connection {
public:
    Connection(const std::string& host, const std::string& port, double timeout_seconds) {
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        if (int const error = getaddrinfo(host.c_str(), port.c_str(), &hints, &found); error != 0)
            throw LoadError("cannot resolve " + host + ":" + port + ": " + gai_strerror(error));
        std::string last_error = "no address";
        for (addrinfo* a = found; a != nullptr; a = a->ai_next) {
            int const fd = socket(a->ai_family, a->ai_socktype, a->ai_protocol);
            if (fd < 0) {
                last_error = std::strerror(errno);
                continue;
            }
            if (connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
                fd_ = fd;
                break;
            }
            last_error = std::strerror(errno);
            close(fd);
        }
        freeaddrinfo(found);
        if (fd_ < 0) throw LoadError("cannot connect to " + host + ":" + port + ": " + last_error);

        int const one = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        timeval timeout{};
        timeout.tv_sec = static_cast<time_t>(timeout_seconds);
        timeout.tv_usec = static_cast<suseconds_t>((timeout_seconds - std::floor(timeout_seconds)) * 1e6);
        setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
    }
    ~Connection() {
        if (fd_ >= 0) close(fd_);
    }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Sends all of `bytes`; returns an error text, empty on success.
    std::string Send(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t const sent = send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
            if (sent < 0) {
                if (errno == EINTR) continue;
                return errno == EAGAIN || errno == EWOULDBLOCK ? "send timed out" : std::strerror(errno);
            }
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
        return {};
    }

    // Receives at most `size` bytes into `buffer`; returns the count, 0 at
    // the end of the connection; throws LoadError on failure.
    std::size_t Receive(char* buffer, std::size_t size, const std::string& context) {
        for (;;) {
            ssize_t const got = recv(fd_, buffer, size, 0);
            if (got >= 0) return static_cast<std::size_t>(got);
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) throw LoadError(context + ": no reply within the timeout");
            throw LoadError(context + ": receive failed: " + std::strerror(errno));
        }
    }

private:
    int fd_ = -1;
};

double Percentile(const std::vector<double>& sorted, double percent) {
    // Nearest rank: the smallest value with at least `percent` % at or below it.
    auto rank = static_cast<std::size_t>(std::ceil(percent / 100.0 * static_cast<double>(sorted.size())));
    rank = std::clamp<std::size_t>(rank, 1, sorted.size());
    return sorted[rank - 1];
}

int Run(const Options& options) {
    std::vector<CorpusLine> const corpus = ReadCorpus(options.corpus);
    long const timed = options.requests.value_or(static_cast<long>(corpus.size()));
    long const total = options.warmup + timed;

    Connection connection(options.host, options.port, options.timeout_seconds);

    using Clock = std::chrono::steady_clock;
    std::vector<double> latencies_us;
    latencies_us.reserve(static_cast<std::size_t>(timed));
    std::string request;
    std::string reply;
    std::vector<char> buffer(1 << 16);
    double first_us = 0.0;
    Clock::time_point timed_start = Clock::now();

    for (long n = 0; n < total; ++n) {
        const CorpusLine& line = corpus[static_cast<std::size_t>(n) % corpus.size()];
        std::string const context =
            "request " + std::to_string(n + 1) + " (" + options.corpus + ":" + std::to_string(line.line_number) + ")";
        request.assign(line.request);
        request.push_back('\n');
        reply.clear();
        ReplyScanner scanner;

        if (n == options.warmup) timed_start = Clock::now();
        Clock::time_point const start = Clock::now();
        if (std::string const error = connection.Send(request); !error.empty())
            throw LoadError(context + ": send failed: " + error);
        for (;;) {
            std::size_t const got = connection.Receive(buffer.data(), buffer.size(), context);
            if (got == 0) {
                throw LoadError(context + ": the server closed the connection " +
                                (reply.empty() ? "without replying" : "in the middle of its reply") +
                                " (it ends on a request it cannot handle; see its standard error)");
            }
            std::string_view const bytes(buffer.data(), got);
            std::size_t const used = scanner.Feed(bytes);
            if (used == std::string_view::npos) {
                reply.append(bytes);
                continue;
            }
            reply.append(bytes.substr(0, used));
            if (bytes.substr(used).find_first_not_of(" \t\r\n") != std::string_view::npos)
                throw LoadError(context + ": unexpected bytes after the reply");
            break;
        }
        Clock::time_point const end = Clock::now();

        double const us = std::chrono::duration<double, std::micro>(end - start).count();
        if (n == 0) first_us = us;
        if (n >= options.warmup) latencies_us.push_back(us);
        if (!nlohmann::json::accept(reply)) throw LoadError(context + ": the reply is not valid JSON");
    }
    double const seconds = std::chrono::duration<double>(Clock::now() - timed_start).count();

    std::vector<double> sorted = latencies_us;
    std::sort(sorted.begin(), sorted.end());
    double sum = 0.0;
    for (double us : latencies_us) sum += us;

    std::printf("server        %s:%s\n", options.host.c_str(), options.port.c_str());
    std::printf("corpus        %s (%zu request line%s)\n", options.corpus.c_str(), corpus.size(),
                corpus.size() == 1 ? "" : "s");
    std::printf("warm-up       %ld\n", options.warmup);
    std::printf("requests      %ld\n", timed);
    std::printf("seconds       %.3f\n", seconds);
    std::printf("requests/s    %.1f\n", static_cast<double>(timed) / seconds);
    std::printf("first_us      %.1f\n", first_us);
    std::printf("mean_us       %.1f\n", sum / static_cast<double>(sorted.size()));
    std::printf("p50_us        %.1f\n", Percentile(sorted, 50));
    std::printf("p90_us        %.1f\n", Percentile(sorted, 90));
    std::printf("p99_us        %.1f\n", Percentile(sorted, 99));
    std::printf("max_us        %.1f\n", sorted.back());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(ParseOptions(argc, argv));
    } catch (const UsageError& error) {
        std::cerr << "glidestone-load: " << error.what() << "\n(glidestone-load --help for usage)\n";
        return 2;
    } catch (const std::exception& error) {
        std::cerr << "glidestone-load: " << error.what() << '\n';
        return 1;
    }
}
