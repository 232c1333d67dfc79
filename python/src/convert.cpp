#include "python/src/convert.h"

#include <cmath>
#include <limits>
#include <stdexcept>

#include "shot/shot.h"
#include "shot/shot_player.h"

namespace glidestone::python {

namespace {

bool IsNumpyBool(py::handle value) {
    static py::handle const numpy_bool = py::object(py::module_::import("numpy").attr("bool_")).release();
    return py::isinstance(value, numpy_bool);
}

std::string Repr(double value) {
    return py::repr(py::float_(value));
}

std::string ShapeText(py::ssize_t columns, const char* rows) {
    return columns == 0 ? std::string("(") + rows + ",)"
                        : std::string("(") + rows + ", " + std::to_string(columns) + ")";
}

std::string ShapeOf(const py::array& array) {
    std::string text = "(";
    for (py::ssize_t i = 0; i < array.ndim(); ++i) text += (i ? ", " : "") + std::to_string(array.shape(i));
    return text + (array.ndim() == 1 ? ",)" : ")");
}

}  // namespace

DoubleArray AsRows(py::handle value, const char* what, py::ssize_t columns, py::ssize_t max_rows) {
    std::string const wanted = "an array of real numbers of shape " + ShapeText(columns, "n");
    if (value.is_none() || py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value))
        throw py::type_error(std::string(what) + " must be " + wanted + ", not " + TypeName(value));
    py::array array = py::array::ensure(value);
    if (!array)
        throw py::type_error(std::string(what) + " must be " + wanted + " (a numpy array or nested sequences of " +
                             "equal length), not " + TypeName(value));
    char const kind = array.dtype().kind();
    bool const empty = array.size() == 0 && array.ndim() == 1;
    if (!empty && kind != 'b' && kind != 'i' && kind != 'u' && kind != 'f')
        throw py::type_error(std::string(what) + " must hold real numbers, not numpy dtype " +
                             std::string(py::str(array.dtype())));
    if (empty) return DoubleArray(columns == 0 ? std::vector<py::ssize_t>{0} : std::vector<py::ssize_t>{0, columns});
    bool const shape_ok = columns == 0 ? array.ndim() == 1 : array.ndim() == 2 && array.shape(1) == columns;
    if (!shape_ok)
        throw py::value_error(std::string(what) + " must have shape " + ShapeText(columns, "n") + ", not " +
                              ShapeOf(array));
    if (array.shape(0) > max_rows)
        throw py::value_error(std::string(what) + " has " + std::to_string(array.shape(0)) + " rows; at most " +
                              std::to_string(max_rows));
    return DoubleArray::ensure(array);
}

DoubleArray AsRowsExactly(py::handle value, const char* what, py::ssize_t columns, py::ssize_t rows) {
    DoubleArray array = AsRows(value, what, columns, std::numeric_limits<py::ssize_t>::max());
    if (array.shape(0) != rows)
        throw py::value_error(std::string(what) + " must have shape " +
                              ShapeText(columns, std::to_string(rows).c_str()) + ", not " + ShapeOf(array));
    return array;
}

std::string TypeName(py::handle value) {
    return py::str(py::type::handle_of(value).attr("__name__"));
}

double AsReal(py::handle value, const std::string& what) {
    PyObject* const object = value.ptr();
    bool const number =
        !PyBool_Check(object) && !IsNumpyBool(value) && !PyComplex_Check(object) &&
        (PyFloat_Check(object) || PyIndex_Check(object) ||
         (Py_TYPE(object)->tp_as_number != nullptr && Py_TYPE(object)->tp_as_number->nb_float != nullptr &&
          !py::isinstance<py::str>(value) && !py::isinstance<py::bytes>(value)));
    if (!number) throw py::type_error(what + " must be a real number, not " + TypeName(value));
    double result = 0.0;
    if (PyIndex_Check(object) && !PyFloat_Check(object)) {
        py::object const integer = py::reinterpret_steal<py::object>(PyNumber_Index(object));
        if (!integer) throw py::error_already_set();
        result = PyLong_AsDouble(integer.ptr());
    } else {
        result = PyFloat_AsDouble(object);
    }
    if (result == -1.0 && PyErr_Occurred()) {
        if (!PyErr_ExceptionMatches(PyExc_OverflowError)) throw py::error_already_set();
        PyErr_Clear();
        throw py::value_error(what + " is too large for a float: " + std::string(py::repr(value)));
    }
    return result;
}

long long AsInteger(py::handle value, const std::string& what, long long min, long long max) {
    PyObject* const object = value.ptr();
    if (PyBool_Check(object) || IsNumpyBool(value) || !PyIndex_Check(object))
        throw py::type_error(what + " must be an int, not " + TypeName(value));
    py::object const integer = py::reinterpret_steal<py::object>(PyNumber_Index(object));
    if (!integer) throw py::error_already_set();
    int overflow = 0;
    long long const result = PyLong_AsLongLongAndOverflow(integer.ptr(), &overflow);
    if (result == -1 && PyErr_Occurred()) throw py::error_already_set();
    if (overflow != 0 || result < min || result > max)
        throw py::value_error(what + " must be from " + std::to_string(min) + " to " + std::to_string(max) + ", not " +
                              std::string(py::str(integer)));
    return result;
}

bool AsFlag(py::handle value, const std::string& what) {
    if (PyBool_Check(value.ptr())) return value.ptr() == Py_True;
    if (IsNumpyBool(value)) return PyObject_IsTrue(value.ptr()) == 1;
    throw py::type_error(what + " must be True or False, not " + TypeName(value));
}

