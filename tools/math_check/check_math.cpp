// glidestone-check-math: compares the pinned float functions with the C
// library's, bit for bit; run on glibc 2.36 with its non-FMA variants
// selected it proves that they give the reference results.
//
// Usage:
//   GLIBC_TUNABLES=glibc.cpu.hwcaps=-AVX2,-FMA glidestone-check-math unary [--step N] [--threads T] [NAME...]
//       every float argument (bit patterns 0, N, 2N, ... below 2^32; N = 1:
//       all of them) of sinf, cosf, both halves of sincosf, logf, expf and
//       powf(x,-0.8), or the named ones
//   ... glidestone-check-math pairs [--count N] [--seed S] [--threads T]
//       atan2f and hypotf on the edge cases and N random pairs
//   ... glidestone-check-math corpus CORPUS
//       atan2f and hypotf on every argument pair the replay of CORPUS
//       (tests/data/corpus.jsonl) hands them
//
// Prints one line per function: the arguments compared, the mismatches, the
// first few of them. Exit status 0 when nothing differs, 1 when something
// does or a file cannot be read, 2 for wrong arguments.

#include <algorithm>
#include <bit>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <thread>
#include <utility>
#include <vector>

#include "tools/corpus.h"
#include "tools/math_check/math_compare.h"

namespace mc = glidestone::math_check;

// The linker sends the engine's and the planner's calls here (--wrap, see
// tools/math_check/CMakeLists.txt), so that the corpus mode sees the very
// arguments a replay uses.
namespace {
bool recording = false;
std::vector<std::pair<float, float>> atan2_arguments;
std::vector<std::pair<float, float>> hypot_arguments;
}  // namespace

extern "C" float __real_glidestone_atan2f(float y, float x);
extern "C" float __real_glidestone_hypotf(float x, float y);
extern "C" float __wrap_glidestone_atan2f(float y, float x) {
    if (recording) atan2_arguments.emplace_back(y, x);
    return __real_glidestone_atan2f(y, x);
}
extern "C" float __wrap_glidestone_hypotf(float x, float y) {
    if (recording) hypot_arguments.emplace_back(x, y);
    return __real_glidestone_hypotf(x, y);
}

