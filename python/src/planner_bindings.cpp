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
        [](double x, double y, double target_speed, bool clockwise) {
            Vector2 const target{NarrowToFloat(x), NarrowToFloat(y)};
            float const speed = NarrowToFloat(target_speed);
            py::gil_scoped_release nogil;
            Vector2 const v = EstimateShotVelocity(target, speed, clockwise);
            return std::pair<double, double>(v.x, v.y);
        },
        py::arg("x"), py::arg("y"), py::arg("target_speed") = 0.0, py::arg("clockwise") = false,
        "The release velocity (vx, vy) in m/s for a stone thrown from the origin to reach (x, y) with\n"
        "target_speed m/s (0: come to rest there), turning clockwise or counter-clockwise.\n\n"
        "The speed comes from fitted formulas, the direction from a probe throw on this thread's own\n"
        "probe simulator, exactly as the server plans a shot. A target nearer than the fitted range\n"
        "(about 29.9 m for a draw, 8.2 m at 3 m/s) gives (nan, nan).");
}

}  // namespace glidestone::python
