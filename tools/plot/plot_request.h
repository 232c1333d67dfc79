#pragma once

#include <string_view>

#include "plot/shot_svg.h"

namespace glidestone {

// Plays one request line exactly as a freshly started server would answer it
// and returns the picture of that shot, with a pose every `sample_every`
// frames. Throws what RequestHandler::Handle throws, with the same messages.
plot::ShotPicture PictureOfRequest(std::string_view line, int sample_every = 1);

}  // namespace glidestone
