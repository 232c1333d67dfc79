#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "simulator/interfaces/stone.h"

namespace glidestone::plot {

enum class View {
    kHouse,  // the far end: from before the hog line to behind the back line
    kSheet,  // the whole length from the release point to behind the back line
};

// Which of the two teams each slot's stone belongs to (0 or 1).
using Teams = std::array<std::uint8_t, kStoneCount>;

// Odd stone numbers (stone1, stone3, ...) to team 0, even ones to team 1: the
// two sides alternating their throws, the shot stone (stone16) last.
Teams TeamsOddEven();
// Stones 1 to 8 to team 0, 9 to 16 to team 1.
Teams TeamsHalves();
// The stones numbered in `list` (decimal stone numbers 1 to 16, separated by
// commas, e.g. "1,2,5") to team 0, all others to team 1. Throws
// std::invalid_argument, naming the fault, for anything else.
Teams TeamsFromList(std::string_view list);

struct PlotOptions {
    View view = View::kHouse;
    // A picture that plays the throw in real time, over and over (SMIL, no
    // script), instead of a still one.
    bool animate = false;
    Teams teams = TeamsOddEven();
};

}  // namespace glidestone::plot
