#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "python/src/bindings.h"
#include "python/src/convert.h"
#include "python/src/signals.h"
#include "tools/batch/batch_runner.h"

namespace glidestone::python {

void BindBatch(py::module_& module) {
    module.def(
        "_play_many",
        [](py::iterable requests, py::object threads, py::object progress, double interval, double sigma_speed,
           double sigma_angle, std::uint64_t seed) {
            ExecutionNoise const noise = MakeNoise(sigma_speed, sigma_angle);
            std::vector<std::string> lines;
            for (py::handle request : requests) {
                // Millions of lines take a while to read: let Ctrl-C in.
                if (lines.size() % 4096 == 4095 && PyErr_CheckSignals() != 0) throw py::error_already_set();
                std::string line = AsRequestText(request, "requests[" + std::to_string(lines.size()) + "]");
                // One trailing line-feed is the line's end, as Session.handle
                // takes it: lines read from a file arrive with theirs.
                if (!line.empty() && line.back() == '\n') line.pop_back();
                lines.push_back(std::move(line));
            }
            int workers = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
            if (!threads.is_none()) workers = static_cast<int>(AsInteger(threads, "threads", 1, kMaxThreads));
            if (!(interval >= 0.001 && interval <= 3600.0))
                throw py::value_error("interval must be from 0.001 to 3600 seconds");
            auto const period = std::chrono::duration<double>(interval);
            std::size_t const total = lines.size();
            auto last = std::chrono::steady_clock::now();
            // Called on this thread every kSignalInterval, with the GIL
            // released around it: lets Ctrl-C stop the run, and reports
            // progress every `interval` and once at the end.
            BatchProgress const report = [&](std::size_t done) {
                py::gil_scoped_acquire gil;
                if (PyErr_CheckSignals() != 0) throw py::error_already_set();
                auto const now = std::chrono::steady_clock::now();
                if (progress.is_none() || (done != total && now - last < period)) return true;
                last = now;
                py::object const answer = progress(done);
                if (answer.is_none()) return true;
                int const truth = PyObject_IsTrue(answer.ptr());
                if (truth < 0) throw py::error_already_set();
                return truth == 1;
            };
            std::vector<std::string> replies;
            {
                py::gil_scoped_release nogil;
                replies = AnswerAll(lines, workers, report, kSignalInterval, noise, seed);
            }
            return replies;
        },
        py::arg("requests"), py::arg("threads") = py::none(), py::arg("progress") = py::none(),
        py::arg("interval") = 0.1, py::arg("sigma_speed") = 0.0, py::arg("sigma_angle") = 0.0, py::arg("seed") = 0,
        "play_many() without the wrapping: progress(done) is called about every `interval` seconds "
        "and once at the end; returning a false value other than None stops the run with BatchCancelled. Request N "
        "(from 1) "
        "is perturbed by draw N of the seed, as glidestone-batch perturbs line N.");
}

}  // namespace glidestone::python
