#include <pybind11/pybind11.h>

#include "python/src/bindings.h"
#include "protocol/request_error.h"
#include "shot/shot.h"
#include "tools/batch/batch_runner.h"

namespace glidestone::python {

namespace py = pybind11;

namespace {

PyObject* request_error_type = nullptr;  // owned by the module

}  // namespace

void RaiseRequestError(const std::string& message) {
    py::object const text = py::reinterpret_steal<py::object>(
        PyUnicode_DecodeUTF8(message.data(), static_cast<Py_ssize_t>(message.size()), "replace"));
    if (!text) throw py::error_already_set();
    PyErr_SetObject(request_error_type, text.ptr());
    throw py::error_already_set();
}

void BindErrors(py::module_& module) {
    py::exception<RequestError>& request_error =
        py::register_exception<RequestError>(module, "RequestError", PyExc_ValueError);
    request_error_type = request_error.ptr();
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
