#pragma once

#include <cstdint>
#include <cstdio>

#include "research/execution_noise.h"
#include "tools/batch/line_reader.h"

namespace glidestone {

struct BatchOptions {
    int threads = 1;
    // Most lines read but not yet written; bounds memory whatever the input.
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

}  // namespace glidestone
