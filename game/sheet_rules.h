#pragma once

#include "simulator/interfaces/stone.h"

// Where a stone lies with respect to the lines the rules of play refer to.
//
// Lines have no width. Every test is made in double precision from the
// float coordinates and the float constants of shot/sheet.h, so that no
// rounding decides a stone's fate. A stone exactly on a limit falls as
// follows: touching a side line counts (|x| + r = 2.375 is out); exactly
// touching the back line is not wholly beyond it (in play); exactly touching
// the far hog line has not wholly crossed it (removed unless it touched a
// stone); a centre exactly 1.829 + r from the tee is in the house (as end
// scoring counts it), so not in the free guard zone; a centre exactly on the
// tee line is not short of it; exactly |x| = r touches the centre line.
namespace glidestone::sheet_rules {

// Some part of the stone on or over a side line: out of play in flight.
bool TouchesSideLine(Vector2 centre);

// The whole stone beyond the back line: out of play in flight.
bool WhollyBeyondBackLine(Vector2 centre);

// The whole stone beyond the far hog line.
bool WhollyBeyondHogLine(Vector2 centre);

// In the house as end scoring counts it: the centre at most house radius +
// stone radius from the tee.
bool InHouse(Vector2 centre);

// The free guard zone, for a stone in play: short of the tee line (centre y
// below it) and not in the house. A delivered stone short of the far hog
// line is out of play before this matters, so a stone in play there has been
// struck, and counts as in the zone.
bool InFreeGuardZone(Vector2 centre);

// Some part of the stone on the centre line (|x| ≤ r).
bool TouchesCentreLine(Vector2 centre);

}  // namespace glidestone::sheet_rules
