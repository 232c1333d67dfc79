#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

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

    // A release given as it is has no target: then neither a target nor the
    // shot's words are shown, only the release.
    bool show_target = true;
    // The numbers the stones are labelled and named by, by slot; nothing
    // numbers them slot + 1 (the wire protocol's numbers).
    std::optional<std::array<int, kStoneCount>> stone_numbers{};
    // Where a game's rules left the stones once they rested, by slot, when
    // that is not where the throw left them (a stone taken off the ice, the
    // stones put back after a guard was knocked out): stones are drawn at
    // rest there, and not at all when absent. Nothing: at the ends of their
    // tracks.
    std::optional<AllStones> ruled_rest{};
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

// `text` as it may stand in XML or HTML text and attribute values: &, <, >
// and " replaced by their entities.
std::string EscapeMarkup(std::string_view text);

}  // namespace glidestone::plot
