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

// The name of a value's type, for messages.
std::string TypeName(py::handle value);

// A real number (int, float, a numpy number; not bool, str or complex) as a
// double; TypeError naming `what` and the type otherwise.
double AsReal(py::handle value, const std::string& what);

// An integer (int, a numpy integer; not bool) from `min` to `max`; TypeError
// or ValueError naming `what` otherwise.
long long AsInteger(py::handle value, const std::string& what, long long min, long long max);

// True or False (numpy.bool_ too); TypeError naming `what` otherwise.
bool AsFlag(py::handle value, const std::string& what);

// A tuple or list, as a sequence; TypeError naming `what` otherwise.
py::sequence AsTupleOrList(py::handle value, const std::string& what);

// A stone coordinate as the float the physics uses: finite and within the
// library's bound kMaxStoneCoordinate (ValueError otherwise).
float AsCoordinate(double value, const std::string& what);

// Largest velocity component or angular velocity a stone may be given (m/s,
// rad/s): far beyond any throw, and far enough below the float range that the
// ice model's squares of speeds stay finite.
inline constexpr double kMaxSpeed = 1e9;

// A velocity component or angular velocity: finite and at most kMaxSpeed in
// magnitude (ValueError otherwise).
float AsSpeed(double value, const std::string& what);

// Worker threads a call may ask for: far more than any machine's cores, few
// enough that their stacks fit a 64-bit address space many times over.
inline constexpr long long kMaxThreads = 1024;

// Samples evaluate plays at most: their scores alone take 4 GB.
inline constexpr long long kMaxSamples = 1'000'000'000;

// Execution noise deviations above these are refused, so that no accepted
// noise turns a throw into NaN. A standard normal draw of the polar method
// is at most sqrt(-2 ln s) with s >= 2^-104 (u and v are multiples of
// 2^-52), so |z| <= sqrt(208 ln 2) = 12.01. A speed deviation of 1e7 m/s
// then moves a release by at most 1.2e8 m/s, within the simulator's 1e9
// limit on speeds; a direction deviation of 1e4 rad turns it by at most
// 1.2e5 rad, within the 1e6 rad where the portable sine and cosine stay
// accurate (far beyond it their argument reduction fails and the release
// velocity becomes infinite: seen from 1e20 rad, and NaN positions from a
// speed deviation of 1e19 m/s).
inline constexpr double kMaxSigmaSpeed = 1e7;
inline constexpr double kMaxSigmaAngle = 1e4;

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

// Execution noise from its two deviations; ValueError unless both are finite,
// not negative and within kMaxSigmaSpeed and kMaxSigmaAngle.
ExecutionNoise MakeNoise(double sigma_speed, double sigma_angle);

// A request line from str (encoded as UTF-8) or bytes.
std::string AsRequestText(py::handle line, const std::string& what);

// The sixteen slots as numpy arrays: positions (16, 2), the full state
// (16, 6) in the column order x, y, angle, vx, vy, omega, presence (16,).
py::array_t<float> Positions(const AllStones& stones);
py::array_t<float> StoneTable(const AllStones& stones);
py::array_t<bool> Presence(const AllStones& stones);

}  // namespace glidestone::python
