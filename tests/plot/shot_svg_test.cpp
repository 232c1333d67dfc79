#include "plot/shot_svg.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "plot/picture_layout.h"
#include "shot/sheet.h"
#include "tests/plot/svg_inspect.h"

namespace glidestone::plot {
namespace {

using test::Element;
using test::Elements;
using test::NestingFault;
using test::Numbers;
using test::Split;
using test::WithClass;

const Shot kDraw{{0.5f, 38.0f}, false, 1.0};
const std::vector<Vector2> kGuards{{0.0f, 38.3f}, {0.35f, 37.6f}, {-0.9f, 39.4f}};
const Shot kTakeout{{0.05f, 38.3f}, true, -1.0};

ShotPicture Record(std::span<const Vector2> stones, const Shot& shot, int every = 1) {
    ShotPlayer player;
    return RecordShot(player, stones, shot, every);
}

const ShotPicture& DrawPicture() {
    static const ShotPicture picture = Record({}, kDraw);
    return picture;
}

const ShotPicture& TakeoutPicture() {
    static const ShotPicture picture = Record(kGuards, kTakeout);
    return picture;
}

// The rest stone of `number` (1 to 16), its circle.
std::vector<Element> RestCircles(const std::string& svg, int number) {
    std::vector<Element> circles;
    bool inside = false;
    for (const Element& e : Elements(svg)) {
        if (e.name == "g") inside = e.HasClass("rest") && e.HasClass("stone" + std::to_string(number));
        if (inside && e.name == "circle" && e.HasClass("stone")) circles.push_back(e);
    }
    return circles;
}

// Where the group clipped to the sheet's part of the picture begins and
// ends in `svg` (both npos when there is none).
std::pair<std::size_t, std::size_t> SheetClipped(const std::string& svg) {
    std::string const open = "<g clip-path=\"url(#sheet)\">";
    std::vector<test::Tag> const tags = test::Tags(svg);
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (tags[i].closing || svg.compare(tags[i].begin, open.size(), open) != 0) continue;
        int depth = 0;
        for (std::size_t j = i; j < tags.size(); ++j) {
            if (tags[j].self_closing) continue;
            depth += tags[j].closing ? -1 : 1;
            if (depth == 0) return {tags[i].begin, tags[j].end};
        }
    }
    return {std::string::npos, std::string::npos};
}

TEST(ShotSvgTest, RecordShotPlaysAsPlayDoes) {
    ShotPlayer plain;
    ShotResult const result = plain.Play(kGuards, kTakeout);
    const ShotPicture& picture = TakeoutPicture();
    EXPECT_EQ(picture.release_velocity.x, result.release_velocity.x);
    EXPECT_EQ(picture.release_velocity.y, result.release_velocity.y);
    EXPECT_EQ(picture.trajectory.frames, result.frames);
    for (std::size_t slot : {0u, 1u, 2u, 15u}) {
        EXPECT_EQ(picture.trajectory.tracks[slot].back().position.x, result.stones[slot].position.x);
        EXPECT_EQ(picture.trajectory.tracks[slot].back().position.y, result.stones[slot].position.y);
    }
}

TEST(ShotSvgTest, HouseAndLinesStandWhereTheSheetPutsThem) {
    for (View view : {View::kHouse, View::kSheet}) {
        PlotOptions options;
        options.view = view;
        std::string const svg = RenderShotSvg(DrawPicture(), options);
        ASSERT_EQ(NestingFault(svg), "");
        PictureLayout const layout = LayoutFor(view);
        Element const root = Elements(svg).front();
        ASSERT_EQ(root.name, "svg");
        EXPECT_EQ(root.Number("width"), layout.width());
        EXPECT_EQ(root.Number("height"), layout.height);

        std::vector<Element> const rings = WithClass(svg, "ring", "circle");
        ASSERT_EQ(rings.size(), std::size(sheet::kRingRadii));
        Pixel const tee = layout.ToPixel(sheet::kTee);
        for (std::size_t i = 0; i < rings.size(); ++i) {
            EXPECT_NEAR(rings[i].Number("cx"), tee.x, 0.01);
            EXPECT_NEAR(rings[i].Number("cy"), tee.y, 0.01);
            EXPECT_NEAR(rings[i].Number("r"), sheet::kRingRadii[i] * layout.pixels_per_metre, 0.01);
        }
        EXPECT_EQ(rings[0].Attribute("fill"), "#2f6bd6");  // blue 12-foot
        EXPECT_EQ(rings[1].Attribute("fill"), "#ffffff");  // white 8-foot
        EXPECT_EQ(rings[2].Attribute("fill"), "#d8342c");  // red 4-foot
        EXPECT_EQ(rings[3].Attribute("fill"), "#ffffff");  // white button

        struct {
            const char* name;
            float y;
        } const lines[] = {
            {"tee-line", sheet::kTeeLineY}, {"hog-line", sheet::kHogLineY}, {"back-line", sheet::kBackLineY}};
        for (const auto& line : lines) {
            std::vector<Element> const found = WithClass(svg, line.name, "line");
            ASSERT_EQ(found.size(), 1u) << line.name;
            double const y = layout.ToPixel({0.0f, line.y}).y;
            EXPECT_NEAR(found[0].Number("y1"), y, 0.01) << line.name;
            EXPECT_NEAR(found[0].Number("y2"), y, 0.01) << line.name;
            EXPECT_NEAR(found[0].Number("x1"), layout.ToPixel({sheet::kSheetMinX, 0.0f}).x, 0.01);
            EXPECT_NEAR(found[0].Number("x2"), layout.ToPixel({sheet::kSheetMaxX, 0.0f}).x, 0.01);
        }
        std::vector<Element> const centre = WithClass(svg, "centre-line", "line");
        ASSERT_EQ(centre.size(), 1u);
        EXPECT_NEAR(centre[0].Number("x1"), tee.x, 0.01);
        // The release point is on the whole sheet only.
        EXPECT_EQ(WithClass(svg, "release").size(), view == View::kSheet ? 1u : 0u);
    }
}

TEST(ShotSvgTest, StonesTargetAndLegendTellTheShot) {
    const ShotPicture& picture = DrawPicture();
    std::string const svg = RenderShotSvg(picture);
    PictureLayout const layout = LayoutFor(View::kHouse);
    Vector2 const rest = picture.trajectory.tracks[kShotSlot].back().position;
    Pixel const at = layout.ToPixel(rest);
    std::vector<Element> const stone = RestCircles(svg, 16);
    ASSERT_EQ(stone.size(), 1u);
    EXPECT_NEAR(stone[0].Number("cx"), at.x, 0.01);
    EXPECT_NEAR(stone[0].Number("cy"), at.y, 0.01);
    EXPECT_EQ(stone[0].Attribute("fill"), "#c8102e") << "stone 16 has an even number: red";
    std::vector<Element> const ring = WithClass(svg, "shot-marker");
    ASSERT_EQ(ring.size(), 1u);
    EXPECT_NEAR(ring[0].Number("cx"), at.x, 0.01);

    // The shot stone's path runs from below the picture to its rest.
    std::vector<Element> const path = WithClass(svg, "path");
    ASSERT_EQ(path.size(), 1u);
    EXPECT_TRUE(path[0].HasClass("stone16"));
    std::vector<Element> polylines;
    for (const Element& e : Elements(svg))
        if (e.name == "polyline") polylines.push_back(e);
    ASSERT_EQ(polylines.size(), 1u);
    std::vector<double> const xy = Numbers(*polylines[0].Attribute("points"));
    ASSERT_GE(xy.size(), 4u);
    EXPECT_GT(xy[1], layout.height) << "enters from below, clipped just outside";
    EXPECT_NEAR(xy[xy.size() - 2], at.x, 0.01);
    EXPECT_NEAR(xy[xy.size() - 1], at.y, 0.01);

    // The target cross centred on the target.
    std::vector<Element> target;
    bool inside = false;
    for (const Element& e : Elements(svg)) {
        if (e.name == "g") inside = e.HasClass("target");
        if (inside && e.name == "path") target.push_back(e);
    }
    ASSERT_FALSE(target.empty());
    std::vector<double> const arms = Numbers(*target[0].Attribute("d"));
    ASSERT_EQ(arms.size(), 8u);
    Pixel const aim = layout.ToPixel(kDraw.target);
    EXPECT_NEAR((arms[0] + arms[2]) / 2, aim.x, 0.01);
    EXPECT_NEAR((arms[1] + arms[3]) / 2, aim.y, 0.01);

    char velocity[96];
    std::snprintf(velocity, sizeof velocity, "release velocity: (%.4f, %.4f) m/s",
                  static_cast<double>(picture.release_velocity.x), static_cast<double>(picture.release_velocity.y));
    EXPECT_NE(svg.find(velocity), std::string::npos) << velocity;
    EXPECT_NE(svg.find("draw to (0.500, 38.000)"), std::string::npos);
    EXPECT_NE(svg.find("counter-clockwise"), std::string::npos);
    EXPECT_EQ(svg.find("<script"), std::string::npos);
}

TEST(ShotSvgTest, TakeoutShowsStartsPathsContactsAndTeams) {
    const ShotPicture& picture = TakeoutPicture();
    std::string const svg = RenderShotSvg(picture);
    ASSERT_EQ(NestingFault(svg), "");
    PictureLayout const layout = LayoutFor(View::kHouse);
    const Trajectory& t = picture.trajectory;
    for (int number : {1, 2, 3, 16}) {
        std::vector<Element> const stone = RestCircles(svg, number);
        Vector2 const rest = t.tracks[static_cast<std::size_t>(number - 1)].back().position;
        if (layout.Shows(rest)) {
            ASSERT_EQ(stone.size(), 1u) << number;
            EXPECT_EQ(stone[0].Attribute("fill"), number % 2 == 1 ? "#f5c400" : "#c8102e") << number;
        } else {
            EXPECT_TRUE(stone.empty()) << number;
            EXPECT_NE(svg.find("stone " + std::to_string(number) + " at rest at ("), std::string::npos) << number;
        }
        bool const moved = t.Moved(static_cast<std::size_t>(number - 1));
        std::vector<Element> starts;
        for (const Element& e : WithClass(svg, "start"))
            if (e.HasClass("stone" + std::to_string(number))) starts.push_back(e);
        // Outlined where a moved stone started (the shot stone's start, the
        // release point, is far below the house).
        EXPECT_EQ(starts.size(), moved && number != 16 ? 1u : 0u) << number;
        if (!starts.empty()) {
            EXPECT_EQ(starts[0].Attribute("fill"), "none");
            EXPECT_NEAR(starts[0].Number("cx"), layout.ToPixel(kGuards[number - 1]).x, 0.01);
        }
    }
    EXPECT_TRUE(RestCircles(svg, 4).empty()) << "slot 3 held no stone";

    std::vector<Element> const contacts = WithClass(svg, "contact");
    ASSERT_FALSE(contacts.empty());
    ASSERT_LE(contacts.size(), t.collisions.size());
    Pixel const first = layout.ToPixel(t.collisions.front().Point());
    EXPECT_NEAR(contacts[0].Number("cx"), first.x, 0.01);
    EXPECT_NEAR(contacts[0].Number("cy"), first.y, 0.01);

    // Other team colours on request.
    PlotOptions options;
    options.teams = TeamsFromList("16,2");
    std::string const swapped = RenderShotSvg(picture, options);
    EXPECT_EQ(RestCircles(swapped, 16).at(0).Attribute("fill"), "#f5c400");
    EXPECT_EQ(RestCircles(swapped, 2).at(0).Attribute("fill"), "#f5c400");
    EXPECT_EQ(RestCircles(swapped, 3).at(0).Attribute("fill"), "#c8102e");
    EXPECT_NE(swapped.find("yellow: stones 2, 16"), std::string::npos);
}

TEST(ShotSvgTest, FarStonesAreMarkedAtTheEdgeAndNoNumberRunsAway) {
    std::vector<Vector2> const stones{{60.0f, 38.0f}, {0.0f, 5000.0f}, {-3.0e4f, 10.0f}, {0.2f, 38.2f}};
    ShotPicture const picture = Record(stones, Shot{{0.0f, 300.0f}, false, 1.0});
    for (View view : {View::kHouse, View::kSheet}) {
        for (bool animate : {false, true}) {
            PlotOptions options;
            options.view = view;
            options.animate = animate;
            std::string const svg = RenderShotSvg(picture, options);
            ASSERT_EQ(NestingFault(svg), "");
            PictureLayout const layout = LayoutFor(view);
            // Three stones and the target beyond the picture (and the shot
            // stone, thrown that far).
            std::vector<Element> const markers = WithClass(svg, "off-picture", "g");
            EXPECT_GE(markers.size(), 4u);
            EXPECT_NE(svg.find("stone 1 at rest at (60.000, 38.000)"), std::string::npos);
            EXPECT_NE(svg.find("stone 2 at rest at (0.000, 5000.000)"), std::string::npos);
            EXPECT_NE(svg.find("stone 3 at rest at (-30000.000, 10.000)"), std::string::npos);
            EXPECT_EQ(RestCircles(svg, 4).size(), 1u);
            EXPECT_NE(svg.find("target at (0.000, 300.000)"), std::string::npos);
            // Every coordinate of every shape stays near the picture.
            for (const Element& e : Elements(svg)) {
                for (const char* key : {"cx", "cy", "x", "y", "x1", "y1", "x2", "y2", "points", "d"}) {
                    std::optional<std::string> const value = e.Attribute(key);
                    if (!value) continue;
                    for (double n : Numbers(*value)) {
                        EXPECT_GT(n, -100.0) << e.text;
                        EXPECT_LT(n, std::max(layout.width(), layout.height) + 100.0) << e.text;
                    }
                }
            }
        }
    }
}

TEST(ShotSvgTest, StonesPartlyInThePictureAreDrawnCutAtItsEdgeAndNotMarked) {
    // Centres 10 cm beyond the top, left, right and (of the house view)
    // bottom edges: less than a radius, so part of each stone is in the
    // picture. The draw stops far from all of them.
    PictureLayout const house = LayoutFor(View::kHouse);
    std::vector<Vector2> const stones{{1.5f, house.max_y + 0.1f},
                                      {house.min_x - 0.1f, 37.0f},
                                      {house.max_x + 0.1f, 36.0f},
                                      {-1.5f, house.min_y - 0.1f}};
    ShotPicture const picture = Record(stones, kDraw);
    for (std::size_t slot = 0; slot < stones.size(); ++slot) {
        ASSERT_FALSE(picture.trajectory.Moved(slot)) << "stone " << slot + 1;
        ASSERT_FALSE(house.Shows(stones[slot])) << "stone " << slot + 1;
    }
    for (View view : {View::kHouse, View::kSheet}) {
        for (bool animate : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "view " << static_cast<int>(view) << " animate " << animate);
            PlotOptions options;
            options.view = view;
            options.animate = animate;
            std::string const svg = RenderShotSvg(picture, options);
            ASSERT_EQ(NestingFault(svg), "");
            PictureLayout const layout = LayoutFor(view);
            for (std::size_t slot = 0; slot < stones.size(); ++slot) {
                int const number = static_cast<int>(slot) + 1;
                std::vector<Element> const circle = RestCircles(svg, number);
                ASSERT_EQ(circle.size(), 1u) << "stone " << number;
                Pixel const at = layout.ToPixel(stones[slot]);
                EXPECT_NEAR(circle[0].Number("cx"), at.x, 0.01) << "stone " << number;
                EXPECT_NEAR(circle[0].Number("cy"), at.y, 0.01) << "stone " << number;
                // Drawn, so no marker stands for it.
                EXPECT_EQ(svg.find("stone " + std::to_string(number) + " at rest at"), std::string::npos)
                    << "stone " << number;
            }
            // Each within the group clipped to the sheet's part of the picture.
            std::pair<std::size_t, std::size_t> const clipped = SheetClipped(svg);
            for (std::size_t slot = 0; slot < stones.size(); ++slot) {
                std::size_t const at = svg.find("class=\"rest stone" + std::to_string(slot + 1) + " ");
                EXPECT_GT(at, clipped.first) << "stone " << slot + 1;
                EXPECT_LT(at, clipped.second) << "stone " << slot + 1;
            }
            EXPECT_TRUE(WithClass(svg, "off-picture", "g").empty());
        }
    }
}

