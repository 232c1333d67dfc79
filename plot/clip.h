#pragma once

namespace glidestone::plot {

struct Point {
    double x = 0.0;
    double y = 0.0;
};

struct Box {
    double min_x = 0.0;
    double min_y = 0.0;
    double max_x = 0.0;
    double max_y = 0.0;

    bool Contains(Point p) const { return p.x >= min_x && p.x <= max_x && p.y >= min_y && p.y <= max_y; }
    // The nearest point of the box.
    Point Clamp(Point p) const;
};

// Cuts the segment from `a` to `b` down to its part inside `box`, in place.
// False, leaving both untouched, when no part of it is inside (or an end is
// not finite). Keeps a picture's numbers small whatever the coordinates.
bool ClipSegment(Point& a, Point& b, const Box& box);

}  // namespace glidestone::plot
