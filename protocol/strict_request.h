#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "simulator/interfaces/stone.h"

namespace glidestone {

// The shape nearly every client sends, read without building a JSON
// document: an object whose members are "shot" and some of "stone1" to
// "stone15", each exactly once, each an array of three plain numbers, with
// JSON's white space anywhere between tokens. For such a request the reply
// is written directly, with the very bytes the document would give.
//
// Whatever else a line holds (other members, booleans, pairs, escapes in a
// name, a byte-order mark, integers of more than nine digits, numbers that
// do not fit a double, malformed text) is not read here: the caller hands
// the line to the JSON library, which answers or refuses it as always.

// A number as the JSON library holds it: an integer when written without a
// fraction or an exponent, a double otherwise.
struct StrictNumber {
    bool integer = false;
    std::int64_t as_integer = 0;  // when `integer`: within nine digits of zero
    double value = 0.0;           // the number, for integers too
};

struct StrictRequest {
    using Triple = std::array<StrictNumber, 3>;
    std::array<Triple, 15> stones{};
    std::array<bool, 15> listed{};  // "stoneN" is a member, N = index + 1
    Triple shot{};
};

// The request if `line` has the shape above, otherwise nothing.
std::optional<StrictRequest> ReadStrictRequest(std::string_view line);

// The reply the JSON document of `request` would be serialised to once the
// handler has written every stone's rest position from `rest` and the
// release `velocity` into it: members in the library's (sorted) order,
// "stone16" added with its flag 1, members absent from the request added
// as position pairs, and numbers written as the library writes them.
std::string WriteStrictReply(const StrictRequest& request, const AllStones& rest, Vector2 velocity);

}  // namespace glidestone
