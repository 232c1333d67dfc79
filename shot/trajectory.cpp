#include "shot/trajectory.h"

#include <algorithm>
#include <utility>

namespace glidestone {

bool Trajectory::Moved(std::size_t slot) const {
    const std::vector<StonePose>& track = tracks[slot];
    if (track.empty()) return false;
    Vector2 const first = track.front().position;
    return std::any_of(track.begin(), track.end(),
                       [&](const StonePose& pose) { return pose.position.x != first.x || pose.position.y != first.y; });
}

TrajectoryRecorder::TrajectoryRecorder(int sample_every) {
    trajectory_.sample_every = std::max(1, sample_every);
}

Trajectory TrajectoryRecorder::Take() {
    int const every = trajectory_.sample_every;
    Trajectory taken = std::exchange(trajectory_, Trajectory{});
    trajectory_.sample_every = every;
    return taken;
}

void TrajectoryRecorder::OnStart(ISimulator& simulator) {
    int const every = trajectory_.sample_every;
    trajectory_ = Trajectory{};
    trajectory_.sample_every = every;
    trajectory_.seconds_per_frame = simulator.GetSecondsPerFrame();
    trajectory_.start = simulator.GetStones();
    Sample(0, trajectory_.start);
}

void TrajectoryRecorder::OnFrame(int frame, ISimulator& simulator) {
    trajectory_.frames = frame;
    for (const Collision& contact : simulator.GetCollisions()) trajectory_.collisions.push_back({frame, contact});
    // The stop test is the one the player makes next; its answer is cached,
    // so asking first costs nothing and changes nothing.
    if (frame % trajectory_.sample_every == 0 || simulator.AreAllStonesStopped()) Sample(frame, simulator.GetStones());
}

void TrajectoryRecorder::Sample(int frame, const AllStones& stones) {
    for (std::size_t slot = 0; slot < kStoneCount; ++slot) {
        // Which stones are in play is fixed when they are placed.
        if (!trajectory_.start[slot].present) continue;
        trajectory_.tracks[slot].push_back({frame, stones[slot].position, stones[slot].angle});
    }
}

}  // namespace glidestone
