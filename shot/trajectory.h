#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "shot/shot_player.h"
#include "simulator/interfaces/collision.h"
#include "simulator/interfaces/stone.h"

namespace glidestone {

// Where one stone was after a frame.
struct StonePose {
    int frame = 0;  // 0 for the placement before the first frame
    Vector2 position;
    float angle = 0.0f;  // radians, counter-clockwise
};

// One stone-to-stone contact of the throw, as the simulator reported it.
struct TrajectoryCollision {
    int frame = 0;  // the frame in which the contact was solved, from 1
    Collision contact;

    // Where the two stones touch: stones are circles of equal radius, so the
    // point halfway between their centres.
    Vector2 Point() const {
        return {(contact.a.position.x + contact.b.position.x) * 0.5f,
                (contact.a.position.y + contact.b.position.y) * 0.5f};
    }
};

// A throw as it happened: the stones as placed, the path of every stone in
// play, and every contact.
struct Trajectory {
    float seconds_per_frame = 0.0f;
    // Poses are taken after every sample_every-th frame, and always after
    // frame 0 (the placement) and the last frame.
    int sample_every = 1;
    // Frames played until every stone had stopped.
    int frames = 0;
    // The sixteen slots as placed before the first frame: absent slots are
    // not in play, the shot stone holds its release velocities.
    AllStones start{};
    // tracks[slot]: the poses of that slot's stone in frame order, from frame 0
    // to `frames`; empty for a slot not in play.
    std::array<std::vector<StonePose>, kStoneCount> tracks;
    // Every contact of every frame, in the order the simulator reported them.
    // A pair that stays in touch is reported in every frame it is solved.
    std::vector<TrajectoryCollision> collisions;

    bool InPlay(std::size_t slot) const { return !tracks[slot].empty(); }
    // Whether the stone of `slot` ever left its starting position.
    bool Moved(std::size_t slot) const;
};

// Records a throw while it is played: pass it as the observer of
// ShotPlayer::Play or Throw (or RequestHandler::Handle). It only reads the
// simulator, so a recorded throw ends exactly as an unrecorded one. One
// recorder records one throw at a time; OnStart begins a new recording.
class TrajectoryRecorder : public ThrowObserver {
public:
    // Poses after every `sample_every`-th frame (at least 1).
    explicit TrajectoryRecorder(int sample_every = 1);

    void OnStart(ISimulator& simulator) override;
    void OnFrame(int frame, ISimulator& simulator) override;

    const Trajectory& trajectory() const { return trajectory_; }
    // Hands the recording over, leaving the recorder empty.
    Trajectory Take();

private:
    void Sample(int frame, const AllStones& stones);

    Trajectory trajectory_;
};

}  // namespace glidestone
