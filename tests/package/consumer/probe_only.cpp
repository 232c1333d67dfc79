// Links glidestone::planner alone, with the layers it needs pulled in by the
// exported targets.
#include <cmath>
#include <cstdio>

#include "planner/shot_velocity.h"

int main() {
    glidestone::Vector2 const v = glidestone::EstimateShotVelocity({0.0f, 35.0f}, 3.0f, false);
    std::printf("pass release %.4f %.4f\n", v.x, v.y);
    // About (0.0569, 3.7006) m/s.
    return std::fabs(v.x - 0.0569) < 5e-4 && std::fabs(v.y - 3.7006) < 5e-4 ? 0 : 1;
}
