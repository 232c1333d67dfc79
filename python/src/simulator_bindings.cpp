#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>

#include "python/src/bindings.h"
#include "python/src/convert.h"
#include "simulator/fcv1/simulator_fcv1_factory.h"
#include "simulator/fcv1/simulator_fcv1_storage.h"
#include "simulator/interfaces/simulator.h"

namespace glidestone::python {

namespace {

using simulators::SimulatorFCV1Factory;
using simulators::SimulatorFCV1Storage;

// Frames stepped between two looks at Python's signal flag while the GIL is
// released, so that Ctrl-C stops a long run within a few milliseconds.
constexpr long kFramesBetweenSignalChecks = 2048;

// Pickle format version of Snapshot.
constexpr int kSnapshotStateVersion = 1;

std::string Repr(const Vector2& v) {
    return "(" + std::string(py::str(py::float_(v.x))) + ", " + std::string(py::str(py::float_(v.y))) + ")";
}

py::tuple AsTuple(const Vector2& v) {
    return py::make_tuple(static_cast<double>(v.x), static_cast<double>(v.y));
}

// A simulator and the lock that keeps two Python threads from driving it at
// once (its calls may run with the GIL released).
struct PySimulator {
    std::unique_ptr<ISimulator> simulator;
    std::mutex mutex;
};

// For calls made with the GIL held: they must not wait for a thread that is
// stepping this simulator without the GIL, since that thread takes the GIL to
// look for signals while it holds the lock.
class HeldLock {
public:
    explicit HeldLock(PySimulator& self) : lock_(self.mutex, std::try_to_lock) {
        if (!lock_.owns_lock())
            throw std::runtime_error("this Simulator is in use by another thread; give each thread its own");
    }

private:
    std::unique_lock<std::mutex> lock_;
};

struct PySnapshot {
    SimulatorFCV1Storage storage;
};

// Largest velocity component or angular velocity set_stones takes: far beyond
// any throw, and far enough below the float range that the ice model's
// squares of speeds stay finite.
constexpr double kMaxSpeed = 1e9;

float Speed(double value, const std::string& what) {
    float const speed = AsFiniteFloat(value, what);
    if (std::fabs(value) > kMaxSpeed)
        throw py::value_error(what + " = " + std::string(py::repr(py::float_(value))) + " is beyond the limit of 1e9");
    return speed;
}

float FrameLength(double seconds) {
    if (!(seconds > 0.0)) throw py::value_error("seconds_per_frame must be positive, not " + std::to_string(seconds));
    return AsFiniteFloat(seconds, "seconds_per_frame");
}

void CheckSignals() {
    py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0) throw py::error_already_set();
}

void SetStones(PySimulator& self, py::handle positions, py::handle velocities, py::handle angular_velocities,
               py::handle angles, py::handle present) {
    auto const max = static_cast<py::ssize_t>(kStoneCount);
    DoubleArray const p = AsRows(positions, "positions", 2, max);
    py::ssize_t const n = p.shape(0);
    auto const rows_or_none = [&](py::handle value, const char* what, py::ssize_t columns) {
        return value.is_none() ? std::optional<DoubleArray>() : AsRowsExactly(value, what, columns, n);
    };
    auto const v = rows_or_none(velocities, "velocities", 2);
    auto const w = rows_or_none(angular_velocities, "angular_velocities", 0);
    auto const a = rows_or_none(angles, "angles", 0);
    auto const flags = rows_or_none(present, "present", 0);

    AllStones slots{};
    for (py::ssize_t i = 0; i < n; ++i) {
        std::string index = "[";  // appended, not "[" + ...: GCC 12 warns falsely on that
        index.append(std::to_string(i)).append("]");
        StoneSlot& slot = slots[static_cast<std::size_t>(i)];
        slot.position = {AsFiniteFloat(p.at(i, 0), "positions" + index + ".x"),
                         AsFiniteFloat(p.at(i, 1), "positions" + index + ".y")};
        if (v) {
            slot.linear_velocity = {Speed(v->at(i, 0), "velocities" + index + ".x"),
                                    Speed(v->at(i, 1), "velocities" + index + ".y")};
        }
        if (w) slot.angular_velocity = Speed(w->at(i), "angular_velocities" + index);
        if (a) slot.angle = AsFiniteFloat(a->at(i), "angles" + index);
        slot.present = flags ? flags->at(i) != 0.0 : true;
    }
    HeldLock const lock(self);
    self.simulator->SetStones(slots);
}

// Steps `frames` frames, or until every stone has stopped when `until_stopped`;
// returns the frames stepped.
long Advance(PySimulator& self, long frames, bool until_stopped) {
    if (frames < 0) throw py::value_error("frames must not be negative, not " + std::to_string(frames));
    if (frames == 1 && !until_stopped) {
        HeldLock const lock(self);
        self.simulator->Step();
        return 1;
    }
    py::gil_scoped_release nogil;
    std::lock_guard lock(self.mutex);
    long done = 0;
    while (done < frames) {
        if (until_stopped && self.simulator->AreAllStonesStopped()) break;
        self.simulator->Step();
        if (++done % kFramesBetweenSignalChecks == 0) CheckSignals();
    }
    return done;
}

py::tuple StorageState(const SimulatorFCV1Storage& storage) {
    py::list stones;
    for (const StoneSlot& s : storage.stones) {
        stones.append(py::make_tuple(s.position.x, s.position.y, s.angle, s.linear_velocity.x, s.linear_velocity.y,
                                     s.angular_velocity, s.present));
    }
    py::list collisions;
    for (const Collision& c : storage.collisions) {
        collisions.append(py::make_tuple(c.a.id, c.a.position.x, c.a.position.y, c.a.angle, c.b.id, c.b.position.x,
                                         c.b.position.y, c.b.angle, c.normal_impulse, c.tangent_impulse));
    }
    return py::make_tuple(kSnapshotStateVersion, storage.factory.seconds_per_frame, stones, collisions);
}

std::unique_ptr<PySnapshot> SnapshotFromState(const py::tuple& state) {
    auto const fail = [](const std::string& why) { return py::value_error("not a glidestone.Snapshot state: " + why); };
    if (state.size() != 4 || state[0].cast<int>() != kSnapshotStateVersion) throw fail("unknown version");
    auto snapshot = std::make_unique<PySnapshot>(
        PySnapshot{SimulatorFCV1Storage(SimulatorFCV1Factory(FrameLength(state[1].cast<double>())))});
    auto const stones = state[2].cast<py::list>();
    if (stones.size() != kStoneCount) throw fail("expected 16 stones");
    for (std::size_t i = 0; i < kStoneCount; ++i) {
        auto const t = stones[i].cast<py::tuple>();
        if (t.size() != 7) throw fail("a stone has 7 fields");
        StoneSlot& s = snapshot->storage.stones[i];
        auto const value = [&](std::size_t field) { return AsFiniteFloat(t[field].cast<double>(), "a stone value"); };
        s.position = {value(0), value(1)};
        s.angle = value(2);
        s.linear_velocity = {value(3), value(4)};
        s.angular_velocity = value(5);
        s.present = t[6].cast<bool>();
    }
    for (py::handle item : state[3].cast<py::list>()) {
        auto const t = item.cast<py::tuple>();
        if (t.size() != 10) throw fail("a collision has 10 fields");
        Collision c;
        c.a = {t[0].cast<std::uint8_t>(), {t[1].cast<float>(), t[2].cast<float>()}, t[3].cast<float>()};
        c.b = {t[4].cast<std::uint8_t>(), {t[5].cast<float>(), t[6].cast<float>()}, t[7].cast<float>()};
        c.normal_impulse = t[8].cast<float>();
        c.tangent_impulse = t[9].cast<float>();
        if (c.a.id >= kStoneCount || c.b.id >= kStoneCount) throw fail("a collision names a slot beyond 15");
        snapshot->storage.collisions.push_back(c);
    }
    return snapshot;
}

}  // namespace

