#pragma once

#include "plot/plot_options.h"
#include "simulator/interfaces/stone.h"

namespace glidestone::plot {

// A point of the picture in pixels: x to the right, y downward, from the
// top-left corner.
struct Pixel {
    double x = 0.0;
    double y = 0.0;
};

// How a view puts the ice into the picture: to scale, the thrower's end at
// the bottom, the throw going up. The sheet takes the left part of the
// picture, the legend the right.
struct PictureLayout {
    // The part of the ice shown, in metres (the simulator's frame).
    float min_x = 0.0f;
    float max_x = 0.0f;
    float min_y = 0.0f;
    float max_y = 0.0f;
    double pixels_per_metre = 0.0;
    int sheet_width = 0;   // pixels
    int legend_width = 0;  // pixels
    int height = 0;        // pixels, of sheet and legend alike

    int width() const { return sheet_width + legend_width; }

    Pixel ToPixel(Vector2 point) const {
        return {(static_cast<double>(point.x) - min_x) * pixels_per_metre,
                (static_cast<double>(max_y) - point.y) * pixels_per_metre};
    }
    double ToPixels(double metres) const { return metres * pixels_per_metre; }
    bool Shows(Vector2 point) const {
        return point.x >= min_x && point.x <= max_x && point.y >= min_y && point.y <= max_y;
    }
};

PictureLayout LayoutFor(View view);

}  // namespace glidestone::plot
