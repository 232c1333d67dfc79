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
    if (strict_reader_) {
        if (std::optional<StrictRequest> const strict = ReadStrictRequest(line)) {
            std::optional<std::string> reply = HandleStrict(*strict, perturbation, observer);
            if (reply) return *std::move(reply);
        }
    }
    return HandleDocument(line, perturbation, observer);
}

void RequestHandler::BeginStones() {
    for (StoneSlot& slot : stones_) slot.present = false;
}

void RequestHandler::PlaceStone(int number, float x, float y) {
    StoneSlot& slot = stones_[static_cast<std::size_t>(number - 1)];
    slot.position = {x, y};
    slot.angle = 0.0f;
    slot.linear_velocity = {0.0f, 0.0f};
    slot.angular_velocity = 0.0f;
    slot.present = true;
}

Vector2 RequestHandler::PlanRelease(const Shot& planned, const std::optional<ReleasePerturbation>& perturbation) {
    Vector2 const velocity = player_.Plan(planned);
    return perturbation ? PerturbRelease(velocity, *perturbation) : velocity;
}

// Every value is read as the document path reads it; a value that path would
// refuse sends the request there before anything is played, so that it is
// refused in the same words and at the same point.
std::optional<std::string> RequestHandler::HandleStrict(const StrictRequest& request,
                                                        const std::optional<ReleasePerturbation>& perturbation,
                                                        ThrowObserver* observer) {
    auto coordinate = [](const StrictNumber& number, float* out) {
        if (number.integer) {
            *out = static_cast<float>(number.as_integer);
            return true;
        }
        *out = NarrowToFloat(number.value);
        return std::isfinite(*out) && IsPlayableCoordinate(*out);
    };
    // Stones placed before a value is refused are placed again, or not, by
    // the document path.
    BeginStones();
    for (int n = 1; n <= 15; ++n) {
        auto const index = static_cast<std::size_t>(n - 1);
        if (!request.listed[index]) return std::nullopt;  // refused there: a missing stone
        const StrictRequest::Triple& stone = request.stones[index];
        if (stone[2].value == 0.0) break;
        float x = 0.0f;
        float y = 0.0f;
        if (!coordinate(stone[1], &y) || !coordinate(stone[0], &x)) return std::nullopt;
        PlaceStone(n, x, y);
    }
    const StrictRequest::Triple& shot = request.shot;
    // The spin, as the planner reads it: an integer counts only as 1 or not.
    double const spin = shot[2].integer ? (static_cast<int>(shot[2].as_integer) == 1 ? 1.0 : 0.0) : shot[2].value;
    float const omega = SpinToAngularVelocity(shot[2].value);
    if (!std::isfinite(omega)) return std::nullopt;

    Shot planned;
    planned.target = {NarrowToFloat(shot[0].value), NarrowToFloat(std::fabs(shot[1].value))};
    planned.pass = shot[1].value < 0.0;
    planned.spin = spin;
    Vector2 const velocity = PlanRelease(planned, perturbation);
    ShotResult const played = player_.Throw(stones_, velocity, omega, observer);
    return WriteStrictReply(request, played.stones, velocity);
}

std::string RequestHandler::HandleDocument(std::string_view line,
                                           const std::optional<ReleasePerturbation>& perturbation,
                                           ThrowObserver* observer) {
    CheckDepth(line);
    json request = json::parse(line, nullptr, /*allow_exceptions=*/true, /*ignore_comments=*/false);

    BeginStones();
    for (int n = 1; n <= 15; ++n) {
        json& stone = request["stone" + std::to_string(n)];
        json& flag = stone[2];  // a missing stone becomes [null, null, null]
        if (flag == 0) break;
        float const y = ReadCoordinate(stone[1], n);
        float const x = ReadCoordinate(stone[0], n);
        PlaceStone(n, x, y);
    }

    json& shot = request["shot"];
    double const p1 = shot[1].get<double>();
    double const p0 = shot[0].get<double>();
    Shot planned;
    planned.target = {NarrowToFloat(p0), NarrowToFloat(std::fabs(p1))};
    planned.pass = p1 < 0.0;
    planned.spin = ReadSpinForPlanning(shot[2]);
    Vector2 const velocity = PlanRelease(planned, perturbation);

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
