#include "plot/picture_layout.h"

#include <cmath>

#include "shot/sheet.h"

namespace glidestone::plot {

namespace {

// Room beside the side lines, so that a stone touching one is seen whole.
constexpr float kBesideSheet = 0.25f;
constexpr int kLegendWidth = 330;

PictureLayout Make(float min_y, float max_y, double pixels_per_metre) {
    PictureLayout layout;
    layout.min_x = sheet::kSheetMinX - kBesideSheet;
    layout.max_x = sheet::kSheetMaxX + kBesideSheet;
    layout.min_y = min_y;
    layout.max_y = max_y;
    layout.pixels_per_metre = pixels_per_metre;
    layout.sheet_width = static_cast<int>(std::lround((layout.max_x - layout.min_x) * pixels_per_metre));
    layout.legend_width = kLegendWidth;
    layout.height = static_cast<int>(std::lround((max_y - min_y) * pixels_per_metre));
    return layout;
}

}  // namespace

PictureLayout LayoutFor(View view) {
    // Both views end 2 m behind the back line, where a takeout's stones go.
    float const top = sheet::kBackLineY + 2.016f;
    switch (view) {
        case View::kSheet:
            return Make(-1.5f, top, 20.0);
        case View::kHouse:
        default:
            return Make(sheet::kHogLineY - 0.754f, top, 80.0);
    }
}

}  // namespace glidestone::plot
