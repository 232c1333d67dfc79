// Benchmarks of the research layer: Monte Carlo samples per second on this
// machine, and the cost of its parts (a noise draw, scoring an end, making a
// player fresh). bench/README.md, "Monte Carlo evaluation", lists figures.

#include <benchmark/benchmark.h>

#include <vector>

#include "research/end_score.h"
#include "research/execution_noise.h"
#include "research/monte_carlo.h"
#include "shot/sheet.h"
#include "shot/shot_player.h"

namespace {

using namespace glidestone;

// An end's last shot: team 1 lies near the tee behind a guard, team 0 has a
// stone in the back of the house and draws to the button.
const std::vector<Vector2> kFewStones{{0.1f, 38.05f}, {-0.6f, 35.0f}, {1.0f, 38.9f}};
const std::vector<int> kFewTeams{1, 1, 0, 0};
const Shot kDraw{{0.0f, 38.405f}, false, 1.0};

// A crowded house: the fifteen stones of the takeout benchmark request, a
// takeout passing (0.3, 37) at 3 m/s; about a dozen contacts a throw.
const std::vector<Vector2> kCrowd{{-0.22f, 39.65f}, {-0.46f, 37.13f}, {0.42f, 36.86f}, {-1.25f, 37.45f},
                                  {-1.43f, 39.22f}, {0.10f, 38.97f},  {1.70f, 38.06f}, {-0.15f, 35.76f},
                                  {-0.04f, 37.12f}, {1.06f, 39.17f},  {1.64f, 36.03f}, {0.15f, 35.64f},
                                  {0.60f, 39.10f},  {0.29f, 39.29f},  {1.53f, 36.51f}};
const std::vector<int> kCrowdTeams{0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1};
const Shot kTakeout{{0.3f, 37.0f}, true, 1.0};

constexpr std::uint64_t kSamplesPerIteration = 64;

void Evaluate(benchmark::State& state, const std::vector<Vector2>& stones, const std::vector<int>& teams,
              const Shot& shot) {
    EvaluationOptions options;
    options.samples = kSamplesPerIteration;
    options.noise = {0.05, 0.005};
    options.threads = static_cast<int>(state.range(0));
    for (auto _ : state) {
        ++options.seed;
        benchmark::DoNotOptimize(EvaluateShot(stones, teams, shot, options).mean);
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * kSamplesPerIteration));
}

// One iteration: EvaluateShot of 64 noisy samples of the draw among three
// stones; items/s is samples a second. Argument: worker threads.
void BM_EvaluateDraw(benchmark::State& state) {
    Evaluate(state, kFewStones, kFewTeams, kDraw);
}
BENCHMARK(BM_EvaluateDraw)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same for the takeout into fifteen stones.
void BM_EvaluateTakeout(benchmark::State& state) {
    Evaluate(state, kCrowd, kCrowdTeams, kTakeout);
}
BENCHMARK(BM_EvaluateTakeout)->Arg(1)->Arg(2)->UseRealTime()->Unit(benchmark::kMillisecond);

// The same draw played once by a fresh player without noise: what a sample
// costs apart from the evaluation's own work.
void BM_PlayDrawFresh(benchmark::State& state) {
    ShotPlayer player;
    for (auto _ : state) {
        player.Reset();
        benchmark::DoNotOptimize(player.Play(kFewStones, kDraw).frames);
    }
}
BENCHMARK(BM_PlayDrawFresh)->Unit(benchmark::kMicrosecond);

// Making a player fresh (two new simulators), which every sample pays.
void BM_PlayerReset(benchmark::State& state) {
    ShotPlayer player;
    for (auto _ : state) player.Reset();
}
BENCHMARK(BM_PlayerReset)->Unit(benchmark::kMicrosecond);

// One release perturbation: a SplitMix64 stream, a normal pair, the turn.
void BM_DrawAndPerturbRelease(benchmark::State& state) {
    ExecutionNoise const noise{0.05, 0.005};
    std::uint64_t n = 0;
    for (auto _ : state) {
        Vector2 const v = PerturbRelease({0.1242f, 2.2989f}, *DrawReleasePerturbation(noise, 7, ++n));
        benchmark::DoNotOptimize(v);
    }
}
BENCHMARK(BM_DrawAndPerturbRelease);

// Scoring sixteen stones.
void BM_ScoreEnd(benchmark::State& state) {
    std::vector<Vector2> stones = kCrowd;
    stones.push_back(sheet::kTee);
    for (auto _ : state) benchmark::DoNotOptimize(ScoreEnd(stones, kCrowdTeams));
}
BENCHMARK(BM_ScoreEnd);

}  // namespace

BENCHMARK_MAIN();
