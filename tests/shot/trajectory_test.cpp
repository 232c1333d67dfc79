#include "shot/trajectory.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include "shot/sheet.h"

namespace glidestone {
namespace {

bool SameBits(float a, float b) {
    return std::bit_cast<std::uint32_t>(a) == std::bit_cast<std::uint32_t>(b);
}

// Three stones in and around the house, and a shot at 3 m/s through them.
const std::vector<Vector2> kGuards{{0.0f, 38.3f}, {0.35f, 37.6f}, {-0.9f, 39.4f}};
const Shot kTakeout{{0.05f, 38.3f}, true, -1.0};

TEST(TrajectoryTest, RecordingChangesNoResultAndEndsWhereTheStonesRest) {
    for (int every : {1, 4, 7}) {
        SCOPED_TRACE("every " + std::to_string(every));
        ShotPlayer recorded_player, plain_player;
        TrajectoryRecorder recorder(every);
        ShotResult const recorded = recorded_player.Play(kGuards, kTakeout, std::nullopt, &recorder);
        ShotResult const plain = plain_player.Play(kGuards, kTakeout);
        ASSERT_EQ(recorded.frames, plain.frames);
        for (std::size_t slot = 0; slot < kStoneCount; ++slot) {
            EXPECT_TRUE(SameBits(recorded.stones[slot].position.x, plain.stones[slot].position.x)) << slot;
            EXPECT_TRUE(SameBits(recorded.stones[slot].position.y, plain.stones[slot].position.y)) << slot;
        }

        const Trajectory& t = recorder.trajectory();
        EXPECT_EQ(t.frames, recorded.frames);
        EXPECT_EQ(t.seconds_per_frame, 0.05f);
        EXPECT_EQ(t.sample_every, every);
        EXPECT_TRUE(SameBits(t.start[kShotSlot].linear_velocity.y, recorded.release_velocity.y));
        for (std::size_t slot = 0; slot < kStoneCount; ++slot) {
            bool const in_play = slot < kGuards.size() || slot == kShotSlot;
            ASSERT_EQ(t.InPlay(slot), in_play) << slot;
            if (!in_play) continue;
            const std::vector<StonePose>& track = t.tracks[slot];
            // Frames 0, every, 2 every, ... and the last one.
            std::size_t const expected = static_cast<std::size_t>(t.frames / every) + 1 + (t.frames % every != 0);
            ASSERT_EQ(track.size(), expected) << slot;
            for (std::size_t i = 0; i + 1 < track.size(); ++i) EXPECT_EQ(track[i].frame, static_cast<int>(i) * every);
            EXPECT_EQ(track.back().frame, t.frames);
            Vector2 const placed = slot == kShotSlot ? Vector2{0.0f, 0.0f} : kGuards[slot];
            EXPECT_EQ(track.front().position.x, placed.x);
            EXPECT_EQ(track.front().position.y, placed.y);
            EXPECT_TRUE(SameBits(track.back().position.x, recorded.stones[slot].position.x)) << slot;
            EXPECT_TRUE(SameBits(track.back().position.y, recorded.stones[slot].position.y)) << slot;
            EXPECT_TRUE(SameBits(track.back().angle, recorded.stones[slot].angle)) << slot;
        }
        EXPECT_TRUE(t.Moved(kShotSlot));
        EXPECT_FALSE(t.Moved(5));
    }
}

TEST(TrajectoryTest, ContactsAreWhereAndWhenTheStonesMeet) {
    ShotPlayer player;
    TrajectoryRecorder recorder;
    player.Play(kGuards, kTakeout, std::nullopt, &recorder);
    const Trajectory& t = recorder.trajectory();
    ASSERT_FALSE(t.collisions.empty()) << "the takeout hits something";

    std::set<int> struck;
    int previous_frame = 0;
    for (const TrajectoryCollision& c : t.collisions) {
        EXPECT_GE(c.frame, previous_frame) << "in the order played";
        previous_frame = c.frame;
        EXPECT_GE(c.frame, 1);
        EXPECT_LE(c.frame, t.frames);
        EXPECT_NE(c.contact.a.id, c.contact.b.id);
        EXPECT_TRUE(t.InPlay(c.contact.a.id));
        EXPECT_TRUE(t.InPlay(c.contact.b.id));
        EXPECT_GT(c.contact.normal_impulse, 0.0f);
        // Two touching stones: centres two radii apart, the point between.
        double const gap = std::hypot(c.contact.a.position.x - c.contact.b.position.x,
                                      c.contact.a.position.y - c.contact.b.position.y);
        EXPECT_NEAR(gap, 2 * sheet::kStoneRadius, 0.01);
        Vector2 const p = c.Point();
        EXPECT_NEAR(std::hypot(p.x - c.contact.a.position.x, p.y - c.contact.a.position.y), gap / 2, 1e-5);
        EXPECT_NEAR(std::hypot(p.x - c.contact.b.position.x, p.y - c.contact.b.position.y), gap / 2, 1e-5);
        struck.insert(c.contact.a.id);
        struck.insert(c.contact.b.id);
    }
    EXPECT_TRUE(struck.count(kShotSlot));
    EXPECT_GE(struck.size(), 2u);

    // A stone at rest starts moving in the frame of its first contact, and
    // not before: the contact frames agree with the tracks.
    for (int slot : struck) {
        if (slot == static_cast<int>(kShotSlot)) continue;
        int first = 0;
        for (const TrajectoryCollision& c : t.collisions) {
            if (c.contact.a.id == slot || c.contact.b.id == slot) {
                first = c.frame;
                break;
            }
        }
        const std::vector<StonePose>& track = t.tracks[slot];
        Vector2 const start = track.front().position;
        EXPECT_EQ(track[first - 1].position.x, start.x) << "stone " << slot;
        EXPECT_EQ(track[first - 1].position.y, start.y) << "stone " << slot;
        EXPECT_TRUE(track[first].position.x != start.x || track[first].position.y != start.y) << "stone " << slot;
    }
}

TEST(TrajectoryTest, EachThrowStartsANewRecording) {
    ShotPlayer player;
    TrajectoryRecorder recorder(3);
    player.Play(kGuards, kTakeout, std::nullopt, &recorder);
    ASSERT_FALSE(recorder.trajectory().collisions.empty());
    ShotResult const draw = player.Play({}, Shot{{0.0f, 35.0f}, false, 1.0}, std::nullopt, &recorder);
    const Trajectory& t = recorder.trajectory();
    EXPECT_TRUE(t.collisions.empty());
    EXPECT_EQ(t.frames, draw.frames);
    for (std::size_t slot = 0; slot < kShotSlot; ++slot) EXPECT_FALSE(t.InPlay(slot)) << slot;
    EXPECT_EQ(t.tracks[kShotSlot].front().frame, 0);

    Trajectory const taken = recorder.Take();
    EXPECT_EQ(taken.frames, draw.frames);
    EXPECT_EQ(recorder.trajectory().frames, 0);
    EXPECT_EQ(recorder.trajectory().sample_every, 3);
    EXPECT_FALSE(recorder.trajectory().InPlay(kShotSlot));
}

TEST(TrajectoryTest, AThrowOutOfRangeRecordsTheStillStones) {
    ShotPlayer player;
    TrajectoryRecorder recorder;
    ShotResult const near = player.Play(kGuards, Shot{{0.0f, 10.0f}}, std::nullopt, &recorder);
    const Trajectory& t = recorder.trajectory();
    EXPECT_EQ(t.frames, near.frames);
    ASSERT_EQ(t.tracks[kShotSlot].size(), 1u);
    EXPECT_EQ(t.tracks[kShotSlot][0].position.y, 0.0f);
    EXPECT_FALSE(t.Moved(kShotSlot));
    EXPECT_FALSE(t.Moved(0));
}

}  // namespace
}  // namespace glidestone
