#pragma once

#include <array>

namespace glidestone {

// Metres for positions, metres per second for velocities. x runs across the
// ice, y along it; a straight throw from the origin travels toward +y.
struct Vector2 {
    float x = 0.0f;
    float y = 0.0f;
};

// Angular velocity is in radians per second, positive counter-clockwise.
struct Stone {
    Vector2 position;
    float angle = 0.0f;
    Vector2 linear_velocity;
    float angular_velocity = 0.0f;
};

// Every stone is a disc of this radius (m), in every simulator, on every
// sheet.
inline constexpr float kStoneRadius = 0.145f;

// A stone together with whether it takes part in the simulation. An absent
// slot keeps the values last written into it, and readers see those values.
struct StoneSlot : Stone {
    bool present = false;
};

inline constexpr std::size_t kStoneCount = 16;

// Slot i holds stone number i + 1 of the wire protocol; the last slot is the
// shot stone.
using AllStones = std::array<StoneSlot, kStoneCount>;

}  // namespace glidestone
