// The C++ side of the Python step-cost comparison (python_bench.py): the
// same scenes stepped in the same rounds as the script steps them through
// glidestone.Simulator.step, so that the difference is the cost of the call
// from Python.
//
// Prints "<scene> <nanoseconds a step>" for:
//   sixteen_stones  the takeout scene from the frame the shot stone reaches
//                   y = 32 m, 120 frames a round (as BM_StepSixteenStones)
//   one_stone       the draw's shot stone alone from release, 500 frames a
//                   round (as BM_StepOneStoneMoving)
// Usage: glidestone-step-cost [rounds]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "bench/scenes.h"
#include "simulator/fcv1/simulator_fcv1_factory.h"
#include "simulator/interfaces/simulator.h"

namespace {

using glidestone::AllStones;
using Clock = std::chrono::steady_clock;

double NanosecondsPerStep(glidestone::ISimulator& simulator, const AllStones& start, int frames, int rounds) {
    double best = 1e300;
    for (int round = 0; round < rounds; ++round) {
        simulator.SetStones(start);
        auto const begin = Clock::now();
        for (int frame = 0; frame < frames; ++frame) simulator.Step();
        double const ns = std::chrono::duration<double, std::nano>(Clock::now() - begin).count() / frames;
        if (ns < best) best = ns;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    int const rounds = argc > 1 ? std::atoi(argv[1]) : 200;
    auto simulator = glidestone::simulators::SimulatorFCV1Factory(0.05f).CreateSimulator();

    simulator->SetStones(glidestone::bench::TakeoutSceneAtRelease());
    while (simulator->GetStones()[15].position.y < 32.0f) simulator->Step();
    AllStones const sixteen = simulator->GetStones();
    std::printf("sixteen_stones %.1f\n", NanosecondsPerStep(*simulator, sixteen, 120, rounds));
    std::printf("one_stone %.1f\n",
                NanosecondsPerStep(*simulator, glidestone::bench::DrawSceneAtRelease(), 500, rounds));
    return 0;
}
