#pragma once

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "math/pinned_math.h"

namespace glidestone::simulators {

// The ice model of one stone for one frame: sliding friction that depends on
// speed, a curl that turns the direction of travel in the sense of the spin,
// and a decay of the spin. Every operation is a 32-bit float operation in the
// order written here; the results are pinned by golden figures in the tests,
// so do not reassociate or fuse anything. powf and sincosf are the pinned
// ones (math/pinned_math.h), not the C library's, whose last bits vary with
// its version and with the CPU.
struct IceFrame {
    bool set_linear = false;  // write `linear_*` back to the stone
    float linear_x = 0.0f;
    float linear_y = 0.0f;
    bool set_angular = false;  // write `angular` back to the stone
    float angular = 0.0f;
};

inline IceFrame ApplyIce(float vx, float vy, float omega, float dt) {
    IceFrame out;

    float speed = std::sqrt(vx * vx + vy * vy);
    float dir_x = 0.0f;
    float dir_y = 0.0f;
    if (speed < FLT_EPSILON) {
        speed = 0.0f;
    } else {
        float const inverse = 1.0f / speed;
        dir_x = vx * inverse;
        dir_y = vy * inverse;
    }

    if (speed > FLT_EPSILON) {
        float const friction = 0.00200985f / (speed + 0.06385782f) + 0.00626286f;
        float const new_speed = speed - (friction * 9.80665f) * dt;
        out.set_linear = true;
        if (new_speed <= 0.0f) {
            // Stops within this frame; no curl.
        } else {
            float turn_rate = 0.0f;
            if (std::fabs(omega) > FLT_EPSILON) {
                float const sense = omega > 0.0f ? 1.0f : -1.0f;
                // Taken at the speed before friction; only the spin's sign counts.
                turn_rate = pinned::Pow(speed, -0.8f) * (sense * 0.0082f);
            }
            float const turn = dt * turn_rate;
            pinned::SineCosine const rotation = pinned::SinCos(turn);
            float const u = rotation.cosine * new_speed;
            float const w = rotation.sine * new_speed;
            out.linear_x = dir_x * u - dir_y * w;
            out.linear_y = dir_x * w + dir_y * u;
        }
    }

    if (std::fabs(omega) > FLT_EPSILON) {
        // std::max keeps a NaN speed, so a NaN stone's spin becomes NaN too.
        float const delta = (-0.025f / std::max(speed, 0.001f)) * dt;
        out.set_angular = true;
        out.angular = std::fabs(delta) >= std::fabs(omega) ? 0.0f : (delta * omega) / std::fabs(omega) + omega;
    }
    return out;
}

}  // namespace glidestone::simulators
