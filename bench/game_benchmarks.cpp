// Whole games: full 10-end games of seeded random shots under noise, and the
// same deliveries thrown without the game around them, in one run, so that
// what the rules and the records cost is a ratio of figures measured side by
// side; Monte Carlo moves and whole games between agents. bench/README.md,
// "Whole games" and "Agents and matches", lists figures.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "game/agent.h"
#include "game/agent_match.h"
#include "game/game.h"
#include "game/random_shot.h"
#include "research/execution_noise.h"
#include "tools/batch/batch_runner.h"

namespace {

using namespace glidestone;

constexpr int kGames = 16;
constexpr std::uint64_t kSeed = 2026;

Rules NoisyRules() {
    Rules rules;
    rules.sigma_speed = 0.02;
    rules.sigma_angle = 0.002;
    return rules;
}

// Game g: its shots drawn from stream g of seed 7, its noise from game g of
// kSeed.
Game PlayGame(int g) {
    Game game(NoisyRules(), kSeed, static_cast<std::uint64_t>(g));
    SplitMix64 shots = SplitMix64::Stream(7, static_cast<std::uint64_t>(g));
    while (!game.finished()) game.Play(RandomShot(shots));
    return game;
}

// Every delivery of the kGames games, as the stones before it and its shot,
// with the numbers that give it the game's noise.
struct Delivery {
    std::vector<Vector2> stones;
    Shot shot;
    std::uint64_t noise_seed = 0;
    std::uint64_t number = 0;  // within its game, from 1
    std::string request;       // the same as a request line
};

// A float as the double it widens to, in digits that read back exactly.
std::string Exact(double value) {
    char text[40];
    std::snprintf(text, sizeof text, "%.17g", value);
    return text;
}

const std::vector<Delivery>& Deliveries() {
    static const std::vector<Delivery> deliveries = [] {
        std::vector<Delivery> all;
        for (int g = 0; g < kGames; ++g) {
            Game game(NoisyRules(), kSeed, static_cast<std::uint64_t>(g));
            SplitMix64 shots = SplitMix64::Stream(7, static_cast<std::uint64_t>(g));
            while (!game.finished()) {
                Delivery d;
                d.shot = RandomShot(shots);
                d.noise_seed = GameNoiseSeed(kSeed, static_cast<std::uint64_t>(g));
                d.number = game.deliveries() + 1;
                std::string request = "{";
                int n = 0;
                for (const StoneInPlay& stone : game.state().stones) {
                    d.stones.push_back(stone.position);
                    request += "\"stone" + std::to_string(++n) + "\":[" + Exact(stone.position.x) + "," +
                               Exact(stone.position.y) + ",1],";
                }
                // The list of stones ends at the first flagged absent.
                if (n < 15) request += "\"stone" + std::to_string(n + 1) + "\":[0,0,0],";
                double const y = d.shot.pass ? -static_cast<double>(d.shot.target.y) : d.shot.target.y;
                request += "\"shot\":[" + Exact(d.shot.target.x) + "," + Exact(y) + "," +
                           std::to_string(static_cast<int>(d.shot.spin)) + "]}";
                d.request = std::move(request);
                game.Play(d.shot);
                all.push_back(std::move(d));
            }
        }
        return all;
    }();
    return deliveries;
}

// One iteration: kGames whole games of random shots (targets in and around
// the house, draw or pass, either spin) under noise of 0.02 m/s and
// 0.002 rad, rules and records included; items/s is games a second.
void BM_Games(benchmark::State& state) {
    std::size_t deliveries = 0;
    for (auto _ : state) {
        for (int g = 0; g < kGames; ++g) {
            Game const game = PlayGame(g);
            deliveries += game.deliveries();
            benchmark::DoNotOptimize(game.state().totals);
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kGames));
    state.counters["deliveries_per_game"] =
        static_cast<double>(deliveries) / static_cast<double>(state.iterations() * kGames);
}
BENCHMARK(BM_Games)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One iteration: the same deliveries (stones, shot and noise) answered as
// request lines through the batch path, each as a fresh server would (JSON
// read and written, no rules: stones that leave the sheet play on to rest);
// items/s is games a second.
void BM_SameDeliveriesThroughBatch(benchmark::State& state) {
    const std::vector<Delivery>& deliveries = Deliveries();
    BatchOptions options;
    options.noise = {0.02, 0.002};
    for (const Delivery& d : deliveries) {
        options.seed = d.noise_seed;
        std::string const reply = AnswerAlone(d.request, d.number, options);
        if (reply.rfind("{\"error\"", 0) == 0) {
            state.SkipWithError((d.request + " gives " + reply).c_str());
            return;
        }
    }
    for (auto _ : state) {
        for (const Delivery& d : deliveries) {
            options.seed = d.noise_seed;
            benchmark::DoNotOptimize(AnswerAlone(d.request, d.number, options));
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kGames));
}
BENCHMARK(BM_SameDeliveriesThroughBatch)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One iteration: the same deliveries played by a fresh ShotPlayer each, no
// JSON and no rules; items/s is games a second.
void BM_SameDeliveriesThroughShotPlayer(benchmark::State& state) {
    const std::vector<Delivery>& deliveries = Deliveries();
    ExecutionNoise const noise{0.02, 0.002};
    for (auto _ : state) {
        for (const Delivery& d : deliveries) {
            ShotPlayer player;
            benchmark::DoNotOptimize(
                player.Play(d.stones, d.shot, DrawReleasePerturbation(noise, d.noise_seed, d.number)).frames);
        }
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kGames));
}
BENCHMARK(BM_SameDeliveriesThroughShotPlayer)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// The sixteen positions of one end between two heuristic players under noise,
// each before its delivery: from an empty house to fifteen stones.
const std::vector<Game>& EndPositions() {
    static const std::vector<Game> positions = [] {
        std::vector<Game> all;
        Game game(NoisyRules(), kSeed, 0);
        HeuristicAgent heuristic;
        while (game.state().end == 1) {
            all.push_back(game);
            game.Play(heuristic.Act(game));
        }
        return all;
    }();
    return positions;
}

