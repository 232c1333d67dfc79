#include <glidestone/version.h>
#include <pybind11/pybind11.h>

#include "python/src/bindings.h"
#include "python/src/convert.h"
#include "shot/sheet.h"
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
    module.attr("MAX_STONE_COORDINATE") = static_cast<double>(gs::kMaxStoneCoordinate);
    module.attr("MAX_SPEED") = gs::python::kMaxSpeed;
    module.attr("MAX_SIGMA_SPEED") = gs::python::kMaxSigmaSpeed;
    module.attr("MAX_SIGMA_ANGLE") = gs::python::kMaxSigmaAngle;
    module.attr("MAX_THREADS") = gs::python::kMaxThreads;
    module.attr("MAX_SAMPLES") = gs::python::kMaxSamples;

    // The sheet's geometry as the library holds it (32-bit floats, widened);
    // glidestone.sheet presents it.
    namespace sheet = gs::sheet;
    pybind11::dict geometry;
    geometry["STONE_RADIUS"] = sheet::kStoneRadius;
    geometry["TEE"] = pybind11::make_tuple(sheet::kTee.x, sheet::kTee.y);
    geometry["HOUSE_RADIUS"] = sheet::kHouseRadius;
    pybind11::list rings;
    for (float radius : sheet::kRingRadii) rings.append(radius);
    geometry["RING_RADII"] = pybind11::tuple(rings);
    geometry["TEE_LINE_Y"] = sheet::kTeeLineY;
    geometry["HOG_LINE_Y"] = sheet::kHogLineY;
    geometry["BACK_LINE_Y"] = sheet::kBackLineY;
    geometry["SHEET_MIN_X"] = sheet::kSheetMinX;
    geometry["SHEET_MAX_X"] = sheet::kSheetMaxX;
    module.attr("_SHEET") = geometry;

    gs::python::BindErrors(module);
    gs::python::BindSimulator(module);
    gs::python::BindPlanner(module);
    gs::python::BindShots(module);
    gs::python::BindBatch(module);
    gs::python::BindResearch(module);
    gs::python::BindPlot(module);
    gs::python::BindGames(module);
    gs::python::BindAgents(module);
}
