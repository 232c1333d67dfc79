#include "bench/scenes.h"

#include <cmath>
#include <nlohmann/json.hpp>
#include <string>

#include "planner/shot_velocity.h"

namespace glidestone::bench {

namespace {

constexpr float kSpin = 1.57f;  // rad/s a unit of spin

// Reads the stones and the shot of a request line the way the server does for
// well-formed requests with spin 1 or -1.
AllStones SceneAtRelease(std::string_view line) {
    nlohmann::json const request = nlohmann::json::parse(line);
    AllStones stones{};
    for (int n = 1; n <= 15; ++n) {
        auto const found = request.find("stone" + std::to_string(n));
        if (found == request.end() || (*found)[2] == 0) break;
        StoneSlot& slot = stones[n - 1];
        slot.position = {(*found)[0].get<float>(), (*found)[1].get<float>()};
        slot.present = true;
    }
    const nlohmann::json& shot = request.at("shot");
    float const p0 = shot[0].get<float>();
    float const p1 = shot[1].get<float>();
    int const spin = shot[2].get<int>();
    Vector2 const velocity = EstimateShotVelocity({p0, std::fabs(p1)}, p1 < 0.0f ? 3.0f : 0.0f, spin != 1);
    StoneSlot& shot_stone = stones[15];
    shot_stone.linear_velocity = velocity;
    shot_stone.angular_velocity = static_cast<float>(spin) * kSpin;
    shot_stone.present = true;
    return stones;
}

}  // namespace

AllStones TakeoutSceneAtRelease() {
    return SceneAtRelease(kTakeoutRequest);
}

AllStones DrawSceneAtRelease() {
    return SceneAtRelease(kDrawRequest);
}

}  // namespace glidestone::bench