TEST(ShotSvgTest, AStoneStruckFromPartlyInThePictureIsOutlinedWhereItStartedAndNotMarked) {
    // On the draw's path, its centre 10 cm below the house view: the draw
    // strikes it there and it goes on into the picture.
    PictureLayout const layout = LayoutFor(View::kHouse);
    float const y = layout.min_y - 0.1f;
    float x = 0.0f;
    for (const StonePose& pose : DrawPicture().trajectory.tracks[kShotSlot])
        if (pose.position.y <= y) x = pose.position.x;
    std::vector<Vector2> const stones{{x, y}};
    ShotPicture const picture = Record(stones, kDraw);
    ASSERT_TRUE(picture.trajectory.Moved(0));
    ASSERT_FALSE(layout.Shows(stones[0]));
    std::string const svg = RenderShotSvg(picture);
    ASSERT_EQ(NestingFault(svg), "");
    std::vector<Element> const starts = WithClass(svg, "start", "circle");
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_TRUE(starts[0].HasClass("stone1"));
    Pixel const at = layout.ToPixel(stones[0]);
    EXPECT_NEAR(starts[0].Number("cx"), at.x, 0.01);
    EXPECT_NEAR(starts[0].Number("cy"), at.y, 0.01);
    EXPECT_GT(svg.find("class=\"start stone1\""), SheetClipped(svg).first);
    EXPECT_LT(svg.find("class=\"start stone1\""), SheetClipped(svg).second);
    EXPECT_EQ(svg.find("stone 1 started at"), std::string::npos);
}

