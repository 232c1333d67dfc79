#include "plot/shot_svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "plot/clip.h"
#include "plot/picture_layout.h"
#include "shot/sheet.h"

namespace glidestone::plot {

namespace {

// Colours as curling diagrams use them.
constexpr const char* kBoardsColour = "#c9ced6";
constexpr const char* kIceColour = "#f3f7fa";
constexpr const char* kRingColours[] = {"#2f6bd6", "#ffffff", "#d8342c", "#ffffff"};  // 12-ft, 8-ft, 4-ft, button
constexpr const char* kLineColour = "#1a1a1a";
constexpr const char* kTeamColours[] = {"#f5c400", "#c8102e"};
constexpr const char* kTeamPathColours[] = {"#a88600", "#7d0a1d"};
constexpr const char* kTeamLabelColours[] = {"#000000", "#ffffff"};
constexpr const char* kTeamNames[] = {"yellow", "red"};
constexpr const char* kGraniteColour = "#5a5a5a";
constexpr const char* kContactColour = "#ff7f0e";
constexpr const char* kFont = "font-family=\"DejaVu Sans, Arial, sans-serif\"";

// Line widths of the rules (half an inch; the hog line four inches).
constexpr double kThinLine = 0.0127;
constexpr double kHogLine = 0.1016;
// Target cross: half the length of an arm, longer than a stone's radius so
// that a stone lying on the target leaves the arms visible.
constexpr double kCrossArm = 0.22;
// Seconds the finished picture stays before an animation starts again.
constexpr double kHoldSeconds = 1.0;

// Shortest decimal with at most `digits` after the point, for attributes.
std::string Num(double value, int digits = 2) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", digits, value);
    std::string s = text;
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    if (s == "-0") s = "0";
    return s;
}

std::string Metres(float value) {
    if (!std::isfinite(value)) return "not finite";
    char text[64];
    if (std::fabs(value) < 1e5f) {
        std::snprintf(text, sizeof text, "%.3f", static_cast<double>(value));
    } else {
        std::snprintf(text, sizeof text, "%.4g", static_cast<double>(value));
    }
    return text;
}

// "x,y", after a space unless it is the first; appended piecewise, which
// also keeps GCC 12's -Wrestrict false positive on string concatenation away.
void AppendPoint(std::string& points, double x, double y) {
    if (!points.empty()) points.push_back(' ');
    points.append(Num(x)).push_back(',');
    points.append(Num(y));
}

bool Finite(Vector2 v) {
    return std::isfinite(v.x) && std::isfinite(v.y);
}

class Painter {
public:
    Painter(const ShotPicture& picture, const PlotOptions& options)
        : picture_(picture),
          options_(options),
          trajectory_(picture.trajectory),
          layout_(LayoutFor(options.view)),
          radius_(layout_.ToPixels(sheet::kStoneRadius)),
          duration_(trajectory_.frames * static_cast<double>(trajectory_.seconds_per_frame)) {
        // Far beyond the picture, so that clipped lines still leave it whole.
        view_ = {layout_.ToPixels(0) - 2 * radius_, -2 * radius_, layout_.sheet_width + 2 * radius_,
                 layout_.height + 2 * radius_};
        // Markers sit just inside the edge of the sheet's part of the picture.
        double const inset = std::max(radius_, 7.0);
        marker_box_ = {inset, inset, layout_.sheet_width - inset, layout_.height - inset};
    }

