#pragma once

#include <span>
#include <string>

namespace glidestone {

struct ViewerOptions {
    // Keep the stones' positions every this many frames for the paths and the
    // animation (at least 1).
    int sample_every = 2;
};

// Where the page puts the delivery's picture (id "picture"), in CSS pixels
// from the page's top-left corner: always there, whatever the scoreboard
// holds, so that a point of the ice is at a known place on the page.
inline constexpr int kViewerPictureLeft = 0;
inline constexpr int kViewerPictureTop = 240;

// The game viewer: one self-contained HTML page (no network, no external
// script or font) for a game record (its lines, without line-feeds). Throws
// RecordError for a record that ReplayGame refuses.
std::string RenderGameViewer(std::span<const std::string> record_lines, const ViewerOptions& options = {});

// The still picture (SVG) of a record's last delivery, as the viewer draws
// it: the game is replayed to that delivery, which is then played again and
// recorded. Empty when no delivery has been played. Throws RecordError for a
// record that ReplayGame refuses.
std::string LastDeliverySvg(std::span<const std::string> record_lines, const ViewerOptions& options = {});

}  // namespace glidestone