py::sequence AsTupleOrList(py::handle value, const std::string& what) {
    if (!py::isinstance<py::tuple>(value) && !py::isinstance<py::list>(value))
        throw py::type_error(what + " must be a tuple or list, not " + TypeName(value));
    return py::reinterpret_borrow<py::sequence>(value);
}

float AsCoordinate(double value, const std::string& what) {
    float const coordinate = AsFiniteFloat(value, what);
    if (!IsPlayableCoordinate(coordinate))
        throw py::value_error(what + " = " + Repr(value) + " lies farther than 1e36 m from the release point");
    return coordinate;
}

float AsSpeed(double value, const std::string& what) {
    float const speed = AsFiniteFloat(value, what);
    if (std::fabs(value) > kMaxSpeed) throw py::value_error(what + " = " + Repr(value) + " is beyond the limit of 1e9");
    return speed;
}

float AsFiniteFloat(double value, const std::string& what) {
    float const narrowed = NarrowToFloat(value);
    if (!std::isfinite(narrowed))
        throw py::value_error(what + " = " + std::string(py::repr(py::float_(value))) +
                              " is not finite as a 32-bit float");
    return narrowed;
}

std::vector<Vector2> AsStonePositions(py::handle stones) {
    DoubleArray const array = AsRows(stones, "stones", 2, static_cast<py::ssize_t>(kMaxStonesInPlay));
    auto const rows = array.unchecked<2>();
    std::vector<Vector2> positions(static_cast<std::size_t>(rows.shape(0)));
    for (py::ssize_t i = 0; i < rows.shape(0); ++i) {
        std::string name = "stones[";  // appended, not "..." + ...: GCC 12 warns falsely on that
        name.append(std::to_string(i)).append("]");
        positions[static_cast<std::size_t>(i)] = {AsFiniteFloat(rows(i, 0), name + ".x"),
                                                  AsFiniteFloat(rows(i, 1), name + ".y")};
    }
    return positions;
}

std::vector<int> AsTeams(py::handle value, const char* what, std::size_t count, const char* layout) {
    DoubleArray const array = AsRows(value, what, 0, std::numeric_limits<py::ssize_t>::max());
    auto const rows = array.unchecked<1>();
    if (static_cast<std::size_t>(rows.shape(0)) != count)
        throw py::value_error(std::string(what) + " has " + std::to_string(rows.shape(0)) + " entries; " +
                              std::to_string(count) + " are needed" + layout);
    std::vector<int> teams(count);
    for (py::ssize_t i = 0; i < rows.shape(0); ++i) {
        double const team = rows(i);
        if (team != 0.0 && team != 1.0)
            throw py::value_error(std::string(what) + "[" + std::to_string(i) + "] is " +
                                  std::string(py::repr(py::float_(team))) + "; a team is 0 or 1");
        teams[static_cast<std::size_t>(i)] = team == 1.0 ? 1 : 0;
    }
    return teams;
}

Shot MakeShot(double x, double y, bool pass_target, double spin) {
    Shot shot;
    shot.target = {NarrowToFloat(x), NarrowToFloat(y)};
    shot.pass = pass_target;
    shot.spin = spin;
    return shot;
}

ExecutionNoise MakeNoise(double sigma_speed, double sigma_angle) {
    ExecutionNoise const noise{sigma_speed, sigma_angle};
    try {
        noise.Validate();
    } catch (const std::invalid_argument& fault) {
        throw py::value_error(std::string("noise: ") + fault.what());
    }
    if (sigma_speed > kMaxSigmaSpeed)
        throw py::value_error("noise: sigma_speed must be at most 1e7 m/s, not " + Repr(sigma_speed));
    if (sigma_angle > kMaxSigmaAngle)
        throw py::value_error("noise: sigma_angle must be at most 1e4 rad, not " + Repr(sigma_angle));
    return noise;
}

std::string AsRequestText(py::handle line, const std::string& what) {
    if (py::isinstance<py::bytes>(line)) return std::string(py::reinterpret_borrow<py::bytes>(line));
    if (!py::isinstance<py::str>(line)) throw py::type_error(what + " must be str or bytes, not " + TypeName(line));
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(line.ptr(), &size);
    if (!data) throw py::error_already_set();  // e.g. a lone surrogate
    return std::string(data, static_cast<std::size_t>(size));
}

py::array_t<float> Positions(const AllStones& stones) {
    py::array_t<float> array({py::ssize_t{kStoneCount}, py::ssize_t{2}});
    auto out = array.mutable_unchecked<2>();
    for (std::size_t i = 0; i < kStoneCount; ++i) {
        auto const row = static_cast<py::ssize_t>(i);
        out(row, 0) = stones[i].position.x;
        out(row, 1) = stones[i].position.y;
    }
    return array;
}

py::array_t<float> StoneTable(const AllStones& stones) {
    py::array_t<float> array({py::ssize_t{kStoneCount}, py::ssize_t{6}});
    auto out = array.mutable_unchecked<2>();
    for (std::size_t i = 0; i < kStoneCount; ++i) {
        auto const row = static_cast<py::ssize_t>(i);
        const StoneSlot& slot = stones[i];
        out(row, 0) = slot.position.x;
        out(row, 1) = slot.position.y;
        out(row, 2) = slot.angle;
        out(row, 3) = slot.linear_velocity.x;
        out(row, 4) = slot.linear_velocity.y;
        out(row, 5) = slot.angular_velocity;
    }
    return array;
}

py::array_t<bool> Presence(const AllStones& stones) {
    py::array_t<bool> array(py::ssize_t{kStoneCount});
    auto out = array.mutable_unchecked<1>();
    for (std::size_t i = 0; i < kStoneCount; ++i) out(static_cast<py::ssize_t>(i)) = stones[i].present;
    return array;
}

}  // namespace glidestone::python