    std::string Paint() {
        Open();
        Ice();
        out_ += "<g clip-path=\"url(#sheet)\">\n";
        Target();
        Paths();
        Starts();
        if (options_.animate) {
            MovingStones();
        } else {
            RestStones();
        }
        Contacts();
        out_ += "</g>\n";
        OffPictureMarkers();
        Legend();
        out_ += "</svg>\n";
        return std::move(out_);
    }

private:
    Point At(Vector2 position) const {
        Pixel const p = layout_.ToPixel(position);
        return {p.x, p.y};
    }
    // Whether any part of a stone at `p` is in the sheet's part of the picture.
    bool Visible(Point p, double reach) const {
        return p.x >= -reach && p.x <= layout_.sheet_width + reach && p.y >= -reach && p.y <= layout_.height + reach;
    }
    std::uint8_t Team(std::size_t slot) const { return options_.teams[slot] ? 1 : 0; }
    const char* Colour(std::size_t slot) const { return kTeamColours[Team(slot)]; }
    Vector2 TrackEnd(std::size_t slot) const { return trajectory_.tracks[slot].back().position; }
    // Where the stone lies once everything rests, after any rulings.
    Vector2 Rest(std::size_t slot) const {
        return picture_.ruled_rest ? (*picture_.ruled_rest)[slot].position : TrackEnd(slot);
    }
    bool RestsInPlay(std::size_t slot) const {
        return trajectory_.InPlay(slot) && (!picture_.ruled_rest || (*picture_.ruled_rest)[slot].present);
    }
    std::string Number(std::size_t slot) const {
        return std::to_string(picture_.stone_numbers ? (*picture_.stone_numbers)[slot] : static_cast<int>(slot) + 1);
    }
    Vector2 Start(std::size_t slot) const { return trajectory_.tracks[slot].front().position; }
    double Stroke(double metres, double minimum_pixels) const {
        return std::max(layout_.ToPixels(metres), minimum_pixels);
    }
    bool Labelled() const { return radius_ >= 8.0; }

    void Open() {
        char head[512];
        std::snprintf(head, sizeof head,
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"%d\" height=\"%d\" "
                      "viewBox=\"0 0 %d %d\">\n",
                      layout_.width(), layout_.height, layout_.width(), layout_.height);
        out_ += head;
        out_ += "<title>Shot: " + EscapeMarkup(ShotText()) + "</title>\n";
        out_ += "<defs><clipPath id=\"sheet\"><rect x=\"0\" y=\"0\" width=\"" + Num(layout_.sheet_width) +
                "\" height=\"" + Num(layout_.height) + "\"/></clipPath></defs>\n";
        out_ += "<rect x=\"0\" y=\"0\" width=\"" + Num(layout_.width()) + "\" height=\"" + Num(layout_.height) +
                "\" fill=\"#ffffff\"/>\n";
    }

    void Ice() {
        out_ += "<g class=\"sheet\">\n";
        out_ += "<rect x=\"0\" y=\"0\" width=\"" + Num(layout_.sheet_width) + "\" height=\"" + Num(layout_.height) +
                "\" fill=\"" + kBoardsColour + "\"/>\n";
        Point const left = At({sheet::kSheetMinX, layout_.max_y});
        Point const right = At({sheet::kSheetMaxX, layout_.min_y});
        out_ += "<rect class=\"ice\" x=\"" + Num(left.x) + "\" y=\"0\" width=\"" + Num(right.x - left.x) +
                "\" height=\"" + Num(layout_.height) + "\" fill=\"" + kIceColour + "\"/>\n";
        Point const tee = At(sheet::kTee);
        for (std::size_t i = 0; i < std::size(sheet::kRingRadii); ++i) {
            out_ += "<circle class=\"ring\" cx=\"" + Num(tee.x) + "\" cy=\"" + Num(tee.y) + "\" r=\"" +
                    Num(layout_.ToPixels(sheet::kRingRadii[i])) + "\" fill=\"" + kRingColours[i] + "\"/>\n";
        }
        double const thin = Stroke(kThinLine, 1.5);
        HorizontalLine("tee-line", sheet::kTeeLineY, thin);
        HorizontalLine("back-line", sheet::kBackLineY, thin);
        HorizontalLine("hog-line", sheet::kHogLineY, Stroke(kHogLine, 2.0));
        Point const centre = At({0.0f, 0.0f});
        out_ += "<line class=\"centre-line\" x1=\"" + Num(centre.x) + "\" y1=\"0\" x2=\"" + Num(centre.x) + "\" y2=\"" +
                Num(layout_.height) + "\" stroke=\"" + kLineColour + "\" stroke-width=\"" + Num(thin) + "\"/>\n";
        Point const release = At({0.0f, 0.0f});
        if (Visible(release, 0)) {
            out_ += "<circle class=\"release\" cx=\"" + Num(release.x) + "\" cy=\"" + Num(release.y) + "\" r=\"" +
                    Num(std::max(radius_ * 0.4, 1.5)) + "\" fill=\"" + kLineColour + "\"/>\n";
        }
        out_ += "</g>\n";
    }

