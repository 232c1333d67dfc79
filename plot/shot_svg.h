#pragma once

#include <span>
#include <string>

#include "plot/plot_options.h"
#include "shot/shot.h"
#include "shot/shot_player.h"
#include "shot/trajectory.h"

namespace glidestone::plot {

// Everything a picture of a shot shows: what was asked, the release velocity
// the planner chose, and how the throw went.
struct ShotPicture {
    Shot shot;
    // Not finite when the target was out of the planner's range (the shot
    // stone then stayed at the release point).
    Vector2 release_velocity;
    Trajectory trajectory;
};

// Plays `shot` on `player` exactly as ShotPlayer::Play does (same result,
// same effect on the player's state), recording the throw with a pose every
// `sample_every` frames. Throws what Play throws.
ShotPicture RecordShot(ShotPlayer& player, std::span<const Vector2> stones, const Shot& shot, int sample_every = 1);

// The picture of a shot as an SVG document (UTF-8 text, sized in pixels as
// LayoutFor(options.view) says): the sheet to scale with its rings and
// lines, every stone where it started (outlined) and came to rest (filled) in
// its team's colour, the shot stone ringed, the paths of the moving stones,
// the contact points, the target as a cross, and a legend with the release
// velocity. Stones and the target beyond the picture are shown by a marker at
// its edge. With options.animate the stones move in real time, looping.
std::string RenderShotSvg(const ShotPicture& picture, const PlotOptions& options = {});

}  // namespace glidestone::plot
