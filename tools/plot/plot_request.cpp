#include "tools/plot/plot_request.h"

#include "protocol/request.h"
#include "shot/shot_player.h"
#include "shot/trajectory.h"

namespace glidestone {

plot::ShotPicture PictureOfRequest(std::string_view line, int sample_every) {
    // What a fresh server's RequestHandler does with the line, but for the
    // reply text, which the picture does not need.
    Request const request = ParseRequest(line);
    ShotPlayer player;
    plot::ShotPicture picture;
    picture.shot = request.shot();
    picture.release_velocity = player.Plan(request.shot());
    float const angular_velocity = request.ReleaseAngularVelocity();
    picture.shot.spin = request.WrittenSpin();  // the caption shows it as written
    TrajectoryRecorder recorder(sample_every);
    player.Throw(request.stones(), picture.release_velocity, angular_velocity, &recorder);
    picture.trajectory = recorder.Take();
    return picture;
}

}  // namespace glidestone
