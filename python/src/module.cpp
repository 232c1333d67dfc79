#include <glidestone/version.h>
#include <pybind11/pybind11.h>

#include "python/src/bindings.h"
#include "shot/shot.h"
#include "simulator/fcv1/simulator_fcv1_factory.h"
#include "simulator/interfaces/stone.h"

PYBIND11_MODULE(_glidestone, module) {
    namespace gs = glidestone;
    module.doc() = "The compiled core of the glidestone package; import glidestone instead, which wraps it.";
    module.attr("__version__") = gs::kVersion;
    module.attr("STONE_COUNT") = gs::kStoneCount;
    module.attr("SHOT_SLOT") = gs::kShotSlot;
    module.attr("MAX_STONES_IN_PLAY") = gs::kMaxStonesInPlay;
    module.attr("PASS_SPEED") = gs::kPassSpeed;
    module.attr("SECONDS_PER_FRAME") = gs::simulators::SimulatorFCV1Factory::kDefaultSecondsPerFrame;

    gs::python::BindErrors(module);
    gs::python::BindSimulator(module);
    gs::python::BindPlanner(module);
    gs::python::BindShots(module);
    gs::python::BindBatch(module);
    gs::python::BindResearch(module);
    gs::python::BindPlot(module);
    gs::python::BindGames(module);
}
