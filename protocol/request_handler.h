#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "protocol/limits.h"
#include "protocol/request_error.h"
#include "shot/shot_player.h"
#include "simulator/interfaces/stone.h"

namespace glidestone {

// Turns one request line into its reply text (ParseRequest, then a plan and a
// throw on a ShotPlayer of its own, then WriteReply).
//
// One handler answers as one server connection does, its simulators
// persisting from request to request (an absent slot's reply reports what
// that slot last held). Not thread-safe; use one handler a thread.
class RequestHandler {
public:
    // A handler whose player makes its simulators with `options` (the engine
    // shortcuts off, say, to check that the replies stay the same).
    explicit RequestHandler(const simulators::SimulatorOptions& options = {}) : player_(options) {}

    // Throws what ParseRequest throws, and ShotError as the player does; no
    // reply exists for a failed request.
    //
    // With a `perturbation`, the planned release is perturbed by it
    // (PerturbRelease) before the throw, and the reply's `shot` reports the
    // velocity the stone really got. The server itself never passes one.
    // `observer`, if given, watches the throw (ShotPlayer::Throw) without
    // changing the reply.
    std::string Handle(std::string_view line, const std::optional<ReleasePerturbation>& perturbation = std::nullopt,
                       ThrowObserver* observer = nullptr);

    // Puts the handler back into the state of a fresh server, so that the next
    // reply depends on nothing handled before.
    void ResetToFreshState() { player_.Reset(); }

    ShotPlayer& player() { return player_; }

    // The strict reader of ParseRequest, on by default. Off, every request
    // goes through the JSON document, which tests and benchmarks compare
    // against.
    void SetStrictReader(bool on) { strict_reader_ = on; }

private:
    ShotPlayer player_;
    AllStones stones_{};  // an absent slot keeps what it last held
    bool strict_reader_ = true;
};

}  // namespace glidestone
