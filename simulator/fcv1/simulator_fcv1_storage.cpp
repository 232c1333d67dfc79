#include "simulator/fcv1/simulator_fcv1_storage.h"

#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone::simulators {

std::unique_ptr<ISimulator> SimulatorFCV1Storage::CreateSimulator() const {
    return std::make_unique<SimulatorFCV1>(*this);
}

std::string SimulatorFCV1Storage::GetSimulatorId() const {
    return "fcv1";
}

}  // namespace glidestone::simulators
