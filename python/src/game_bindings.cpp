#include <Python.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdint>
#include <exception>
#include <functional>
#include <limits>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "game/game.h"
#include "game/record.h"
#include "python/src/bindings.h"
#include "python/src/convert.h"
#include "python/src/whole.h"
#include "research/execution_noise.h"
#include "shot/shot_player.h"
#include "tools/game/game_viewer.h"
#include "workers/task_group.h"

namespace glidestone::python {

namespace {

// Rows of work spread over threads: the calling thread, without the GIL, and
// up to threads - 1 of the process's kept threads (WorkerPool: a row is a
// delivery or a shot, a tenth of a millisecond or so, about what starting a
// thread costs). Between rows, and while it waits for the others, the calling
// thread takes the GIL every 20 ms and asks Python whether a signal is
// pending; if so the workers finish the rows they hold, take no more, and the
// KeyboardInterrupt is raised. `work(row)` runs without the GIL and must not
// touch Python objects. The first exception a row throws stops the rest and
// is rethrown with its row number.
struct RowFailure {
    std::size_t row = 0;
    std::exception_ptr error;
};

void ForEachRow(std::size_t rows, int threads, const std::function<void(std::size_t)>& work) {
    if (rows == 0) return;
    std::size_t const workers = std::min<std::size_t>(rows, static_cast<std::size_t>(threads));
    std::atomic<std::size_t> next{0};
    std::atomic<bool> stop{false};
    std::mutex failure_mutex;
    std::optional<RowFailure> failure;

    using Clock = std::chrono::steady_clock;
    constexpr auto kSignalInterval = std::chrono::milliseconds(20);
    Clock::time_point last_check = Clock::now();
    bool interrupted = false;
    // The calling thread only.
    auto signal_pending = [&] {
        last_check = Clock::now();
        py::gil_scoped_acquire gil;
        if (PyErr_CheckSignals() == 0) return false;
        interrupted = true;
        stop = true;
        return true;
    };

    // Rows until none is left or the work stops; `caller` looks for signals.
    auto run = [&](bool caller) {
        for (;;) {
            if (stop.load()) break;
            std::size_t const row = next.fetch_add(1);
            if (row >= rows) break;
            try {
                work(row);
            } catch (...) {
                std::lock_guard lock(failure_mutex);
                if (!failure || row < failure->row) failure = RowFailure{row, std::current_exception()};
                stop = true;
            }
            if (caller && Clock::now() - last_check >= kSignalInterval && signal_pending()) break;
        }
    };

    // Made with the GIL held: the pool is looked up (and after fork() made
    // anew) under it.
    TaskGroup helpers;
    {
        py::gil_scoped_release nogil;
        // Fewer helpers than asked when the system refuses threads: the ones
        // started, and this thread, do it all.
        try {
            for (std::size_t i = 1; i < workers; ++i) helpers.Run([&] { run(false); });
        } catch (const std::system_error&) {
        }
        run(true);
        // Woken as soon as the last helper is done, and every 20 ms meanwhile
        // to look for Ctrl-C.
        while (!interrupted && !helpers.WaitFor(kSignalInterval)) {
            if (signal_pending()) break;
        }
        // The helpers' rows use this call's state: they finish the rows they
        // hold before it returns. They throw nothing (run catches).
        helpers.Wait();
    }
    if (interrupted) throw py::error_already_set();
    if (failure) {
        try {
            std::rethrow_exception(failure->error);
        } catch (const py::error_already_set&) {
            throw;
        } catch (const ShotError& error) {
            throw ShotError("row " + std::to_string(failure->row) + ": " + error.what());
        } catch (const std::invalid_argument& error) {
            throw py::value_error("row " + std::to_string(failure->row) + ": " + error.what());
        } catch (const std::exception& error) {
            throw std::runtime_error("row " + std::to_string(failure->row) + ": " + error.what());
        }
    }
}

int Workers(py::object threads) {
    if (threads.is_none()) return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    int const workers = threads.cast<int>();
    if (workers < 1) throw py::value_error("threads must be at least 1, not " + std::to_string(workers));
    if (workers > 1024) throw py::value_error("threads must be at most 1024, not " + std::to_string(workers));
    return workers;
}

// The sixteen stone numbers' positions (NaN where not in play) and whether
// each is in play.
py::tuple StonesByNumber(const std::vector<StoneInPlay>& stones) {
    py::array_t<float> positions({static_cast<py::ssize_t>(kStoneCount), static_cast<py::ssize_t>(2)});
    py::array_t<bool> in_play(static_cast<py::ssize_t>(kStoneCount));
    auto p = positions.mutable_unchecked<2>();
    auto q = in_play.mutable_unchecked<1>();
    for (py::ssize_t i = 0; i < static_cast<py::ssize_t>(kStoneCount); ++i) {
        p(i, 0) = p(i, 1) = std::numeric_limits<float>::quiet_NaN();
        q(i) = false;
    }
    for (const StoneInPlay& stone : stones) {
        p(stone.number, 0) = stone.position.x;
        p(stone.number, 1) = stone.position.y;
        q(stone.number) = true;
    }
    return py::make_tuple(positions, in_play);
}

py::object Optional(const std::optional<int>& value) {
    return value ? py::object(py::int_(*value)) : py::object(py::none());
}

// (end, delivery, team, hammer, next_stone, positions, in_play, end_scores,
// totals, finished, winner).
py::tuple StateTuple(const GameState& state) {
    py::tuple const stones = StonesByNumber(state.stones);
    py::array_t<std::int32_t> scores({static_cast<py::ssize_t>(state.end_scores.size()), static_cast<py::ssize_t>(2)});
    auto s = scores.mutable_unchecked<2>();
    for (std::size_t i = 0; i < state.end_scores.size(); ++i) {
        s(static_cast<py::ssize_t>(i), 0) = state.end_scores[i][0];
        s(static_cast<py::ssize_t>(i), 1) = state.end_scores[i][1];
    }
    py::array_t<std::int32_t> totals(2);
    totals.mutable_at(0) = state.totals[0];
    totals.mutable_at(1) = state.totals[1];
    return py::make_tuple(state.end, state.delivery, state.team, state.hammer, state.NextStone(), stones[0], stones[1],
                          scores, totals, state.finished, Optional(state.winner));
}

// (finished, team to deliver, end, delivery, hammer, team 0's total, team
// 1's, winner or None): what the environments read after every delivery, at
// the cost of a tuple of numbers rather than StateTuple's arrays.
py::tuple StatusTuple(const GameState& state) {
    return py::make_tuple(state.finished, state.team, state.end, state.delivery, state.hammer, state.totals[0],
                          state.totals[1], Optional(state.winner));
}

// The environments' observation of `state` from `team`'s side, 68 float32
// columns as glidestone/env.py documents them: each stone number's [x, y, in
// play, own] (x = y = 0 when not in play), then the end, the delivery,
// whether `team` has the hammer and its total minus the other's.
py::array_t<float> Observation(const GameState& state, int team) {
    constexpr py::ssize_t kColumns = static_cast<py::ssize_t>(kStoneCount) * 4 + 4;
    py::array_t<float> out(kColumns);
    float* o = out.mutable_data();
    for (std::size_t n = 0; n < kStoneCount; ++n) {
        o[4 * n] = 0.0f;
        o[4 * n + 1] = 0.0f;
        o[4 * n + 2] = 0.0f;
        o[4 * n + 3] = static_cast<int>(n) / kTeamStoneBase == team ? 1.0f : 0.0f;
    }
    for (const StoneInPlay& stone : state.stones) {
        std::size_t const n = static_cast<std::size_t>(stone.number);
        o[4 * n] = stone.position.x;
        o[4 * n + 1] = stone.position.y;
        o[4 * n + 2] = 1.0f;
    }
    float* tail = o + 4 * kStoneCount;
    tail[0] = static_cast<float>(state.end);
    tail[1] = static_cast<float>(state.delivery);
    tail[2] = state.hammer == team ? 1.0f : 0.0f;
    tail[3] = static_cast<float>(state.totals[static_cast<std::size_t>(team)] -
                                 state.totals[static_cast<std::size_t>(1 - team)]);
    return out;
}

// (end, delivery, team, stone, (vx, vy, omega), frames, before positions,
// before in play, after positions, after in play, events, end score).
py::tuple OutcomeTuple(const DeliveryOutcome& outcome) {
    py::tuple const before = StonesByNumber(outcome.before);
    py::tuple const after = StonesByNumber(outcome.after);
    py::list events;
    for (const RuleEvent& event : outcome.events)
        events.append(py::make_tuple(event.stone, std::string(RuleName(event.rule))));
    py::object end_score = py::none();
    if (outcome.end_score) end_score = py::make_tuple((*outcome.end_score)[0], (*outcome.end_score)[1]);
    return py::make_tuple(
        outcome.end, outcome.delivery, outcome.team, outcome.stone,
        py::make_tuple(static_cast<double>(outcome.release_velocity.x), static_cast<double>(outcome.release_velocity.y),
                       static_cast<double>(outcome.angular_velocity)),
        outcome.frames, before[0], before[1], after[0], after[1], events, end_score);
}

// An action from the Python front's tuple: ("shot", x, y, pass, spin) or
// ("release", vx, vy, omega).
Action AsAction(py::handle value, const std::string& what) {
    py::tuple const t = py::reinterpret_borrow<py::tuple>(value);
    std::string const kind = t[0].cast<std::string>();
    if (kind == "shot") {
        Shot const shot = MakeShot(t[1].cast<double>(), t[2].cast<double>(), t[3].cast<bool>(), t[4].cast<double>());
        if (shot.target.y < 0.0f) throw py::value_error(what + ": the target lies behind the release point (y < 0)");
        return shot;
    }
    Release release{
        {AsFiniteFloat(t[1].cast<double>(), what + " vx"), AsFiniteFloat(t[2].cast<double>(), what + " vy")},
        AsFiniteFloat(t[3].cast<double>(), what + " angular_velocity")};
    return release;
}

void Check(const Action& action, const std::string& what) {
    try {
        ValidateAction(action);
    } catch (const std::invalid_argument& error) {
        throw py::value_error(what + ": " + error.what());
    }
}

DeliveryOutcome PlayOne(Game& game, const Action& action) {
    if (game.finished()) throw py::value_error("the game is finished");
    return game.Play(action);
}

}  // namespace

Rules AsRules(py::tuple t) {
    Rules rules;
    rules.ends = t[0].cast<int>();
    rules.stones_per_team = t[1].cast<int>();
    rules.free_guard_zone_stones = t[2].cast<int>();
    rules.no_tick = t[3].cast<bool>();
    rules.extra_ends = t[4].cast<bool>();
    rules.max_extra_ends = t[5].cast<int>();
    rules.first_hammer = t[6].cast<int>();
    rules.sigma_speed = t[7].cast<double>();
    rules.sigma_angle = t[8].cast<double>();
    try {
        rules.Validate();
    } catch (const std::invalid_argument& error) {
        throw py::value_error(error.what());
    }
    return rules;
}

void BindGames(py::module_& module) {
    py::exception<RecordError>& record_error =
        py::register_exception<RecordError>(module, "GameRecordError", PyExc_ValueError);
    record_error.doc() =
        "A game record that cannot be read or does not replay; the message names the line (counted from 1).";

    py::class_<Game> game_class(module, "_Game", "A whole game; glidestone.Game wraps it (see there).");
    // Whole from __new__ too: a game of the default rules, never raw memory.
    WholeOnNew(game_class);
    game_class
        .def(
            "__init__",
            [](py::detail::value_and_holder& v_h, py::tuple rules, std::uint64_t seed, std::uint64_t number,
               std::vector<std::string> teams) {
                Initialise<Game>(
                    v_h, [&] { return std::make_unique<Game>(AsRules(rules), seed, number, std::move(teams)); });
            },
            py::detail::is_new_style_constructor(), py::arg("rules"), py::arg("seed"), py::arg("number"),
            py::arg("teams"))
        .def("state", [](const Game& game) { return StateTuple(game.state()); })
        .def("status", [](const Game& game) { return StatusTuple(game.state()); })
        .def(
            "observation",
            [](const Game& game, int team) {
                if (team != 0 && team != 1) throw py::value_error("team must be 0 or 1, not " + std::to_string(team));
                return Observation(game.state(), team);
            },
            py::arg("team"))
        .def("play",
             [](Game& game, py::tuple action) {
                 Action const a = AsAction(action, "action");
                 Check(a, "action");
                 DeliveryOutcome outcome;
                 {
                     py::gil_scoped_release nogil;
                     outcome = PlayOne(game, a);
                 }
                 return OutcomeTuple(outcome);
             })
        .def("clone", [](const Game& game) { return Game(game); })
        .def_property_readonly("record", [](const Game& game) { return game.record(); })
        .def_property_readonly("finished", &Game::finished)
        .def_property_readonly("deliveries", &Game::deliveries)
        .def_property_readonly("seed", &Game::seed)
        .def_property_readonly("number", &Game::number)
        .def_property_readonly("teams", &Game::team_names);

    module.def(
        "_game_svg",
        [](const Game& game) -> py::object {
            std::vector<std::string> const lines = game.record();
            std::string svg;
            {
                py::gil_scoped_release nogil;
                svg = LastDeliverySvg(lines);
            }
            if (svg.empty()) return py::none();
            return py::str(svg);
        },
        py::arg("game"), "The picture of the game's last delivery as the viewer draws it (None before any).");

    module.def(
        "_replay_game",
        [](std::vector<std::string> lines) {
            py::gil_scoped_release nogil;
            return ReplayGame(lines);
        },
        py::arg("lines"), "replay_game() without the wrapping.");

    module.def(
        "_play_games",
        [](std::vector<Game*> games, py::list actions, py::object threads) {
            if (actions.size() != games.size())
                throw py::value_error("play_games wants one action for each game: " + std::to_string(games.size()) +
                                      " games, " + std::to_string(actions.size()) + " actions");
            std::vector<Action> parsed;
            for (std::size_t i = 0; i < games.size(); ++i) {
                std::string const what = "actions[" + std::to_string(i) + "]";
                if (games[i] == nullptr) throw py::type_error("games[" + std::to_string(i) + "] is None");
                if (games[i]->finished()) throw py::value_error("games[" + std::to_string(i) + "] is finished");
                for (std::size_t j = 0; j < i; ++j)
                    if (games[j] == games[i])
                        throw py::value_error("games[" + std::to_string(i) + "] is games[" + std::to_string(j) +
                                              "] again");
                parsed.push_back(AsAction(actions[i], what));
                Check(parsed.back(), what);
            }
            std::vector<DeliveryOutcome> outcomes(games.size());
            ForEachRow(games.size(), Workers(threads), [&](std::size_t i) { outcomes[i] = games[i]->Play(parsed[i]); });
            py::list result;
            for (const DeliveryOutcome& outcome : outcomes) result.append(OutcomeTuple(outcome));
            return result;
        },
        py::arg("games"), py::arg("actions"), py::arg("threads") = py::none(), "play_games() without the wrapping.");

    module.def(
        "_play_batch",
        [](py::array_t<float, py::array::c_style | py::array::forcecast> stones,
           py::array_t<bool, py::array::c_style | py::array::forcecast> present,
           py::array_t<double, py::array::c_style | py::array::forcecast> shots, bool releases, double sigma_speed,
           double sigma_angle, std::uint64_t seed, py::object threads) {
            ExecutionNoise const noise = MakeNoise(sigma_speed, sigma_angle);
            if (stones.ndim() != 3 || stones.shape(2) != 2) throw py::value_error("stones must have shape (N, k, 2)");
            py::ssize_t const n = stones.shape(0);
            py::ssize_t const k = stones.shape(1);
            if (k > static_cast<py::ssize_t>(kMaxStonesInPlay))
                throw py::value_error("stones has " + std::to_string(k) + " stones a row; at most 15");
            if (present.ndim() != 2 || present.shape(0) != n || present.shape(1) != k)
                throw py::value_error("the mask must have shape (N, k)");
            py::ssize_t const columns = releases ? 3 : 4;
            if (shots.ndim() != 2 || shots.shape(0) != n || shots.shape(1) != columns)
                throw py::value_error(std::string(releases ? "releases" : "shots") + " must have shape (" +
                                      std::to_string(n) + ", " + std::to_string(columns) + ")");
            auto const s = stones.unchecked<3>();
            auto const m = present.unchecked<2>();
            auto const a = shots.unchecked<2>();

            py::array_t<float> positions({n, static_cast<py::ssize_t>(kStoneCount), static_cast<py::ssize_t>(2)});
            py::array_t<bool> in_play({n, static_cast<py::ssize_t>(kStoneCount)});
            py::array_t<float> velocities({n, static_cast<py::ssize_t>(2)});
            py::array_t<std::int32_t> frames(n);
            auto p = positions.mutable_unchecked<3>();
            auto q = in_play.mutable_unchecked<2>();
            auto v = velocities.mutable_unchecked<2>();
            auto f = frames.mutable_unchecked<1>();

            ForEachRow(static_cast<std::size_t>(n), Workers(threads), [&](std::size_t row_index) {
                py::ssize_t const row = static_cast<py::ssize_t>(row_index);
                thread_local ShotPlayer player;
                player.Reset();
                // Row r is release number r + 1, as request r + 1 of play_many.
                std::optional<ReleasePerturbation> const perturbation =
                    DrawReleasePerturbation(noise, seed, static_cast<std::uint64_t>(row) + 1);
                ShotResult result;
                if (releases) {
                    AllStones slots{};
                    std::size_t used = 0;
                    for (py::ssize_t j = 0; j < k; ++j) {
                        if (!m(row, j)) continue;
                        slots[used].position = {s(row, j, 0), s(row, j, 1)};
                        slots[used].present = true;
                        ++used;
                    }
                    Vector2 velocity{static_cast<float>(a(row, 0)), static_cast<float>(a(row, 1))};
                    float const omega = static_cast<float>(a(row, 2));
                    // The bounds a game's releases keep.
                    ValidateAction(Release{velocity, omega});
                    if (perturbation) velocity = PerturbRelease(velocity, *perturbation);
                    result = player.Throw(slots, velocity, omega);
                } else {
                    std::vector<Vector2> lying;
                    for (py::ssize_t j = 0; j < k; ++j)
                        if (m(row, j)) lying.push_back({s(row, j, 0), s(row, j, 1)});
                    Shot shot;
                    shot.target = {NarrowToFloat(a(row, 0)), NarrowToFloat(std::fabs(a(row, 1)))};
                    if (!std::isfinite(shot.target.x) || !std::isfinite(shot.target.y))
                        throw std::invalid_argument("shot target is not finite as 32-bit floats");
                    shot.pass = a(row, 2) != 0.0;
                    shot.spin = a(row, 3);
                    result = player.Play(lying, shot, perturbation);
                }
                for (std::size_t slot = 0; slot < kStoneCount; ++slot) {
                    p(row, static_cast<py::ssize_t>(slot), 0) = result.stones[slot].position.x;
                    p(row, static_cast<py::ssize_t>(slot), 1) = result.stones[slot].position.y;
                    q(row, static_cast<py::ssize_t>(slot)) = result.stones[slot].present;
                }
                v(row, 0) = result.release_velocity.x;
                v(row, 1) = result.release_velocity.y;
                f(row) = result.frames;
            });
            return py::make_tuple(positions, in_play, velocities, frames);
        },
        py::arg("stones"), py::arg("present"), py::arg("shots"), py::arg("releases"), py::arg("sigma_speed"),
        py::arg("sigma_angle"), py::arg("seed"), py::arg("threads"), "play_batch() without the wrapping.");
}

}  // namespace glidestone::python