// One iteration: one Monte Carlo move on one thread, the positions of an end
// in turn; arguments candidates, samples (rollout 1). Real time per
// iteration is the time per move.
void BM_MonteCarloMove(benchmark::State& state) {
    const std::vector<Game>& positions = EndPositions();
    MonteCarloSettings settings;
    settings.candidates = static_cast<int>(state.range(0));
    settings.samples = static_cast<int>(state.range(1));
    settings.threads = 1;
    MonteCarloAgent const agent(settings, 1);
    std::size_t i = 0;
    for (auto _ : state) {
        const Game& game = positions[i++ % positions.size()];
        benchmark::DoNotOptimize(agent.Decide(AgentView::Of(game)).chosen);
    }
}
BENCHMARK(BM_MonteCarloMove)
    ->Args({48, 144})  // the defaults
    ->Args({16, 16})
    ->Iterations(16)
    ->Unit(benchmark::kMillisecond);

// One iteration: a whole 8-end game between two agents under noise, as a
// match plays it; items/s times 60 is games a minute on one thread.
void BM_MatchGame(benchmark::State& state, const char* a, const char* b) {
    AgentConfig const config_a = ParseAgentConfig(a);
    AgentConfig const config_b = ParseAgentConfig(b);
    MatchOptions options;
    options.rules = NoisyRules();
    options.rules.ends = 8;
    options.threads = 1;
    std::uint64_t game = 0;
    for (auto _ : state) {
        options.seed = game++;
        benchmark::DoNotOptimize(RunMatch(config_a, config_b, options));
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * 2));
}
BENCHMARK_CAPTURE(BM_MatchGame, random_heuristic, "random", "heuristic")->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK_CAPTURE(BM_MatchGame, heuristic_montecarlo_16x16, "heuristic", "montecarlo:candidates=16,samples=16")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
