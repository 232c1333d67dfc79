#pragma once

#include <memory>
#include <string>

namespace glidestone {

class ISimulator;

// Makes simulators of one kind, all with the same settings. A factory is a
// plain value: a simulator keeps its own copy and never refers back to the
// factory that made it, so the factory may be destroyed at once.
class ISimulatorFactory {
public:
    virtual ~ISimulatorFactory() = default;

    // A new simulator with this factory's settings and every slot absent.
    virtual std::unique_ptr<ISimulator> CreateSimulator() const = 0;

    // A new factory equal to this one.
    virtual std::unique_ptr<ISimulatorFactory> Clone() const = 0;

    // Names the kind of simulator, e.g. "fcv1".
    virtual std::string GetSimulatorId() const = 0;
};

}  // namespace glidestone
