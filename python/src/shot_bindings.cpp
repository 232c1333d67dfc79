#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <cstdint>
#include <mutex>
#include <new>
#include <string>

#include "python/src/bindings.h"
#include "python/src/convert.h"
#include "python/src/signals.h"
#include "python/src/whole.h"
#include "research/execution_noise.h"
#include "protocol/request_handler.h"
#include "shot/shot_player.h"

namespace glidestone::python {

namespace {

// (positions (16, 2) float32, present (16,) bool, (vx, vy), omega, frames):
// the raw material of the Python ShotResult.
py::tuple ResultTuple(const ShotResult& result) {
    return py::make_tuple(
        Positions(result.stones), Presence(result.stones),
        py::make_tuple(static_cast<double>(result.release_velocity.x), static_cast<double>(result.release_velocity.y)),
        static_cast<double>(result.angular_velocity), result.frames);
}

// One server connection: a request handler and the lock with which the
// Python threads that share it take turns.
struct PySession {
    RequestHandler handler;
    std::timed_mutex mutex;
};

std::string Handle(PySession& self, py::handle line) {
    std::string request = AsRequestText(line, "line");
    if (!request.empty() && request.back() == '\n') request.pop_back();
    if (request.find('\n') != std::string::npos)
        throw py::value_error(
            "line holds a line-feed; a request is one line (split the text and call handle for each)");
    std::string reply;
    std::string failure;
    {
        py::gil_scoped_release nogil;
        TurnWithoutGil const turn(self.mutex);
        SignalObserver observer;
        try {
            reply = self.handler.Handle(request, std::nullopt, &observer);
        } catch (const std::bad_alloc&) {
            throw;
        } catch (const py::error_already_set&) {
            throw;  // Ctrl-C
        } catch (const std::exception& error) {
            // The JSON library's errors, the handler's refusals and a throw
            // that does not end: the server answers none of them.
            failure = error.what();
            if (failure.empty()) failure = "request failed";
        }
    }
    if (!failure.empty()) RaiseRequestError(failure);
    return reply;
}

}  // namespace

void BindShots(py::module_& module) {
    module.def(
        "_play",
        [](py::handle stones, double x, double y, bool pass_target, double spin, double sigma_speed, double sigma_angle,
           std::uint64_t seed) {
            std::vector<Vector2> const positions = AsStonePositions(stones);
            Shot const shot = MakeShot(x, y, pass_target, spin);
            ExecutionNoise const noise = MakeNoise(sigma_speed, sigma_angle);
            ShotResult result;
            {
                py::gil_scoped_release nogil;
                thread_local ShotPlayer player;
                player.Reset();
                SignalObserver observer;
                // A single shot is release number 1; zero noise draws nothing.
                result = player.Play(positions, shot, DrawReleasePerturbation(noise, seed, 1), &observer);
            }
            return ResultTuple(result);
        },
        py::arg("stones"), py::arg("x"), py::arg("y"), py::arg("pass_target"), py::arg("spin"),
        py::arg("sigma_speed") = 0.0, py::arg("sigma_angle") = 0.0, py::arg("seed") = 0,
        "play() without the wrapping: a tuple (positions, present, (vx, vy), omega, frames).");

    py::class_<PySession> session(module, "_Session",
                                  "One server connection; glidestone.Session wraps it (see there).");
    WholeOnNew(session);
    session
        .def(
            "__init__",
            [](py::detail::value_and_holder& v_h) {
                Initialise<PySession>(v_h, [] { return std::make_unique<PySession>(); });
            },
            py::detail::is_new_style_constructor(), "A fresh connection.")
        .def("handle", &Handle, py::arg("line"), "See glidestone.Session.handle.")
        .def(
            "play",
            [](PySession& self, py::handle stones, double x, double y, bool pass_target, double spin) {
                std::vector<Vector2> const positions = AsStonePositions(stones);
                Shot const shot = MakeShot(x, y, pass_target, spin);
                ShotResult result;
                {
                    py::gil_scoped_release nogil;
                    TurnWithoutGil const turn(self.mutex);
                    SignalObserver observer;
                    result = self.handler.player().Play(positions, shot, std::nullopt, &observer);
                }
                return ResultTuple(result);
            },
            py::arg("stones"), py::arg("x"), py::arg("y"), py::arg("pass_target"), py::arg("spin"),
            "See glidestone.Session.play.")
        .def(
            "reset",
            [](PySession& self) {
                py::gil_scoped_release nogil;
                TurnWithoutGil const turn(self.mutex);
                self.handler.ResetToFreshState();
            },
            "See glidestone.Session.reset.")
        .def(
            "__reduce_ex__",
            [](py::handle, py::handle) -> py::object {
                throw py::type_error(
                    "cannot pickle or copy a glidestone.Session: its simulators' history is "
                    "not part of any state (make a new Session and replay its requests)");
            },
            py::arg("protocol"), "Refused with TypeError.");
}

}  // namespace glidestone::python
