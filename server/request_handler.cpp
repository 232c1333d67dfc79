#include "server/request_handler.h"

#include <cfloat>
#include <cmath>
#include <nlohmann/json.hpp>

#include "planner/shot_velocity.h"
#include "simulator/fcv1/thread_simulator.h"
#include "simulator/interfaces/simulator.h"

namespace glidestone {

namespace {

using nlohmann::json;

constexpr double kSpinRate = 1.5700000524520874;  // 1.57f widened, rad/s per unit of spin
constexpr float kPassSpeed = 3.0f;                // m/s at the target when p1 < 0

// A generous bound on frames, far beyond any throw (the fastest possible stone
// stops within about 15,000), so that no input can keep a request running.
constexpr int kMaxFrames = 1'000'000;

struct Throw;  // owner of the request handling's thread simulators
using ServerSimulator = simulators::ThreadSimulator<Throw>;

// Counts nesting outside strings; the parser itself rejects anything
// malformed, so this only has to be right for well-formed text.
void CheckDepth(std::string_view text) {
    int depth = 0;
    bool in_string = false;
    bool escaped = false;
    for (char c : text) {
        if (in_string) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                in_string = false;
            }
        } else if (c == '"') {
            in_string = true;
        } else if (c == '[' || c == '{') {
            if (++depth > kMaxJsonDepth)
                throw RequestError("JSON nested deeper than " + std::to_string(kMaxJsonDepth) + " levels");
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
}

// Double to float as IEEE rounding would give it, but without the undefined
// behaviour of a C++ conversion whose value is out of range: beyond the
// halfway point above FLT_MAX the result is an infinity.
float NarrowToFloat(double value) {
    constexpr double kOverflow = 0x1.ffffffp127;  // FLT_MAX plus half an ulp
    if (value >= kOverflow) return INFINITY;
    if (value <= -kOverflow) return -INFINITY;
    return static_cast<float>(value);  // NaN stays NaN
}

// A stone coordinate: any number, or a boolean as 1 or 0.
float ReadCoordinate(const json& value, int stone_number) {
    if (!value.is_number_float()) return value.get<float>();  // the library's own error for non-numbers
    float const narrowed = NarrowToFloat(value.get<double>());
    if (!std::isfinite(narrowed))
        throw RequestError("stone" + std::to_string(stone_number) + " coordinate " + value.dump() +
                           " is not finite as a 32-bit float");
    return narrowed;
}

// The spin as a 32-bit integer: floating values truncate toward zero; one
// outside the integer's range cannot be 1, so it reads as clockwise.
bool ReadClockwise(const json& value) {
    if (value.is_number_float()) {
        double const d = value.get<double>();
        return !(d >= 1.0 && d < 2.0);
    }
    return value.get<int>() != 1;
}

}  // namespace

std::string RequestHandler::Handle(std::string_view line) {
    if (line.size() > kMaxRequestLineBytes)
        throw RequestError("request line longer than " + std::to_string(kMaxRequestLineBytes) + " bytes");
    CheckDepth(line);
    json request = json::parse(line, nullptr, /*allow_exceptions=*/true, /*ignore_comments=*/false);

    for (StoneSlot& slot : stones_) slot.present = false;
    for (int n = 1; n <= 15; ++n) {
        json& stone = request["stone" + std::to_string(n)];
        json& flag = stone[2];  // a missing stone becomes [null, null, null]
        if (flag == 0) break;
        float const y = ReadCoordinate(stone[1], n);
        float const x = ReadCoordinate(stone[0], n);
        StoneSlot& slot = stones_[n - 1];
        slot.position = {x, y};
        slot.angle = 0.0f;
        slot.linear_velocity = {0.0f, 0.0f};
        slot.angular_velocity = 0.0f;
        slot.present = true;
    }

    json& shot = request["shot"];
    double const p1 = shot[1].get<double>();
    double const p0 = shot[0].get<double>();
    bool const clockwise = ReadClockwise(shot[2]);

    Vector2 const target{NarrowToFloat(p0), NarrowToFloat(std::fabs(p1))};
    float const target_speed = p1 < 0.0 ? kPassSpeed : 0.0f;
    Vector2 const velocity = EstimateShotVelocity(target, target_speed, clockwise);

    float const omega = NarrowToFloat(shot[2].get<double>() * kSpinRate);
    if (!std::isfinite(omega)) throw RequestError("shot spin " + shot[2].dump() + " is out of range");

    StoneSlot& shot_stone = stones_[15];
    shot_stone.position = {0.0f, 0.0f};
    shot_stone.angle = 0.0f;
    if (std::isfinite(velocity.x) && std::isfinite(velocity.y)) {
        shot_stone.linear_velocity = velocity;
        shot_stone.angular_velocity = omega;
    } else {
        // Out of the fitted range: the stone stays where it is released, and
        // the reply reports the velocity as the non-finite value it is.
        shot_stone.linear_velocity = {0.0f, 0.0f};
        shot_stone.angular_velocity = 0.0f;
    }
    shot_stone.present = true;

    ISimulator& simulator = ServerSimulator::Get();
    simulator.SetStones(stones_);
    for (int frame = 0; !simulator.AreAllStonesStopped(); ++frame) {
        if (frame == kMaxFrames)
            throw RequestError("stones still moving after " + std::to_string(kMaxFrames) + " frames");
        simulator.Step();
    }
    const AllStones& rest = simulator.GetStones();

    for (int n = 1; n <= 16; ++n) {
        json& stone = request["stone" + std::to_string(n)];
        const StoneSlot& slot = rest[n - 1];
        stone[0] = static_cast<double>(slot.position.x);
        stone[1] = static_cast<double>(slot.position.y);
    }
    request["stone16"][2] = 1;
    shot[0] = static_cast<double>(velocity.x);
    shot[1] = static_cast<double>(velocity.y);
    return request.dump();
}

void RequestHandler::ResetToFreshState() {
    ServerSimulator::Reset();
    ResetProbeSimulator();
}

}  // namespace glidestone
