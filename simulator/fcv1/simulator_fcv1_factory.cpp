#include "simulator/fcv1/simulator_fcv1_factory.h"

#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone::simulators {

std::unique_ptr<ISimulator> SimulatorFCV1Factory::CreateSimulator() const {
    return std::make_unique<SimulatorFCV1>(*this);
}

std::unique_ptr<ISimulatorFactory> SimulatorFCV1Factory::Clone() const {
    return std::make_unique<SimulatorFCV1Factory>(seconds_per_frame);
}

std::string SimulatorFCV1Factory::GetSimulatorId() const {
    return "fcv1";
}

}  // namespace glidestone::simulators
