#include "game/agent_match.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "game/game.h"
#include "research/random.h"

namespace glidestone {

std::uint64_t AgentSeed(std::uint64_t seed, int side) {
    return SplitMix64::Stream(seed, static_cast<std::uint64_t>(side) + 1).Next();
}

namespace {

using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

GameResult PlayOne(const AgentConfig& a, const AgentConfig& b, const MatchOptions& options, std::uint64_t number) {
    auto const start = Clock::now();
    Rules rules = options.rules;
    rules.first_hammer = number % 2 == 0 ? 1 : 0;
    std::array<std::unique_ptr<Agent>, 2> agents{MakeAgent(a, AgentSeed(options.seed, 0)),
                                                 MakeAgent(b, AgentSeed(options.seed, 1))};
    Game game(rules, options.seed, number, {a.text, b.text});
    GameResult result;
    result.number = number;
    result.first_hammer = rules.first_hammer;
    while (!game.finished()) {
        if (options.stop && options.stop->load()) break;
        int const team = game.state().team;
        auto const thinking = Clock::now();
        Action const action = agents[static_cast<std::size_t>(team)]->Act(game);
        result.think_seconds[static_cast<std::size_t>(team)] += Since(thinking);
        ++result.moves[static_cast<std::size_t>(team)];
        game.Play(action);
    }
    const GameState& state = game.state();
    result.finished = game.finished();
    result.totals = state.totals;
    result.winner = state.winner;
    result.ends = static_cast<int>(state.end_scores.size());
    result.deliveries = game.deliveries();
    if (options.keep_records) result.record = game.record();
    result.seconds = Since(start);
    return result;
}

}  // namespace

std::vector<GameResult> RunMatch(const AgentConfig& a, const AgentConfig& b, const MatchOptions& options) {
    options.rules.Validate();
    std::uint64_t const games = options.games;
    std::uint64_t const first = options.first_game;
    if (games > 0 && games - 1 > std::numeric_limits<std::uint64_t>::max() - first)
        throw std::invalid_argument("first_game + games - 1 passes the largest game number, 2^64 - 1");
    unsigned threads = options.threads > 0 ? static_cast<unsigned>(options.threads)
                                           : std::max(1u, std::thread::hardware_concurrency());
    if (threads > games) threads = static_cast<unsigned>(std::max<std::uint64_t>(games, 1));

    std::vector<GameResult> results(games);
    std::atomic<std::uint64_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex mutex;
    auto work = [&] {
        try {
            for (std::uint64_t g;
                 !failed.load() && !(options.stop && options.stop->load()) && (g = next.fetch_add(1)) < games;) {
                results[g] = PlayOne(a, b, options, first + g);
                if (results[g].finished && options.on_game) {
                    std::lock_guard lock(mutex);
                    options.on_game(results[g]);
                }
            }
        } catch (...) {
            std::lock_guard lock(mutex);
            if (!failure) failure = std::current_exception();
            failed = true;
        }
    };
    std::vector<std::thread> workers;
    for (unsigned t = 1; t < threads; ++t) workers.emplace_back(work);
    work();
    for (std::thread& worker : workers) worker.join();
    if (failure) std::rethrow_exception(failure);
    // Games never started keep finished = false; number them all the same.
    for (std::uint64_t g = 0; g < games; ++g) results[g].number = first + g;
    return results;
}

Interval WilsonInterval(double successes, double trials, double z) {
    if (!(trials > 0.0)) return {};
    double const p = successes / trials;
    double const z2 = z * z;
    double const denominator = 1.0 + z2 / trials;
    double const centre = (p + z2 / (2.0 * trials)) / denominator;
    double const half = z * std::sqrt(p * (1.0 - p) / trials + z2 / (4.0 * trials * trials)) / denominator;
    // At the ends the bound is exact; rounding would otherwise leave it a hair
    // inside and give a finite Elo where there is none.
    return {successes <= 0.0 ? 0.0 : std::max(0.0, centre - half),
            successes >= trials ? 1.0 : std::min(1.0, centre + half)};
}

double EloDifference(double p) {
    if (p <= 0.0) return -std::numeric_limits<double>::infinity();
    if (p >= 1.0) return std::numeric_limits<double>::infinity();
    return 400.0 * std::log10(p / (1.0 - p));
}

MatchSummary Summarize(const std::vector<GameResult>& results) {
    MatchSummary summary;
    double difference_sum = 0.0;
    std::vector<double> differences;
    std::array<double, 2> think{};
    std::array<std::uint64_t, 2> moves{};
    double seconds = 0.0;
    for (const GameResult& game : results) {
        if (!game.finished) continue;
        ++summary.games;
        if (!game.winner)
            ++summary.draws;
        else if (*game.winner == 0)
            ++summary.wins;
        else
            ++summary.losses;
        double const difference = game.totals[0] - game.totals[1];
        differences.push_back(difference);
        difference_sum += difference;
        for (std::size_t side = 0; side < 2; ++side) {
            think[side] += game.think_seconds[side];
            moves[side] += game.moves[side];
        }
        seconds += game.seconds;
    }
    double const n = static_cast<double>(summary.games);
    if (summary.games > 0) {
        summary.mean_score_difference = difference_sum / n;
        if (summary.games > 1) {
            double squares = 0.0;
            for (double d : differences)
                squares += (d - summary.mean_score_difference) * (d - summary.mean_score_difference);
            summary.score_difference_error = std::sqrt(squares / (n - 1.0)) / std::sqrt(n);
        }
        double const score = static_cast<double>(summary.wins) + 0.5 * static_cast<double>(summary.draws);
        summary.win_rate = score / n;
        summary.win_rate_interval = WilsonInterval(score, n);
        summary.elo = EloDifference(summary.win_rate);
        summary.elo_low = EloDifference(summary.win_rate_interval.low);
        summary.elo_high = EloDifference(summary.win_rate_interval.high);
        if (seconds > 0.0) summary.games_per_minute = 60.0 * n / seconds;
    }
    for (std::size_t side = 0; side < 2; ++side)
        if (moves[side] > 0) summary.seconds_per_move[side] = think[side] / static_cast<double>(moves[side]);
    return summary;
}

}  // namespace glidestone
