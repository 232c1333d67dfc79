#include "tools/batch/batch_runner.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "protocol/request_handler.h"
#include "workers/task_group.h"

namespace glidestone {

namespace {

using Clock = std::chrono::steady_clock;

std::string ErrorLine(std::string_view message, std::uint64_t line_number) {
    nlohmann::json error = {{"error", message}, {"line", line_number}};
    // Parse errors quote the offending input, which may not be UTF-8.
    return error.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

struct Reply {
    std::string text;
    bool failed = false;
};

struct Job {
    std::uint64_t index = 0;  // 0-based position in the input
    bool too_long = false;
    std::string line;
};

std::string FormatDuration(double seconds) {
    auto const s = static_cast<long>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    return text;
}

}  // namespace

namespace {

Reply Answer(const Job& job, const BatchOptions& options) {
    std::uint64_t const line_number = job.index + 1;
    if (job.too_long)
        return {ErrorLine("request line longer than " + std::to_string(kMaxRequestLineBytes) + " bytes", line_number),
                true};
    thread_local RequestHandler handler;
    try {
        handler.ResetToFreshState();
        return {handler.Handle(job.line, DrawReleasePerturbation(options.noise, options.seed, line_number)), false};
    } catch (const std::exception& failure) {
        return {ErrorLine(failure.what(), line_number), true};
    }
}

}  // namespace

std::string AnswerAlone(std::string_view request, std::uint64_t line_number, const BatchOptions& options) {
    return Answer(Job{line_number - 1, false, std::string(request)}, options).text;
}

std::vector<std::string> AnswerAll(std::span<const std::string> requests, int threads, const BatchProgress& progress,
                                   std::chrono::milliseconds interval, const ExecutionNoise& noise,
                                   std::uint64_t seed) {
    noise.Validate();
    BatchOptions options;
    options.noise = noise;
    options.seed = seed;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        if (requests[i].find('\n') != std::string::npos)
            throw std::invalid_argument("request " + std::to_string(i + 1) + " holds a line-feed");
    }
    std::vector<std::string> replies(requests.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable changed;
    std::size_t done = 0;  // guarded by mutex

    auto const work = [&] {
        for (;;) {
            std::size_t const i = next.fetch_add(1);
            if (i >= requests.size() || stop.load()) break;
            replies[i] = Answer(Job{i, false, requests[i]}, options).text;
            std::lock_guard lock(mutex);
            if (++done == requests.size()) changed.notify_all();
        }
    };
    std::size_t const worker_count =
        std::min<std::size_t>(std::max(1, threads), std::max<std::size_t>(1, requests.size()));
    TaskGroup workers;
    try {
        for (std::size_t i = 0; i < worker_count; ++i) workers.Run(work);
        std::unique_lock lock(mutex);
        for (;;) {
            bool const finished = changed.wait_for(lock, interval, [&] { return done == requests.size(); });
            std::size_t const so_far = done;
            if (progress) {
                lock.unlock();
                if (!progress(so_far)) throw BatchCancelled();
                lock.lock();
            }
            if (finished) break;
        }
    } catch (...) {
        stop = true;
        workers.Wait();
        throw;
    }
    workers.Wait();
    return replies;
}

namespace {

// RunBatch's state. Every thread does the same: takes the next line (the
// input under one lock), answers it, and files the reply (under the other
// lock), writing every reply that is then next in input order. No thread
// reads or writes for the others, so a line is handed from thread to thread
// only when two want the same lock at once: a request costs a tenth of a
// millisecond, and waking a reader and a writer for each one cost more
// system time than the request's own work.
class OrderedBatch {
public:
    OrderedBatch(LineReader& input, std::FILE* output, const BatchOptions& options)
        : input_(input),
          output_(output),
          options_(options),
          replies_(static_cast<std::size_t>(std::max(1, options.window))),
          start_(Clock::now()),
          last_report_(start_) {}

    // Answers lines until the input ends, fails, or another thread fails.
    void Work() {
        try {
            Job job;
            while (Take(job)) File(job.index, Answer(job, options_));
        } catch (...) {
            // Lines this thread took are never filed: nothing more is written,
            // and no thread may wait for them.
            std::lock_guard lock(output_mutex_);
            if (!failure_) failure_ = std::current_exception();
            abandoned_ = true;
            space_.notify_all();
        }
    }

