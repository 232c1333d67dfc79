#include <Python.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <variant>
#include <vector>

#include "game/agent.h"
#include "game/agent_match.h"
#include "game/game.h"
#include "python/src/bindings.h"
#include "python/src/convert.h"
#include "python/src/signals.h"
#include "python/src/whole.h"

namespace glidestone::python {

namespace {

// As many as glidestone-game match takes.
constexpr std::uint64_t kMaxMatchGames = 100'000'000;

// An agent made from its config text, with the lock that lets Python threads
// share it: Act keeps per-move tallies, so calls take turns.
struct PyAgent {
    AgentConfig config = ParseAgentConfig("random");
    std::uint64_t seed = 0;
    std::unique_ptr<Agent> agent = MakeAgent(config, 0);
    std::timed_mutex mutex;
};

AgentConfig AsConfig(const std::string& text, const std::string& what) {
    AgentConfig config;
    try {
        config = ParseAgentConfig(text);
    } catch (const std::invalid_argument& error) {
        throw py::value_error(what + ": " + error.what());
    }
    // A move starts its threads at once: as many as any call may ask for.
    if (config.monte_carlo.threads > kMaxThreads)
        throw py::value_error(what + ": montecarlo threads must be at most " + std::to_string(kMaxThreads) + ", not " +
                              std::to_string(config.monte_carlo.threads));
    return config;
}

// The action in the form the Python front plays: ("shot", x, y, pass, spin)
// or ("release", vx, vy, omega). Floats widen to doubles exactly, so the
// action played back is the one the agent chose, bit for bit.
py::tuple ActionTuple(const Action& action) {
    if (const Shot* shot = std::get_if<Shot>(&action))
        return py::make_tuple("shot", static_cast<double>(shot->target.x), static_cast<double>(shot->target.y),
                              shot->pass, shot->spin);
    const Release& release = std::get<Release>(action);
    return py::make_tuple("release", static_cast<double>(release.velocity.x), static_cast<double>(release.velocity.y),
                          static_cast<double>(release.angular_velocity));
}

py::object Optional(const std::optional<int>& value) {
    return value ? py::object(py::int_(*value)) : py::object(py::none());
}

// (number, first_hammer, finished, (total 0, total 1), winner, ends,
// deliveries, record lines, (moves 0, moves 1)).
py::tuple ResultTuple(const GameResult& game) {
    return py::make_tuple(game.number, game.first_hammer, game.finished, py::make_tuple(game.totals[0], game.totals[1]),
                          Optional(game.winner), game.ends, game.deliveries, game.record,
                          py::make_tuple(game.moves[0], game.moves[1]));
}

// The pending Python exception as an object, cleared from the thread's
// state, so that it can be returned and raised later.
py::object FetchError() {
    PyObject* type = nullptr;
    PyObject* value = nullptr;
    PyObject* trace = nullptr;
    PyErr_Fetch(&type, &value, &trace);
    PyErr_NormalizeException(&type, &value, &trace);
    if (value != nullptr && trace != nullptr) PyException_SetTraceback(value, trace);
    Py_XDECREF(type);
    Py_XDECREF(trace);
    return value != nullptr ? py::reinterpret_steal<py::object>(value) : py::object(py::none());
}

// Runs the match on a thread of its own while this one, without the GIL,
// looks for Ctrl-C every kSignalInterval and reports finished games to
// `progress`. A signal handler's exception stops the match between
// deliveries and comes back as the second element (the games finished so
// far are kept); any other exception is raised once the match has stopped.
py::tuple PlayMatch(const AgentConfig& a, const AgentConfig& b, MatchOptions options, const py::object& progress) {
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> finished{0};
    std::atomic<bool> done{false};
    std::mutex done_mutex;
    std::condition_variable done_signal;
    options.stop = &stop;
    options.on_game = [&](const GameResult&) { ++finished; };

    std::vector<GameResult> results;
    std::exception_ptr failure;           // the match's, set by the runner
    std::exception_ptr progress_failure;  // progress's, set here
    py::object interruption = py::none();
    {
        py::gil_scoped_release nogil;
        auto run = [&] {
            try {
                results = RunMatch(a, b, options);
            } catch (...) {
                failure = std::current_exception();
            }
            std::lock_guard lock(done_mutex);
            done = true;
            done_signal.notify_all();
        };
        std::thread runner;
        try {
            runner = std::thread(run);
        } catch (const std::system_error&) {
            run();  // no thread to spare: play on this one, unwatched
        }
        std::uint64_t reported = 0;
        while (runner.joinable()) {
            {
                std::unique_lock lock(done_mutex);
                if (done_signal.wait_for(lock, kSignalInterval, [&] { return done.load(); })) break;
            }
            py::gil_scoped_acquire gil;
            if (PyErr_CheckSignals() != 0) {
                stop = true;
                interruption = FetchError();
                break;
            }
            std::uint64_t const now = finished.load();
            if (!progress.is_none() && now != reported) {
                reported = now;
                try {
                    progress(now);
                } catch (...) {
                    stop = true;
                    progress_failure = std::current_exception();
                    break;
                }
            }
        }
        if (runner.joinable()) runner.join();
    }
    if (progress_failure) std::rethrow_exception(progress_failure);
    if (failure) {
        try {
            std::rethrow_exception(failure);
        } catch (const std::invalid_argument& error) {
            throw py::value_error(error.what());
        }
    }
    if (!progress.is_none() && interruption.is_none()) progress(finished.load());
    py::list games;
    for (const GameResult& game : results) games.append(ResultTuple(game));
    return py::make_tuple(games, interruption);
}

}  // namespace

void BindAgents(py::module_& module) {
    py::class_<PyAgent> agent_class(module, "_Agent",
                                    "An agent made from its config text; glidestone.agents wraps it (see there).");
    WholeOnNew(agent_class);
    agent_class
        .def(
            "__init__",
            [](py::detail::value_and_holder& v_h, const std::string& config, std::uint64_t seed) {
                Initialise<PyAgent>(v_h, [&] {
                    auto made = std::make_unique<PyAgent>();
                    made->config = AsConfig(config, "agent config");
                    made->seed = seed;
                    made->agent = MakeAgent(made->config, seed);
                    return made;
                });
            },
            py::detail::is_new_style_constructor(), py::arg("config"), py::arg("seed") = 0)
        .def(
            "act",
            [](PyAgent& self, const Game& game) {
                if (game.finished()) throw py::value_error("the game is finished: there is no delivery to choose");
                Turn const turn(self.mutex);
                Action action;
                {
                    py::gil_scoped_release nogil;
                    action = self.agent->Act(game);
                }
                return ActionTuple(action);
            },
            py::arg("game"), "The action for the next delivery of the game (a _Game), as a tuple.")
        .def_property_readonly("config", [](const PyAgent& self) { return self.config.text; })
        .def_property_readonly("name", [](const PyAgent& self) { return self.agent->Name(); })
        .def_property_readonly("seed", [](const PyAgent& self) { return self.seed; });

    module.def(
        "_play_match",
        [](const std::string& a, const std::string& b, py::tuple rules, std::uint64_t games, std::uint64_t seed,
           int threads, bool keep_records, std::uint64_t first_game, py::object progress) {
            MatchOptions options;
            options.rules = AsRules(rules);
            // Every game's result is held until the end: bound the memory.
            if (games > kMaxMatchGames)
                throw py::value_error("games must be at most " + std::to_string(kMaxMatchGames) + ", not " +
                                      std::to_string(games));
            options.games = games;
            options.seed = seed;
            if (threads < 0 || threads > 1024)
                throw py::value_error("threads must be from 0 (every core) to 1024, not " + std::to_string(threads));
            options.threads = threads;
            options.keep_records = keep_records;
            options.first_game = first_game;
            return PlayMatch(AsConfig(a, "agent a"), AsConfig(b, "agent b"), options, progress);
        },
        py::arg("a"), py::arg("b"), py::arg("rules"), py::arg("games"), py::arg("seed"), py::arg("threads"),
        py::arg("keep_records"), py::arg("first_game") = 0, py::arg("progress") = py::none(),
        "Games first_game .. first_game + games - 1 of a match of a (team 0) against b; (results, interruption).");

    module.def(
        "_agent_seed",
        [](std::uint64_t seed, int side) {
            if (side != 0 && side != 1) throw py::value_error("side must be 0 or 1, not " + std::to_string(side));
            return AgentSeed(seed, side);
        },
        py::arg("seed"), py::arg("side"), "The seed agent A (side 0) or B (side 1) draws under in a match under seed.");
    module.def(
        "_wilson_interval",
        [](double successes, double trials, double z) {
            Interval const interval = WilsonInterval(successes, trials, z);
            return py::make_tuple(interval.low, interval.high);
        },
        py::arg("successes"), py::arg("trials"), py::arg("z") = 1.959963984540054,
        "The Wilson score interval of successes / trials as (low, high).");
    module.def("_elo_difference", &EloDifference, py::arg("p"),
               "The Elo difference that gives the expected score p (±inf at 1 and 0).");
}

}  // namespace glidestone::python
