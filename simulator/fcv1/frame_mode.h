#pragma once

#include <cstddef>

namespace glidestone::simulators {

// The ways SimulatorFCV1::Step takes a frame. All but kEngine are shortcuts
// past the engine's step with bit for bit the engine's results; when each
// applies and ends, what lags behind in the engine meanwhile and how it is
// brought back, and which engine functions each mirrors: EXACTNESS.md. The
// transitions between them are all in Step (step.cpp).
enum class FrameMode {
    kEngine,        // the engine's own step
    kLoneStone,     // the only enabled stone, advanced alone; its body lags until the engine is needed
    kAmongResting,  // stones with no contact moving among sleeping ones; their bodies lag until a box meets another
    kFreeFrame,     // no awake stone touches another: the engine's step without its solver, bodies written at once
};

inline constexpr std::size_t kFrameModeCount = 4;

}  // namespace glidestone::simulators
