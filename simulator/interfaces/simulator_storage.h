#pragma once

#include <memory>
#include <string>

namespace glidestone {

class ISimulator;

// A snapshot of a simulator: its frame length, its sixteen slots and the
// collisions of its last frame. It shares nothing with the simulator that
// made it; later frames do not change it. Whatever else the physics engine
// keeps between frames (contact state, broad-phase layout) is not part of it,
// so a simulator restored from a snapshot goes on as after any SetStones.
class ISimulatorStorage {
public:
    virtual ~ISimulatorStorage() = default;

    // A new simulator in the state this snapshot holds. Until its first
    // SetStones, Step or Load it reports the stored slots exactly, absent
    // slots' values included, and the stored collisions.
    virtual std::unique_ptr<ISimulator> CreateSimulator() const = 0;

    // Names the kind of simulator the snapshot belongs to, e.g. "fcv1".
    virtual std::string GetSimulatorId() const = 0;
};

}  // namespace glidestone
