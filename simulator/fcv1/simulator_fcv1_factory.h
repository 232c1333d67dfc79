#pragma once

#include "simulator/interfaces/simulator_factory.h"

namespace glidestone::simulators {

// How simulators are made, for the layers that make their own (the shot
// player, the request handler): the frame length and the engine shortcuts.
struct SimulatorOptions {
    float seconds_per_frame = 0.05f;
    // The shortcuts past the engine's step (SimulatorFCV1::SetEngineShortcuts)
    // give its results bit for bit, faster; off, every frame is the engine's
    // own step. Off is for checking that.
    bool engine_shortcuts = true;
};

// Makes SimulatorFCV1 instances with a fixed frame length.
class SimulatorFCV1Factory final : public ISimulatorFactory {
public:
    static constexpr float kDefaultSecondsPerFrame = SimulatorOptions{}.seconds_per_frame;

    explicit SimulatorFCV1Factory(float seconds_per_frame = kDefaultSecondsPerFrame)
        : seconds_per_frame(seconds_per_frame) {}
    explicit SimulatorFCV1Factory(const SimulatorOptions& options)
        : seconds_per_frame(options.seconds_per_frame), engine_shortcuts(options.engine_shortcuts) {}

    std::unique_ptr<ISimulator> CreateSimulator() const override;
    std::unique_ptr<ISimulatorFactory> Clone() const override;
    std::string GetSimulatorId() const override;

    float seconds_per_frame;  // the time every Step advances
    bool engine_shortcuts = true;
};

}  // namespace glidestone::simulators