    void HorizontalLine(const char* name, float y, double width) {
        Point const left = At({sheet::kSheetMinX, y});
        Point const right = At({sheet::kSheetMaxX, y});
        out_ += std::string("<line class=\"") + name + "\" x1=\"" + Num(left.x) + "\" y1=\"" + Num(left.y) +
                "\" x2=\"" + Num(right.x) + "\" y2=\"" + Num(right.y) + "\" stroke=\"" + kLineColour +
                "\" stroke-width=\"" + Num(width) + "\"/>\n";
    }

    void Target() {
        if (!picture_.show_target) return;
        Point const t = At(picture_.shot.target);
        double const arm = layout_.ToPixels(kCrossArm);
        if (!Visible(t, arm)) return;
        std::string const d = "M" + Num(t.x - arm) + " " + Num(t.y - arm) + "L" + Num(t.x + arm) + " " +
                              Num(t.y + arm) + "M" + Num(t.x - arm) + " " + Num(t.y + arm) + "L" + Num(t.x + arm) +
                              " " + Num(t.y - arm);
        double const width = std::max(radius_ * 0.22, 1.5);
        out_ += "<g class=\"target\">";
        out_ += "<path d=\"" + d + "\" stroke=\"#ffffff\" stroke-width=\"" + Num(width + 2) + "\"/>";
        out_ += "<path d=\"" + d + "\" stroke=\"#000000\" stroke-width=\"" + Num(width) + "\"/>";
        out_ += "</g>\n";
    }

    // The track of a stone as polylines within reach of the picture.
    void Paths() {
        for (std::size_t slot = 0; slot < kStoneCount; ++slot) {
            if (!trajectory_.Moved(slot)) continue;
            bool const shot = slot == kShotSlot;
            std::string const attributes = std::string(" fill=\"none\" stroke=\"") + kTeamPathColours[Team(slot)] +
                                           "\" stroke-width=\"" + Num(shot ? 2.5 : 1.5) +
                                           "\" stroke-linejoin=\"round\" stroke-linecap=\"round\"";
            out_ += "<g class=\"path stone" + std::to_string(slot + 1) + "\">";
            std::string points;
            Point run_end{NAN, NAN};  // where the current run has got to
            Point written{NAN, NAN};  // the last point written into it
            auto flush = [&] {
                if (!points.empty() && (run_end.x != written.x || run_end.y != written.y))
                    AppendPoint(points, run_end.x, run_end.y);
                if (!points.empty()) out_ += "<polyline points=\"" + points + "\"" + attributes + "/>";
                points.clear();
            };
            const std::vector<StonePose>& track = trajectory_.tracks[slot];
            for (std::size_t i = 1; i < track.size(); ++i) {
                Point a = At(track[i - 1].position);
                Point b = At(track[i].position);
                if (!ClipSegment(a, b, view_)) {
                    flush();
                    continue;
                }
                if (points.empty() || a.x != run_end.x || a.y != run_end.y) {
                    flush();
                    AppendPoint(points, a.x, a.y);
                    written = a;
                }
                // Steps below half a pixel add bytes, not detail.
                if (std::hypot(b.x - written.x, b.y - written.y) >= 0.5) {
                    AppendPoint(points, b.x, b.y);
                    written = b;
                }
                run_end = b;
            }
            flush();
            out_ += "</g>\n";
        }
    }

    void StoneCircle(std::string_view classes, Point p, std::size_t slot, bool filled) {
        double const granite = Stroke(0.035, 0.6);
        out_ += std::string("<circle class=\"") + std::string(classes) + "\" cx=\"" + Num(p.x) + "\" cy=\"" + Num(p.y) +
                "\" r=\"" + Num(radius_ - granite / 2) + "\"";
        if (filled) {
            out_ += std::string(" fill=\"") + Colour(slot) + "\" stroke=\"" + kGraniteColour + "\" stroke-width=\"" +
                    Num(granite) + "\"/>";
        } else {
            out_ += std::string(" fill=\"none\" stroke=\"") + kTeamPathColours[Team(slot)] + "\" stroke-width=\"" +
                    Num(std::max(granite * 0.6, 1.0)) + "\" stroke-dasharray=\"" + Num(std::max(radius_ * 0.35, 2.0)) +
                    "\"/>";
        }
    }