    // After every Work has returned: the summary, or the first failure
    // (reading, a thread's own, then writing).
    BatchSummary Finish() {
        if (options_.progress)
            std::fprintf(stderr, "\r%llu lines done%20s\n", static_cast<unsigned long long>(summary_.lines), "");
        if (std::fflush(output_) != 0 && !write_failure_)
            write_failure_ = std::make_exception_ptr(std::system_error(errno, std::generic_category(), "write"));
        if (read_failure_) std::rethrow_exception(read_failure_);
        if (failure_) std::rethrow_exception(failure_);
        if (write_failure_) std::rethrow_exception(write_failure_);
        return summary_;
    }

private:
    bool Take(Job& job) {
        std::lock_guard lock(input_mutex_);
        if (input_done_) return false;
        LineReader::Status status;
        try {
            status = input_.Next(job.line);
        } catch (...) {
            read_failure_ = std::current_exception();
            input_done_ = true;
            return false;
        }
        bytes_read_ = input_.bytes_read();
        if (status == LineReader::Status::kEnd) {
            input_done_ = true;
            return false;
        }
        job.index = next_index_++;
        job.too_long = status == LineReader::Status::kTooLong;
        return true;
    }

    // Waits while the reply would lie a window or more ahead of the next to be
    // written; the thread holding that one never waits, so memory stays
    // bounded by the window and the replies in hand.
    void File(std::uint64_t index, Reply reply) {
        std::unique_lock lock(output_mutex_);
        space_.wait(lock, [&] { return index - written_ < replies_.size() || abandoned_; });
        if (abandoned_) return;
        replies_[index % replies_.size()] = std::move(reply);
        bool advanced = false;
        for (;;) {
            std::optional<Reply>& next = replies_[written_ % replies_.size()];
            if (!next) break;
            Write(*next);
            next.reset();
            ++written_;
            advanced = true;
        }
        if (advanced) space_.notify_all();
    }

    void Write(Reply& reply) {
        if (reply.failed) ++summary_.failed;
        ++summary_.lines;
        if (!write_failure_) {
            reply.text.push_back('\n');
            if (std::fwrite(reply.text.data(), 1, reply.text.size(), output_) != reply.text.size())
                write_failure_ = std::make_exception_ptr(std::system_error(errno, std::generic_category(), "write"));
        }
        if (options_.progress) Report();
    }

    void Report() {
        auto const now = Clock::now();
        if (now - last_report_ < std::chrono::milliseconds(500)) return;
        last_report_ = now;
        double const elapsed = std::chrono::duration<double>(now - start_).count();
        double const rate = static_cast<double>(summary_.lines) / elapsed;
        std::string left = "?";
        std::uint64_t const bytes_read = bytes_read_.load();
        if (options_.input_bytes > 0 && bytes_read > 0) {
            double const fraction = static_cast<double>(bytes_read) / static_cast<double>(options_.input_bytes);
            double const lines_total = static_cast<double>(summary_.lines) / std::min(1.0, fraction);
            left = FormatDuration(std::max(0.0, lines_total - static_cast<double>(summary_.lines)) / rate);
        }
        std::fprintf(stderr, "\r%llu lines, %.0f lines/s, %s left   ", static_cast<unsigned long long>(summary_.lines),
                     rate, left.c_str());
    }

    LineReader& input_;
    std::FILE* const output_;
    const BatchOptions& options_;

    std::mutex input_mutex_;  // guards the input and what follows
    std::uint64_t next_index_ = 0;
    bool input_done_ = false;
    std::exception_ptr read_failure_;
    std::atomic<std::uint64_t> bytes_read_{0};  // for progress, read without the input's lock

    std::mutex output_mutex_;  // guards the output and what follows
    std::condition_variable space_;
    std::vector<std::optional<Reply>> replies_;  // reply i at i % size, until written
    std::uint64_t written_ = 0;
    bool abandoned_ = false;
    std::exception_ptr failure_;
    std::exception_ptr write_failure_;
    BatchSummary summary_;
    Clock::time_point const start_;
    Clock::time_point last_report_;
};

}  // namespace

BatchSummary RunBatch(LineReader& input, std::FILE* output, const BatchOptions& options) {
    options.noise.Validate();  // before any thread starts or any line is read
    OrderedBatch batch(input, output, options);
    {
        // This thread is one of the workers; with one thread, nothing else runs.
        TaskGroup helpers;
        try {
            for (int i = 1; i < std::max(1, options.threads); ++i) helpers.Run([&] { batch.Work(); });
        } catch (const std::system_error&) {
            // Out of threads: the ones started, and this one, answer every line.
        }
        batch.Work();
        helpers.Wait();
    }
    return batch.Finish();
}

}  // namespace glidestone
