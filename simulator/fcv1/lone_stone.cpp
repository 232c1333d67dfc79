#include "simulator/fcv1/lone_stone.h"

#include <bit>
#include <cstdint>

#include "simulator/fcv1/engine_access.h"
#include "simulator/fcv1/ice.h"
#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone::simulators {

b2AABB StoneBox(const b2Vec2& centre) {
    b2AABB box;
    box.lowerBound.Set(centre.x - SimulatorFCV1::kStoneRadius, centre.y - SimulatorFCV1::kStoneRadius);
    box.upperBound.Set(centre.x + SimulatorFCV1::kStoneRadius, centre.y + SimulatorFCV1::kStoneRadius);
    return box;
}

b2AABB MoveFatBox(const b2AABB& fat, const b2AABB& box, const b2Vec2& displacement, bool* reinserted) {
    b2AABB enlarged;
    b2Vec2 const r(b2_aabbExtension, b2_aabbExtension);
    enlarged.lowerBound = box.lowerBound - r;
    enlarged.upperBound = box.upperBound + r;

    b2Vec2 const d = b2_aabbMultiplier * displacement;
    if (d.x < 0.0f) {
        enlarged.lowerBound.x += d.x;
    } else {
        enlarged.upperBound.x += d.x;
    }
    if (d.y < 0.0f) {
        enlarged.lowerBound.y += d.y;
    } else {
        enlarged.upperBound.y += d.y;
    }

    if (fat.Contains(box)) {
        b2AABB huge;
        huge.lowerBound = enlarged.lowerBound - 4.0f * r;
        huge.upperBound = enlarged.upperBound + 4.0f * r;
        if (huge.Contains(fat)) {
            *reinserted = false;
            return fat;
        }
    }
    *reinserted = true;
    return enlarged;
}

void MoveProxyFindingNoPair(b2BroadPhase& broad_phase, int32 proxy, const LoneStone& stone) {
    b2DynamicTree& tree = engine_access::Tree(broad_phase);
    tree.MoveProxy(proxy, stone.swept_box, stone.displacement);
    tree.ClearMoved(proxy);
}

void LoneStone::Advance() {
    ++frames;

    // The ice, through the body's setters: given any motion they wake the
    // body, which restarts its sleep timer even when it is already awake.
    IceFrame const ice = ApplyIce(velocity.x, velocity.y, angular_velocity, dt);
    auto wake = [&] {
        awake = true;
        sleep_time = 0.0f;
    };
    if (ice.set_linear) {
        b2Vec2 const v(ice.linear_x, ice.linear_y);
        if (b2Dot(v, v) > 0.0f) wake();
        velocity = v;
    }
    if (ice.set_angular) {
        if (ice.angular * ice.angular > 0.0f) wake();
        angular_velocity = ice.angular;
    }
    Integrate();
}

void LoneStone::Integrate() {
    moved_proxy = false;
    reinserted = false;
    if (!awake) return;  // a sleeping body is in no island and does not move

    float const h = dt;
    frame_start = position;
    frame_start_angle = angle;
    b2Vec2 v = velocity;
    float w = angular_velocity;

    // Gravity, force and torque are zero: the engine adds zeros, which turns
    // a negative zero positive. Damping is zero: it multiplies by one.
    v.x += 0.0f;
    v.y += 0.0f;
    w += 0.0f;

    b2Vec2 const translation = h * v;
    if (b2Dot(translation, translation) > b2_maxTranslationSquared) {
        float const ratio = b2_maxTranslation / translation.Length();
        v *= ratio;
    }
    float const rotation = h * w;
    if (rotation * rotation > b2_maxRotationSquared) {
        float const ratio = b2_maxRotation / b2Abs(rotation);
        w *= ratio;
    }
    position += h * v;
    angle += h * w;
    velocity = v;
    angular_velocity = w;

    float const linear_tolerance_squared = b2_linearSleepTolerance * b2_linearSleepTolerance;
    float const angular_tolerance_squared = b2_angularSleepTolerance * b2_angularSleepTolerance;
    float min_sleep_time = b2_maxFloat;
    if (w * w > angular_tolerance_squared || b2Dot(v, v) > linear_tolerance_squared) {
        sleep_time = 0.0f;
        min_sleep_time = 0.0f;
    } else {
        sleep_time += h;
        min_sleep_time = b2Min(min_sleep_time, sleep_time);
    }
    // With no contacts the position constraints are always solved.
    if (min_sleep_time >= b2_timeToSleep) {
        awake = false;
        sleep_time = 0.0f;
        velocity.SetZero();
        angular_velocity = 0.0f;
    }

    // The broad phase: a body that is still awake sweeps from where the frame
    // began; one that just fell asleep is synchronised where it lies.
    b2AABB const box_now = StoneBox(position);
    b2AABB const box_before = awake ? StoneBox(frame_start) : box_now;
    swept_box.Combine(box_before, box_now);
    displacement = box_now.GetCenter() - box_before.GetCenter();
    moved_proxy = true;
    fat_box = MoveFatBox(fat_box, swept_box, displacement, &reinserted);
}

void LoneStone::WriteTo(b2Body& body) const {
    b2Sweep& sweep = engine_access::Sweep(body);
    b2Transform& transform = engine_access::Transform(body);
    // The engine keeps the rotation as a function of the sweep's angle:
    // recomputed only when the angle changed.
    if (std::bit_cast<std::uint32_t>(angle) != std::bit_cast<std::uint32_t>(sweep.a)) transform.q.Set(angle);
    sweep.c0 = frame_start;
    sweep.a0 = frame_start_angle;
    sweep.c = position;
    sweep.a = angle;
    sweep.alpha0 = 0.0f;
    transform.p = sweep.c - b2Mul(transform.q, sweep.localCenter);
    engine_access::LinearVelocity(body) = velocity;
    engine_access::AngularVelocity(body) = angular_velocity;
    engine_access::SleepTime(body) = sleep_time;
    if (!awake) body.SetAwake(false);
    engine_access::Proxy(*body.GetFixtureList()).aabb = swept_box;
}

}  // namespace glidestone::simulators
