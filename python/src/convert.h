#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "research/execution_noise.h"
#include "shot/shot.h"
#include "simulator/interfaces/stone.h"

// Conversions between Python values and the library's types, with the
// TypeError or ValueError a Python user expects for a wrong type or shape.
namespace glidestone::python {

namespace py = pybind11;

using DoubleArray = py::array_t<double, py::array::c_style | py::array::forcecast>;

// An array-like of real numbers (a numpy array, nested sequences) as a
// C-contiguous array of doubles with `columns` columns and at most `max_rows`
// rows: (n, columns), or (n,) when `columns` is 0. An empty sequence is zero
// rows. `what` names the argument in messages.
DoubleArray AsRows(py::handle value, const char* what, py::ssize_t columns, py::ssize_t max_rows);

// The same with exactly `rows` rows.
DoubleArray AsRowsExactly(py::handle value, const char* what, py::ssize_t columns, py::ssize_t rows);

// A double as the float the physics uses; ValueError when it is not finite
// as a float.
float AsFiniteFloat(double value, const std::string& what);

// Stone positions: a sequence of (x, y) pairs or an (n, 2) array, n at most
// kMaxStonesInPlay.
std::vector<Vector2> AsStonePositions(py::handle stones);

// The team (0 or 1) of each of `count` stones: a sequence or array of `count`
// numbers, each 0 or 1 (False and True too). `what` names the argument;
// `layout`, if any, is added to the message for a wrong count.
std::vector<int> AsTeams(py::handle value, const char* what, std::size_t count, const char* layout = "");

// The layout of teams that cover a shot: the stones given, then the shot stone.
inline constexpr const char* kStonesThenShotStone = " (one for each stone given, then the shot stone's)";

// A shot from the fields of the Python Shot (checked there for type).
Shot MakeShot(double x, double y, bool pass_target, double spin);

// Execution noise from its two deviations; ValueError unless both are finite
// and not negative.
ExecutionNoise MakeNoise(double sigma_speed, double sigma_angle);

// A request line from str (encoded as UTF-8) or bytes.
std::string AsRequestText(py::handle line, const std::string& what);

// The sixteen slots as numpy arrays: positions (16, 2), the full state
// (16, 6) in the column order x, y, angle, vx, vy, omega, presence (16,).
py::array_t<float> Positions(const AllStones& stones);
py::array_t<float> StoneTable(const AllStones& stones);
py::array_t<bool> Presence(const AllStones& stones);

}  // namespace glidestone::python
