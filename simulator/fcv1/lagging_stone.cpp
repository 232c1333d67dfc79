#include "simulator/fcv1/lagging_stone.h"

#include <bit>
#include <cstdint>

#include "simulator/fcv1/engine_access.h"
#include "simulator/fcv1/ice.h"
#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone::simulators {

void LaggingStone::Advance() {
    ++frames;

    // The ice, through the body's setters: given any motion they wake the
    // body, which restarts its sleep timer even when it is already awake
    // (mirrors b2Body::SetLinearVelocity, SetAngularVelocity and SetAwake;
    // see EXACTNESS.md).
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

void LaggingStone::Integrate() {
    moved_proxy = false;
    reinserted = false;
    if (!awake) return;  // a sleeping body is in no island and does not move

    // An island of one body: mirrors b2Island::Solve (the velocity and
    // position integration, then the sleep timers); see EXACTNESS.md.
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
    // began; one that just fell asleep is synchronised where it lies. Mirrors
    // b2Body::SynchronizeFixtures and b2Fixture::Synchronize; see
    // EXACTNESS.md.
    b2AABB const box_now = CircleBox(position, SimulatorFCV1::kStoneRadius);
    b2AABB const box_before = awake ? CircleBox(frame_start, SimulatorFCV1::kStoneRadius) : box_now;
    swept_box.Combine(box_before, box_now);
    displacement = box_now.GetCenter() - box_before.GetCenter();
    moved_proxy = true;
    fat_box = MoveFatBox(fat_box, swept_box, displacement, &reinserted);  // b2BroadPhase::MoveProxy's tree move
}

void LaggingStone::WriteTo(b2Body& body) const {
    b2Sweep& sweep = engine_access::Sweep(body);
    b2Transform& transform = engine_access::Transform(body);
    // What b2Island::Solve copies back and b2Body::SynchronizeTransform
    // derives (see EXACTNESS.md). The rotation is a function of the sweep's
    // angle: recomputed only when the angle changed.
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
