#include <pybind11/pybind11.h>

#include "python/src/bindings.h"
#include "server/request_handler.h"
#include "shot/shot.h"
#include "tools/batch/batch_runner.h"

namespace glidestone::python {

namespace py = pybind11;

void BindErrors(py::module_& module) {
    py::exception<RequestError>& request_error =
        py::register_exception<RequestError>(module, "RequestError", PyExc_ValueError);
    request_error.attr("__doc__") =
        "A request the server would answer with no reply: malformed JSON, a value of the wrong type, "
        "or a value it refuses. The message is the server's. The session stays usable.";
    py::exception<ShotError>& shot_error = py::register_exception<ShotError>(module, "ShotError", PyExc_ValueError);
    shot_error.attr("__doc__") =
        "A shot that cannot be played: too many stones, a coordinate or spin out of range, a run that does not end.";
    py::exception<BatchCancelled>& cancelled =
        py::register_exception<BatchCancelled>(module, "BatchCancelled", PyExc_RuntimeError);
    cancelled.attr("__doc__") = "play_many stopped because its progress callback returned False.";
}

}  // namespace glidestone::python
