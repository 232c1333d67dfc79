#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "server/strict_request.h"
#include "shot/shot_player.h"
#include "simulator/interfaces/stone.h"

namespace glidestone {

// Longest request line accepted, without its line-feed.
inline constexpr std::size_t kMaxRequestLineBytes = std::size_t{1} << 20;

// Deepest nesting of JSON arrays and objects accepted in a request. Far more
// than any client needs, and far less than what would overflow the stack of
// the JSON library's recursive writer.
inline constexpr int kMaxJsonDepth = 256;

// A request this system rejects on its own account (as opposed to the JSON
// library's errors, which propagate unchanged).
class RequestError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Turns one request line into its reply text: stones already on the ice and a
// shot in, every stone's rest position and the release velocity out, written
// into the request object itself and serialised compactly with no terminator.
//
// A thin JSON adaptor over a ShotPlayer of its own: one handler answers as one
// server connection does, its simulators persisting from request to request
// (an absent slot's reply reports what that slot last held). Not thread-safe;
// use one handler a thread.
class RequestHandler {
public:
    // A handler whose player makes its simulators with `options` (the engine
    // shortcuts off, say, to check that the replies stay the same).
    explicit RequestHandler(const simulators::SimulatorOptions& options = {}) : player_(options) {}

    // Throws the JSON library's exceptions for malformed requests and
    // RequestError for values this system refuses (see the README); no reply
    // exists for a failed request.
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

    // Requests of the shape nearly every client sends (ReadStrictRequest)
    // are read and answered without building a JSON document; the reply is
    // the same byte for byte. Off, every request goes through the document,
    // which tests and benchmarks compare against. On by default.
    void SetStrictReader(bool on) { strict_reader_ = on; }

private:
    ShotPlayer player_;
    AllStones stones_{};
    bool strict_reader_ = true;

    // The reply, or nothing (nothing played) when the document path must
    // answer or refuse the request instead.
    std::optional<std::string> HandleStrict(const StrictRequest& request,
                                            const std::optional<ReleasePerturbation>& perturbation,
                                            ThrowObserver* observer);
    std::string HandleDocument(std::string_view line, const std::optional<ReleasePerturbation>& perturbation,
                               ThrowObserver* observer);
    void BeginStones();
    void PlaceStone(int number, float x, float y);
    Vector2 PlanRelease(const Shot& planned, const std::optional<ReleasePerturbation>& perturbation);
};

}  // namespace glidestone
