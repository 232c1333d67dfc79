#include "protocol/request.h"

#include <cmath>
#include <exception>
#include <nlohmann/json.hpp>
#include <optional>
#include <utility>
#include <variant>

#include "protocol/limits.h"
#include "protocol/request_error.h"
#include "protocol/strict_request.h"
#include "shot/shot_player.h"

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

void PlaceStone(AllStones& stones, int number, float x, float y) {
    StoneSlot& slot = stones[static_cast<std::size_t>(number - 1)];
    slot.position = {x, y};
    slot.present = true;
}

}  // namespace

struct Request::Form {
    // The strict reader's view of the line, or the line's JSON document, which
    // reading has already changed as the reply will show it (a stone that is
    // missing before the list ends becomes [null, null, null]).
    std::variant<StrictRequest, json> text;
    double spin = 0.0;  // as written
    float angular_velocity = 0.0f;
    std::exception_ptr spin_error;  // thrown by ReleaseAngularVelocity instead
};

Request::Request() : form_(std::make_unique<Form>()) {}
Request::Request(Request&&) noexcept = default;
Request& Request::operator=(Request&&) noexcept = default;
Request::~Request() = default;

float Request::ReleaseAngularVelocity() const {
    if (form_->spin_error) std::rethrow_exception(form_->spin_error);
    return form_->angular_velocity;
}

double Request::WrittenSpin() const {
    if (form_->spin_error) std::rethrow_exception(form_->spin_error);
    return form_->spin;
}

namespace {

// The request read by the strict reader, or nothing when the document must
// read it instead: every value is read as the document reads it, and a value
// the document would refuse (or read differently) sends the request there, so
// that it is refused in the same words.
bool ReadStrict(const StrictRequest& strict, AllStones& stones, Shot& shot, double& spin, float& angular_velocity) {
    auto coordinate = [](const StrictNumber& number, float* out) {
        if (number.integer) {
            *out = static_cast<float>(number.as_integer);
            return true;
        }
        *out = NarrowToFloat(number.value);
        return std::isfinite(*out) && IsPlayableCoordinate(*out);
    };
    for (int n = 1; n <= 15; ++n) {
        auto const index = static_cast<std::size_t>(n - 1);
        if (!strict.listed[index]) return false;  // refused there: a missing stone
        const StrictRequest::Triple& stone = strict.stones[index];
        if (stone[2].value == 0.0) break;
        float x = 0.0f;
        float y = 0.0f;
        if (!coordinate(stone[1], &y) || !coordinate(stone[0], &x)) return false;
        PlaceStone(stones, n, x, y);
    }
    const StrictRequest::Triple& spin_shot = strict.shot;
    spin = spin_shot[2].value;
    angular_velocity = SpinToAngularVelocity(spin);
    if (!std::isfinite(angular_velocity)) return false;
    shot.target = {NarrowToFloat(spin_shot[0].value), NarrowToFloat(std::fabs(spin_shot[1].value))};
    shot.pass = spin_shot[1].value < 0.0;
    // The spin, as the planner reads it: an integer counts only as 1 or not.
    shot.spin =
        spin_shot[2].integer ? (static_cast<int>(spin_shot[2].as_integer) == 1 ? 1.0 : 0.0) : spin_shot[2].value;
    return true;
}

}  // namespace

Request ParseRequest(std::string_view line, bool strict_reader) {
    if (line.size() > kMaxRequestLineBytes)
        throw RequestError("request line longer than " + std::to_string(kMaxRequestLineBytes) + " bytes");
    Request request;
    if (strict_reader) {
        if (std::optional<StrictRequest> strict = ReadStrictRequest(line)) {
            if (ReadStrict(*strict, request.stones_, request.shot_, request.form_->spin,
                           request.form_->angular_velocity)) {
                request.form_->text = *std::move(strict);
                return request;
            }
            request.stones_ = {};
        }
    }

    CheckDepth(line);
    json& document = request.form_->text.emplace<json>(
        json::parse(line, nullptr, /*allow_exceptions=*/true, /*ignore_comments=*/false));
    for (int n = 1; n <= 15; ++n) {
        json& stone = document["stone" + std::to_string(n)];
        json& flag = stone[2];  // a missing stone becomes [null, null, null]
        if (flag == 0) break;
        float const y = ReadCoordinate(stone[1], n);
        float const x = ReadCoordinate(stone[0], n);
        PlaceStone(request.stones_, n, x, y);
    }

    json& shot = document["shot"];
    double const p1 = shot[1].get<double>();
    double const p0 = shot[0].get<double>();
    request.shot_.target = {NarrowToFloat(p0), NarrowToFloat(std::fabs(p1))};
    request.shot_.pass = p1 < 0.0;
    request.shot_.spin = ReadSpinForPlanning(shot[2]);
    // Read once more as a number, which a boolean is not; any refusal waits
    // for ReleaseAngularVelocity, after planning.
    try {
        double const spin = shot[2].get<double>();
        float const omega = SpinToAngularVelocity(spin);
        if (!std::isfinite(omega)) throw RequestError("shot spin " + shot[2].dump() + " is out of range");
        request.form_->spin = spin;
        request.form_->angular_velocity = omega;
    } catch (...) {
        request.form_->spin_error = std::current_exception();
    }
    return request;
}

std::string WriteReply(Request request, const AllStones& rest, Vector2 velocity) {
    if (auto* strict = std::get_if<StrictRequest>(&request.form_->text))
        return WriteStrictReply(*strict, rest, velocity);

    json& document = std::get<json>(request.form_->text);
    for (int n = 1; n <= 16; ++n) {
        json& stone = document["stone" + std::to_string(n)];
        const StoneSlot& slot = rest[static_cast<std::size_t>(n - 1)];
        stone[0] = static_cast<double>(slot.position.x);
        stone[1] = static_cast<double>(slot.position.y);
    }
    document["stone16"][2] = 1;
    json& shot = document["shot"];
    shot[0] = static_cast<double>(velocity.x);
    shot[1] = static_cast<double>(velocity.y);
    return document.dump();
}

}  // namespace glidestone
