#include "simulator/fcv1/simulator_fcv1_factory.h"

#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone::simulators {

std::unique_ptr<ISimulator> SimulatorFCV1Factory::CreateSimulator() const {
    auto simulator = std::make_unique<SimulatorFCV1>(*this);
    if (!engine_shortcuts) simulator->SetEngineShortcuts(false);
    return simulator;
}

std::unique_ptr<ISimulatorFactory> SimulatorFCV1Factory::Clone() const {
    return std::make_unique<SimulatorFCV1Factory>(SimulatorOptions{seconds_per_frame, engine_shortcuts});
}

std::string SimulatorFCV1Factory::GetSimulatorId() const {
    return "fcv1";
}

}  // namespace glidestone::simulators
