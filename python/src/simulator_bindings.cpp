#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <limits>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>

#include "python/src/bindings.h"
#include "python/src/convert.h"
#include "python/src/signals.h"
#include "python/src/whole.h"
#include "simulator/fcv1/simulator_fcv1_factory.h"
#include "simulator/fcv1/simulator_fcv1_storage.h"
#include "simulator/interfaces/simulator.h"

namespace glidestone::python {

namespace {

using simulators::SimulatorFCV1Factory;
using simulators::SimulatorFCV1Storage;

// Pickle format version of Snapshot.
constexpr int kSnapshotStateVersion = 1;

// Frame lengths outside these are refused. The engine scales the impulses
// it carries from one frame to the next by the ratio of their lengths,
// divides by the frame length and multiplies velocities by it. From 1e-6 s
// to 1e3 s that ratio is at most 1e9, so the carried impulses of stones at
// the 1e9 m/s limit (some 2e10 N s) stay below 1e20, and a frame's travel
// below 1e12 m: far inside the float range. A simulator that had stepped
// 1e-30 s frames and then loaded a snapshot of 1e20 s frames was seen to
// turn every touching stone into NaN in one frame.
constexpr double kMinSecondsPerFrame = 1e-6;
constexpr double kMaxSecondsPerFrame = 1e3;

// Stone-to-stone contacts in one frame: one a pair of the sixteen at most.
constexpr std::size_t kMaxCollisions = kStoneCount * (kStoneCount - 1) / 2;

std::string Repr(const Vector2& v) {
    return "(" + std::string(py::str(py::float_(v.x))) + ", " + std::string(py::str(py::float_(v.y))) + ")";
}

py::tuple AsTuple(const Vector2& v) {
    return py::make_tuple(static_cast<double>(v.x), static_cast<double>(v.y));
}

std::string Index(const char* what, std::size_t i) {
    std::string text = what;  // appended, not "..." + ...: GCC 12 warns falsely on that
    return text.append("[").append(std::to_string(i)).append("]");
}

float FrameLength(double seconds) {
    // Compared as floats, so that a frame length read back from a simulator
    // (1e-6 narrowed and widened is 9.9999999747e-07) is taken again.
    float const narrowed = NarrowToFloat(seconds);
    if (!(narrowed >= static_cast<float>(kMinSecondsPerFrame) && narrowed <= static_cast<float>(kMaxSecondsPerFrame)))
        throw py::value_error("seconds_per_frame must be from 1e-6 to 1e3, not " +
                              std::string(py::repr(py::float_(seconds))));
    return narrowed;
}

// A simulator and the lock with which Python threads sharing it take turns
// (its long calls run with the GIL released).
struct PySimulator {
    PySimulator() : simulator(SimulatorFCV1Factory().CreateSimulator()) {}
    explicit PySimulator(std::unique_ptr<ISimulator> made) : simulator(std::move(made)) {}

    std::unique_ptr<ISimulator> simulator;
    std::timed_mutex mutex;
};

struct PySnapshot {
    PySnapshot() : storage(SimulatorFCV1Factory()) {}
    explicit PySnapshot(SimulatorFCV1Storage saved) : storage(std::move(saved)) {}

