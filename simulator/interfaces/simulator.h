#pragma once

#include <memory>
#include <string>
#include <vector>

#include "simulator/interfaces/collision.h"
#include "simulator/interfaces/simulator_factory.h"
#include "simulator/interfaces/simulator_storage.h"
#include "simulator/interfaces/stone.h"

namespace glidestone {

// A world of sixteen stone slots advanced in frames of fixed length.
//
// A simulator belongs to one thread; it takes no locks. References returned
// by GetStones, GetCollisions and GetFactory stay valid while the simulator
// lives, but their contents change with SetStones, Step and Load.
class ISimulator {
public:
    virtual ~ISimulator() = default;

    // Puts the sixteen slots into the simulation. A present slot's stone is
    // placed with its position, angle and velocities; an absent slot's stone
    // takes no part and keeps whatever state it had, so a later GetStones
    // reports that state for the slot, not the values passed here.
    virtual void SetStones(const AllStones& stones) = 0;

    // Advances every stone by one frame of GetSecondsPerFrame() seconds and
    // records the stone-to-stone contacts of that frame.
    virtual void Step() = 0;

    // The sixteen slots as they are now. Present slots report the stones'
    // current state; absent slots the state last read for them.
    virtual const AllStones& GetStones() = 0;

    // Takes the stone in `slot` off the ice between frames, as a referee takes
    // a stone out of play: from the next frame on it takes no part, and
    // GetStones reports the slot absent with the state the stone had when it
    // was taken off. Nothing else changes: the other stones go on exactly as
    // the engine goes on after one of its bodies is disabled (a stone that
    // was touching the removed one is woken). An absent slot stays as it is.
    // Throws std::out_of_range for a slot of kStoneCount or more.
    virtual void RemoveStone(std::size_t slot) = 0;

    // The stone-to-stone contacts of the last frame, in the order solved.
    virtual const std::vector<Collision>& GetCollisions() const = 0;

    // True when no present stone is moving. Callers step until this holds.
    virtual bool AreAllStonesStopped() = 0;

    virtual float GetSecondsPerFrame() const = 0;

    virtual std::string GetSimulatorId() const = 0;

    // A factory with this simulator's settings (after Load, the loaded ones).
    virtual const ISimulatorFactory& GetFactory() const = 0;

    // A new snapshot of the current state.
    virtual std::unique_ptr<ISimulatorStorage> CreateStorage() = 0;

    // Writes the current state into an existing snapshot. Throws
    // std::bad_cast, changing nothing, if the snapshot is of another kind.
    virtual void Save(ISimulatorStorage& storage) = 0;

    // Sets the simulator to the snapshot's state, frame length included.
    // Throws std::bad_cast, changing nothing, if the snapshot is of another
    // kind.
    virtual void Load(const ISimulatorStorage& storage) = 0;
};

}  // namespace glidestone
