#include "planner/shot_velocity.h"

#include <cmath>
#include <limits>

#include "math/pinned_math.h"
#include "simulator/fcv1/thread_simulator.h"
#include "simulator/interfaces/simulator.h"

namespace glidestone {

namespace {

// Squared release speed b = d·v + e·v² + h, with d from the logarithm of the
// distance beyond `offset` and e, h polynomials in the distance. Fitted in
// single precision; the order of operations is part of the fit.
struct SpeedFit {
    float offset;
    float d0, k;
    float e0, e1, e2, e3;
    float h1, h0;
};

constexpr SpeedFit kDrawFit{29.898958f, -0.0014030973f, 0.00046669575f, 0.27562425f, 0.0005048123f, 0,
                            0,          0.13968688f,    0.4112094f};
constexpr SpeedFit kSlowFit{29.867514f, -0.198118f, -0.0008339332f, 0.9858458f, 0.0014309171f,
                            0,          0,          0.13967323f,    0.4281631f};
constexpr SpeedFit kFastFit{8.228226f,      -0.056013063f, 0.07950648f, 0.97670066f, 0.004578093f,
                            0.00012132852f, 1.0833113e-6f, 0.1414044f,  0.38757825f};


struct Probe;  // owner of the planner's thread simulators
using ProbeSimulator = simulators::ThreadSimulator<Probe>;

}  // namespace

float EstimateReleaseSpeed(float a, float v) {
    // A NaN target speed fails both tests and takes the fast fit.
    const SpeedFit& fit = v <= 0.05f ? kDrawFit : v <= 1.0f ? kSlowFit : kFastFit;
    // Evaluated even when v = 0 cancels its term, so a draw inside the fitted
    // range gives NaN rather than a made-up speed.
    float const log_distance = pinned::Log(a - fit.offset);
    float const d = fit.d0 - log_distance * fit.k;
    float e;
    if (&fit == &kDrawFit) {
        e = a * fit.e1 + fit.e0;
    } else if (&fit == &kSlowFit) {
        e = fit.e0 - a * fit.e1;
    } else {
        e = ((((a * fit.e3) * a) * a - (a * fit.e2) * a) + a * fit.e1) + fit.e0;
    }
    float const h = a * fit.h1 + fit.h0;
    float const b = (d * v + (e * v) * v) + h;
    return std::sqrt(b);
}

Vector2 EstimateShotVelocity(const Vector2& target_position, float target_speed, bool clockwise) {
    return EstimateShotVelocity(ProbeSimulator::Get(), target_position, target_speed, clockwise);
}

Vector2 EstimateShotVelocity(ISimulator& probe, const Vector2& target_position, float target_speed, bool clockwise) {
    float const tx = target_position.x;
    float const ty = target_position.y;
    float const speed = EstimateReleaseSpeed(pinned::Hypot(tx, ty), target_speed);

    if (!std::isfinite(speed)) {
        // The probe could only end through the stop test with a NaN stone and
        // the result would be NaN whatever it did; keep the engine clear of it.
        float const nan = std::numeric_limits<float>::quiet_NaN();
        return {nan, nan};
    }

    AllStones stones{};
    StoneSlot& stone = stones[0];
    stone.linear_velocity = {0.0f, speed};
    stone.angular_velocity = (clockwise ? -1.0f : 1.0f) * kSpinAngularVelocity;
    stone.present = true;
    probe.SetStones(stones);

    Vector2 stop_point;
    for (;;) {
        if (probe.AreAllStonesStopped()) {
            stop_point = probe.GetStones()[0].position;
            break;
        }
        const StoneSlot& now = probe.GetStones()[0];
        if (pinned::Hypot(now.linear_velocity.x, now.linear_velocity.y) <= target_speed) {
            stop_point = now.position;
            break;
        }
        probe.Step();
    }

    float const target_angle = pinned::Atan2(ty, tx);
    float const curl_angle = pinned::Atan2(stop_point.x, stop_point.y);  // from +y toward +x
    float const release_angle = target_angle + curl_angle;
    pinned::SineCosine const direction = pinned::SinCos(release_angle);
    return {direction.cosine * speed, direction.sine * speed};
}

void ResetProbeSimulator() {
    ProbeSimulator::Reset();
}

}  // namespace glidestone
