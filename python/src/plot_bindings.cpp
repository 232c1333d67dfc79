#include <pybind11/pybind11.h>

#include <cstdint>
#include <string>
#include <vector>

#include "plot/shot_svg.h"
#include "python/src/bindings.h"
#include "python/src/convert.h"
#include "python/src/signals.h"
#include "research/execution_noise.h"
#include "shot/trajectory.h"

namespace glidestone::python {

namespace {

plot::View AsView(const std::string& view) {
    if (view == "house") return plot::View::kHouse;
    if (view == "sheet") return plot::View::kSheet;
    throw py::value_error("view is 'house' or 'sheet', not " + std::string(py::repr(py::str(view))));
}

// None or "odd-even", "halves", or one team a stone given and then the shot
// stone's, as evaluate takes them; slots not in play keep team 0.
plot::Teams AsSlotTeams(py::handle teams, std::size_t stones) {
    if (teams.is_none()) return plot::TeamsOddEven();
    if (py::isinstance<py::str>(teams)) {
        std::string const name = py::str(teams);
        if (name == "odd-even") return plot::TeamsOddEven();
        if (name == "halves") return plot::TeamsHalves();
        throw py::value_error("teams is 'odd-even', 'halves' or one team (0 or 1) a stone, not " +
                              std::string(py::repr(teams)));
    }
    std::vector<int> const list = AsTeams(teams, "teams", stones + 1, kStonesThenShotStone);
    plot::Teams slots{};
    for (std::size_t i = 0; i < stones; ++i) slots[i] = static_cast<std::uint8_t>(list[i]);
    slots[kShotSlot] = static_cast<std::uint8_t>(list[stones]);
    return slots;
}

}  // namespace

void BindPlot(py::module_& module) {
    module.def(
        "_shot_svg",
        [](py::handle stones, double x, double y, bool pass_target, double spin, double sigma_speed, double sigma_angle,
           std::uint64_t seed, const std::string& view, bool animate, py::handle teams, int every) {
            std::vector<Vector2> const positions = AsStonePositions(stones);
            Shot const shot = MakeShot(x, y, pass_target, spin);
            ExecutionNoise const noise = MakeNoise(sigma_speed, sigma_angle);
            plot::PlotOptions options;
            options.view = AsView(view);
            options.animate = animate;
            options.teams = AsSlotTeams(teams, positions.size());
            if (every < 1) throw py::value_error("every must be at least 1, not " + std::to_string(every));
            std::string svg;
            {
                py::gil_scoped_release nogil;
                // A fresh player, and the draw play() makes: the picture is of
                // exactly the shot play() returns.
                ShotPlayer player;
                TrajectoryRecorder recorder(every);
                SignalObserver signals;
                BothObservers observer(recorder, signals);
                ShotResult const result =
                    player.Play(positions, shot, DrawReleasePerturbation(noise, seed, 1), &observer);
                plot::ShotPicture const picture{shot, result.release_velocity, recorder.Take()};
                svg = plot::RenderShotSvg(picture, options);
            }
            return svg;
        },
        py::arg("stones"), py::arg("x"), py::arg("y"), py::arg("pass_target"), py::arg("spin"), py::arg("sigma_speed"),
        py::arg("sigma_angle"), py::arg("seed"), py::arg("view"), py::arg("animate"), py::arg("teams"),
        py::arg("every"), "shot_svg() without the wrapping.");
}

}  // namespace glidestone::python