    void Label(Point p, std::size_t slot) {
        if (!Labelled()) return;
        out_ += "<text x=\"" + Num(p.x) + "\" y=\"" + Num(p.y) + "\" " + kFont + " font-size=\"" + Num(radius_ * 0.85) +
                "\" text-anchor=\"middle\" dominant-baseline=\"central\" fill=\"" + kTeamLabelColours[Team(slot)] +
                "\">" + Number(slot) + "</text>";
    }

    void ShotRing(Point p) {
        out_ += "<circle class=\"shot-marker\" cx=\"" + Num(p.x) + "\" cy=\"" + Num(p.y) + "\" r=\"" +
                Num(radius_ * 1.4) + "\" fill=\"none\" stroke=\"#000000\" stroke-width=\"" +
                Num(std::max(radius_ * 0.15, 1.0)) + "\"/>";
    }

    void Starts() {
        for (std::size_t slot = 0; slot < kStoneCount; ++slot) {
            if (!trajectory_.Moved(slot)) continue;
            Point const p = At(Start(slot));
            if (!Visible(p, radius_)) continue;
            StoneCircle("start stone" + std::to_string(slot + 1), p, slot, false);
            out_ += "\n";
        }
    }

    void RestStones() {
        for (std::size_t slot = 0; slot < kStoneCount; ++slot) {
            if (!RestsInPlay(slot)) continue;
            Point const p = At(Rest(slot));
            if (!Visible(p, radius_)) continue;
            out_ += "<g class=\"rest stone" + std::to_string(slot + 1) + " team" + std::to_string(Team(slot)) + "\">";
            StoneCircle("stone", p, slot, true);
            Label(p, slot);
            if (slot == kShotSlot) ShotRing(p);
            out_ += "</g>\n";
        }
    }

    std::string KeyTimes(const std::vector<StonePose>& track) const {
        double const total = duration_ + kHoldSeconds;
        std::string times;
        for (const StonePose& pose : track) {
            times += Num(pose.frame * static_cast<double>(trajectory_.seconds_per_frame) / total, 6) + ";";
        }
        return times + "1";
    }

    // Stones that move are drawn at the origin and carried along their track
    // by a translation, turned by their angle; the rest lie where they are.
    void MovingStones() {
        double const total = duration_ + kHoldSeconds;
        std::string const timing = "dur=\"" + Num(total, 3) + "s\" repeatCount=\"indefinite\" calcMode=\"linear\"";
        for (std::size_t slot = 0; slot < kStoneCount; ++slot) {
            if (!trajectory_.InPlay(slot)) continue;
            if (!trajectory_.Moved(slot)) {
                Point const p = At(TrackEnd(slot));
                if (!Visible(p, radius_)) continue;
                out_ +=
                    "<g class=\"rest stone" + std::to_string(slot + 1) + " team" + std::to_string(Team(slot)) + "\">";
                HideOnceRuledOut(slot);
                StoneCircle("stone", p, slot, true);
                Label(p, slot);
                out_ += "</g>\n";
                continue;
            }
            const std::vector<StonePose>& track = trajectory_.tracks[slot];
            std::string moves, turns;
            Box const far = {-1e5, -1e5, 1e5, 1e5};
            std::string move, turn;
            for (const StonePose& pose : track) {
                Point const p = far.Clamp(At(pose.position));
                move = Num(p.x, 1) + "," + Num(p.y, 1);
                // Counter-clockwise in the simulator is counter-clockwise on
                // the screen too, which SVG counts as negative.
                double const degrees = -static_cast<double>(pose.angle) * 180.0 / std::numbers::pi;
                turn = Num(std::isfinite(degrees) ? std::fmod(degrees, 1e6) : 0.0, 1);
                moves += move + ";";
                turns += turn + ";";
            }
            // Held at rest until the loop starts again.
            moves += move;
            turns += turn;
            std::string const times = KeyTimes(track);
            Point const first = far.Clamp(At(track.front().position));
            out_ += "<g class=\"moving stone" + std::to_string(slot + 1) + " team" + std::to_string(Team(slot)) +
                    "\" transform=\"translate(" + Num(first.x, 1) + "," + Num(first.y, 1) + ")\">";
            HideOnceRuledOut(slot);
            out_ += "<animateTransform attributeName=\"transform\" type=\"translate\" values=\"" + moves +
                    "\" keyTimes=\"" + times + "\" " + timing + "/>";
            out_ += "<g><animateTransform attributeName=\"transform\" type=\"rotate\" values=\"" + turns +
                    "\" keyTimes=\"" + times + "\" " + timing + "/>";
            StoneCircle("stone", {0, 0}, slot, true);
            // The handle, across the stone at angle 0, shows the turn.
            out_ += "<line x1=\"" + Num(-radius_ * 0.55) + "\" y1=\"0\" x2=\"" + Num(radius_ * 0.55) +
                    "\" y2=\"0\" stroke=\"" + kGraniteColour + "\" stroke-width=\"" +
                    Num(std::max(radius_ * 0.2, 1.0)) + "\" stroke-linecap=\"round\"/>";
            out_ += "</g>";
            if (slot == kShotSlot) ShotRing({0, 0});
            out_ += "</g>\n";
        }
    }

