#include "research/end_score.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "shot/sheet.h"

namespace glidestone {
namespace {

constexpr float kTeeY = sheet::kTee.y;

// A stone `distance` metres from the tee in the direction `degrees` from +x.
Vector2 Around(double distance, double degrees = 90.0) {
    double const a = degrees * M_PI / 180.0;
    return {static_cast<float>(distance * std::cos(a)), static_cast<float>(kTeeY + distance * std::sin(a))};
}

EndScore Score(const std::vector<Vector2>& positions, const std::vector<int>& teams) {
    return ScoreEnd(positions, teams);
}

TEST(EndScoreTest, NoStoneInTheHouseIsABlankEnd) {
    EXPECT_EQ(Score({}, {}), EndScore{});
    // Guards in front of the house, stones through the back, off to the side.
    std::vector<Vector2> const outside{{0.0f, 34.0f}, {0.5f, 35.5f}, {0.0f, 41.5f}, {2.2f, kTeeY}};
    EndScore const blank = Score(outside, {0, 1, 0, 1});
    EXPECT_FALSE(blank.team);
    EXPECT_EQ(blank.points, 0);
    EXPECT_EQ(blank.Signed(), 0);
}

TEST(EndScoreTest, NearestTeamScoresEachStoneNearerThanTheOthersBest) {
    // Team 0 lies first, second and third; team 1 fourth; team 0 fifth.
    std::vector<Vector2> const stones{Around(0.1, 30), Around(1.5, 200), Around(0.4, 100), Around(0.7, 250),
                                      Around(1.0, 10)};
    std::vector<int> const teams{0, 0, 1, 0, 0};
    EndScore const s = Score(stones, teams);
    ASSERT_TRUE(s.team);
    EXPECT_EQ(*s.team, 0);
    EXPECT_EQ(s.points, 1);  // only the stone at 0.1 beats team 1's 0.4

    std::vector<Vector2> const three{Around(0.1, 30), Around(0.2, 200), Around(0.3, 100), Around(0.4, 250),
                                     Around(0.5, 10)};
    EXPECT_EQ(Score(three, {0, 0, 0, 1, 0}), (EndScore{0, 3}));
    EXPECT_EQ(Score(three, {1, 1, 1, 0, 1}), (EndScore{1, 3}));
    EXPECT_EQ(Score(three, {1, 1, 1, 0, 1}).Signed(), -3);
    EXPECT_EQ(Score(three, {0, 0, 0, 1, 0}).Signed(), 3);
}

TEST(EndScoreTest, OrderOfTheStonesDoesNotMatter) {
    std::vector<Vector2> stones{Around(0.3, 0), Around(0.6, 45), Around(0.2, 90), Around(1.2, 135), Around(0.9, 180)};
    std::vector<int> teams{1, 0, 1, 0, 1};
    EndScore const expected = Score(stones, teams);
    EXPECT_EQ(expected, (EndScore{1, 2}));
    std::vector<std::size_t> order{0, 1, 2, 3, 4};
    while (std::next_permutation(order.begin(), order.end())) {
        std::vector<Vector2> p;
        std::vector<int> t;
        for (std::size_t i : order) {
            p.push_back(stones[i]);
            t.push_back(teams[i]);
        }
        ASSERT_EQ(Score(p, t), expected);
    }
}

TEST(EndScoreTest, OnlyStonesInTheHouseCount) {
    // The other team has nothing in the house: every one of the scorer's
    // stones in the house counts, and none outside it.
    std::vector<Vector2> const stones{
        Around(0.5, 0), Around(1.9, 90), Around(2.5, 45), {0.0f, 33.0f}, Around(1.2, 300)};
    EXPECT_EQ(Score(stones, {1, 1, 1, 0, 1}), (EndScore{1, 3}));
    // A guard of the other team nearer the hog line changes nothing.
    EXPECT_EQ(Score(stones, {1, 1, 0, 0, 1}), (EndScore{1, 3}));
}

TEST(EndScoreTest, StoneTouchingTheOuterRingIsInTheHouse) {
    double const limit = double{sheet::kHouseRadius} + double{sheet::kStoneRadius};
    for (double degrees : {0.0, 90.0, 180.0, 270.0, 33.0}) {
        EXPECT_EQ(Score({Around(limit - 1e-5, degrees)}, {1}), (EndScore{1, 1})) << degrees;
        EXPECT_EQ(Score({Around(limit + 1e-5, degrees)}, {1}), EndScore{}) << degrees;
    }
    // Along x the float grid is fine enough to find the last position in.
    float inside = static_cast<float>(limit);
    while (Score({{inside, kTeeY}}, {0}).team) inside = std::nextafter(inside, 3.0f);
    float const outside = inside;
    inside = std::nextafter(outside, 0.0f);
    EXPECT_LE(double{inside}, limit);
    EXPECT_GT(double{outside}, limit);
    EXPECT_EQ(Score({{inside, kTeeY}}, {0}), (EndScore{0, 1}));
    EXPECT_EQ(Score({{-inside, kTeeY}}, {0}), (EndScore{0, 1}));

    // The limit itself in double: kHouseRadius + kStoneRadius summed in float
    // is 1.97399997711, below the double sum 1.97399999201, and this stone,
    // 1.97399997714 from the tee, lies between the two: in the house.
    EXPECT_LT(double{sheet::kHouseRadius + sheet::kStoneRadius}, limit);
    EXPECT_EQ(Score({{1.97399998f, 38.4049873f}}, {0}), (EndScore{0, 1}));

    // Biting the back line (not wholly beyond it) and in the house: it counts.
    EXPECT_EQ(Score({{0.0f, 40.3f}}, {0}), (EndScore{0, 1}));
    // Wholly beyond the back line is out of the house too.
    EXPECT_GT(40.38f - sheet::kStoneRadius, sheet::kBackLineY);
    EXPECT_EQ(Score({{0.0f, 40.38f}}, {0}), EndScore{});
}

TEST(EndScoreTest, EqualDistances) {
    // The two teams' nearest stones equally far: nobody scores, whatever lies
    // behind them.
    EXPECT_EQ(Score({{0.4f, kTeeY}, {-0.4f, kTeeY}}, {0, 1}), EndScore{});
    EXPECT_EQ(Score({{0.0f, kTeeY + 0.5f}, {0.0f, kTeeY - 0.5f}, {1.0f, kTeeY}, {0.0f, kTeeY + 1.5f}}, {0, 1, 0, 0}),
              EndScore{});
    // Both on the button's centre.
    EXPECT_EQ(Score({sheet::kTee, sheet::kTee}, {1, 0}), EndScore{});

    // A scorer's stone exactly as far as the other team's nearest is not
    // nearer, so it does not count.
    EXPECT_EQ(Score({{0.0f, kTeeY + 0.1f}, {0.6f, kTeeY}, {-0.6f, kTeeY}}, {0, 0, 1}), (EndScore{0, 1}));
    // Ties within the scoring team both count.
    EXPECT_EQ(Score({{0.3f, kTeeY}, {-0.3f, kTeeY}, {0.0f, kTeeY + 0.9f}}, {1, 1, 0}), (EndScore{1, 2}));
}

TEST(EndScoreTest, AFullHouseOfOneTeam) {
    std::vector<Vector2> stones;
    for (int i = 0; i < 8; ++i) stones.push_back(Around(0.2 * (i + 1), 45.0 * i));
    for (int i = 0; i < 8; ++i) stones.push_back({0.3f * static_cast<float>(i) - 1.0f, 33.5f});
    std::vector<int> teams(8, 0);
    teams.resize(16, 1);
    EXPECT_EQ(Score(stones, teams), (EndScore{0, 8}));
}

TEST(EndScoreTest, RefusesMalformedInput) {
    EXPECT_THROW(Score({sheet::kTee}, {}), std::invalid_argument);
    EXPECT_THROW(Score({sheet::kTee}, {2}), std::invalid_argument);
    EXPECT_THROW(Score({sheet::kTee}, {-1}), std::invalid_argument);
    float const nan = std::numeric_limits<float>::quiet_NaN();
    EXPECT_THROW(Score({{nan, kTeeY}}, {0}), std::invalid_argument);
    EXPECT_THROW(Score({{0.0f, std::numeric_limits<float>::infinity()}}, {0}), std::invalid_argument);
}

}  // namespace
}  // namespace glidestone
