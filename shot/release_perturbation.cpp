#include "shot/release_perturbation.h"

#include <cmath>

#include "shot/portable_math.h"
#include "shot/shot_player.h"

namespace glidestone {

Vector2 PerturbRelease(Vector2 planned, const ReleasePerturbation& perturbation) {
    if (perturbation.speed == 0.0 && perturbation.angle == 0.0) return planned;
    if (!std::isfinite(planned.x) || !std::isfinite(planned.y)) return planned;

    double const vx = planned.x;
    double const vy = planned.y;
    double const speed = std::sqrt(vx * vx + vy * vy);
    double ux = 0.0;
    double uy = 1.0;
    if (speed > 0.0) {
        ux = vx / speed;
        uy = vy / speed;
    }
    double new_speed = speed + perturbation.speed;
    if (!(new_speed > 0.0)) new_speed = std::isnan(new_speed) ? new_speed : 0.0;

    SineCosine const turn = PortableSinCos(perturbation.angle);
    double const dx = turn.cosine * ux - turn.sine * uy;
    double const dy = turn.sine * ux + turn.cosine * uy;
    return {NarrowToFloat(new_speed * dx), NarrowToFloat(new_speed * dy)};
}

}  // namespace glidestone
