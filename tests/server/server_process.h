#pragma once

// Helpers for tests that run glidestone-server (or another tool) as a child
// process and talk to it over loopback TCP. Header-only; Linux/POSIX.
//
// Every child has a deadline: past it the child is killed with SIGKILL and
// its result reports timed_out, so no test can hang on a stuck process. A
// killed server also closes its sockets, which ends any read a test is
// blocked in.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

extern char** environ;

namespace glidestone::test {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

inline constexpr auto kChildDeadline = std::chrono::seconds(20);

[[noreturn]] inline void ThrowErrno(const std::string& what) {
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

// Owns a file descriptor.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : fd_(fd) {}
    UniqueFd(UniqueFd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() { Reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void Reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

// How a child process ended.
struct ProcessResult {
    bool exited = false;     // ended through exit(); exit_code is valid
    int exit_code = -1;      //
    int term_signal = 0;     // the signal that ended it, if not exited
    bool timed_out = false;  // killed by the deadline
    std::string out;         // everything written to standard output
    std::string err;         // everything written to standard error
};

inline std::string Describe(const ProcessResult& result) {
    std::string text;
    if (result.timed_out) text += "timed out and killed; ";
    if (result.exited) {
        text += "exit status " + std::to_string(result.exit_code);
    } else {
        text += "killed by signal " + std::to_string(result.term_signal);
    }
    text += "\n--- stdout ---\n" + result.out + "\n--- stderr ---\n" + result.err;
    return text;
}

// A child process with standard output and standard error captured through
// pipes. A background thread drains the pipes, reaps the child and enforces
// the deadline.
class ChildProcess {
public:
    explicit ChildProcess(std::vector<std::string> argv, Clock::duration deadline = kChildDeadline) {
        int out_pipe[2];
        int err_pipe[2];
        if (::pipe2(out_pipe, O_CLOEXEC) != 0) ThrowErrno("pipe2");
        if (::pipe2(err_pipe, O_CLOEXEC) != 0) {
            ::close(out_pipe[0]);
            ::close(out_pipe[1]);
            ThrowErrno("pipe2");
        }
        UniqueFd out_read(out_pipe[0]), out_write(out_pipe[1]);
        UniqueFd err_read(err_pipe[0]), err_write(err_pipe[1]);

        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out_write.get(), STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err_write.get(), STDERR_FILENO);

        std::vector<char*> args;
        for (std::string& arg : argv) args.push_back(arg.data());
        args.push_back(nullptr);

        int const spawned = ::posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0) {
            errno = spawned;
            ThrowErrno("posix_spawn " + argv[0]);
        }
        out_write.Reset();
        err_write.Reset();

        thread_ = std::thread(&ChildProcess::Supervise, this, std::move(out_read), std::move(err_read),
                              Clock::now() + deadline);
    }

    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Kills the child if it is still running.
    ~ChildProcess() {
        {
            std::lock_guard lock(mutex_);
            kill_requested_ = true;
        }
        thread_.join();
    }

    // Waits for the child to end (at most until its deadline, when it is
    // killed) and for its output pipes to close.
    ProcessResult Wait() {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [&] { return done_; });
        return result_;
    }

    // Whether the child has ended (reaped) by now.
    bool HasEnded() {
        std::lock_guard lock(mutex_);
        return reaped_;
    }

    // Waits until standard output contains `text`, the child ends or the
    // timeout passes; returns whether standard output contains `text`.
    bool WaitForStdout(std::string_view text, Clock::duration timeout) {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, timeout, [&] { return result_.out.find(text) != std::string::npos || done_; });
        return result_.out.find(text) != std::string::npos;
    }

    std::string Stdout() {
        std::lock_guard lock(mutex_);
        return result_.out;
    }

private:
    void Supervise(UniqueFd out, UniqueFd err, Clock::time_point deadline) {
        std::optional<Clock::time_point> reaped_at;
        for (;;) {
            std::vector<pollfd> fds;
            if (out.valid()) fds.push_back({out.get(), POLLIN, 0});
            if (err.valid()) fds.push_back({err.get(), POLLIN, 0});
            if (!fds.empty()) {
                ::poll(fds.data(), fds.size(), 10);
            } else {
                std::this_thread::sleep_for(milliseconds(10));
            }
            for (const pollfd& p : fds) {
                if (p.revents == 0) continue;
                UniqueFd& fd = p.fd == out.get() ? out : err;
                char chunk[4096];
                ssize_t const n = ::read(fd.get(), chunk, sizeof chunk);
                if (n > 0) {
                    std::lock_guard lock(mutex_);
                    (&fd == &out ? result_.out : result_.err).append(chunk, static_cast<std::size_t>(n));
                } else if (n == 0 || errno != EINTR) {
                    fd.Reset();
                }
            }

            std::unique_lock lock(mutex_);
            if (!reaped_) {
                int status = 0;
                if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                    reaped_ = true;
                    reaped_at = Clock::now();
                    result_.exited = WIFEXITED(status);
                    if (WIFEXITED(status)) result_.exit_code = WEXITSTATUS(status);
                    if (WIFSIGNALED(status)) result_.term_signal = WTERMSIG(status);
                } else if (kill_requested_ || Clock::now() >= deadline) {
                    if (!kill_requested_) result_.timed_out = true;
                    ::kill(pid_, SIGKILL);  // reaped on a later round
                }
            }
            // Output written just before exit is still read; a pipe held
            // open by someone else does not keep us waiting for long.
            bool const finished =
                reaped_ && ((!out.valid() && !err.valid()) || Clock::now() - *reaped_at > std::chrono::seconds(1));
            changed_.notify_all();
            if (finished) {
                done_ = true;
                changed_.notify_all();
                return;
            }
        }
    }

    pid_t pid_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool kill_requested_ = false;
    bool reaped_ = false;
    bool done_ = false;
    ProcessResult result_;
};

