// Throws the draw to (0, 35) counter-clockwise through the installed
// package's public API and checks it: the planner's probe (thrown again here
// by hand on a simulator from the factory) ends after 548 frames at about
// (-1.885, 34.896), the release velocity is about (0.1242, 2.2989) m/s, and
// the shot player's stone comes to rest on the target line.
#include <glidestone/glidestone.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace {

int failures = 0;

void Check(bool ok, const char* what, double value) {
    std::printf("%s %s: %.6f\n", ok ? "ok  " : "FAIL", what, value);
    if (!ok) ++failures;
}

bool Near(double value, double expected, double tolerance) {
    return std::fabs(value - expected) <= tolerance;
}

class FrameCounter final : public glidestone::ThrowObserver {
public:
    void OnStart(glidestone::ISimulator&) override { started = true; }
    void OnFrame(int frame, glidestone::ISimulator&) override { last_frame = frame; }
    bool started = false;
    int last_frame = 0;
};

}  // namespace

int main() {
    using namespace glidestone;
    std::printf("glidestone %s\n", kVersion);

    simulators::SimulatorFCV1Factory const factory(0.05f);
    std::unique_ptr<ISimulator> probe = factory.CreateSimulator();
    Check(probe->GetSimulatorId() == "fcv1", "simulator id is fcv1", 1);

    Vector2 const target{0.0f, 35.0f};
    Vector2 const velocity = EstimateShotVelocity(*probe, target, 0.0f, /*clockwise=*/false);
    Check(Near(velocity.x, 0.1242, 5e-4), "release velocity x", velocity.x);
    Check(Near(velocity.y, 2.2989, 5e-4), "release velocity y", velocity.y);

    // The probe again, by hand: one stone straight up the ice at the planned
    // speed, until it has no speed left.
    AllStones stones{};
    stones[0].linear_velocity = {0.0f, std::hypot(velocity.x, velocity.y)};
    stones[0].angular_velocity = 1.57f;
    stones[0].present = true;
    probe->SetStones(stones);
    int frames = 0;
    while (!probe->AreAllStonesStopped() &&
           std::hypot(probe->GetStones()[0].linear_velocity.x, probe->GetStones()[0].linear_velocity.y) > 0.0f) {
        probe->Step();
        ++frames;
    }
    Check(frames == 548, "probe frames", frames);
    Check(Near(probe->GetStones()[0].position.x, -1.885, 1e-3), "probe end x", probe->GetStones()[0].position.x);
    Check(Near(probe->GetStones()[0].position.y, 34.896, 1e-3), "probe end y", probe->GetStones()[0].position.y);

    // A snapshot taken now brings a new simulator to the same stones.
    std::unique_ptr<ISimulatorStorage> snapshot = probe->CreateStorage();
    std::unique_ptr<ISimulator> copy = snapshot->CreateSimulator();
    Check(std::memcmp(&copy->GetStones()[0].position, &probe->GetStones()[0].position, sizeof(Vector2)) == 0,
          "snapshot keeps the position bit for bit", 1);

    // The whole shot through the shot API.
    ShotPlayer player;
    FrameCounter counter;
    Shot const draw{target, /*pass=*/false, /*spin=*/1.0};
    Vector2 const planned = player.Plan(draw);
    Check(std::memcmp(&planned, &velocity, sizeof planned) == 0, "player plans the same velocity", planned.x);
    ShotResult const result = player.Throw(AllStones{}, planned, SpinToAngularVelocity(draw.spin), &counter);
    const StoneSlot& shot = result.stones[kShotSlot];
    Check(counter.started && counter.last_frame == result.frames, "observer saw every frame", counter.last_frame);
    Check(shot.present, "shot stone present", 1);
    Check(Near(shot.position.x, 0.0, 0.05), "shot stone rest x", shot.position.x);
    Check(Near(shot.position.y, 35.0, 0.1), "shot stone rest y", shot.position.y);
    Check(shot.position.y < sheet::kHogLineY + 5.0f, "sheet geometry is there", sheet::kHogLineY);

    ShotResult const again = ShotPlayer().Play({}, draw);
    Check(std::memcmp(&again.stones[kShotSlot].position, &shot.position, sizeof(Vector2)) == 0 &&
              again.frames == result.frames,
          "Play gives the same shot bit for bit", again.frames);

    std::printf(failures == 0 ? "consumer: all checks passed\n" : "consumer: %d checks failed\n", failures);
    return failures == 0 ? 0 : 1;
}