void BindSimulator(py::module_& module) {
    py::class_<CollisionStone>(module, "CollisionStone", "One stone of a collision, as it was at the contact.")
        .def_readonly("id", &CollisionStone::id, "Slot index of the stone, 0 to 15.")
        .def_property_readonly(
            "position", [](const CollisionStone& s) { return AsTuple(s.position); }, "(x, y) in metres.")
        .def_readonly("angle", &CollisionStone::angle, "Angle in radians.")
        .def("__repr__", [](const CollisionStone& s) {
            return "CollisionStone(id=" + std::to_string(s.id) + ", position=" + Repr(s.position) +
                   ", angle=" + std::string(py::str(py::float_(s.angle))) + ")";
        });

    py::class_<Collision>(module, "Collision",
                          "One solved stone-to-stone contact of the last frame. a and b keep the physics engine's "
                          "order, not slot order.")
        .def_readonly("a", &Collision::a, "The first stone (CollisionStone).")
        .def_readonly("b", &Collision::b, "The second stone (CollisionStone).")
        .def_readonly("normal_impulse", &Collision::normal_impulse, "Normal impulse in N·s.")
        .def_readonly("tangent_impulse", &Collision::tangent_impulse, "Tangent impulse in N·s.")
        .def("__repr__", [](const Collision& c) {
            return "Collision(a=" + std::string(py::repr(py::cast(c.a))) +
                   ", b=" + std::string(py::repr(py::cast(c.b))) +
                   ", normal_impulse=" + std::string(py::str(py::float_(c.normal_impulse))) +
                   ", tangent_impulse=" + std::string(py::str(py::float_(c.tangent_impulse))) + ")";
        });

    py::class_<PySnapshot>(module, "Snapshot",
                           "A saved simulator state: frame length, the sixteen slots and the last frame's "
                           "collisions. Independent of the simulator it came from; load it any number of times, "
                           "copy it, pickle it. The physics engine's internal contact state is not part of it, so "
                           "stepping on from a loaded snapshot is the same as stepping on from set_stones with the "
                           "same slots.")
        .def_property_readonly(
            "seconds_per_frame", [](const PySnapshot& s) { return s.storage.factory.seconds_per_frame; },
            "Frame length in seconds.")
        .def(
            "stones", [](const PySnapshot& s) { return StoneTable(s.storage.stones); },
            "The sixteen slots as a (16, 6) float32 array: x, y, angle, vx, vy, omega.")
        .def(
            "present", [](const PySnapshot& s) { return Presence(s.storage.stones); },
            "Which slots take part, a (16,) bool array.")
        .def(
            "collisions", [](const PySnapshot& s) { return s.storage.collisions; },
            "The collisions of the frame before the snapshot, a list of Collision.")
        .def("__copy__", [](const PySnapshot& s) { return PySnapshot{s.storage}; })
        .def("__deepcopy__", [](const PySnapshot& s, py::handle) { return PySnapshot{s.storage}; })
        .def(py::pickle([](const PySnapshot& s) { return StorageState(s.storage); },
                        [](const py::tuple& state) { return SnapshotFromState(state); }))
        .def("__eq__", [](const PySnapshot& a,
                          const PySnapshot& b) { return StorageState(a.storage).equal(StorageState(b.storage)); })
        .def("__repr__", [](const PySnapshot& s) {
            int present = 0;
            for (const StoneSlot& slot : s.storage.stones) present += slot.present;
            return "<glidestone.Snapshot " + std::to_string(present) + " stones, " +
                   std::to_string(s.storage.collisions.size()) + " collisions>";
        });

    py::class_<PySimulator>(module, "Simulator",
                            "A world of sixteen stone slots advanced in frames of fixed length: the exact simulator "
                            "the server uses.\n\n"
                            "Slots 0 to 15; slot 15 is where a shot stone goes. Values are 32-bit floats. A slot "
                            "that is not present takes no part and keeps (and reports) what it last held. One "
                            "simulator belongs to one thread at a time; calls from several threads are serialised.")
        .def(py::init([](double seconds_per_frame) {
                 auto self = std::make_unique<PySimulator>();
                 self->simulator = SimulatorFCV1Factory(FrameLength(seconds_per_frame)).CreateSimulator();
                 return self;
             }),
             py::arg("seconds_per_frame") = static_cast<double>(SimulatorFCV1Factory::kDefaultSecondsPerFrame),
             "A simulator with every slot absent. The server uses frames of 0.05 s.")
        .def_static(
            "from_snapshot",
            [](const PySnapshot& snapshot) {
                auto self = std::make_unique<PySimulator>();
                self->simulator = snapshot.storage.CreateSimulator();
                return self;
            },
            py::arg("snapshot"), "A new simulator in the state the snapshot holds.")
        .def("set_stones", &SetStones, py::arg("positions"), py::arg("velocities") = py::none(),
             py::arg("angular_velocities") = py::none(), py::arg("angles") = py::none(),
             py::arg("present") = py::none(),
             "Puts stones into slots 0 .. n-1 and marks the other slots absent.\n\n"
             "positions: (n, 2) x, y in metres, n <= 16 (a sequence of pairs works too).\n"
             "velocities: (n, 2) m/s, default 0. angular_velocities: (n,) rad/s, positive counter-clockwise, "
             "default 0. angles: (n,) radians, default 0. present: (n,) bools, default all True.\n"
             "Values must be finite as 32-bit floats, velocities and angular velocities at most 1e9 in "
             "magnitude (ValueError otherwise).")
        .def(
            "step", [](PySimulator& self, long frames) { Advance(self, frames, false); }, py::arg("frames") = 1,
            "Advances every stone by `frames` frames (default one) and records the last frame's collisions.")
        .def(
            "run", [](PySimulator& self, long max_frames) { return Advance(self, max_frames, true); },
            py::arg("max_frames") = 1'000'000,
            "Steps until every stone has stopped, at most max_frames frames; returns the frames stepped.")
        .def(
            "stones",
            [](PySimulator& self) {
                HeldLock const lock(self);
                return StoneTable(self.simulator->GetStones());
            },
            "The sixteen slots now, a (16, 6) float32 array with the columns x, y, angle, vx, vy, omega "
            "(see the X, Y, ANGLE, VX, VY, OMEGA constants).")
        .def(
            "positions",
            [](PySimulator& self) {
                HeldLock const lock(self);
                return Positions(self.simulator->GetStones());
            },
            "Positions of the sixteen slots now, a (16, 2) float32 array.")
        .def(
            "present",
            [](PySimulator& self) {
                HeldLock const lock(self);
                return Presence(self.simulator->GetStones());
            },
            "Which slots take part, a (16,) bool array.")
        .def(
            "collisions",
            [](PySimulator& self) {
                HeldLock const lock(self);
                return self.simulator->GetCollisions();
            },
            "The stone-to-stone contacts of the last frame, in the order solved: a list of Collision.")
        .def(
            "all_stopped",
            [](PySimulator& self) {
                HeldLock const lock(self);
                return self.simulator->AreAllStonesStopped();
            },
            "True when no present stone is moving.")
        .def_property_readonly(
            "seconds_per_frame", [](PySimulator& self) { return self.simulator->GetSecondsPerFrame(); },
            "Frame length in seconds (after load, the snapshot's).")
        .def(
            "save",
            [](PySimulator& self) {
                HeldLock const lock(self);
                std::unique_ptr<ISimulatorStorage> const storage = self.simulator->CreateStorage();
                return PySnapshot{dynamic_cast<const SimulatorFCV1Storage&>(*storage)};
            },
            "A Snapshot of the current state.")
        .def(
            "load",
            [](PySimulator& self, const PySnapshot& snapshot) {
                HeldLock const lock(self);
                self.simulator->Load(snapshot.storage);
            },
            py::arg("snapshot"), "Sets this simulator to the snapshot's state, frame length included.")
        .def("__repr__", [](PySimulator& self) {
            HeldLock const lock(self);
            int present = 0;
            for (const StoneSlot& slot : self.simulator->GetStones()) present += slot.present;
            return "<glidestone.Simulator " + std::to_string(present) + " stones, " +
                   std::string(py::str(py::float_(self.simulator->GetSecondsPerFrame()))) + " s a frame>";
        });

    module.attr("X") = 0;
    module.attr("Y") = 1;
    module.attr("ANGLE") = 2;
    module.attr("VX") = 3;
    module.attr("VY") = 4;
    module.attr("OMEGA") = 5;
}

}  // namespace glidestone::python