    // A stone the rules take out of play is seen until the throw is over and
    // gone while the finished picture holds.
    void HideOnceRuledOut(std::size_t slot) {
        if (RestsInPlay(slot)) return;
        double const total = duration_ + kHoldSeconds;
        out_ += "<animate attributeName=\"opacity\" values=\"1;0\" keyTimes=\"0;" + Num(duration_ / total, 6) +
                "\" calcMode=\"discrete\" dur=\"" + Num(total, 3) + "s\" repeatCount=\"indefinite\"/>";
    }

    void Contacts() {
        std::set<std::pair<long, long>> drawn;
        double const r = std::max(layout_.ToPixels(0.03), 2.0);
        std::string const times_base = "dur=\"" + Num(duration_ + kHoldSeconds, 3) + "s\" repeatCount=\"indefinite\"";
        for (const TrajectoryCollision& collision : trajectory_.collisions) {
            Point const p = At(collision.Point());
            if (!Visible(p, 0)) continue;
            // One mark a pixel: a pair in touch is reported frame after frame.
            if (!drawn.insert({std::lround(p.x), std::lround(p.y)}).second) continue;
            out_ += "<circle class=\"contact\" cx=\"" + Num(p.x) + "\" cy=\"" + Num(p.y) + "\" r=\"" + Num(r) +
                    "\" fill=\"" + kContactColour + "\" stroke=\"#000000\" stroke-width=\"1\"";
            if (options_.animate) {
                // Appears when the contact happens, each time round.
                double const at =
                    collision.frame * static_cast<double>(trajectory_.seconds_per_frame) / (duration_ + kHoldSeconds);
                out_ += " opacity=\"0\"><animate attributeName=\"opacity\" values=\"0;1\" keyTimes=\"0;" +
                        Num(std::min(at, 1.0), 6) + "\" calcMode=\"discrete\" " + times_base + "/></circle>\n";
            } else {
                out_ += "/>\n";
            }
        }
    }

    // A triangle on the edge of the sheet's part of the picture, pointing
    // toward something beyond it, and what it is.
    void Marker(Point where, std::string_view label, const char* fill, bool filled) {
        Point const edge = marker_box_.Clamp(where);
        double const dx = where.x - edge.x;
        double const dy = where.y - edge.y;
        double const length = std::hypot(dx, dy);
        double ux = length > 0 && std::isfinite(length) ? dx / length : 0.0;
        double uy = length > 0 && std::isfinite(length) ? dy / length : -1.0;
        if (!std::isfinite(where.x) || !std::isfinite(where.y)) ux = 0, uy = -1;
        double const size = std::max(radius_, 7.0);
        Point const tip{edge.x + ux * size * 0.6, edge.y + uy * size * 0.6};
        Point const base{edge.x - ux * size * 0.6, edge.y - uy * size * 0.6};
        Point const side1{base.x - uy * size * 0.55, base.y + ux * size * 0.55};
        Point const side2{base.x + uy * size * 0.55, base.y - ux * size * 0.55};
        out_ += "<g class=\"off-picture\"><path d=\"M" + Num(tip.x) + " " + Num(tip.y) + "L" + Num(side1.x) + " " +
                Num(side1.y) + "L" + Num(side2.x) + " " + Num(side2.y) + "Z\" fill=\"" +
                (filled ? std::string(fill) : std::string("#ffffff")) + "\" stroke=\"#000000\" stroke-width=\"1\"/>";
        // The label on the inner side of the triangle.
        Point const text{base.x - ux * size * 0.9, base.y - uy * size * 0.9};
        out_ += "<text x=\"" + Num(text.x) + "\" y=\"" + Num(text.y) + "\" " + kFont +
                " font-size=\"11\" text-anchor=\"middle\" dominant-baseline=\"central\" fill=\"#000000\">" +
                EscapeMarkup(label) + "</text></g>\n";
    }

