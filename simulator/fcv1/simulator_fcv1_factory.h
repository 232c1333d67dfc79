#pragma once

#include "simulator/interfaces/simulator_factory.h"

namespace glidestone::simulators {

// Makes SimulatorFCV1 instances with a fixed frame length.
class SimulatorFCV1Factory final : public ISimulatorFactory {
public:
    static constexpr float kDefaultSecondsPerFrame = 0.05f;

    explicit SimulatorFCV1Factory(float seconds_per_frame = kDefaultSecondsPerFrame)
        : seconds_per_frame(seconds_per_frame) {}

    std::unique_ptr<ISimulator> CreateSimulator() const override;
    std::unique_ptr<ISimulatorFactory> Clone() const override;
    std::string GetSimulatorId() const override;

    float seconds_per_frame;  // the time every Step advances
};

}  // namespace glidestone::simulators
