#include "protocol/request_handler.h"

#include <utility>

#include "protocol/request.h"

namespace glidestone {

std::string RequestHandler::Handle(std::string_view line, const std::optional<ReleasePerturbation>& perturbation,
                                   ThrowObserver* observer) {
    Request request = ParseRequest(line, strict_reader_);
    for (std::size_t i = 0; i < kStoneCount; ++i) {
        const StoneSlot& placed = request.stones()[i];
        if (placed.present) {
            stones_[i] = placed;
        } else {
            stones_[i].present = false;
        }
    }
    Vector2 velocity = player_.Plan(request.shot());
    if (perturbation) velocity = PerturbRelease(velocity, *perturbation);
    float const angular_velocity = request.ReleaseAngularVelocity();
    ShotResult const played = player_.Throw(stones_, velocity, angular_velocity, observer);
    return WriteReply(std::move(request), played.stones, velocity);
}

}  // namespace glidestone
