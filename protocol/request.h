#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "shot/shot.h"
#include "simulator/interfaces/stone.h"

namespace glidestone {

// One request line, read: the stones it places on the ice, the shot it asks
// for, and what its reply is written from (WriteReply).
//
// The wire format: a JSON object whose "stone1" to "stone15" are [x, y,
// flag] (a flag of 0 ends the list; the stones before it are placed) and
// whose "shot" is [x, y, spin] (the target; a negative y asks for a pass to
// |y|; a spin of 1 curls one way, anything else the other). Other members are
// kept and come back in the reply.
class Request {
public:
    Request(Request&&) noexcept;
    Request& operator=(Request&&) noexcept;
    ~Request();

    // The stones the request places, each at rest at its position with angle
    // 0, in slots 0 to 14; every other slot absent.
    const AllStones& stones() const { return stones_; }

    // The shot as the planner reads it: the target, whether it is a pass, and
    // the spin (an integer counts as 1 or as not 1).
    const Shot& shot() const { return shot_; }

    // The shot stone's angular velocity at release (SpinToAngularVelocity of
    // the spin read as a number). Throws for a spin the planner takes but a
    // throw cannot: a boolean (the JSON library's type error), or one whose
    // angular velocity is not finite (RequestError).
    //
    // The server has always planned a request before reading its spin this
    // way, and planning leaves its mark on the engine state that later
    // replies depend on: call this after planning, so that a request refused
    // here leaves the same state behind as ever.
    float ReleaseAngularVelocity() const;

    // The spin as the request writes it, read as a number (not as the planner
    // reads it: 2 stays 2). Throws as ReleaseAngularVelocity does.
    double WrittenSpin() const;

private:
    struct Form;  // the request's text, read, for the reply

    Request();

    AllStones stones_{};
    Shot shot_;
    std::unique_ptr<Form> form_;

    friend Request ParseRequest(std::string_view line, bool strict_reader);
    friend std::string WriteReply(Request request, const AllStones& rest, Vector2 velocity);
};

// Reads one request line (without its line-feed). Throws RequestError for a
// line longer than kMaxRequestLineBytes, JSON nested deeper than
// kMaxJsonDepth, and a stone coordinate that is not finite as a float or
// lies beyond kMaxStoneCoordinate; and the JSON library's exceptions, with
// its messages, for text that is not JSON or values of the wrong type.
//
// Requests of the shape nearly every client sends (ReadStrictRequest) are
// read without building a JSON document; their replies are the same byte for
// byte. `strict_reader` false sends every request through the document, for
// tests and benchmarks to compare against.
Request ParseRequest(std::string_view line, bool strict_reader = true);

// The reply to `request` once played: the request itself with every stone's
// rest position from `rest` (slots 0 to 15 as "stone1" to "stone16",
// "stone16" flagged 1) and the release `velocity` as the shot's first two
// numbers, serialised compactly with sorted members and no terminator.
// Numbers that are not finite are written as null.
std::string WriteReply(Request request, const AllStones& rest, Vector2 velocity);

}  // namespace glidestone
