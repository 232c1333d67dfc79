#include "game/random_shot.h"

namespace glidestone {

Shot RandomShot(SplitMix64& generator) {
    Shot shot;
    double const x = -2.0 + 4.0 * generator.NextUnit();
    double const y = 35.0 + 6.5 * generator.NextUnit();
    shot.target = {static_cast<float>(x), static_cast<float>(y)};
    shot.pass = generator.NextUnit() < 1.0 / 3.0;
    shot.spin = generator.NextUnit() < 0.5 ? 1.0 : -1.0;
    return shot;
}

}  // namespace glidestone
