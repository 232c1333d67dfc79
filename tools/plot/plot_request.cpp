#include "tools/plot/plot_request.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "server/request_handler.h"
#include "shot/trajectory.h"

namespace glidestone {

namespace {

float NumberOrNaN(const nlohmann::json& value) {
    return value.is_number() ? static_cast<float>(value.get<double>()) : NAN;
}

}  // namespace

plot::ShotPicture PictureOfRequest(std::string_view line, int sample_every) {
    RequestHandler handler;
    TrajectoryRecorder recorder(sample_every);
    std::string const reply = handler.Handle(line, std::nullopt, &recorder);

    // The handler has read the shot without fault, so these reads cannot
    // fail; they take the values as it did.
    nlohmann::json const request = nlohmann::json::parse(line);
    const nlohmann::json& shot = request.at("shot");
    double const p0 = shot.at(0).get<double>();
    double const p1 = shot.at(1).get<double>();
    plot::ShotPicture picture;
    picture.shot.target = {NarrowToFloat(p0), NarrowToFloat(std::fabs(p1))};
    picture.shot.pass = p1 < 0.0;
    picture.shot.spin = shot.at(2).get<double>();

    // The release velocity as the reply carries it (null when not finite).
    nlohmann::json const answer = nlohmann::json::parse(reply);
    picture.release_velocity = {NumberOrNaN(answer.at("shot").at(0)), NumberOrNaN(answer.at("shot").at(1))};
    picture.trajectory = recorder.Take();
    return picture;
}

}  // namespace glidestone
