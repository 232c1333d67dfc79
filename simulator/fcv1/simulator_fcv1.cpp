#include "simulator/fcv1/simulator_fcv1.h"

#include <cfloat>

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
    for (std::size_t i = 0; i < kStoneCount; ++i) {
        b2Body* body = stone_bodies[i];
        const StoneSlot& slot = stones[i];
        if (slot.present) {
            body->SetEnabled(true);
            body->SetAwake(true);
            body->SetTransform(b2Vec2(slot.position.x, slot.position.y), slot.angle);
            body->SetLinearVelocity(b2Vec2(slot.linear_velocity.x, slot.linear_velocity.y));
            body->SetAngularVelocity(slot.angular_velocity);
        } else {
            body->SetEnabled(false);
        }
    }
    stones_dirty = true;
    stopped_dirty = true;
}

const AllStones& SimulatorFCV1::GetStones() {
    if (!stones_dirty) return storage.stones;
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
    stones_dirty = false;
    return storage.stones;
}

const std::vector<Collision>& SimulatorFCV1::GetCollisions() const {
    return storage.collisions;
}

bool SimulatorFCV1::AreAllStonesStopped() {
    if (!stopped_dirty) return all_stopped;
    all_stopped = true;
    for (const b2Body* body : stone_bodies) {
        if (!body->IsEnabled()) continue;
        const b2Vec2& v = body->GetLinearVelocity();
        // Signed on purpose: a clockwise spin alone never counts as motion.
        if (v.x * v.x + v.y * v.y > FLT_EPSILON || body->GetAngularVelocity() > FLT_EPSILON) {
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

}  // namespace glidestone::simulators
