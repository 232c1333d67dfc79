#include "tools/batch/batch_runner.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <deque>
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

// Shared by the reader, the workers and the writer; one lock, since a request
// takes about a millisecond and the lock is held for microseconds.
class Pipeline {
public:
    explicit Pipeline(std::size_t window) : results_(window) {}

    // Reader: blocks while the window is full.
    void Push(Job job) {
        std::unique_lock lock(mutex_);
        space_.wait(lock, [&] { return job.index - written_ < results_.size(); });
        jobs_.push_back(std::move(job));
        work_.notify_one();
    }

    void Close() {
        std::lock_guard lock(mutex_);
        closed_ = true;
        work_.notify_all();
        done_.notify_all();
    }

    void SetTotal(std::uint64_t total) {
        std::lock_guard lock(mutex_);
        total_ = total;
        done_.notify_all();
    }

    // Worker: the next job, or nothing once the input is exhausted.
    std::optional<Job> Take() {
        std::unique_lock lock(mutex_);
        work_.wait(lock, [&] { return !jobs_.empty() || closed_; });
        if (jobs_.empty()) return std::nullopt;
        Job job = std::move(jobs_.front());
        jobs_.pop_front();
        return job;
    }

    void Finish(std::uint64_t index, Reply reply) {
        std::lock_guard lock(mutex_);
        results_[index % results_.size()] = std::move(reply);
        if (index == written_) done_.notify_all();
    }

    // Writer: the next reply in input order, or nothing when all are written.
    std::optional<Reply> NextInOrder() {
        std::unique_lock lock(mutex_);
        auto& slot = results_[written_ % results_.size()];
        done_.wait(lock, [&] { return slot.has_value() || (total_ && written_ == *total_); });
        if (!slot) return std::nullopt;
        Reply reply = std::move(*slot);
        slot.reset();
        ++written_;
        space_.notify_one();
        return reply;
    }

    std::uint64_t written() {
        std::lock_guard lock(mutex_);
        return written_;
    }

private:
    std::mutex mutex_;
    std::condition_variable work_, done_, space_;
    std::deque<Job> jobs_;
    std::vector<std::optional<Reply>> results_;
    std::uint64_t written_ = 0;
    std::optional<std::uint64_t> total_;
    bool closed_ = false;
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

BatchSummary RunBatch(LineReader& input, std::FILE* output, const BatchOptions& options) {
    options.noise.Validate();  // before any thread starts or any line is read
    Pipeline pipeline(static_cast<std::size_t>(std::max(1, options.window)));
    // Workers and the writer run on the shared pool; the reader is this thread.
    TaskGroup tasks;

    BatchSummary summary;
    std::exception_ptr write_failure;
    auto const write = [&] {
        auto const start = Clock::now();
        auto last_report = start;
        while (std::optional<Reply> reply = pipeline.NextInOrder()) {
            if (reply->failed) ++summary.failed;
            ++summary.lines;
            if (!write_failure) {
                reply->text.push_back('\n');
                if (std::fwrite(reply->text.data(), 1, reply->text.size(), output) != reply->text.size())
                    write_failure = std::make_exception_ptr(std::system_error(errno, std::generic_category(), "write"));
            }
            auto const now = Clock::now();
            if (options.progress && now - last_report >= std::chrono::milliseconds(500)) {
                last_report = now;
                double const elapsed = std::chrono::duration<double>(now - start).count();
                double const rate = static_cast<double>(summary.lines) / elapsed;
                std::string left = "?";
                if (options.input_bytes > 0 && input.bytes_read() > 0) {
                    double const fraction =
                        static_cast<double>(input.bytes_read()) / static_cast<double>(options.input_bytes);
                    double const lines_total = static_cast<double>(summary.lines) / std::min(1.0, fraction);
                    left = FormatDuration(std::max(0.0, lines_total - static_cast<double>(summary.lines)) / rate);
                }
                std::fprintf(stderr, "\r%llu lines, %.0f lines/s, %s left   ",
                             static_cast<unsigned long long>(summary.lines), rate, left.c_str());
            }
        }
        if (options.progress)
            std::fprintf(stderr, "\r%llu lines done%20s\n", static_cast<unsigned long long>(summary.lines), "");
    };

    try {
        for (int i = 0; i < std::max(1, options.threads); ++i) {
            tasks.Run([&] {
                while (std::optional<Job> job = pipeline.Take()) pipeline.Finish(job->index, Answer(*job, options));
            });
        }
        tasks.Run(write);
    } catch (...) {
        // Out of threads: the started tasks end once there is nothing to do.
        pipeline.SetTotal(0);
        pipeline.Close();
        tasks.Wait();
        throw;
    }

    std::exception_ptr read_failure;
    std::uint64_t index = 0;
    try {
        std::string line;
        for (LineReader::Status status; (status = input.Next(line)) != LineReader::Status::kEnd; ++index) {
            pipeline.Push(Job{index, status == LineReader::Status::kTooLong, line});
        }
    } catch (...) {
        read_failure = std::current_exception();
    }
    pipeline.SetTotal(index);
    pipeline.Close();
    tasks.Wait();
    if (std::fflush(output) != 0 && !write_failure)
        write_failure = std::make_exception_ptr(std::system_error(errno, std::generic_category(), "write"));
    if (read_failure) std::rethrow_exception(read_failure);
    if (write_failure) std::rethrow_exception(write_failure);
    return summary;
}

}  // namespace glidestone
