#include "plot/clip.h"

#include <algorithm>
#include <cmath>

namespace glidestone::plot {

Point Box::Clamp(Point p) const {
    return {std::clamp(p.x, min_x, max_x), std::clamp(p.y, min_y, max_y)};
}

bool ClipSegment(Point& a, Point& b, const Box& box) {
    if (!std::isfinite(a.x) || !std::isfinite(a.y) || !std::isfinite(b.x) || !std::isfinite(b.y)) return false;
    double const dx = b.x - a.x;
    double const dy = b.y - a.y;
    if (!std::isfinite(dx) || !std::isfinite(dy)) return false;
    // Liang-Barsky: the segment is a + t (b - a) for t in [0, 1]; each side of
    // the box narrows the range of t.
    double t0 = 0.0;
    double t1 = 1.0;
    double const p[4] = {-dx, dx, -dy, dy};
    double const q[4] = {a.x - box.min_x, box.max_x - a.x, a.y - box.min_y, box.max_y - a.y};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0) return false;  // parallel to this side and outside it
            continue;
        }
        double const t = q[i] / p[i];
        if (p[i] < 0.0) {
            t0 = std::max(t0, t);
        } else {
            t1 = std::min(t1, t);
        }
        if (t0 > t1) return false;
    }
    Point const start{a.x + t0 * dx, a.y + t0 * dy};
    Point const end{a.x + t1 * dx, a.y + t1 * dy};
    // Rounding can put an end a hair outside; the box is the promise.
    a = box.Clamp(start);
    b = box.Clamp(end);
    return true;
}

}  // namespace glidestone::plot
