#include "simulator/fcv1/simulator_fcv1.h"

#include <cfloat>
#include <stdexcept>
#include <string>

namespace glidestone::simulators {

SimulatorFCV1::SimulatorFCV1(const SimulatorFCV1Factory& factory) : SimulatorFCV1(SimulatorFCV1Storage(factory)) {}

SimulatorFCV1::SimulatorFCV1(const SimulatorFCV1Storage& storage) : storage(storage), world(b2Vec2(0.0f, 0.0f)) {
    contact_listener.simulator = this;

    b2BodyDef body_def;
    body_def.type = b2_dynamicBody;
    body_def.position.Set(0.0f, 0.0f);
    body_def.angle = 0.0f;
    body_def.linearVelocity.Set(0.0f, 0.0f);
    body_def.angularVelocity = 0.0f;
    body_def.linearDamping = 0.0f;
    body_def.angularDamping = 0.0f;
    body_def.allowSleep = true;
    body_def.awake = false;
    body_def.fixedRotation = false;
    body_def.bullet = true;  // moving stones must not pass through each other
    body_def.enabled = false;
    body_def.gravityScale = 1.0f;

    b2CircleShape shape;
    shape.m_p.Set(0.0f, 0.0f);
    shape.m_radius = kStoneRadius;

    b2FixtureDef fixture_def;
    fixture_def.shape = &shape;
    fixture_def.friction = kStoneFriction;
    fixture_def.restitution = kStoneRestitution;
    fixture_def.restitutionThreshold = 0.0f;  // elastic even at the slowest approach
    fixture_def.density = kStoneDensity;
    fixture_def.isSensor = false;

    for (std::size_t i = 0; i < kStoneCount; ++i) {
        body_def.userData.pointer = i;
        stone_bodies[i] = world.CreateBody(&body_def);
        stone_bodies[i]->CreateFixture(&fixture_def);
    }
    world.SetContactListener(&contact_listener);

    SetStones(this->storage.stones);
    stones_dirty = false;  // the storage already holds what the bodies were given
}

void SimulatorFCV1::SetStones(const AllStones& stones) {
    if (lagging_mode == FrameMode::kAmongResting) RejoinEngine();
    pairs_found = false;

    bool const refresh_box = lagging_mode == FrameMode::kLoneStone && CatchUpLoneStone(stones);
    enabled_count = 0;
    for (std::size_t i = 0; i < kStoneCount; ++i) {
        b2Body* body = stone_bodies[i];
        const StoneSlot& slot = stones[i];
        if (slot.present) {
            body->SetEnabled(true);
            body->SetAwake(true);
            body->SetTransform(b2Vec2(slot.position.x, slot.position.y), slot.angle);
            body->SetLinearVelocity(b2Vec2(slot.linear_velocity.x, slot.linear_velocity.y));
            body->SetAngularVelocity(slot.angular_velocity);
            ++enabled_count;
            enabled_slot = static_cast<int>(i);
        } else {
            body->SetEnabled(false);
        }
    }
    if (refresh_box) {
        // Moving the body away and back makes the broad phase rebuild its box
        // exactly as it would have after the frames it was not given
        // (b2Body::SetTransform; the catch-up in EXACTNESS.md).
        b2Body* body = stone_bodies[enabled_slot];
        const StoneSlot& slot = stones[enabled_slot];
        // Far enough on the other side that the old box cannot hold it, even
        // for coordinates so large that adding 10 km would change nothing.
        float const x = slot.position.x;
        float const away = x >= 0.0f ? -(x + 1.0e4f) : 1.0e4f - x;
        body->SetTransform(b2Vec2(away, slot.position.y), slot.angle);
        body->SetTransform(b2Vec2(slot.position.x, slot.position.y), slot.angle);
    }
    stones_dirty = true;
    stopped_dirty = true;
}

std::uint32_t SimulatorFCV1::LaggingSlots() const {
    std::uint32_t slots = lagging_mode == FrameMode::kLoneStone ? 1u << lone.slot : 0u;
    for (int i = 0; i < mover_count; ++i) slots |= 1u << movers[static_cast<std::size_t>(i)].stone.slot;
    return slots;
}

const LaggingStone* SimulatorFCV1::Lagging(int slot) const {
    if (lagging_mode == FrameMode::kLoneStone && lone.slot == slot) return &lone;
    for (int i = 0; i < mover_count; ++i)
        if (movers[static_cast<std::size_t>(i)].stone.slot == slot) return &movers[static_cast<std::size_t>(i)].stone;
    return nullptr;
}

const AllStones& SimulatorFCV1::GetStones() {
    auto read_lagging = [this](const LaggingStone& stone) {
        StoneSlot& slot = storage.stones[static_cast<std::size_t>(stone.slot)];
        slot.position = {stone.position.x, stone.position.y};
        slot.angle = stone.angle;
        slot.linear_velocity = {stone.velocity.x, stone.velocity.y};
        slot.angular_velocity = stone.angular_velocity;
        slot.present = true;
    };
    auto read_all_lagging = [&] {
        if (lagging_mode == FrameMode::kLoneStone) read_lagging(lone);
        for (int i = 0; i < mover_count; ++i) read_lagging(movers[static_cast<std::size_t>(i)].stone);
        lagging_dirty = false;
    };
    if (!stones_dirty) {
        // Frames of lagging stones change nothing else (the planner's probe
        // reads the stones every frame).
        if (lagging_dirty) read_all_lagging();
        return storage.stones;
    }
    for (std::size_t i = 0; i < kStoneCount; ++i) {
        const b2Body* body = stone_bodies[i];
        StoneSlot& slot = storage.stones[i];
        if (body->IsEnabled()) {
            const b2Vec2& position = body->GetWorldCenter();
            const b2Vec2& velocity = body->GetLinearVelocity();
            slot.position = {position.x, position.y};
            slot.angle = body->GetAngle();
            slot.linear_velocity = {velocity.x, velocity.y};
            slot.angular_velocity = body->GetAngularVelocity();
            slot.present = true;
        } else {
            slot.present = false;
        }
    }
    read_all_lagging();
    stones_dirty = false;
    return storage.stones;
}

void SimulatorFCV1::RemoveStone(std::size_t slot) {
    if (slot >= kStoneCount) throw std::out_of_range("no stone slot " + std::to_string(slot));
    b2Body* body = stone_bodies[slot];
    if (!body->IsEnabled()) return;
    // The engine must hold every stone as its own steps would have left it
    // before it disables a body: disabling destroys the body's contacts and
    // proxy, wakes the stones it touched, and changes the broad phase's tree,
    // and all of that depends on where the stones really are. Frames advanced
    // outside the engine are handed over first (a lone stone's are replayed:
    // stones rarely leave the ice alone, so the cost stays small).
    CatchUpEngine();
    GetStones();  // the slot keeps the state it had when it was taken off
    body->SetEnabled(false);
    storage.stones[slot].present = false;
    // Disabling may have woken bodies; positions and velocities are as read.
    stopped_dirty = true;
    if (--enabled_count == 1) {
        for (std::size_t i = 0; i < kStoneCount; ++i)
            if (stone_bodies[i]->IsEnabled()) enabled_slot = static_cast<int>(i);
    }
}

const std::vector<Collision>& SimulatorFCV1::GetCollisions() const {
    return storage.collisions;
}

bool SimulatorFCV1::AreAllStonesStopped() {
    if (!stopped_dirty) return all_stopped;
    all_stopped = true;
    for (std::size_t i = 0; i < kStoneCount; ++i) {
        const b2Body* body = stone_bodies[i];
        if (!body->IsEnabled()) continue;
        const LaggingStone* lagging = Lagging(static_cast<int>(i));
        // A sleeping body is still (invariant 1 in EXACTNESS.md).
        if (lagging == nullptr && !body->IsAwake()) continue;
        const b2Vec2& v = lagging != nullptr ? lagging->velocity : body->GetLinearVelocity();
        float const w = lagging != nullptr ? lagging->angular_velocity : body->GetAngularVelocity();
        if (Moving(v, w)) {
            all_stopped = false;
            break;
        }
    }
    stopped_dirty = false;
    return all_stopped;
}

float SimulatorFCV1::GetSecondsPerFrame() const {
    return storage.factory.seconds_per_frame;
}

std::string SimulatorFCV1::GetSimulatorId() const {
    return "fcv1";
}

const ISimulatorFactory& SimulatorFCV1::GetFactory() const {
    return storage.factory;
}

std::unique_ptr<ISimulatorStorage> SimulatorFCV1::CreateStorage() {
    GetStones();
    return std::make_unique<SimulatorFCV1Storage>(storage);
}

void SimulatorFCV1::Save(ISimulatorStorage& target) {
    // Type test first, so a foreign snapshot leaves everything as it was.
    auto& fcv1 = dynamic_cast<SimulatorFCV1Storage&>(target);
    GetStones();
    fcv1 = storage;
}

void SimulatorFCV1::Load(const ISimulatorStorage& source) {
    const auto& fcv1 = dynamic_cast<const SimulatorFCV1Storage&>(source);
    storage = fcv1;
    SetStones(storage.stones);
    stones_dirty = false;  // report the loaded slots exactly, absent ones included
}

void SimulatorFCV1::SetEngineShortcuts(bool enabled) {
    if (!enabled) CatchUpEngine();
    engine_shortcuts = enabled;
}

// Gives the engine every body that lags behind, as its own steps would have
// left them.
void SimulatorFCV1::CatchUpEngine() {
    if (lagging_mode == FrameMode::kAmongResting) {
        RejoinEngine();
    } else if (lagging_mode == FrameMode::kLoneStone) {
        AllStones none{};
        CatchUpLoneStone(none);  // never takes the short way: nothing is present
        stones_dirty = true;     // the body now holds the stone
    }
}

b2ContactManager& SimulatorFCV1::ContactManager() {
    // The world hands out its contact manager read-only; the broad phase is
    // driven through its public operations exactly as the world's step
    // drives it, so that the tree stays as the engine would leave it.
    return const_cast<b2ContactManager&>(world.GetContactManager());
}

// Brings the engine to the state the frames advanced outside it would have
// left, before `next` is loaded. Two ways, both exact:
//  - When `next` holds the same lone stone and the broad phase would rebuild
//    its box when the stone is placed, nothing of those frames survives
//    SetStones but that box (placing the body sets its transform and
//    velocities, and waking it restarts its sleep timer); the caller then
//    makes the broad phase rebuild the box (returns true).
//  - Otherwise the engine replays the frames from where they began, which is
//    where it still is (returns false).
// The catch-up in EXACTNESS.md.
bool SimulatorFCV1::CatchUpLoneStone(const AllStones& next) {
    LaggingStone const stone = lone;
    lagging_mode = FrameMode::kEngine;

    int present = 0;
    for (const StoneSlot& slot : next) present += slot.present ? 1 : 0;
    b2Vec2 const centre(next[stone.slot].position.x, next[stone.slot].position.y);
    if (present == 1 && next[stone.slot].present && centre.IsValid()) {
        bool rebuilt = false;
        MoveFatBox(stone.fat_box, CircleBox(centre, kStoneRadius), b2Vec2(0.0f, 0.0f), &rebuilt);
        if (rebuilt) return true;
    }

    b2Body* body = stone_bodies[stone.slot];
    for (int i = 0; i < stone.frames; ++i) {
        ApplyIce(body, stone.dt);
        world.Step(stone.dt, kVelocityIterations, kPositionIterations);
    }
    return false;
}

}  // namespace glidestone::simulators
