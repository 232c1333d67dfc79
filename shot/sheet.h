#pragma once

#include "simulator/interfaces/stone.h"

// The sheet as the rules of the game draw it (WCF), in metres, in the
// simulator's frame: the shot stone is released at the origin and a straight
// throw travels toward +y. One place for every picture and every score.
namespace glidestone::sheet {

using ::glidestone::kStoneRadius;

// Centre of the house, on the centre line.
inline constexpr Vector2 kTee{0.0f, 38.405f};

// Radii of the house's rings, outermost first: the 12-foot, 8-foot and
// 4-foot circles and the button.
inline constexpr float kHouseRadius = 1.829f;
inline constexpr float kRingRadii[] = {1.829f, 1.219f, 0.610f, 0.152f};

inline constexpr float kTeeLineY = 38.405f;
inline constexpr float kHogLineY = 32.004f;
inline constexpr float kBackLineY = 40.234f;

// Side lines of the sheet; the centre line is x = 0.
inline constexpr float kSheetMinX = -2.375f;
inline constexpr float kSheetMaxX = 2.375f;

}  // namespace glidestone::sheet
