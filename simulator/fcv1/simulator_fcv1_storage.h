#pragma once

#include <vector>

#include "simulator/fcv1/simulator_fcv1_factory.h"
#include "simulator/interfaces/collision.h"
#include "simulator/interfaces/simulator_storage.h"
#include "simulator/interfaces/stone.h"

namespace glidestone::simulators {

// The whole saved state of a SimulatorFCV1; a plain, copyable value. A
// simulator keeps its own live state in one of these, so a snapshot is just a
// copy of that member.
class SimulatorFCV1Storage final : public ISimulatorStorage {
public:
    // Frame length from the factory, every slot absent and zero, no collisions.
    explicit SimulatorFCV1Storage(const SimulatorFCV1Factory& factory) : factory(factory) {}

    std::unique_ptr<ISimulator> CreateSimulator() const override;
    std::string GetSimulatorId() const override;

    SimulatorFCV1Factory factory;
    AllStones stones{};
    std::vector<Collision> collisions;
};

}  // namespace glidestone::simulators
