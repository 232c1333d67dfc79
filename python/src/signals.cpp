#include "python/src/signals.h"

namespace glidestone::python {

void CheckSignals() {
    py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
}

TurnWithoutGil::TurnWithoutGil(std::timed_mutex& mutex) : lock_(mutex, std::defer_lock) {
    while (!lock_.try_lock_for(kSignalInterval)) CheckSignals();
}

Turn::Turn(std::timed_mutex& mutex) : lock_(mutex, std::try_to_lock) {
    if (lock_.owns_lock()) return;
    py::gil_scoped_release nogil;
    while (!lock_.try_lock_for(kSignalInterval)) CheckSignals();
}

}  // namespace glidestone::python
