#include "plot/plot_options.h"

#include <gtest/gtest.h>

#include <cmath>
#include <stdexcept>
#include <utility>

#include "plot/clip.h"

namespace glidestone::plot {
namespace {

TEST(PlotOptionsTest, TeamsByOddAndEvenNumbersByHalvesOrByList) {
    Teams const odd_even = TeamsOddEven();
    Teams const halves = TeamsHalves();
    for (std::size_t slot = 0; slot < kStoneCount; ++slot) {
        int const number = static_cast<int>(slot) + 1;
        EXPECT_EQ(odd_even[slot], number % 2 == 1 ? 0 : 1) << number;
        EXPECT_EQ(halves[slot], number <= 8 ? 0 : 1) << number;
    }
    Teams const listed = TeamsFromList("16,3,9");
    for (std::size_t slot = 0; slot < kStoneCount; ++slot)
        EXPECT_EQ(listed[slot], slot == 15 || slot == 2 || slot == 8 ? 0 : 1) << slot;
    EXPECT_EQ(TeamsFromList("1")[0], 0);

    for (const char* bad : {"", "0", "17", "1,,2", "1,", ",1", "a", "01", "1 2", "-1", "123"})
        EXPECT_THROW(TeamsFromList(bad), std::invalid_argument) << "'" << bad << "'";
}

TEST(ClipTest, KeepsWhatIsInsideAndCutsTheRestAtTheEdge) {
    Box const box{0, 0, 10, 20};
    Point a{1, 1}, b{9, 19};
    ASSERT_TRUE(ClipSegment(a, b, box));
    EXPECT_EQ(a.x, 1);
    EXPECT_EQ(b.y, 19);

    // Crossing the right side: cut where it leaves, on the same line.
    a = {5, 5}, b = {15, 10};
    ASSERT_TRUE(ClipSegment(a, b, box));
    EXPECT_EQ(a.x, 5);
    EXPECT_DOUBLE_EQ(b.x, 10);
    EXPECT_DOUBLE_EQ(b.y, 7.5);

    // Through the whole box, both ends outside.
    a = {-10, 10}, b = {30, 10};
    ASSERT_TRUE(ClipSegment(a, b, box));
    EXPECT_DOUBLE_EQ(a.x, 0);
    EXPECT_DOUBLE_EQ(b.x, 10);

    // A far end: the numbers come back inside the box.
    a = {5, 5}, b = {5, 1e30};
    ASSERT_TRUE(ClipSegment(a, b, box));
    EXPECT_DOUBLE_EQ(b.y, 20);
    a = {-1e300, -1e300}, b = {1e300, 1e300};
    ASSERT_TRUE(ClipSegment(a, b, box));
    EXPECT_TRUE(box.Contains(a) && box.Contains(b));

    // Nothing inside: untouched.
    for (auto [p, q] : {std::pair<Point, Point>{{-5, -5}, {-1, 30}},
                        {{11, 0}, {11, 20}},
                        {{0, 21}, {10, 21}},
                        {{20, 0}, {30, 40}},
                        {{0, NAN}, {1, 1}},
                        {{INFINITY, 1}, {1, 1}}}) {
        Point const p0 = p, q0 = q;
        EXPECT_FALSE(ClipSegment(p, q, box)) << p0.x << "," << p0.y << " " << q0.x << "," << q0.y;
        EXPECT_TRUE((p.x == p0.x || std::isnan(p.x)) && q.x == q0.x);
    }
    // Lying on the edge counts as inside.
    a = {0, 0}, b = {0, 20};
    EXPECT_TRUE(ClipSegment(a, b, box));
}

}  // namespace
}  // namespace glidestone::plot
