#pragma once

#include <bit>
#include <cstdint>

#include "simulator/interfaces/stone.h"

namespace glidestone::testing {

inline StoneSlot MakeStone(float x, float y, float vx = 0.0f, float vy = 0.0f, float omega = 0.0f) {
    StoneSlot slot;
    slot.position = {x, y};
    slot.linear_velocity = {vx, vy};
    slot.angular_velocity = omega;
    slot.present = true;
    return slot;
}

// Bit-for-bit equality: tells -0.0 from 0.0 and compares NaNs by payload.
inline bool SameBits(const StoneSlot& a, const StoneSlot& b) {
    auto bits = [](float f) { return std::bit_cast<std::uint32_t>(f); };
    return bits(a.position.x) == bits(b.position.x) && bits(a.position.y) == bits(b.position.y) &&
           bits(a.angle) == bits(b.angle) && bits(a.linear_velocity.x) == bits(b.linear_velocity.x) &&
           bits(a.linear_velocity.y) == bits(b.linear_velocity.y) &&
           bits(a.angular_velocity) == bits(b.angular_velocity) && a.present == b.present;
}

inline bool SameBits(const AllStones& a, const AllStones& b) {
    for (std::size_t i = 0; i < a.size(); ++i)
        if (!SameBits(a[i], b[i])) return false;
    return true;
}

}  // namespace glidestone::testing
