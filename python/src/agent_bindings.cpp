#include <Python.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
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

// Runs `play` on a thread of its own while this one, without the GIL, looks
// for Ctrl-C every kSignalInterval and reports the count of finished games
// to `progress`. A signal handler's exception sets `stop` (play must then
// return soon) and is returned, for the caller to raise once it has kept
// what was finished; None otherwise. What play throws is raised once it has
// returned.
py::object Watched(const std::function<void()>& play, std::atomic<bool>& stop,
                   const std::atomic<std::uint64_t>& finished, const py::object& progress) {
    std::atomic<bool> done{false};
    std::mutex done_mutex;
    std::condition_variable done_signal;
    std::exception_ptr failure;           // play's, set by the runner
    std::exception_ptr progress_failure;  // progress's, set here
    py::object interruption = py::none();
    {
        py::gil_scoped_release nogil;
        auto run = [&] {
            try {
                play();
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
    return interruption;
}

// A match's games (RunMatch) watched for Ctrl-C: (results, interruption).
py::tuple PlayMatch(const AgentConfig& a, const AgentConfig& b, MatchOptions options, const py::object& progress) {
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> finished{0};
    options.stop = &stop;
    options.on_game = [&](const GameResult&) { ++finished; };
    std::vector<GameResult> results;
    py::object const interruption = Watched([&] { results = RunMatch(a, b, options); }, stop, finished, progress);
    py::list games;
    for (const GameResult& game : results) games.append(ResultTuple(game));
    return py::make_tuple(games, interruption);
}

// The games of several matches under one seed, all in one pool of threads:
// game g of match m is RunMatch's game g of that match alone (played as a
// range of one game), so the results do not depend on the threads, while a
// tournament of many short matches keeps every core busy. Returns (a list of
// results for each match, interruption); a game never started is unfinished.
py::tuple PlayMatches(const std::vector<std::pair<AgentConfig, AgentConfig>>& matches, const MatchOptions& options,
                      int threads, const py::object& progress) {
    std::uint64_t const games = options.games;
    std::uint64_t const total = games * matches.size();
    std::vector<GameResult> results(total);
    std::atomic<bool> stop{false};
    std::atomic<std::uint64_t> finished{0};
    std::atomic<std::uint64_t> next{0};
    std::atomic<bool> failed{false};
    std::mutex failure_mutex;
    std::exception_ptr failure;
    auto work = [&] {
        try {
            for (std::uint64_t item; !failed.load() && !stop.load() && (item = next.fetch_add(1)) < total;) {
                MatchOptions one = options;
                one.games = 1;
                one.first_game = options.first_game + item % games;
                one.threads = 1;
                one.stop = &stop;
                const auto& [a, b] = matches[item / games];
                results[item] = RunMatch(a, b, one).front();
                if (results[item].finished) ++finished;
            }
        } catch (...) {
            std::lock_guard lock(failure_mutex);
            if (!failure) failure = std::current_exception();
            failed = true;
        }
    };
    auto play = [&] {
        unsigned workers =
            threads > 0 ? static_cast<unsigned>(threads) : std::max(1u, std::thread::hardware_concurrency());
        if (workers > total) workers = static_cast<unsigned>(std::max<std::uint64_t>(total, 1));
        std::vector<std::thread> pool;
        try {
            for (unsigned t = 1; t < workers; ++t) pool.emplace_back(work);
        } catch (const std::system_error&) {
            // Fewer threads than asked: the ones started do it all.
        }
        work();
        for (std::thread& thread : pool) thread.join();
        if (failure) std::rethrow_exception(failure);
    };
    py::object const interruption = Watched(play, stop, finished, progress);
    py::list by_match;
    for (std::size_t m = 0; m < matches.size(); ++m) {
        py::list match;
        for (std::uint64_t g = 0; g < games; ++g) {
            GameResult& game = results[m * games + g];
            game.number = options.first_game + g;  // for games never started too
            match.append(ResultTuple(game));
        }
        by_match.append(match);
    }
    return py::make_tuple(by_match, interruption);
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
        "_play_matches",
        [](const std::vector<std::pair<std::string, std::string>>& pairs, py::tuple rules, std::uint64_t games,
           std::uint64_t seed, int threads, bool keep_records, py::object progress) {
            MatchOptions options;
            options.rules = AsRules(rules);
            if (pairs.empty() || games > kMaxMatchGames / pairs.size())
                throw py::value_error("between 1 and " + std::to_string(kMaxMatchGames) +
                                      " games in all are played, not " + std::to_string(games) + " for each of " +
                                      std::to_string(pairs.size()) + " matches");
            if (threads < 0 || threads > 1024)
                throw py::value_error("threads must be from 0 (every core) to 1024, not " + std::to_string(threads));
            options.games = games;
            options.seed = seed;
            options.keep_records = keep_records;
            std::vector<std::pair<AgentConfig, AgentConfig>> matches;
            for (std::size_t m = 0; m < pairs.size(); ++m) {
                std::string const what = "pairs[" + std::to_string(m) + "]";
                matches.emplace_back(AsConfig(pairs[m].first, what + " a"), AsConfig(pairs[m].second, what + " b"));
            }
            return PlayMatches(matches, options, threads, progress);
        },
        py::arg("pairs"), py::arg("rules"), py::arg("games"), py::arg("seed"), py::arg("threads"),
        py::arg("keep_records"), py::arg("progress") = py::none(),
        "Games 0 .. games - 1 of every match (a, b) in one pool of threads; (results by match, interruption).");
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