    void OffPictureMarkers() {
        for (std::size_t slot = 0; slot < kStoneCount; ++slot) {
            if (!trajectory_.InPlay(slot)) continue;
            std::string const number = Number(slot);
            Point const rest = At(Rest(slot));
            if (RestsInPlay(slot) && !Visible(rest, radius_)) {
                Marker(rest, number, Colour(slot), true);
                off_picture_.push_back("stone " + number + " at rest at (" + Metres(Rest(slot).x) + ", " +
                                       Metres(Rest(slot).y) + ")");
            }
            Point const start = At(Start(slot));
            if (trajectory_.Moved(slot) && !Visible(start, radius_) && slot != kShotSlot) {
                Marker(start, number, Colour(slot), false);
                off_picture_.push_back("stone " + number + " started at (" + Metres(Start(slot).x) + ", " +
                                       Metres(Start(slot).y) + ")");
            }
        }
        Point const target = At(picture_.shot.target);
        if (picture_.show_target && !Visible(target, 0)) {
            Marker(target, "target", "#000000", false);
            off_picture_.push_back("target at (" + Metres(picture_.shot.target.x) + ", " +
                                   Metres(picture_.shot.target.y) + ")");
        }
    }

    std::string ShotText() const {
        if (!picture_.show_target) return "release given directly";
        const Shot& shot = picture_.shot;
        std::string text = shot.pass ? "pass " : "draw to ";
        text += "(" + Metres(shot.target.x) + ", " + Metres(shot.target.y) + ")";
        if (shot.pass) text += " at " + Num(kPassSpeed, 1) + " m/s";
        return text;
    }

    std::string SpinText() const {
        if (!picture_.show_target) {
            char value[64];
            std::snprintf(value, sizeof value, "turn: %.4f rad/s",
                          static_cast<double>(trajectory_.start[kShotSlot].angular_velocity));
            return value;
        }
        double const spin = picture_.shot.spin;
        char value[32];
        std::snprintf(value, sizeof value, "%g", spin);
        if (spin > 0) return std::string("counter-clockwise (spin ") + value + ")";
        if (spin < 0) return std::string("clockwise (spin ") + value + ")";
        return std::string("none (spin ") + value + ")";
    }

    std::string TeamText(int team) const {
        std::string numbers;
        for (std::size_t slot = 0; slot < kStoneCount; ++slot) {
            if (Team(slot) != team) continue;
            // A game's slots are filled only as far as it has stones in play.
            if (picture_.stone_numbers && !trajectory_.InPlay(slot)) continue;
            if (!numbers.empty()) numbers += ", ";
            numbers += Number(slot);
        }
        return std::string(kTeamNames[team]) + ": stones " + (numbers.empty() ? "none" : numbers);
    }

    void Text(double x, double& y, std::string_view text, int size = 13, bool bold = false) {
        out_ += "<text x=\"" + Num(x) + "\" y=\"" + Num(y) + "\" " + kFont + " font-size=\"" + std::to_string(size) +
                "\"" + (bold ? " font-weight=\"bold\"" : "") + " fill=\"#000000\">" + EscapeMarkup(text) + "</text>\n";
        y += size + 5;
    }

