#pragma once

#include <box2d/box2d.h>

#include <array>
#include <cfloat>
#include <cstdint>
#include <optional>

#include "simulator/fcv1/lone_stone.h"
#include "simulator/fcv1/simulator_fcv1_factory.h"
#include "simulator/fcv1/simulator_fcv1_storage.h"
#include "simulator/interfaces/simulator.h"

namespace glidestone::simulators {

// A Box2D world of sixteen circular stones, one body per slot, created once
// and kept for the simulator's life. The engine moves the stones and solves
// their (perfectly elastic) collisions; the ice is this class's own model,
// applied to every stone before each engine step.
//
// The engine carries state between frames and between runs that a snapshot
// does not hold (contacts, broad-phase layout, sleep timers); two simulators
// give bit-identical results only when they have seen the same calls.
class SimulatorFCV1 final : public ISimulator {
public:
    static constexpr float kStoneRadius = 0.145f;       // m
    static constexpr float kStoneDensity = 302.18622f;  // kg/m², 19.96 kg a stone
    static constexpr float kStoneFriction = 0.2f;       // stone on stone
    static constexpr float kStoneRestitution = 1.0f;    // elastic at any speed
    static constexpr int kVelocityIterations = 8;
    static constexpr int kPositionIterations = 3;

    explicit SimulatorFCV1(const SimulatorFCV1Factory& factory);
    explicit SimulatorFCV1(const SimulatorFCV1Storage& storage);
    ~SimulatorFCV1() override = default;

    // Bodies and the contact listener point back into this object.
    SimulatorFCV1(const SimulatorFCV1&) = delete;
    SimulatorFCV1& operator=(const SimulatorFCV1&) = delete;

    void SetStones(const AllStones& stones) override;
    void Step() override;
    const AllStones& GetStones() override;
    void RemoveStone(std::size_t slot) override;
    const std::vector<Collision>& GetCollisions() const override;
    bool AreAllStonesStopped() override;
    float GetSecondsPerFrame() const override;
    std::string GetSimulatorId() const override;
    const ISimulatorFactory& GetFactory() const override;
    std::unique_ptr<ISimulatorStorage> CreateStorage() override;
    void Save(ISimulatorStorage& storage) override;
    void Load(const ISimulatorStorage& storage) override;

    // While exactly one stone is enabled, frames are advanced outside the
    // engine with the engine's own arithmetic (see LoneStone) and the engine
    // is brought to the same state when something else needs it.
    //
    // Likewise while the moving stones have no contact at all (their
    // broad-phase boxes overlap no other) and every other enabled stone
    // sleeps, until a moving stone's box meets another: then nothing but
    // those stones and their proxies in the broad phase's tree changes. The
    // proxies are moved in the engine's tree as the engine would move them,
    // frame by frame; each body is written once, when its stone rests, when a
    // box meets another (that frame then goes on as below), or at the next
    // SetStones or Load.
    //
    // And in any frame in which no awake stone touches another (the common
    // case in a crowded house: stones slide apart or towards each other for
    // many frames between the few in which they touch), the engine's step is
    // taken without its solver: every awake stone is then an island of its
    // own, advanced with LoneStone's arithmetic and written into its body,
    // and the broad phase is driven through its own operations. Frames in
    // which the engine would create a contact that might be struck within the
    // frame, or find a time of impact inside it, are left to the engine.
    //
    // Results are bit for bit the same either way; turning it off is for
    // checking that, and brings the engine up to date at once.
    void SetLoneStoneShortcut(bool enabled);
    bool LoneStoneShortcut() const { return lone_stone_shortcut; }

    // The engine's world, read-only, for inspection. Bodies whose frames are
    // being advanced outside the engine lag behind; the broad phase and the
    // contact list never do.
    const b2World& GetWorld() const { return world; }

    // The slots whose bodies lag behind in the engine's world, one bit a slot.
    std::uint32_t LaggingSlots() const;

    // Frames by the way Step took them, so far: the only enabled stone
    // advanced alone; stones moving among resting ones; frames in which no
    // awake stone touched another, stepped for the engine without its solver
    // (see StepFreeFrame); and the engine's own steps.
    std::uint64_t LoneFrames() const { return lone_frames; }
    std::uint64_t FramesAmongResting() const { return frames_among_resting; }
    std::uint64_t FreeFrames() const { return free_frames; }
    std::uint64_t EngineFrames() const { return engine_frames; }

    // Records every contact the engine has solved into the simulator's
    // collision list. Runs inside the world's step, so it must not touch
    // bodies or the world.
    class ContactListener final : public b2ContactListener {
    public:
        void PostSolve(b2Contact* contact, const b2ContactImpulse* impulse) override;

        SimulatorFCV1* simulator = nullptr;
    };

private:
    SimulatorFCV1Storage storage;
    b2World world;
    std::array<b2Body*, kStoneCount> stone_bodies{};
    bool stones_dirty = false;   // storage.stones may lag behind the bodies
    bool lagging_dirty = false;  // ...or only in the slots of lagging stones
    bool all_stopped = false;    // last answer of AreAllStonesStopped
    bool stopped_dirty = false;  // all_stopped must be computed again
    ContactListener contact_listener;

    bool lone_stone_shortcut = true;
    int enabled_count = 0;          // bodies enabled by the last SetStones
    int enabled_slot = -1;          // the last of them
    std::optional<LoneStone> lone;  // the only enabled stone: frames the engine has not been given yet

    // Stones moving among resting ones, in the engine's body order.
    struct Mover {
        LoneStone stone;
        int32 proxy = b2_nullNode;
    };
    std::array<Mover, kStoneCount> movers{};
    int mover_count = 0;
    std::array<LoneStone, kStoneCount> movers_next{};  // their next frame, before it is taken

    bool engine_settled = false;  // no pairs pending since the last SetStones
    float settled_dt = 0.0f;      // the frame length of the engine's last step
    std::uint64_t lone_frames = 0;
    std::uint64_t frames_among_resting = 0;
    std::uint64_t free_frames = 0;
    std::uint64_t engine_frames = 0;

    // What AreAllStonesStopped counts as motion. Signed on purpose: a
    // clockwise spin alone never counts.
    static bool Moving(const b2Vec2& v, float w) { return v.x * v.x + v.y * v.y > FLT_EPSILON || w > FLT_EPSILON; }

    void ApplyIce(b2Body* body, float dt);
    bool BeginLoneStone(float dt);
    bool CatchUpLoneStone(const AllStones& next);
    bool BeginAmongResting(float dt);
    bool StepAmongResting();
    void RejoinEngine();
    const LoneStone* Lagging(int slot) const;
    bool StepFreeFrame(float dt);
    b2ContactManager& ContactManager();
};

}  // namespace glidestone::simulators
