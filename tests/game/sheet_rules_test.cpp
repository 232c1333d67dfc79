#include "game/sheet_rules.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "research/end_score.h"
#include "shot/sheet.h"

namespace glidestone {
namespace {

using namespace sheet_rules;

float Above(float value) {
    return std::nextafter(value, INFINITY);
}
float Below(float value) {
    return std::nextafter(value, -INFINITY);
}

TEST(SheetRulesTest, LinesDecideByTheWholeStone) {
    // A side line is touched once |x| + r reaches it.
    EXPECT_TRUE(TouchesSideLine({2.23f, 30.0f}));
    EXPECT_TRUE(TouchesSideLine({-2.5f, 30.0f}));
    EXPECT_FALSE(TouchesSideLine({2.22f, 30.0f}));
    // The back line: only a stone wholly beyond it.
    EXPECT_FALSE(WhollyBeyondBackLine({0.0f, 40.378f}));
    EXPECT_TRUE(WhollyBeyondBackLine({0.0f, 40.38f}));
    EXPECT_FALSE(WhollyBeyondBackLine({0.0f, 40.3f}));
    // The hog line: a stone that still touches it has not crossed it.
    EXPECT_FALSE(WhollyBeyondHogLine({0.0f, 32.0f}));
    EXPECT_FALSE(WhollyBeyondHogLine({0.0f, 32.148f}));
    EXPECT_TRUE(WhollyBeyondHogLine({0.0f, 32.15f}));
    // The centre line, edge included.
    EXPECT_TRUE(TouchesCentreLine({0.145f, 34.0f}));
    EXPECT_TRUE(TouchesCentreLine({-0.145f, 34.0f}));
    EXPECT_FALSE(TouchesCentreLine({Above(0.145f), 34.0f}));
}

TEST(SheetRulesTest, HouseIsTheOneEndScoringCounts) {
    // On the house limit, within a float's spacing, and its neighbours: the
    // free guard zone ends exactly where scoring begins to count a stone.
    std::vector<Vector2> const probes = {{1.97399998f, 38.4049873f},
                                         {Above(1.97399998f), 38.4049873f},
                                         {Below(1.97399998f), 38.4049873f},
                                         {0.0f, 36.431f},
                                         {0.0f, 36.432f},
                                         {1.4f, 37.0f},
                                         {1.5f, 37.0f}};
    for (Vector2 const p : probes) {
        std::vector<Vector2> const one{p};
        std::vector<int> const team{0};
        bool const scores = ScoreEnd(one, team).points == 1;
        EXPECT_EQ(InHouse(p), scores) << p.x << ", " << p.y;
        EXPECT_EQ(InFreeGuardZone(p), !scores && p.y < sheet::kTeeLineY) << p.x << ", " << p.y;
    }
    EXPECT_TRUE(InHouse({1.97399998f, 38.4049873f}));
    // Beside the house on the tee line: not short of it, so not a guard.
    EXPECT_FALSE(InFreeGuardZone({2.1f, sheet::kTeeLineY}));
    EXPECT_TRUE(InFreeGuardZone({2.1f, Below(sheet::kTeeLineY)}));
    // Struck back short of the hog line: still a guard.
    EXPECT_TRUE(InFreeGuardZone({0.0f, 25.0f}));
}

}  // namespace
}  // namespace glidestone
