#include <pybind11/pybind11.h>

#include <mutex>

#include "planner/shot_velocity.h"
#include "python/src/bindings.h"
#include "python/src/convert.h"
#include "shot/shot_player.h"

namespace glidestone::python {

void BindPlanner(py::module_& module) {
    module.def(
        "estimate_shot_velocity",
        [](py::handle x, py::handle y, py::handle target_speed, py::handle clockwise) {
            Vector2 const target{AsCoordinate(AsReal(x, "x"), "x"), AsCoordinate(AsReal(y, "y"), "y")};
            double const wanted = AsReal(target_speed, "target_speed");
            if (!(wanted >= 0.0))
                throw py::value_error("target_speed must not be negative, not " +
                                      std::string(py::repr(py::float_(wanted))));
            float const speed = AsSpeed(wanted, "target_speed");
            bool const turn = AsFlag(clockwise, "clockwise");
            py::gil_scoped_release nogil;
            Vector2 const v = EstimateShotVelocity(target, speed, turn);
            return std::pair<double, double>(v.x, v.y);
        },
        py::arg("x"), py::arg("y"), py::arg("target_speed") = 0.0, py::arg("clockwise") = false,
        "The release velocity (vx, vy) in m/s for a stone thrown from the origin to reach (x, y) with\n"
        "target_speed m/s (0: come to rest there), turning clockwise or counter-clockwise.\n\n"
        "The speed comes from fitted formulas, the direction from a probe throw on this thread's own\n"
        "probe simulator, exactly as the server plans a shot. A target nearer than the fitted range\n"
        "(about 29.9 m for a draw, 8.2 m at 3 m/s) gives (nan, nan).\n\n"
        "x, y: real numbers within 1e36 of the origin; target_speed: from 0 to 1e9; clockwise: True or False\n"
        "(TypeError or ValueError otherwise).");
}

}  // namespace glidestone::python
