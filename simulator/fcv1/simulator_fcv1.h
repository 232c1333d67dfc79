#pragma once

#include <box2d/box2d.h>

#include <array>
#include <cfloat>
#include <cstdint>
#include <optional>

#include "simulator/fcv1/frame_mode.h"
#include "simulator/fcv1/lagging_stone.h"
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
    static constexpr float kStoneRadius = ::glidestone::kStoneRadius;  // m
    static constexpr float kStoneDensity = 302.18622f;                 // kg/m², 19.96 kg a stone
    static constexpr float kStoneFriction = 0.2f;                      // stone on stone
    static constexpr float kStoneRestitution = 1.0f;                   // elastic at any speed
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

    // The shortcuts past the engine's step (FrameMode: the lone stone, stones
    // moving among resting ones, frames free of contact), all on by default.
    // When each applies and what it mirrors in the engine: EXACTNESS.md.
    // Results are bit for bit the same either way (EXACTNESS.md); turning
    // them off is for checking that, and brings the engine up to date at
    // once.
    void SetEngineShortcuts(bool enabled);
    bool EngineShortcuts() const { return engine_shortcuts; }

    // The engine's world, read-only, for inspection. Bodies whose frames are
    // being advanced outside the engine lag behind; the broad phase and the
    // contact list never do.
    const b2World& GetWorld() const { return world; }

    // The slots whose bodies lag behind in the engine's world, one bit a slot.
    std::uint32_t LaggingSlots() const;

    // Frames Step has taken so far in `mode`.
    std::uint64_t Frames(FrameMode mode) const { return frames_by_mode[static_cast<std::size_t>(mode)]; }

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

    bool engine_shortcuts = true;
    int enabled_count = 0;  // bodies enabled by the last SetStones
    int enabled_slot = -1;  // the last of them

    // The mode whose stones lag behind the engine into the next frame:
    // kLoneStone (`lone`), kAmongResting (`movers`), or kEngine when no body
    // lags. Free frames leave nothing behind.
    FrameMode lagging_mode = FrameMode::kEngine;
    LaggingStone lone;  // the only enabled stone: frames the engine has not been given yet

    // Stones moving among resting ones, in the engine's body order.
    struct Mover {
        LaggingStone stone;
        int32 proxy = b2_nullNode;
    };
    std::array<Mover, kStoneCount> movers{};
    int mover_count = 0;
    std::array<LaggingStone, kStoneCount> movers_next{};  // their next frame, before it is taken

    // What the shortcuts that leave the solver out need of the engine's last
    // step: that it looked for the pairs of every proxy SetStones moved, and
    // that it left the world's frame-length ratio at this frame length.
    bool pairs_found = false;
    float engine_dt = 0.0f;  // the frame length of the engine's last step

    std::array<std::uint64_t, kFrameModeCount> frames_by_mode{};

    // What AreAllStonesStopped counts as motion. Signed on purpose: a
    // clockwise spin alone never counts.
    static bool Moving(const b2Vec2& v, float w) { return v.x * v.x + v.y * v.y > FLT_EPSILON || w > FLT_EPSILON; }

    void ApplyIce(b2Body* body, float dt);

    // Takes the frame one way or another (step.cpp): the transitions between
    // the frame modes.
    FrameMode TakeFrame(float dt);
    bool ShortcutsApply(float dt) const;

    // The shortcuts: each takes the frame and returns true, or declines and
    // leaves it to the next way in TakeFrame's order, having done no more
    // than the engine's step would do first anyway or handed lagging bodies
    // back to the engine.
    bool BeginLoneStone(float dt);
    void ContinueLoneStone();
    bool BeginAmongResting(float dt);
    bool StepAmongResting();
    bool StepFreeFrame(float dt);
    void StepEngine(float dt);

    // Bringing lagging bodies back into the engine.
    void CatchUpEngine();
    bool CatchUpLoneStone(const AllStones& next);
    void RejoinEngine();
    const LaggingStone* Lagging(int slot) const;
    b2ContactManager& ContactManager();
};

}  // namespace glidestone::simulators
