// Benchmarks of the simulation server's hot paths, from one frame of the
// simulator up to a whole request. Run `glidestone_bench --help` for Google
// Benchmark's options; bench/README.md lists the baseline figures.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <utility>

#include "bench/allocation_counter.h"
#include "bench/scenes.h"
#include "planner/shot_velocity.h"
#include "protocol/request_handler.h"
#include "protocol/strict_request.h"
#include "simulator/fcv1/simulator_fcv1.h"
#include "simulator/fcv1/simulator_fcv1_factory.h"
#include "simulator/interfaces/simulator.h"

namespace {

using glidestone::AllStones;
using glidestone::ISimulator;
using glidestone::ReadStrictRequest;
using glidestone::RequestHandler;
using glidestone::StrictRequest;
using glidestone::Vector2;
using glidestone::WriteStrictReply;
using glidestone::bench::AllocationCount;
using glidestone::bench::CountAllocations;

std::unique_ptr<ISimulator> NewSimulator() {
    return glidestone::simulators::SimulatorFCV1Factory(0.05f).CreateSimulator();
}

// The draw's stone slides for about 550 frames; it is put back at the release
// point after this many, so it never stops in the timed part.
constexpr int kOneStoneFramesPerRun = 500;

// Frames of the crowded scene timed before it is set up again: enough for the
// shot stone to reach the house and for the stones it knocks to slide apart.
constexpr int kSixteenStonesFramesPerRun = 120;

// How far the takeout's shot stone has travelled (m) in the crowded scene's
// starting position: short of the nearest stones (y >= 35.6 m).
constexpr float kSixteenStonesStartY = 32.0f;

// --- Simulator ---------------------------------------------------------------

// One Step (one 0.05 s frame) with a single stone sliding and curling: the
// draw's shot stone from its release velocity (about 2.3 m/s, +1.57 rad/s), the
// other fifteen slots absent. Every 500 frames the stone is set back to its
// release, with the timer paused, so every timed frame has it moving.
void BM_StepOneStoneMoving(benchmark::State& state) {
    AllStones const release = glidestone::bench::DrawSceneAtRelease();
    auto simulator = NewSimulator();
    simulator->SetStones(release);
    int frame = 0;
    for (auto _ : state) {
        if (frame == kOneStoneFramesPerRun) {
            state.PauseTiming();
            simulator->SetStones(release);
            frame = 0;
            state.ResumeTiming();
        }
        simulator->Step();
        ++frame;
    }
    if (simulator->AreAllStonesStopped()) state.SkipWithError("the stone stopped inside a timed run");
}
BENCHMARK(BM_StepOneStoneMoving);

// One Step with all sixteen stones in play and colliding: the takeout scene
// (fifteen stones in and around the house) from the frame at which the shot
// stone has reached y = 32 m, stepped 120 frames (the shot stone's contacts
// and the knocked stones sliding apart), then set back to that frame with the
// timer paused. Reports the stone-to-stone contacts a frame.
void BM_StepSixteenStones(benchmark::State& state) {
    auto simulator = NewSimulator();
    simulator->SetStones(glidestone::bench::TakeoutSceneAtRelease());
    while (simulator->GetStones()[15].position.y < kSixteenStonesStartY) simulator->Step();
    AllStones const start = simulator->GetStones();

    simulator->SetStones(start);
    int frame = 0;
    std::int64_t contacts = 0;
    for (auto _ : state) {
        if (frame == kSixteenStonesFramesPerRun) {
            state.PauseTiming();
            simulator->SetStones(start);
            frame = 0;
            state.ResumeTiming();
        }
        simulator->Step();
        contacts += static_cast<std::int64_t>(simulator->GetCollisions().size());
        ++frame;
    }
    state.counters["contacts_per_frame"] =
        benchmark::Counter(static_cast<double>(contacts), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_StepSixteenStones);

// --- Planner -----------------------------------------------------------------

// One EstimateShotVelocity({0, 35}, 0, counter-clockwise): the fitted speed and
// the probe throw (about 548 frames of one stone) on this thread's probe.
void BM_EstimateShotVelocity(benchmark::State& state) {
    for (auto _ : state) {
        glidestone::Vector2 velocity = glidestone::EstimateShotVelocity({0.0f, 35.0f}, 0.0f, false);
        benchmark::DoNotOptimize(velocity);
    }
}
BENCHMARK(BM_EstimateShotVelocity)->Unit(benchmark::kMicrosecond);

// --- Whole requests ----------------------------------------------------------

// Times RequestHandler::Handle on `line` as a running server handles one
// request after another (the first call, which creates the thread's
// simulators, is made before the timing). Reports heap allocations a request
// and how the frames of a request were taken.
void TimeRequest(benchmark::State& state, std::string_view line) {
    RequestHandler handler;
    std::string reply = handler.Handle(line);
    AllocationCount const before = CountAllocations();
    for (auto _ : state) {
        reply = handler.Handle(line);
        benchmark::DoNotOptimize(reply.data());
    }
    AllocationCount const used = CountAllocations() - before;
    state.counters["allocs_per_request"] =
        benchmark::Counter(static_cast<double>(used.heap), benchmark::Counter::kAvgIterations);

    // How the frames of one more such request were taken: the probe's, then
    // the throw's by mode (see SimulatorFCV1::SetEngineShortcuts).
    auto* probe = dynamic_cast<glidestone::simulators::SimulatorFCV1*>(&handler.player().probe_simulator());
    auto* thrown = dynamic_cast<glidestone::simulators::SimulatorFCV1*>(&handler.player().throw_simulator());
    if (probe == nullptr || thrown == nullptr) return;
    using glidestone::simulators::FrameMode;
    auto const frames = [&] {
        return std::array<std::uint64_t, 5>{probe->Frames(FrameMode::kLoneStone), thrown->Frames(FrameMode::kLoneStone),
                                            thrown->Frames(FrameMode::kAmongResting),
                                            thrown->Frames(FrameMode::kFreeFrame), thrown->Frames(FrameMode::kEngine)};
    };
    auto const start = frames();
    reply = handler.Handle(line);
    auto const end = frames();
    constexpr const char* kNames[] = {"frames_probe", "frames_lone", "frames_among_resting", "frames_free",
                                      "frames_engine"};
    for (std::size_t i = 0; i < end.size(); ++i) state.counters[kNames[i]] = static_cast<double>(end[i] - start[i]);
}

// One whole request: {"shot":[0,35,1],"stone1":[0,0,0]}, a draw onto an empty
// sheet. Parse, probe throw (~548 frames), the throw (~548 frames of one
// stone), the reply written. Reports heap allocations a request.
void BM_RequestDraw(benchmark::State& state) {
    TimeRequest(state, glidestone::bench::kDrawRequest);
}
BENCHMARK(BM_RequestDraw)->Unit(benchmark::kMicrosecond);

// One whole request: a takeout at 3 m/s (shot [0.3,-37,1]) into fifteen stones
// in and around the house, many collisions. Parse, probe throw, the throw until
// all sixteen stones stop, the reply written. Reports heap allocations a
// request and its frames by kind.
void BM_RequestTakeout(benchmark::State& state) {
    TimeRequest(state, glidestone::bench::kTakeoutRequest);
}
BENCHMARK(BM_RequestTakeout)->Unit(benchmark::kMicrosecond);

// One whole request: a takeout at 3 m/s (shot [0.0,-37,1]) into four stones in
// the house. Reports heap allocations a request and its frames by kind.
void BM_RequestTakeoutIntoFour(benchmark::State& state) {
    TimeRequest(state, glidestone::bench::kTakeoutIntoFourRequest);
}
BENCHMARK(BM_RequestTakeoutIntoFour)->Unit(benchmark::kMicrosecond);

// --- JSON --------------------------------------------------------------------

// nlohmann::json::parse of the takeout request line (fifteen stones and the
// shot, 600 bytes), the parser the request handler uses.
void BM_ParseRequest(benchmark::State& state) {
    std::string_view const line = glidestone::bench::kTakeoutRequest;
    for (auto _ : state) {
        nlohmann::json request = nlohmann::json::parse(line);
        benchmark::DoNotOptimize(request);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_ParseRequest);

// nlohmann::json::dump() of a reply: the parsed reply of the takeout request
// (sixteen stones with full-precision rest positions and the shot velocity).
void BM_WriteReply(benchmark::State& state) {
    RequestHandler handler;
    nlohmann::json const reply = nlohmann::json::parse(handler.Handle(glidestone::bench::kTakeoutRequest));
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = reply.dump();
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_WriteReply);

// The strict reader's take on the same request line, which the handler uses
// instead of the document for requests of the common shape.
void BM_ReadStrictRequest(benchmark::State& state) {
    std::string_view const line = glidestone::bench::kTakeoutRequest;
    for (auto _ : state) {
        std::optional<StrictRequest> request = ReadStrictRequest(line);
        benchmark::DoNotOptimize(request);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_ReadStrictRequest);

// The same reply as BM_WriteReply's, written from the strict request.
void BM_WriteStrictReply(benchmark::State& state) {
    RequestHandler handler;
    std::string const expected = handler.Handle(glidestone::bench::kTakeoutRequest);
    StrictRequest const request = ReadStrictRequest(glidestone::bench::kTakeoutRequest).value();
    AllStones rest{};
    nlohmann::json const reply = nlohmann::json::parse(expected);
    for (std::size_t n = 1; n <= rest.size(); ++n) {
        const nlohmann::json& stone = reply["stone" + std::to_string(n)];
        rest[n - 1].position = {stone[0].get<float>(), stone[1].get<float>()};
    }
    Vector2 const velocity{reply["shot"][0].get<float>(), reply["shot"][1].get<float>()};
    std::size_t bytes = 0;
    for (auto _ : state) {
        std::string text = WriteStrictReply(request, rest, velocity);
        bytes = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    if (WriteStrictReply(request, rest, velocity) != expected) state.SkipWithError("not the handler's reply");
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_WriteStrictReply);

// --- Allocations -------------------------------------------------------------

// Heap allocations (malloc, calloc, realloc, aligned allocation and operator
// new, Box2D's included) a frame while a run is under way: one iteration plays
// the takeout scene from its release until all stones stop (SetStones, then
// AreAllStonesStopped and Step per frame) on a simulator that has played it
// once before; only the frames are counted. The target is 0. Also reports the
// figure for the very first run on a new simulator and what SetStones costs.
void BM_AllocationsPerFrame(benchmark::State& state) {
    AllStones const release = glidestone::bench::TakeoutSceneAtRelease();
    auto simulator = NewSimulator();

    auto play = [&](AllocationCount& set_stones, AllocationCount& frames_allocs) {
        AllocationCount const start = CountAllocations();
        simulator->SetStones(release);
        AllocationCount const set = CountAllocations();
        int frames = 0;
        while (!simulator->AreAllStonesStopped()) {
            simulator->Step();
            ++frames;
        }
        AllocationCount const end = CountAllocations();
        set_stones = set - start;
        frames_allocs = end - set;
        return frames;
    };

    AllocationCount first_set;
    AllocationCount first_frames;
    int const first_run_frames = play(first_set, first_frames);

    std::int64_t frames = 0;
    AllocationCount set_total;
    AllocationCount frame_total;
    for (auto _ : state) {
        AllocationCount set;
        AllocationCount run;
        frames += play(set, run);
        set_total.heap += set.heap;
        set_total.operator_new += set.operator_new;
        frame_total.heap += run.heap;
        frame_total.operator_new += run.operator_new;
    }
    double const iterations = static_cast<double>(state.iterations());
    state.counters["frames_per_run"] = static_cast<double>(frames) / iterations;
    state.counters["allocs_per_frame"] = static_cast<double>(frame_total.heap) / static_cast<double>(frames);
    state.counters["new_per_frame"] = static_cast<double>(frame_total.operator_new) / static_cast<double>(frames);
    state.counters["set_stones_allocs"] = static_cast<double>(set_total.heap) / iterations;
    state.counters["first_run_allocs_per_frame"] =
        static_cast<double>(first_frames.heap) / static_cast<double>(first_run_frames);
    state.counters["first_run_allocs"] = static_cast<double>(first_frames.heap + first_set.heap);
}
BENCHMARK(BM_AllocationsPerFrame)->Unit(benchmark::kMicrosecond);

// What each benchmark measures, printed in the header of every run.
constexpr std::pair<const char*, const char*> kDescriptions[] = {
    {"BM_StepOneStoneMoving", "one 0.05 s Step, a single stone sliding (the draw's shot stone)"},
    {"BM_StepSixteenStones", "one Step, sixteen stones, the takeout scene from y = 32 m for 120 frames"},
    {"BM_EstimateShotVelocity", "one EstimateShotVelocity({0,35},0,ccw): fitted speed + ~548-frame probe"},
    {"BM_RequestDraw", "one RequestHandler::Handle of the draw {\"shot\":[0,35,1],\"stone1\":[0,0,0]}"},
    {"BM_RequestTakeout", "one RequestHandler::Handle of a 3 m/s takeout into fifteen stones"},
    {"BM_RequestTakeoutIntoFour", "one RequestHandler::Handle of a 3 m/s takeout into four stones"},
    {"BM_ParseRequest", "nlohmann::json::parse of the fifteen-stone takeout request line"},
    {"BM_WriteReply", "nlohmann::json::dump of the takeout's reply object"},
    {"BM_ReadStrictRequest", "the strict reader on the fifteen-stone takeout request line"},
    {"BM_WriteStrictReply", "the takeout's reply written from the strict request"},
    {"BM_AllocationsPerFrame", "one takeout scene played to rest; heap allocations a frame (target 0)"},
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    for (const auto& [name, what] : kDescriptions) benchmark::AddCustomContext(name, what);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
