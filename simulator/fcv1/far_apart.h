#pragma once

#include <box2d/box2d.h>

#include <algorithm>
#include <cmath>

#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone::simulators {

// A stone's centre over a frame, along a straight line (its circle is
// centred on the body, so turning does not move it), and whether the body is
// still awake at the frame's end.
struct CentrePath {
    b2Vec2 from;
    b2Vec2 to;
    bool awake_after;
};

// The distance of two stones' centres below which the engine's time of
// impact reports them touching (0.27625 m): the sum of the radii less three
// linear slops, plus a quarter slop of tolerance (mirrors the target and
// tolerance of b2TimeOfImpact; see EXACTNESS.md).
inline constexpr double kImpactReach = 2.0 * SimulatorFCV1::kStoneRadius - 3.0 * b2_linearSlop + 0.25 * b2_linearSlop;

// How far apart, and within how far of the origin, a pair of paths must stay
// to count as far apart (see FarApartThroughout).
inline constexpr double kFarApartClearance = kImpactReach + 0.004;  // m
inline constexpr double kFarApartLimit = 1.0e3;                     // m

// Whether two stones moving along these paths stay so far
// apart that the engine's time of impact cannot report them touching: it
// does so only where the distance of the centres it computes comes within
// the reach above. The least distance of the two lines is found in double.
// The margin of 4 mm is kept for coordinates within the limit only, where the
// engine's float positions along the sweep are within 0.3 mm of the line.
// Most pairs that reach the time of impact are stones that have just come
// apart, a few millimetres beyond touching, so the margin is kept small.
// The free frames rest on it; see EXACTNESS.md. Inline: it runs for every
// pair of nearby stones of every such frame.
inline bool FarApartThroughout(const CentrePath& a, const CentrePath& b) {
    for (float v : {a.from.x, a.from.y, a.to.x, a.to.y, b.from.x, b.from.y, b.to.x, b.to.y})
        if (!(std::fabs(v) < kFarApartLimit)) return false;
    double const d0x = static_cast<double>(b.from.x) - a.from.x;
    double const d0y = static_cast<double>(b.from.y) - a.from.y;
    double const ex = (static_cast<double>(b.to.x) - a.to.x) - d0x;
    double const ey = (static_cast<double>(b.to.y) - a.to.y) - d0y;
    double const ee = ex * ex + ey * ey;
    double t = ee > 0.0 ? -(d0x * ex + d0y * ey) / ee : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    double const mx = d0x + t * ex;
    double const my = d0y + t * ey;
    return mx * mx + my * my > kFarApartClearance * kFarApartClearance;
}

}  // namespace glidestone::simulators
