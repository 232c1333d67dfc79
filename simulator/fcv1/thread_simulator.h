#pragma once

#include <memory>

#include "simulator/fcv1/simulator_fcv1_factory.h"
#include "simulator/interfaces/simulator.h"

namespace glidestone::simulators {

// One simulator per thread for each owner (a tag type naming who uses it),
// made on the thread's first use with the default SimulatorOptions and kept, state and
// all, until the thread ends or Reset. Owners never share a simulator.
template <typename Owner>
class ThreadSimulator {
public:
    static ISimulator& Get() {
        std::unique_ptr<ISimulator>& simulator = Slot();
        if (!simulator) simulator = SimulatorFCV1Factory(SimulatorOptions{}).CreateSimulator();
        return *simulator;
    }

    // The next Get on this thread makes a fresh simulator.
    static void Reset() { Slot().reset(); }

private:
    static std::unique_ptr<ISimulator>& Slot() {
        thread_local std::unique_ptr<ISimulator> simulator;
        return simulator;
    }
};

}  // namespace glidestone::simulators
