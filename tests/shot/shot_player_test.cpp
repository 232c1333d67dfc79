#include "shot/shot_player.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <vector>

#include "planner/shot_velocity.h"
#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone {
namespace {

bool SameBits(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

void ExpectSameStones(const AllStones& a, const AllStones& b) {
    for (std::size_t i = 0; i < kStoneCount; ++i) {
        EXPECT_TRUE(SameBits(a[i].position.x, b[i].position.x)) << "slot " << i;
        EXPECT_TRUE(SameBits(a[i].position.y, b[i].position.y)) << "slot " << i;
        EXPECT_EQ(a[i].present, b[i].present) << "slot " << i;
    }
}

TEST(ShotPlayerTest, DrawOntoAnEmptySheetMatchesThePlannerAndComesToRest) {
    ShotPlayer player;
    ShotResult const result = player.Play({}, Shot{{0.0f, 35.0f}, false, 1.0});
    Vector2 const planned = EstimateShotVelocity({0.0f, 35.0f}, 0.0f, false);
    EXPECT_TRUE(SameBits(result.release_velocity.x, planned.x));
    EXPECT_TRUE(SameBits(result.release_velocity.y, planned.y));
    EXPECT_EQ(result.angular_velocity, 1.57f);
    EXPECT_GT(result.frames, 500);
    const StoneSlot& shot = result.stones[kShotSlot];
    EXPECT_TRUE(shot.present);
    EXPECT_NEAR(shot.position.x, 0.0, 1e-3);
    EXPECT_NEAR(shot.position.y, 34.946, 1e-3);
    for (std::size_t i = 0; i < kShotSlot; ++i) EXPECT_FALSE(result.stones[i].present);
}

TEST(ShotPlayerTest, EachPlayerOwnsItsHistory) {
    std::vector<Vector2> const guards{{0.3f, 36.0f}, {-0.4f, 37.5f}, {0.1f, 38.4f}};
    Shot const takeout{{0.2f, 38.0f}, true, -1.0};
    Shot const draw{{-0.5f, 38.2f}, false, 1.0};

    // Same shots in the same order: bit for bit the same, whatever another
    // player did in between.
    ShotPlayer a, b, busy;
    ShotResult const a1 = a.Play(guards, takeout);
    busy.Play(guards, draw);
    ShotResult const b1 = b.Play(guards, takeout);
    ExpectSameStones(a1.stones, b1.stones);
    ShotResult const a2 = a.Play(std::span(guards).first(1), draw);
    ShotResult const b2 = b.Play(std::span(guards).first(1), draw);
    ExpectSameStones(a2.stones, b2.stones);
    EXPECT_EQ(a2.frames, b2.frames);

    // Absent slots report their history; Reset forgets it.
    EXPECT_FALSE(a2.stones[2].present);
    EXPECT_TRUE(SameBits(a2.stones[2].position.x, a1.stones[2].position.x));
    a.Reset();
    ShotResult const fresh = a.Play(std::span(guards).first(1), draw);
    EXPECT_EQ(fresh.stones[2].position.x, 0.0f);
    EXPECT_EQ(fresh.stones[2].position.y, 0.0f);
}

TEST(ShotPlayerTest, RefusesWhatItCannotPlay) {
    ShotPlayer player;
    std::vector<Vector2> const sixteen(16, Vector2{0.0f, 40.0f});
    EXPECT_THROW(player.Play(sixteen, Shot{{0.0f, 35.0f}}), ShotError);
    std::vector<Vector2> const bad{{0.0f, 36.0f}, {NAN, 1.0f}};
    EXPECT_THROW(player.Play(bad, Shot{{0.0f, 35.0f}}), ShotError);
    EXPECT_THROW(player.Play({}, Shot{{0.0f, 35.0f}, false, 1e300}), ShotError);

    // Beyond the coordinate bound, on either path in.
    std::vector<Vector2> const far{{0.0f, 36.0f}, {2e38f, 2e38f}};
    EXPECT_THROW(player.Play(far, Shot{{0.0f, 34.0f}}), ShotError);
    std::vector<Vector2> const just_beyond{{std::nextafter(kMaxStoneCoordinate, INFINITY), 0.0f}};
    EXPECT_THROW(player.Play(just_beyond, Shot{{0.0f, 34.0f}}), ShotError);
    AllStones slots{};
    slots[4].position = {0.0f, -2e38f};
    slots[4].present = true;
    EXPECT_THROW(player.Throw(slots, {0.0f, 2.0f}, 1.57f), ShotError);
    slots[4].position.y = NAN;
    EXPECT_THROW(player.Throw(slots, {0.0f, 2.0f}, 1.57f), ShotError);
    slots[4].present = false;  // an absent slot's values are never played
    EXPECT_NO_THROW(player.Throw(slots, {0.0f, 2.0f}, 1.57f));

    // Out of the fitted range: answered, the stone stays at the release point.
    ShotResult const near = player.Play({}, Shot{{0.0f, 10.0f}});
    EXPECT_TRUE(std::isnan(near.release_velocity.x));
    EXPECT_EQ(near.stones[kShotSlot].position.y, 0.0f);
    EXPECT_EQ(near.frames, 0);
}

TEST(ShotPlayerTest, PilesAtTheCoordinateBoundComeToRestAtFinitePositions) {
    ShotPlayer player;
    for (float const c : {kMaxStoneCoordinate, -kMaxStoneCoordinate, 1e20f, 3e5f}) {
        std::vector<Vector2> const pile(kMaxStonesInPlay, Vector2{c, c});
        ShotResult const result = player.Play(pile, Shot{{0.0f, 34.0f}});
        for (std::size_t i = 0; i < kStoneCount; ++i) {
            EXPECT_TRUE(std::isfinite(result.stones[i].position.x)) << c << " slot " << i;
            EXPECT_TRUE(std::isfinite(result.stones[i].position.y)) << c << " slot " << i;
        }
        EXPECT_EQ(result.stones[0].position.x, c);
        EXPECT_NEAR(result.stones[kShotSlot].position.y, 34.0f, 0.1f);
    }
}

TEST(ShotPlayerTest, TheFastestReleaseEndsWellWithinTheFrameCap) {
    // Released far beyond what the engine lets a stone move in a frame.
    ShotPlayer player;
    for (Shot const shot : {Shot{{0.0f, 3.4e38f}}, Shot{{0.0f, 3e14f}, true}, Shot{{1e6f, 1e6f}, true, -1.0}}) {
        ShotResult const result = player.Play({}, shot);
        EXPECT_GT(std::hypot(result.release_velocity.x, result.release_velocity.y), 1e5f);
        EXPECT_GT(result.frames, 10'000);
        EXPECT_LT(result.frames * 2, ShotPlayer::kMaxFrames);
        EXPECT_TRUE(std::isfinite(result.stones[kShotSlot].position.y));
    }
}

TEST(ShotPlayerTest, StonesThatNeverSettleAreGivenUpAfterTheContactBound) {
    // Fifteen overlapping stones in a row that the engine cannot push apart
    // while a stone at the engine's top speed runs for 12,541 frames: some
    // 1.3 million contacts, many seconds, unless bounded.
    std::vector<Vector2> row;
    for (int i = 0; i < 15; ++i) row.push_back({10.0f + 0.1f * static_cast<float>(i), 10.0f});
    ShotPlayer player;
    try {
        player.Play(row, Shot{{0.0f, 3e14f}, true, 1.0});
        ADD_FAILURE() << "played to the end";
    } catch (const ShotError& e) {
        EXPECT_NE(std::string(e.what()).find("after " + std::to_string(ShotPlayer::kMaxContacts) + " contacts"),
                  std::string::npos)
            << e.what();
    }
    // The same row with a draw ends on its own and is answered.
    ShotResult const draw = player.Play(row, Shot{{0.0f, 35.0f}});
    EXPECT_NEAR(draw.stones[kShotSlot].position.y, 35.0f, 0.1f);
}

class CountingObserver : public ThrowObserver {
public:
    void OnStart(ISimulator&) override { ++starts; }
    void OnFrame(int frame, ISimulator&) override { last_frame = frame; }
    int starts = 0;
    int last_frame = 0;
};

TEST(ShotPlayerTest, ObserverSeesEveryFrameAndChangesNothing) {
    ShotPlayer watched, plain;
    CountingObserver observer;
    Shot const shot{{0.0f, 35.0f}, false, -1.0};
    Vector2 const velocity = watched.Plan(shot);
    ShotResult const seen = watched.Throw(AllStones{}, velocity, SpinToAngularVelocity(shot.spin), &observer);
    ShotResult const unseen = plain.Play({}, shot);
    EXPECT_EQ(observer.starts, 1);
    EXPECT_EQ(observer.last_frame, seen.frames);
    ExpectSameStones(seen.stones, unseen.stones);
}

}  // namespace
}  // namespace glidestone

namespace glidestone {
namespace {

bool ShortcutsOf(ISimulator& simulator) {
    return dynamic_cast<simulators::SimulatorFCV1&>(simulator).EngineShortcuts();
}

// The options reach both simulators, and stay through Reset; the plain engine
// plays the same shot to the same bits.
TEST(ShotPlayerTest, OptionsMakeBothSimulatorsAndSurviveReset) {
    simulators::SimulatorOptions plain;
    plain.engine_shortcuts = false;
    ShotPlayer player(plain);
    ShotPlayer usual;
    for (int round = 0; round < 2; ++round) {
        EXPECT_FALSE(ShortcutsOf(player.throw_simulator()));
        EXPECT_FALSE(ShortcutsOf(player.probe_simulator()));
        EXPECT_TRUE(ShortcutsOf(usual.throw_simulator()));
        EXPECT_TRUE(ShortcutsOf(usual.probe_simulator()));
        std::vector<Vector2> const stones{{0.1f, 38.2f}, {-0.4f, 37.6f}};
        Shot const takeout{{0.1f, 38.2f}, true, -1.0};
        ShotResult const a = player.Play(stones, takeout);
        ShotResult const b = usual.Play(stones, takeout);
        ExpectSameStones(a.stones, b.stones);
        EXPECT_EQ(a.frames, b.frames);
        player.Reset();
        usual.Reset();
    }
    simulators::SimulatorFCV1Factory const factory(plain);
    EXPECT_FALSE(ShortcutsOf(*factory.CreateSimulator()));
    EXPECT_FALSE(ShortcutsOf(*factory.Clone()->CreateSimulator()));
}

}  // namespace
}  // namespace glidestone
