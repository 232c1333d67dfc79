#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "python/src/bindings.h"
#include "python/src/convert.h"
#include "python/src/signals.h"
#include "research/end_score.h"
#include "research/monte_carlo.h"

namespace glidestone::python {

namespace {

// Stone centres for scoring: any number of them, each finite as a float.
std::vector<Vector2> AsScoredPositions(py::handle value) {
    DoubleArray const array = AsRows(value, "positions", 2, std::numeric_limits<py::ssize_t>::max());
    auto const rows = array.unchecked<2>();
    std::vector<Vector2> positions(static_cast<std::size_t>(rows.shape(0)));
    for (py::ssize_t i = 0; i < rows.shape(0); ++i) {
        std::string name = "positions[";
        name.append(std::to_string(i)).append("]");
        positions[static_cast<std::size_t>(i)] = {AsFiniteFloat(rows(i, 0), name + ".x"),
                                                  AsFiniteFloat(rows(i, 1), name + ".y")};
    }
    return positions;
}

}  // namespace

void BindResearch(py::module_& module) {
    module.def(
        "_score_end",
        [](py::handle positions, py::handle teams) {
            std::vector<Vector2> const stones = AsScoredPositions(positions);
            std::vector<int> const sides = AsTeams(teams, "teams", stones.size());
            EndScore const score = ScoreEnd(stones, sides);
            return py::make_tuple(score.team ? py::object(py::int_(*score.team)) : py::object(py::none()),
                                  score.points);
        },
        py::arg("positions"), py::arg("teams"), "score_end() without the wrapping.");

    module.def(
        "_evaluate",
        [](py::handle stones, double x, double y, bool pass_target, double spin, py::handle teams, py::handle samples,
           double sigma_speed, double sigma_angle, std::uint64_t seed, py::handle threads) {
            std::vector<Vector2> const positions = AsStonePositions(stones);
            std::vector<int> const sides = AsTeams(teams, "teams", positions.size() + 1, kStonesThenShotStone);
            EvaluationOptions options;
            options.samples = static_cast<std::uint64_t>(AsInteger(samples, "samples", 1, kMaxSamples));
            options.noise = MakeNoise(sigma_speed, sigma_angle);
            options.seed = seed;
            options.threads = static_cast<int>(AsInteger(threads, "threads", 0, kMaxThreads));
            Shot const shot = MakeShot(x, y, pass_target, spin);
            ScoreDistribution distribution;
            {
                py::gil_scoped_release nogil;
                // The calling thread plays samples too, and looks for Ctrl-C
                // between frames; the other workers stop within a frame.
                SignalWatch watch;
                options.poll = [&watch] { watch.Poll(); };
                distribution = EvaluateShot(positions, sides, shot, options);
            }
            py::array_t<std::int32_t> scores(static_cast<py::ssize_t>(distribution.scores.size()));
            static_assert(sizeof(int) == sizeof(std::int32_t));
            if (!distribution.scores.empty())
                std::memcpy(scores.mutable_data(), distribution.scores.data(),
                            distribution.scores.size() * sizeof(std::int32_t));
            py::dict histogram;
            for (auto const& [score, count] : distribution.histogram) histogram[py::int_(score)] = py::int_(count);
            return py::make_tuple(scores, histogram, distribution.mean, distribution.standard_deviation,
                                  distribution.standard_error);
        },
        py::arg("stones"), py::arg("x"), py::arg("y"), py::arg("pass_target"), py::arg("spin"), py::arg("teams"),
        py::arg("samples"), py::arg("sigma_speed"), py::arg("sigma_angle"), py::arg("seed"), py::arg("threads"),
        "evaluate() without the wrapping: (scores, histogram, mean, standard_deviation, standard_error); "
        "threads 0 is one a core.");
}

}  // namespace glidestone::python