inline sockaddr_in Ipv4Address(std::uint32_t host_order_address, std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(host_order_address);
    return address;
}

// A TCP socket bound to 0.0.0.0:port (no SO_REUSEADDR) and, if `listen` is
// set, listening. Returns an invalid fd if the bind fails.
inline UniqueFd BindTcp(std::uint16_t port, bool listen) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid()) ThrowErrno("socket");
    sockaddr_in const address = Ipv4Address(INADDR_ANY, port);
    if (::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) return UniqueFd();
    if (listen && ::listen(fd.get(), 1) != 0) ThrowErrno("listen");
    return fd;
}

// A TCP port that is free on every IPv4 address right now, picked by the
// kernel from its ephemeral range.
inline std::uint16_t FindFreePort() {
    UniqueFd fd = BindTcp(0, /*listen=*/false);
    if (!fd.valid()) ThrowErrno("bind to port 0");
    sockaddr_in address{};
    socklen_t length = sizeof address;
    if (::getsockname(fd.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) ThrowErrno("getsockname");
    return ntohs(address.sin_port);
}

// Whether 0.0.0.0:port can be bound right now.
inline bool PortIsFree(std::uint16_t port) {
    return BindTcp(port, /*listen=*/false).valid();
}

// What a read from the server produced.
struct Received {
    std::string bytes;
    bool eof = false;        // the peer closed (or reset) the connection
    bool timed_out = false;  // nothing more arrived in time

    // Whether the bytes are exactly one complete JSON value.
    bool complete() const { return nlohmann::json::accept(bytes); }
};

// A client connection to 127.0.0.1.
class Client {
public:
    explicit Client(UniqueFd fd) : fd_(std::move(fd)) {}

    int fd() const { return fd_.get(); }

    // Sends all of `data`; false if the connection failed.
    bool Send(std::string_view data) {
        while (!data.empty()) {
            ssize_t const n = ::send(fd_.get(), data.data(), data.size(), MSG_NOSIGNAL);
            if (n < 0) {
                if (errno == EINTR) continue;
                return false;
            }
            data.remove_prefix(static_cast<std::size_t>(n));
        }
        return true;
    }

    void ShutdownWrite() { ::shutdown(fd_.get(), SHUT_WR); }
    void ShutdownBoth() { ::shutdown(fd_.get(), SHUT_RDWR); }
    void Close() { fd_.Reset(); }

    // Closes with a reset (RST) instead of an orderly shutdown.
    void Reset() {
        linger const abort{1, 0};
        ::setsockopt(fd_.get(), SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
        fd_.Reset();
    }

    // Reads one reply: replies have no terminator, so this reads until the
    // bytes parse as a complete JSON value, or until EOF or the timeout.
    Received ReadReply(Clock::duration timeout = kChildDeadline) { return Read(timeout, /*until_eof=*/false); }

    // Reads everything until the peer closes or the timeout passes.
    Received ReadToEof(Clock::duration timeout = kChildDeadline) { return Read(timeout, /*until_eof=*/true); }

private:
    Received Read(Clock::duration timeout, bool until_eof) {
        Received received;
        auto const deadline = Clock::now() + timeout;
        for (;;) {
            if (!until_eof && !received.bytes.empty() && received.complete()) return received;
            auto const left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) {
                received.timed_out = true;
                return received;
            }
            pollfd p{fd_.get(), POLLIN, 0};
            int const ready = ::poll(&p, 1, static_cast<int>(left));
            if (ready < 0 && errno != EINTR) ThrowErrno("poll");
            if (ready <= 0) continue;
            char chunk[65536];
            ssize_t const n = ::recv(fd_.get(), chunk, sizeof chunk, 0);
            if (n > 0) {
                received.bytes.append(chunk, static_cast<std::size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                received.eof = true;  // EOF or a reset
                return received;
            }
        }
    }

    UniqueFd fd_;
};

// Connects to 127.0.0.1:port, retrying until something listens there. Gives
// up (returns nullopt) when `server` has ended or the timeout passes.
inline std::optional<Client> ConnectWithRetry(std::uint16_t port, ChildProcess& server,
                                              Clock::duration timeout = std::chrono::seconds(10)) {
    auto const deadline = Clock::now() + timeout;
    sockaddr_in const address = Ipv4Address(INADDR_LOOPBACK, port);
    for (;;) {
        UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        if (!fd.valid()) ThrowErrno("socket");
        if (::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
            return Client(std::move(fd));
        if (server.HasEnded() || Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(milliseconds(5));
    }
}

}  // namespace glidestone::test
