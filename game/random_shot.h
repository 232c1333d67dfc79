#pragma once

#include "research/random.h"
#include "shot/shot.h"

namespace glidestone {

// A shot drawn at random as games for testing and measuring use them: a
// target in and around the house (x from -2 to 2 m, y from 35 to 41.5 m,
// uniform), passed at 3 m/s one time in three and drawn to otherwise,
// counter-clockwise or clockwise alike. Four draws from `generator`, in the
// order x, y, pass, spin.
Shot RandomShot(SplitMix64& generator);

}  // namespace glidestone
