#include "research/random.h"

#include <cmath>

#include "shot/portable_math.h"

namespace glidestone {

std::pair<double, double> StandardNormalPair(SplitMix64& generator) {
    for (;;) {
        double const u = 2.0 * generator.NextUnit() - 1.0;
        double const v = 2.0 * generator.NextUnit() - 1.0;
        double const s = u * u + v * v;
        if (s > 0.0 && s < 1.0) {
            double const f = std::sqrt(-2.0 * PortableLog(s) / s);
            return {u * f, v * f};
        }
    }
}

}  // namespace glidestone