    void Legend() {
        double const x = layout_.sheet_width + 14;
        double y = 24;
        out_ += "<g class=\"legend\">\n";
        Text(x, y, "Shot", 15, true);
        Text(x, y, ShotText());
        Text(x, y, picture_.show_target ? "spin: " + SpinText() : SpinText());
        Vector2 const v = picture_.release_velocity;
        if (Finite(v)) {
            char text[160];
            std::snprintf(text, sizeof text, "release velocity: (%.4f, %.4f) m/s", static_cast<double>(v.x),
                          static_cast<double>(v.y));
            Text(x, y, text);
            std::snprintf(text, sizeof text, "release speed: %.4f m/s",
                          std::hypot(static_cast<double>(v.x), static_cast<double>(v.y)));
            Text(x, y, text);
        } else {
            Text(x, y, "release velocity: not finite");
            Text(x, y, "(target out of the planner's range;");
            Text(x, y, "the shot stone stays at the release)");
        }
        char text[160];
        std::snprintf(text, sizeof text, "%d frames, %.2f s; %zu contacts", trajectory_.frames, duration_,
                      trajectory_.collisions.size());
        Text(x, y, text);
        y += 8;

        // The key, each entry with its sign.
        Text(x, y, "Key", 15, true);
        for (int team = 0; team < 2; ++team) {
            double const r = 7;
            out_ += "<circle cx=\"" + Num(x + r) + "\" cy=\"" + Num(y - 5) + "\" r=\"" + Num(r) + "\" fill=\"" +
                    kTeamColours[team] + "\" stroke=\"" + kGraniteColour + "\" stroke-width=\"2\"/>\n";
            double ty = y;
            Text(x + 2 * r + 8, ty, TeamText(team), 12);
            y = ty + 2;
        }
        auto entry = [&](const std::string& sign, std::string_view words) {
            out_ += "<g transform=\"translate(" + Num(x + 7) + "," + Num(y - 5) + ")\">" + sign + "</g>\n";
            double ty = y;
            Text(x + 22, ty, words, 12);
            y = ty + 2;
        };
        entry("<circle r=\"6\" fill=\"none\" stroke=\"#555\" stroke-dasharray=\"3\"/>", "where a stone started");
        entry("<circle r=\"6\" fill=\"#bbbbbb\" stroke=\"#555\" stroke-width=\"2\"/>", "where it came to rest");
        entry("<circle r=\"5\" fill=\"#bbbbbb\"/><circle r=\"8\" fill=\"none\" stroke=\"#000\" stroke-width=\"1.5\"/>",
              "the shot stone (" + Number(kShotSlot) + ")");
        entry("<line x1=\"-7\" y1=\"0\" x2=\"7\" y2=\"0\" stroke=\"#555\" stroke-width=\"2\"/>", "a stone's path");
        entry("<circle r=\"3\" fill=\"#ff7f0e\" stroke=\"#000\"/>", "a contact between stones");
        if (picture_.show_target)
            entry("<path d=\"M-5 -5L5 5M-5 5L5 -5\" stroke=\"#000\" stroke-width=\"2\"/>", "the target");
        entry("<path d=\"M0 -6L5 4L-5 4Z\" fill=\"#fff\" stroke=\"#000\"/>", "beyond the picture");
        y += 8;

        Text(x, y, "At rest (x, y) in metres", 15, true);
        for (std::size_t slot = 0; slot < kStoneCount; ++slot) {
            if (!trajectory_.InPlay(slot)) continue;
            Vector2 const rest = Rest(slot);
            if (!RestsInPlay(slot)) {
                Text(x, y, "stone " + Number(slot) + ": out of play", 12);
            } else {
                Text(x, y,
                     "stone " + Number(slot) + ": (" + Metres(rest.x) + ", " + Metres(rest.y) + ")" +
                         (trajectory_.Moved(slot) ? "" : " unmoved"),
                     12);
            }
            if (y > layout_.height - 60) break;
        }
        if (!off_picture_.empty() && y < layout_.height - 40) {
            y += 8;
            Text(x, y, "Beyond the picture", 15, true);
            for (const std::string& line : off_picture_) {
                if (y > layout_.height - 10) break;
                Text(x, y, line, 12);
            }
        }
        out_ += "</g>\n";
    }

    const ShotPicture& picture_;
    const PlotOptions& options_;
    const Trajectory& trajectory_;
    PictureLayout layout_;
    double radius_;
    double duration_;
    Box view_;
    Box marker_box_;
    std::vector<std::string> off_picture_;
    std::string out_;
};

}  // namespace

std::string EscapeMarkup(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

ShotPicture RecordShot(ShotPlayer& player, std::span<const Vector2> stones, const Shot& shot, int sample_every) {
    TrajectoryRecorder recorder(sample_every);
    ShotResult const result = player.Play(stones, shot, std::nullopt, &recorder);
    ShotPicture picture;
    picture.shot = shot;
    picture.release_velocity = result.release_velocity;
    picture.trajectory = recorder.Take();
    return picture;
}

std::string RenderShotSvg(const ShotPicture& picture, const PlotOptions& options) {
    return Painter(picture, options).Paint();
}

}  // namespace glidestone::plot
