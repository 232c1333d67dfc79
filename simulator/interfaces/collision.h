#pragma once

#include <cstdint>

#include "simulator/interfaces/stone.h"

namespace glidestone {

struct CollisionStone {
    std::uint8_t id = 0;  // slot index of the stone, 0 to 15
    Vector2 position;
    float angle = 0.0f;
};

// One solved stone-to-stone contact. `a` and `b` keep the physics engine's
// fixture order, not slot order. Impulses are in N·s, of the first (and for
// two circles the only) contact point.
struct Collision {
    CollisionStone a;
    CollisionStone b;
    float normal_impulse = 0.0f;
    float tangent_impulse = 0.0f;
};

}  // namespace glidestone