namespace {

constexpr std::size_t kKeep = 40;

constexpr const char* kUsage =
    "usage: glidestone-check-math unary [--step N] [--threads T] [NAME...]\n"
    "       glidestone-check-math pairs [--count N] [--seed S] [--threads T]\n"
    "       glidestone-check-math corpus CORPUS\n"
    "\n"
    "Compares the pinned float functions with the C library's, bit for bit.\n"
    "unary: sinf, cosf, sincosf.sin, sincosf.cos, logf, expf, powf(x,-0.8) on every\n"
    "float whose bit pattern is a multiple of N (default 1: all 2^32). pairs: atan2f\n"
    "and hypotf on the edge cases and N random pairs (default 100000000). corpus:\n"
    "atan2f and hypotf on every argument pair a replay of CORPUS uses.\n";

int UsageError(const std::string& message) {
    std::fprintf(stderr, "glidestone-check-math: %s\n\n%s", message.c_str(), kUsage);
    return 2;
}

bool ParseNumber(std::string_view text, std::uint64_t& value) {
    auto const [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

void Report(std::string_view name, std::string_view what, const mc::Tally& tally) {
    std::printf("%-13s %llu %s compared, %llu mismatches\n", std::string(name).c_str(),
                static_cast<unsigned long long>(tally.compared), std::string(what).c_str(),
                static_cast<unsigned long long>(tally.mismatches));
    for (const mc::Mismatch& m : tally.first) {
        if (what == "arguments")
            std::printf("    x = %s: pinned %s, C library %s\n", mc::Hex(m.a).c_str(), mc::Hex(m.pinned).c_str(),
                        mc::Hex(m.reference).c_str());
        else
            std::printf("    (%s, %s): pinned %s, C library %s\n", mc::Hex(m.a).c_str(), mc::Hex(m.b).c_str(),
                        mc::Hex(m.pinned).c_str(), mc::Hex(m.reference).c_str());
    }
    std::fflush(stdout);
}

// Splits [0, 2^32) into `threads` interleaved stripes of the same stride.
mc::Tally CompareAll(mc::Unary function, std::uint64_t step, unsigned threads) {
    constexpr std::uint64_t kEnd = std::uint64_t{1} << 32;
    std::vector<mc::Tally> tallies(threads);
    std::vector<std::thread> workers;
    std::uint64_t const chunk = (kEnd / threads + step - 1) / step * step;
    for (unsigned t = 0; t < threads; ++t) {
        std::uint64_t const begin = std::min(kEnd, t * chunk);
        std::uint64_t const end = std::min(kEnd, begin + chunk);
        workers.emplace_back([&, t, begin, end] { tallies[t] = mc::CompareRange(function, begin, end, step, kKeep); });
    }
    for (std::thread& worker : workers) worker.join();
    mc::Tally total;
    for (const mc::Tally& tally : tallies) total.Add(tally, kKeep);
    return total;
}

mc::Tally ComparePairsThreaded(mc::Binary function, const std::vector<std::pair<float, float>>& pairs,
                               unsigned threads) {
    std::vector<mc::Tally> tallies(threads);
    std::vector<std::thread> workers;
    std::size_t const chunk = (pairs.size() + threads - 1) / threads;
    for (unsigned t = 0; t < threads; ++t) {
        std::size_t const begin = std::min(pairs.size(), t * chunk);
        std::size_t const end = std::min(pairs.size(), begin + chunk);
        workers.emplace_back([&, t, begin, end] {
            std::vector<std::pair<float, float>> const part(pairs.begin() + static_cast<std::ptrdiff_t>(begin),
                                                            pairs.begin() + static_cast<std::ptrdiff_t>(end));
            tallies[t] = mc::ComparePairs(function, part, kKeep);
        });
    }
    for (std::thread& worker : workers) worker.join();
    mc::Tally total;
    for (const mc::Tally& tally : tallies) total.Add(tally, kKeep);
    return total;
}

// Distinct argument pairs, by bit pattern.
std::vector<std::pair<float, float>> Distinct(std::vector<std::pair<float, float>> pairs) {
    auto const key = [](const std::pair<float, float>& p) {
        return (std::uint64_t{std::bit_cast<std::uint32_t>(p.first)} << 32) | std::bit_cast<std::uint32_t>(p.second);
    };
    std::sort(pairs.begin(), pairs.end(), [&](const auto& a, const auto& b) { return key(a) < key(b); });
    pairs.erase(std::unique(pairs.begin(), pairs.end(), [&](const auto& a, const auto& b) { return key(a) == key(b); }),
                pairs.end());
    return pairs;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string_view> args(argv + 1, argv + argc);
    if (args.empty()) return UsageError("no mode given");
    if (args[0] == "-h" || args[0] == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    std::string_view const mode = args[0];
    std::uint64_t step = 1;
    std::uint64_t count = 100'000'000;
    std::uint64_t seed = 1;
    std::uint64_t threads = std::max(1u, std::thread::hardware_concurrency());
    std::vector<std::string_view> operands;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string_view const a = args[i];
        std::uint64_t* target = a == "--step"      ? &step
                                : a == "--count"   ? &count
                                : a == "--seed"    ? &seed
                                : a == "--threads" ? &threads
                                                   : nullptr;
        if (target != nullptr) {
            if (i + 1 == args.size() || !ParseNumber(args[i + 1], *target))
                return UsageError(std::string(a) + " needs a number");
            ++i;
        } else if (a.starts_with("--")) {
            return UsageError("unknown option '" + std::string(a) + "'");
        } else {
            operands.push_back(a);
        }
    }
    if (step == 0 || threads == 0 || threads > 1024) return UsageError("--step and --threads must be positive");

    char const* tunables = std::getenv("GLIBC_TUNABLES");
    std::printf("reference: the C library, %s, GLIBC_TUNABLES=%s\n", mc::ReferenceLibrary().c_str(),
                tunables != nullptr ? tunables : "(unset)");
    std::uint64_t mismatches = 0;

    if (mode == "unary") {
        std::vector<mc::Unary> functions;
        for (std::string_view name : operands) {
            mc::Unary function{};
            if (!mc::Parse(name, function)) return UsageError("no function '" + std::string(name) + "'");
            functions.push_back(function);
        }
        if (functions.empty()) functions.assign(std::begin(mc::kAllUnary), std::end(mc::kAllUnary));
        for (mc::Unary function : functions) {
            mc::Tally const tally = CompareAll(function, step, static_cast<unsigned>(threads));
            Report(mc::Name(function), "arguments", tally);
            mismatches += tally.mismatches;
        }
    } else if (mode == "pairs") {
        if (!operands.empty()) return UsageError("pairs takes no operands");
        std::vector<std::pair<float, float>> const edges = mc::EdgePairs();
        std::vector<std::pair<float, float>> const random = mc::RandomPairs(count, seed);
        for (mc::Binary function : mc::kAllBinary) {
            mc::Tally const edge = ComparePairsThreaded(function, edges, static_cast<unsigned>(threads));
            Report(std::string(mc::Name(function)) + " edges", "pairs", edge);
            mc::Tally const drawn = ComparePairsThreaded(function, random, static_cast<unsigned>(threads));
            Report(std::string(mc::Name(function)) + " random", "pairs", drawn);
            mismatches += edge.mismatches + drawn.mismatches;
        }
    } else if (mode == "corpus") {
        if (operands.size() != 1) return UsageError("corpus takes one corpus file");
        try {
            namespace corpus = glidestone::corpus;
            std::string const path(operands[0]);
            std::vector<corpus::Sequence> const sequences = corpus::Parse(corpus::ReadFile(path), path);
            recording = true;
            corpus::Replay(sequences);
            recording = false;
        } catch (const std::exception& e) {
            std::fprintf(stderr, "glidestone-check-math: %s\n", e.what());
            return 1;
        }
        std::printf("calls during the replay: atan2f %zu, hypotf %zu\n", atan2_arguments.size(),
                    hypot_arguments.size());
        mc::Tally const atan2 = mc::ComparePairs(mc::Binary::kAtan2, Distinct(atan2_arguments), kKeep);
        Report("atan2f corpus", "distinct pairs", atan2);
        mc::Tally const hypot = mc::ComparePairs(mc::Binary::kHypot, Distinct(hypot_arguments), kKeep);
        Report("hypotf corpus", "distinct pairs", hypot);
        mismatches += atan2.mismatches + hypot.mismatches;
    } else {
        return UsageError("unknown mode '" + std::string(mode) + "'");
    }
    return mismatches == 0 ? 0 : 1;
}
