#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "research/execution_noise.h"
#include "protocol/line_reader.h"

namespace glidestone {

struct BatchOptions {
    int threads = 1;
    // Most replies held until those before them in input order are written
    // (besides the one each thread has in hand); bounds memory whatever the
    // input.
    int window = 64;
    // Progress (lines done, rate, time left) on standard error.
    bool progress = false;
    // Size of the input in bytes, for the time left; 0 when unknown.
    std::uint64_t input_bytes = 0;
    // Execution noise on every release: line N (counted from 1) is perturbed
    // by DrawReleasePerturbation(noise, seed, N). Zero noise leaves every
    // reply as it is without noise.
    ExecutionNoise noise;
    std::uint64_t seed = 0;
};

struct BatchSummary {
    std::uint64_t lines = 0;
    std::uint64_t failed = 0;
};

// Answers every request line of `input` on `options.threads` worker threads
// and writes one line per request to `output`, in input order: the reply a
// freshly started server would send for that request alone, or
// {"error":"<message>","line":N} (N counted from 1) for a request that fails.
// Replies never depend on the thread count, the order of work or earlier
// requests. Throws std::system_error when reading or writing fails, and
// std::invalid_argument, before reading anything, for noise that
// ExecutionNoise::Validate refuses.
BatchSummary RunBatch(LineReader& input, std::FILE* output, const BatchOptions& options);

// The reply line for one request, as a fresh server would give it; with
// `options.noise`, as the batch gives it for that line number.
std::string AnswerAlone(std::string_view request, std::uint64_t line_number, const BatchOptions& options = {});

// Called with the number of requests answered so far; returning false
// abandons the rest.
using BatchProgress = std::function<bool(std::size_t done)>;

// Abandoned through BatchProgress.
class BatchCancelled : public std::runtime_error {
public:
    BatchCancelled() : std::runtime_error("batch cancelled") {}
};

// The in-memory form of RunBatch: every request (one line each, without its
// line-feed) answered on `threads` worker threads, and the lines RunBatch
// would write for them (without line-feeds), in order. Line numbers in error
// lines count from 1 in `requests`.
//
// `progress`, when given, is called on the calling thread about every
// `interval` while the workers run and once more when all are done. If it
// returns false or throws, the workers finish the requests they hold, nothing
// more is started, and AnswerAll throws BatchCancelled or the exception.
// `noise` and `seed` perturb request N as RunBatch perturbs line N.
// Throws std::invalid_argument, before anything is answered, for a request
// holding a line-feed (no batch input line can) or noise that
// ExecutionNoise::Validate refuses.
std::vector<std::string> AnswerAll(std::span<const std::string> requests, int threads,
                                   const BatchProgress& progress = {},
                                   std::chrono::milliseconds interval = std::chrono::milliseconds(100),
                                   const ExecutionNoise& noise = {}, std::uint64_t seed = 0);

}  // namespace glidestone