TEST(ShotSvgTest, AnimationPlaysInRealTimeAndLoops) {
    const ShotPicture& picture = TakeoutPicture();
    PlotOptions options;
    options.animate = true;
    std::string const svg = RenderShotSvg(picture, options);
    ASSERT_EQ(NestingFault(svg), "");
    EXPECT_EQ(svg.find("<script"), std::string::npos);
    double const seconds = picture.trajectory.frames * 0.05 + 1.0;  // the throw, then a second at rest
    std::vector<Element> animations;
    for (const Element& e : Elements(svg))
        if (e.name == "animateTransform") animations.push_back(e);
    // A translation and a turn for each moving stone.
    int moving = 0;
    for (std::size_t slot = 0; slot < kStoneCount; ++slot) moving += picture.trajectory.Moved(slot);
    ASSERT_EQ(animations.size(), 2u * moving);
    for (const Element& a : animations) {
        EXPECT_NEAR(std::stod(*a.Attribute("dur")), seconds, 0.001);
        EXPECT_EQ(a.Attribute("repeatCount"), "indefinite");
        std::vector<std::string> const times = Split(*a.Attribute("keyTimes"), ';');
        std::vector<std::string> const values = Split(*a.Attribute("values"), ';');
        ASSERT_EQ(times.size(), values.size());
        EXPECT_EQ(std::stod(times.front()), 0.0);
        EXPECT_EQ(std::stod(times.back()), 1.0);
        for (std::size_t i = 1; i < times.size(); ++i) EXPECT_LE(std::stod(times[i - 1]), std::stod(times[i]));
        // The stone is at rest for the last second.
        EXPECT_NEAR(std::stod(times[times.size() - 2]), (seconds - 1.0) / seconds, 1e-5);
        EXPECT_EQ(values[values.size() - 2], values.back());
    }
    // The shot stone's translation starts at the release point and ends at rest.
    PictureLayout const layout = LayoutFor(View::kHouse);
    std::vector<Element> const shot = WithClass(svg, "moving", "g");
    const Element* shot_group = nullptr;
    for (const Element& e : shot)
        if (e.HasClass("stone16")) shot_group = &e;
    ASSERT_NE(shot_group, nullptr);
    std::vector<double> const first = Numbers(*shot_group->Attribute("transform"));
    Pixel const release = layout.ToPixel({0.0f, 0.0f});
    EXPECT_NEAR(first[0], release.x, 0.05);
    EXPECT_NEAR(first[1], release.y, 0.05);
    // No still copy of a moving stone: the animated one is the only one.
    EXPECT_TRUE(RestCircles(svg, 16).empty());
    EXPECT_EQ(RestCircles(svg, 5).size(), 0u);
}

TEST(ShotSvgTest, ATargetOutOfRangeSaysSo) {
    ShotPicture const picture = Record(kGuards, Shot{{0.0f, 10.0f}, false, 1.0});
    std::string const svg = RenderShotSvg(picture);
    ASSERT_EQ(NestingFault(svg), "");
    EXPECT_NE(svg.find("release velocity: not finite"), std::string::npos);
    EXPECT_TRUE(WithClass(svg, "path").empty());
    EXPECT_EQ(RestCircles(svg, 1).size(), 1u);
}

}  // namespace
}  // namespace glidestone::plot