    SimulatorFCV1Storage storage;
};

PySnapshot& AsSnapshot(py::handle value, const char* what) {
    if (!py::isinstance<PySnapshot>(value))
        throw py::type_error(std::string(what) + " must be a glidestone.Snapshot, not " + TypeName(value));
    return value.cast<PySnapshot&>();
}

// One slot from its values, validated as set_stones and Snapshot states
// validate them; `where` names the slot in messages.
StoneSlot MakeSlot(double x, double y, double angle, double vx, double vy, double omega, bool present,
                   const std::string& where, const std::string& velocity_name, const std::string& omega_name,
                   const std::string& angle_name) {
    StoneSlot slot;
    slot.position = {AsCoordinate(x, where + ".x"), AsCoordinate(y, where + ".y")};
    slot.linear_velocity = {AsSpeed(vx, velocity_name + ".x"), AsSpeed(vy, velocity_name + ".y")};
    slot.angular_velocity = AsSpeed(omega, omega_name);
    slot.angle = AsFiniteFloat(angle, angle_name);
    slot.present = present;
    return slot;
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
        auto const row = static_cast<std::size_t>(i);
        slots[row] = MakeSlot(p.at(i, 0), p.at(i, 1), a ? a->at(i) : 0.0, v ? v->at(i, 0) : 0.0, v ? v->at(i, 1) : 0.0,
                              w ? w->at(i) : 0.0, flags ? flags->at(i) != 0.0 : true, Index("positions", row),
                              Index("velocities", row), Index("angular_velocities", row), Index("angles", row));
    }
    Turn const turn(self.mutex);
    self.simulator->SetStones(slots);
}

// Steps `frames` frames, or until every stone has stopped when `until_stopped`;
// returns the frames stepped.
long long Advance(PySimulator& self, long long frames, bool until_stopped) {
    if (frames == 1 && !until_stopped) {
        Turn const turn(self.mutex);
        self.simulator->Step();
        return 1;
    }
    py::gil_scoped_release nogil;
    TurnWithoutGil const turn(self.mutex);
    SignalWatch watch;
    long long done = 0;
    while (done < frames) {
        if (until_stopped && self.simulator->AreAllStonesStopped()) break;
        self.simulator->Step();
        ++done;
        watch.Poll();
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

// The fields of a state: a tuple or list of exactly `count` items.
py::sequence Fields(py::handle value, std::size_t count, const std::string& what) {
    py::sequence fields = AsTupleOrList(value, what);
    if (fields.size() != count)
        throw py::value_error(what + " must have " + std::to_string(count) + " fields, not " +
                              std::to_string(fields.size()));
    return fields;
}

CollisionStone CollisionStoneFromFields(const py::sequence& t, std::size_t first, const std::string& what) {
    CollisionStone stone;
    stone.id = static_cast<std::uint8_t>(AsInteger(t[first], what + " id", 0, static_cast<long long>(kStoneCount) - 1));
    stone.position = {AsFiniteFloat(AsReal(t[first + 1], what + " x"), what + " x"),
                      AsFiniteFloat(AsReal(t[first + 2], what + " y"), what + " y")};
    stone.angle = AsFiniteFloat(AsReal(t[first + 3], what + " angle"), what + " angle");
    return stone;
}

Collision CollisionFromState(py::handle state, const std::string& what) {
    py::sequence const t = Fields(state, 10, what);
    Collision c;
    c.a = CollisionStoneFromFields(t, 0, what + " a");
    c.b = CollisionStoneFromFields(t, 4, what + " b");
    c.normal_impulse = AsFiniteFloat(AsReal(t[8], what + " normal_impulse"), what + " normal_impulse");
    c.tangent_impulse = AsFiniteFloat(AsReal(t[9], what + " tangent_impulse"), what + " tangent_impulse");
    return c;
}

py::tuple CollisionState(const Collision& c) {
    return py::make_tuple(c.a.id, c.a.position.x, c.a.position.y, c.a.angle, c.b.id, c.b.position.x, c.b.position.y,
                          c.b.angle, c.normal_impulse, c.tangent_impulse);
}

// A snapshot from the state StorageState made, validated as set_stones and
// Simulator() validate their arguments: a state from a file is as untrusted as
// any argument.
SimulatorFCV1Storage StorageFromState(py::handle value) {
    std::string const what = "Snapshot state";
    py::sequence const state = Fields(value, 4, what);
    if (AsInteger(state[0], what + " version", std::numeric_limits<long long>::min(),
                  std::numeric_limits<long long>::max()) != kSnapshotStateVersion)
        throw py::value_error("not a glidestone.Snapshot state: unknown version " + std::string(py::str(state[0])));
    SimulatorFCV1Storage storage(SimulatorFCV1Factory(FrameLength(AsReal(state[1], "seconds_per_frame"))));
    py::sequence const stones = Fields(state[2], kStoneCount, what + " stones");
    for (std::size_t i = 0; i < kStoneCount; ++i) {
        std::string const where = Index("stones", i);
        py::sequence const t = Fields(stones[i], 7, where);
        auto const real = [&](std::size_t field, const char* name) { return AsReal(t[field], where + name); };
        storage.stones[i] =
            MakeSlot(real(0, ".x"), real(1, ".y"), real(2, ".angle"), real(3, ".vx"), real(4, ".vy"), real(5, ".omega"),
                     AsFlag(t[6], where + ".present"), where, where + " velocity", where + ".omega", where + ".angle");
    }
    py::sequence const collisions = AsTupleOrList(state[3], what + " collisions");
    if (collisions.size() > kMaxCollisions)
        throw py::value_error(what + " has " + std::to_string(collisions.size()) + " collisions; at most " +
                              std::to_string(kMaxCollisions));
    for (std::size_t i = 0; i < collisions.size(); ++i)
        storage.collisions.push_back(CollisionFromState(collisions[i], Index("collisions", i)));
    return storage;
}

// (copyreg.__newobj__, (type,), state): unpickling calls the class's own
// __new__, which makes a whole default, then __setstate__, with every
// protocol (without __reduce__, protocols 0 and 1 build the object through
// a base class and pybind11 aborts).
py::tuple ReduceToState(py::handle self, py::object state) {
    static py::handle const newobj = py::object(py::module_::import("copyreg").attr("__newobj__")).release();
    return py::make_tuple(newobj, py::make_tuple(py::type::handle_of(self)), std::move(state));
}

[[noreturn]] void RefusePickling(py::handle self, const char* instead) {
    throw py::type_error("cannot pickle or copy a glidestone." +
                         std::string(py::str(py::type::handle_of(self).attr("__name__"))) + " object" + instead);
}

}  // namespace

void BindSimulator(py::module_& module) {
    py::class_<CollisionStone> collision_stone(module, "CollisionStone",
                                               "One stone of a collision, as it was at the contact.");
    WholeOnNew(collision_stone);
    collision_stone.def_readonly("id", &CollisionStone::id, "Slot index of the stone, 0 to 15.")
        .def_property_readonly(
            "position", [](const CollisionStone& s) { return AsTuple(s.position); }, "(x, y) in metres.")
        .def_readonly("angle", &CollisionStone::angle, "Angle in radians.")
        .def(
            "__getstate__",
            [](const CollisionStone& s) { return py::make_tuple(s.id, s.position.x, s.position.y, s.angle); },
            "The state that pickles it: (id, x, y, angle).")
        .def(
            "__reduce__", [](py::handle self) { return ReduceToState(self, self.attr("__getstate__")()); },
            "Pickles it with every protocol.")
        .def("__repr__", [](const CollisionStone& s) {
            return "CollisionStone(id=" + std::to_string(s.id) + ", position=" + Repr(s.position) +
                   ", angle=" + std::string(py::str(py::float_(s.angle))) + ")";
        });
    // Named apart and attached as __setstate__: pybind11 runs a method of that
    // name as a constructor, which it skips on a live object.
    collision_stone.attr("__setstate__") = py::cpp_function(
        [](CollisionStone& s, py::handle state) {
            py::sequence const t = Fields(state, 4, "CollisionStone state");
            s = CollisionStoneFromFields(t, 0, "CollisionStone state");
        },
        py::name("_setstate"), py::is_method(collision_stone), py::arg("state"),
        "Sets it from a state of __getstate__ (validated: id 0 to 15, finite values).");

    py::class_<Collision> collision(module, "Collision",
                                    "One solved stone-to-stone contact of the last frame. a and b keep the physics "
                                    "engine's order, not slot order.");
    WholeOnNew(collision);
    collision.def_readonly("a", &Collision::a, "The first stone (CollisionStone).")
        .def_readonly("b", &Collision::b, "The second stone (CollisionStone).")
        .def_readonly("normal_impulse", &Collision::normal_impulse, "Normal impulse in N·s.")
        .def_readonly("tangent_impulse", &Collision::tangent_impulse, "Tangent impulse in N·s.")
        .def(
            "__getstate__", [](const Collision& c) { return CollisionState(c); },
            "The state that pickles it: (a.id, a.x, a.y, a.angle, b.id, b.x, b.y, b.angle, normal_impulse, "
            "tangent_impulse).")
        .def(
            "__reduce__", [](py::handle self) { return ReduceToState(self, self.attr("__getstate__")()); },
            "Pickles it with every protocol.")
        .def("__repr__", [](const Collision& c) {
            return "Collision(a=" + std::string(py::repr(py::cast(c.a))) +
                   ", b=" + std::string(py::repr(py::cast(c.b))) +
                   ", normal_impulse=" + std::string(py::str(py::float_(c.normal_impulse))) +
                   ", tangent_impulse=" + std::string(py::str(py::float_(c.tangent_impulse))) + ")";
        });
    collision.attr("__setstate__") =
        py::cpp_function([](Collision& c, py::handle state) { c = CollisionFromState(state, "Collision state"); },
                         py::name("_setstate"), py::is_method(collision), py::arg("state"),
                         "Sets it from a state of __getstate__ (validated: ids 0 to 15, finite values).");

    py::class_<PySnapshot> snapshot(module, "Snapshot",
                                    "A saved simulator state: frame length, the sixteen slots and the last frame's "
                                    "collisions. Independent of the simulator it came from; load it any number of "
                                    "times, copy it, pickle it (any protocol). The physics engine's internal contact "
                                    "state is not part of it, so stepping on from a loaded snapshot is the same as "
                                    "stepping on from set_stones with the same slots.\n\n"
                                    "A state read back from a pickle is validated as set_stones validates its "
                                    "arguments (ValueError or TypeError otherwise). Snapshot.__new__(Snapshot) is "
                                    "the state of a fresh Simulator().");
    WholeOnNew(snapshot);
    snapshot
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
        .def(
            "__copy__", [](const PySnapshot& s) { return PySnapshot{s.storage}; }, "A copy.")
        .def(
            "__deepcopy__", [](const PySnapshot& s, py::handle) { return PySnapshot{s.storage}; }, py::arg("memo"),
            "A copy.")
        .def(
            "__getstate__", [](const PySnapshot& s) { return StorageState(s.storage); },
            "The state that pickles it: (version, seconds_per_frame, 16 stone tuples, collision tuples).")
        .def(
            "__reduce__", [](py::handle self) { return ReduceToState(self, self.attr("__getstate__")()); },
            "Pickles it with every protocol.")
        .def(
            "__eq__",
            [](const PySnapshot& a, py::handle other) -> py::object {
                if (!py::isinstance<PySnapshot>(other)) return py::reinterpret_borrow<py::object>(Py_NotImplemented);
                return py::bool_(StorageState(a.storage).equal(StorageState(other.cast<const PySnapshot&>().storage)));
            },
            py::arg("other"), "Equal frame length, slots and collisions (NotImplemented for other types).")
        .def("__repr__", [](const PySnapshot& s) {
            int present = 0;
            for (const StoneSlot& slot : s.storage.stones) present += slot.present;
            return "<glidestone.Snapshot " + std::to_string(present) + " stones, " +
                   std::to_string(s.storage.collisions.size()) + " collisions>";
        });
    snapshot.attr("__setstate__") = py::cpp_function(
        [](PySnapshot& s, py::handle state) { s.storage = StorageFromState(state); }, py::name("_setstate"),
        py::is_method(snapshot), py::arg("state"),
        "Sets it from a state of __getstate__, validated as set_stones validates; a refused state changes nothing.");
    snapshot.attr("__hash__") = py::none();

    py::class_<PySimulator> simulator(
        module, "Simulator",
        "A world of sixteen stone slots advanced in frames of fixed length: the exact simulator the server uses.\n\n"
        "Slots 0 to 15; slot 15 is where a shot stone goes. Values are 32-bit floats. A slot that is not present "
        "takes no part and keeps (and reports) what it last held.\n\n"
        "Threads: a Simulator may be shared; calls on it from several threads take turns (a call waits, with the "
        "GIL released, until another thread's call on it is done). step and run release the GIL while they "
        "step and stop with KeyboardInterrupt on Ctrl-C within some 20 ms. A Simulator cannot be pickled or "
        "copied (TypeError): pickle its save() snapshot and rebuild it with Simulator.from_snapshot.");
    WholeOnNew(simulator);
    simulator
        .def(
            "__init__",
            [](py::detail::value_and_holder& v_h, py::handle seconds_per_frame) {
                Initialise<PySimulator>(v_h, [&] {
                    float const seconds = FrameLength(AsReal(seconds_per_frame, "seconds_per_frame"));
                    return std::make_unique<PySimulator>(SimulatorFCV1Factory(seconds).CreateSimulator());
                });
            },
            py::detail::is_new_style_constructor(),
            py::arg("seconds_per_frame") = static_cast<double>(SimulatorFCV1Factory::kDefaultSecondsPerFrame),
            "A simulator with every slot absent. The server uses frames of 0.05 s; seconds_per_frame is from "
            "1e-6 to 1e3 (beyond, the engine's arithmetic can overflow).")
        .def_static(
            "from_snapshot",
            [](py::handle snapshot) {
                return std::make_unique<PySimulator>(AsSnapshot(snapshot, "snapshot").storage.CreateSimulator());
            },
            py::arg("snapshot"), "A new simulator in the state the snapshot holds.")
        .def("set_stones", &SetStones, py::arg("positions"), py::arg("velocities") = py::none(),
             py::arg("angular_velocities") = py::none(), py::arg("angles") = py::none(),
             py::arg("present") = py::none(),
             "Puts stones into slots 0 .. n-1 and marks the other slots absent.\n\n"
             "positions: (n, 2) x, y in metres, n <= 16 (a sequence of pairs works too).\n"
             "velocities: (n, 2) m/s, default 0. angular_velocities: (n,) rad/s, positive counter-clockwise, "
             "default 0. angles: (n,) radians, default 0. present: (n,) bools, default all True.\n"
             "Values must be finite as 32-bit floats, coordinates at most 1e36 in magnitude (as play takes "
             "stones), velocities and angular velocities at most 1e9 (ValueError otherwise).")
        .def(
            "step",
            [](PySimulator& self, py::handle frames) {
                Advance(self, AsInteger(frames, "frames", 0, std::numeric_limits<long long>::max()), false);
            },
            py::arg("frames") = 1,
            "Advances every stone by `frames` frames (default one) and records the last frame's collisions.")
        .def(
            "run",
            [](PySimulator& self, py::handle max_frames) {
                return Advance(self, AsInteger(max_frames, "max_frames", 0, std::numeric_limits<long long>::max()),
                               true);
            },
            py::arg("max_frames") = 1'000'000,
            "Steps until every stone has stopped, at most max_frames frames; returns the frames stepped.")
        .def(
            "stones",
            [](PySimulator& self) {
                Turn const turn(self.mutex);
                return StoneTable(self.simulator->GetStones());
            },
            "The sixteen slots now, a (16, 6) float32 array with the columns x, y, angle, vx, vy, omega "
            "(see the X, Y, ANGLE, VX, VY, OMEGA constants).")
        .def(
            "positions",
            [](PySimulator& self) {
                Turn const turn(self.mutex);
                return Positions(self.simulator->GetStones());
            },
            "Positions of the sixteen slots now, a (16, 2) float32 array.")
        .def(
            "present",
            [](PySimulator& self) {
                Turn const turn(self.mutex);
                return Presence(self.simulator->GetStones());
            },
            "Which slots take part, a (16,) bool array.")
        .def(
            "collisions",
            [](PySimulator& self) {
                Turn const turn(self.mutex);
                return self.simulator->GetCollisions();
            },
            "The stone-to-stone contacts of the last frame, in the order solved: a list of Collision.")
        .def(
            "all_stopped",
            [](PySimulator& self) {
                Turn const turn(self.mutex);
                return self.simulator->AreAllStonesStopped();
            },
            "True when no present stone is moving.")
        .def_property_readonly(
            "seconds_per_frame",
            [](PySimulator& self) {
                Turn const turn(self.mutex);
                return self.simulator->GetSecondsPerFrame();
            },
            "Frame length in seconds (after load, the snapshot's).")
        .def(
            "save",
            [](PySimulator& self) {
                Turn const turn(self.mutex);
                std::unique_ptr<ISimulatorStorage> const storage = self.simulator->CreateStorage();
                return PySnapshot{dynamic_cast<const SimulatorFCV1Storage&>(*storage)};
            },
            "A Snapshot of the current state.")
        .def(
            "load",
            [](PySimulator& self, py::handle snapshot) {
                PySnapshot const& saved = AsSnapshot(snapshot, "snapshot");
                Turn const turn(self.mutex);
                self.simulator->Load(saved.storage);
            },
            py::arg("snapshot"), "Sets this simulator to the snapshot's state, frame length included.")
        .def(
            "__reduce_ex__",
            [](py::handle self, py::handle) {
                RefusePickling(self, ": pickle its save() snapshot and use Simulator.from_snapshot");
            },
            py::arg("protocol"), "Refused with TypeError: pickle a snapshot (save()) instead.")
        .def("__repr__", [](PySimulator& self) {
            Turn const turn(self.mutex);
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
