#include "shot/shot_player.h"

#include <cmath>
#include <string>

#include "planner/shot_velocity.h"
#include "simulator/fcv1/simulator_fcv1_factory.h"

namespace glidestone {

namespace {

std::unique_ptr<ISimulator> NewSimulator(const simulators::SimulatorOptions& options) {
    return simulators::SimulatorFCV1Factory(options).CreateSimulator();
}

}  // namespace

float NarrowToFloat(double value) {
    constexpr double kOverflow = 0x1.ffffffp127;  // FLT_MAX plus half an ulp
    if (value >= kOverflow) return INFINITY;
    if (value <= -kOverflow) return -INFINITY;
    return static_cast<float>(value);  // NaN stays NaN
}

float SpinToAngularVelocity(double spin) {
    return NarrowToFloat(spin * kSpinRate);
}

ShotPlayer::ShotPlayer(const simulators::SimulatorOptions& options)
    : options_(options), throw_simulator_(NewSimulator(options)), probe_simulator_(NewSimulator(options)) {}
ShotPlayer::~ShotPlayer() = default;
ShotPlayer::ShotPlayer(ShotPlayer&&) noexcept = default;
ShotPlayer& ShotPlayer::operator=(ShotPlayer&&) noexcept = default;

void ShotPlayer::Reset() {
    throw_simulator_ = NewSimulator(options_);
    probe_simulator_ = NewSimulator(options_);
}

Vector2 ShotPlayer::Plan(const Shot& shot) {
    return EstimateShotVelocity(*probe_simulator_, shot.target, shot.TargetSpeed(), shot.Clockwise());
}

AllStones LyingStones(std::span<const Vector2> stones) {
    if (stones.size() > kMaxStonesInPlay)
        throw ShotError(std::to_string(stones.size()) + " stones given; at most " + std::to_string(kMaxStonesInPlay) +
                        " can lie on the ice");
    AllStones slots{};
    for (std::size_t i = 0; i < stones.size(); ++i) {
        if (!std::isfinite(stones[i].x) || !std::isfinite(stones[i].y))
            throw ShotError("stone" + std::to_string(i + 1) + " coordinate is not finite");
        if (!IsPlayableCoordinate(stones[i].x) || !IsPlayableCoordinate(stones[i].y))
            throw ShotError("stone" + std::to_string(i + 1) + " lies farther than 1e36 m from the release point");
        slots[i].position = stones[i];
        slots[i].present = true;
    }
    return slots;
}

ShotResult ShotPlayer::Play(std::span<const Vector2> stones, const Shot& shot,
                            const std::optional<ReleasePerturbation>& perturbation, ThrowObserver* observer) {
    AllStones const slots = LyingStones(stones);
    Vector2 velocity = Plan(shot);
    if (perturbation) velocity = PerturbRelease(velocity, *perturbation);
    // Checked after planning, as the server does: the probe has run by then.
    float const omega = SpinToAngularVelocity(shot.spin);
    if (!std::isfinite(omega)) throw ShotError("shot spin " + std::to_string(shot.spin) + " is out of range");
    return Throw(slots, velocity, omega, observer);
}

ShotResult ShotPlayer::Throw(const AllStones& stones, Vector2 velocity, float angular_velocity,
                             ThrowObserver* observer) {
    for (std::size_t i = 0; i < kShotSlot; ++i) {
        const StoneSlot& slot = stones[i];
        if (slot.present && (!IsPlayableCoordinate(slot.position.x) || !IsPlayableCoordinate(slot.position.y)))
            throw ShotError("slot " + std::to_string(i) +
                            " is not finite or lies farther than 1e36 m from the release point");
    }
    AllStones slots = stones;
    StoneSlot& shot_stone = slots[kShotSlot];
    shot_stone.position = {0.0f, 0.0f};
    shot_stone.angle = 0.0f;
    if (std::isfinite(velocity.x) && std::isfinite(velocity.y)) {
        shot_stone.linear_velocity = velocity;
        shot_stone.angular_velocity = angular_velocity;
    } else {
        // Out of the planner's range: the stone stays where it is released.
        shot_stone.linear_velocity = {0.0f, 0.0f};
        shot_stone.angular_velocity = 0.0f;
    }
    shot_stone.present = true;

    ISimulator& simulator = *throw_simulator_;
    simulator.SetStones(slots);
    if (observer) observer->OnStart(simulator);
    int frame = 0;
    long contacts = 0;
    while (!simulator.AreAllStonesStopped()) {
        if (frame == kMaxFrames) throw ShotError("stones still moving after " + std::to_string(kMaxFrames) + " frames");
        if (contacts > kMaxContacts)
            throw ShotError("stones still moving after " + std::to_string(kMaxContacts) +
                            " contacts (stones placed on top of each other?)");
        simulator.Step();
        ++frame;
        contacts += static_cast<long>(simulator.GetCollisions().size());
        if (observer) observer->OnFrame(frame, simulator);
    }

    ShotResult result;
    result.stones = simulator.GetStones();
    result.release_velocity = velocity;
    result.angular_velocity = shot_stone.angular_velocity;
    result.frames = frame;
    return result;
}

}  // namespace glidestone
