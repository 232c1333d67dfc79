#include "server/request_handler.h"

#include <cfloat>
#include <cmath>
#include <nlohmann/json.hpp>

namespace glidestone {

namespace {

using nlohmann::json;

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

// A stone coordinate: any number, or a boolean as 1 or 0.
float ReadCoordinate(const json& value, int stone_number) {
    // Integers and booleans read as the library reads them (its own error for
    // non-numbers); none of them reaches kMaxStoneCoordinate.
    if (!value.is_number_float()) return value.get<float>();
    float const narrowed = NarrowToFloat(value.get<double>());
    if (!std::isfinite(narrowed))
        throw RequestError("stone" + std::to_string(stone_number) + " coordinate " + value.dump() +
                           " is not finite as a 32-bit float");
    if (!IsPlayableCoordinate(narrowed))
        throw RequestError("stone" + std::to_string(stone_number) + " coordinate " + value.dump() +
                           " lies farther than 1e36 m from the release point");
    return narrowed;
}

// The spin as the planner reads it: a 32-bit integer (floating values
// truncate toward zero, booleans read as 1 and 0), as a double for Shot.
double ReadSpinForPlanning(const json& value) {
    if (value.is_number_float()) return value.get<double>();
    return value.get<int>() == 1 ? 1.0 : 0.0;
}

}  // namespace

std::string RequestHandler::Handle(std::string_view line, const std::optional<ReleasePerturbation>& perturbation,
                                   ThrowObserver* observer) {
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
    Shot planned;
    planned.target = {NarrowToFloat(p0), NarrowToFloat(std::fabs(p1))};
    planned.pass = p1 < 0.0;
    planned.spin = ReadSpinForPlanning(shot[2]);
    Vector2 velocity = player_.Plan(planned);
    if (perturbation) velocity = PerturbRelease(velocity, *perturbation);

    // Read once more as a double, so a boolean spin fails here, after planning.
    float const omega = SpinToAngularVelocity(shot[2].get<double>());
    if (!std::isfinite(omega)) throw RequestError("shot spin " + shot[2].dump() + " is out of range");

    ShotResult const played = player_.Throw(stones_, velocity, omega, observer);
    const AllStones& rest = played.stones;

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

}  // namespace glidestone
