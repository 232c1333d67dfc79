#include "research/monte_carlo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>
#include <vector>

#include "research/end_score.h"
#include "shot/sheet.h"
#include "shot/shot_player.h"

namespace glidestone {
namespace {

// Team 1 lies 0.35 m short of the tee and has a guard; team 0 draws to the
// button. A good draw scores one, a short or wide one gives team 1 the end.
const std::vector<Vector2> kStones{{0.1f, 38.05f}, {-0.6f, 35.0f}, {1.0f, 38.9f}};
const std::vector<int> kTeams{1, 1, 0, 0};  // the last is the shot stone's
const Shot kDraw{{0.0f, 38.405f}, false, 1.0};

EvaluationOptions Options(std::uint64_t samples, int threads, ExecutionNoise noise, std::uint64_t seed) {
    EvaluationOptions options;
    options.samples = samples;
    options.threads = threads;
    options.noise = noise;
    options.seed = seed;
    return options;
}

int ScoreOf(const ShotResult& result) {
    std::vector<Vector2> positions;
    for (std::size_t i = 0; i < kStones.size(); ++i) positions.push_back(result.stones[i].position);
    positions.push_back(result.stones[kShotSlot].position);
    return ScoreEnd(positions, kTeams).Signed();
}

TEST(EvaluateShotTest, SamplesAreFreshPlayersThrowingTheirOwnDraws) {
    ExecutionNoise const noise{0.08, 0.01};
    ScoreDistribution const one = EvaluateShot(kStones, kTeams, kDraw, Options(24, 1, noise, 5));
    ScoreDistribution const two = EvaluateShot(kStones, kTeams, kDraw, Options(24, 2, noise, 5));
    EXPECT_EQ(one.scores, two.scores);
    EXPECT_EQ(one.histogram, two.histogram);
    EXPECT_EQ(one.mean, two.mean);

    // Sample n is what a fresh player makes of the shot with draw n.
    for (std::uint64_t n = 1; n <= 6; ++n) {
        ShotResult const played = ShotPlayer().Play(kStones, kDraw, DrawReleasePerturbation(noise, 5, n));
        EXPECT_EQ(one.scores[n - 1], ScoreOf(played)) << "sample " << n;
    }
    // The noise matters here: not every sample ends the same way.
    EXPECT_GT(one.histogram.size(), 1u);

    // Another seed, other errors, other outcomes.
    ScoreDistribution const other = EvaluateShot(kStones, kTeams, kDraw, Options(24, 2, noise, 6));
    EXPECT_NE(other.scores, one.scores);
}

// Nine stones frozen to one another in the house (placed half a millimetre
// into each other) and a takeout through them: many stones in touch at once,
// where the order of the engine's contact bookkeeping, which a throw leaves
// behind for the next, changes the last bits of the outcome and now and then
// the score.
TEST(EvaluateShotTest, EverySampleStartsFromAFreshStateWhateverTheSamplesBefore) {
    std::vector<Vector2> block;
    std::vector<int> teams;
    for (int i = 0; i < 9; ++i) {
        block.push_back({-0.3f + 0.2895f * static_cast<float>(i % 3), 37.9f + 0.2895f * static_cast<float>(i / 3)});
        teams.push_back((i / 3 + i) % 2);
    }
    teams.push_back(1);
    Shot const takeout{{0.1f, 37.5f}, true, 1.0};
    ExecutionNoise const noise{0.3, 0.01};
    constexpr std::uint64_t kSamples = 100;
    auto score = [&](const ShotResult& result) {
        std::vector<Vector2> positions;
        for (std::size_t i = 0; i < block.size(); ++i) positions.push_back(result.stones[i].position);
        positions.push_back(result.stones[kShotSlot].position);
        return ScoreEnd(positions, teams).Signed();
    };

    // One thread: a single worker plays every sample, one after another.
    ScoreDistribution const d = EvaluateShot(block, teams, takeout, Options(kSamples, 1, noise, 5));
    ASSERT_EQ(d.scores.size(), kSamples);
    std::vector<int> fresh;
    for (std::uint64_t n = 1; n <= kSamples; ++n) {
        fresh.push_back(score(ShotPlayer().Play(block, takeout, DrawReleasePerturbation(noise, 5, n))));
        EXPECT_EQ(d.scores[n - 1], fresh.back()) << "sample " << n;
    }

    // The scene is one where it matters: a player that throws the samples
    // in turn without being made fresh scores some of them otherwise.
    ShotPlayer player;
    Vector2 const planned = ShotPlayer().Plan(takeout);
    float const spin = SpinToAngularVelocity(takeout.spin);
    int differing = 0;
    for (std::uint64_t n = 1; n <= kSamples; ++n) {
        Vector2 const release = PerturbRelease(planned, *DrawReleasePerturbation(noise, 5, n));
        differing += score(player.Throw(LyingStones(block), release, spin)) != fresh[n - 1];
    }
    EXPECT_GT(differing, 0);
}

TEST(EvaluateShotTest, SummaryFiguresDescribeTheSamples) {
    ScoreDistribution const d = EvaluateShot(kStones, kTeams, kDraw, Options(20, 2, {0.08, 0.01}, 9));
    ASSERT_EQ(d.scores.size(), 20u);
    std::uint64_t counted = 0;
    for (auto const& [score, count] : d.histogram) {
        EXPECT_EQ(count, static_cast<std::uint64_t>(std::count(d.scores.begin(), d.scores.end(), score)));
        counted += count;
    }
    EXPECT_EQ(counted, 20u);
    double sum = 0.0;
    for (int s : d.scores) sum += s;
    EXPECT_DOUBLE_EQ(d.mean, sum / 20.0);
    double squares = 0.0;
    for (int s : d.scores) squares += (s - d.mean) * (s - d.mean);
    EXPECT_DOUBLE_EQ(d.standard_deviation, std::sqrt(squares / 19.0));
    EXPECT_DOUBLE_EQ(d.standard_error, d.standard_deviation / std::sqrt(20.0));
}

TEST(EvaluateShotTest, WithoutNoiseEverySampleIsThePlainShot) {
    ScoreDistribution const d = EvaluateShot(kStones, kTeams, kDraw, Options(4, 2, {}, 3));
    int const plain = ScoreOf(ShotPlayer().Play(kStones, kDraw));
    ASSERT_EQ(d.histogram.size(), 1u);
    EXPECT_EQ(d.histogram.begin()->first, plain);
    EXPECT_EQ(d.histogram.begin()->second, 4u);
    EXPECT_EQ(d.mean, plain);
    EXPECT_EQ(d.standard_deviation, 0.0);
}

TEST(EvaluateShotTest, RefusesBadArgumentsBeforePlaying) {
    EvaluationOptions const good = Options(2, 1, {0.01, 0.0}, 1);
    EXPECT_THROW(EvaluateShot(kStones, std::vector<int>{1, 1, 0}, kDraw, good), std::invalid_argument);
    EXPECT_THROW(EvaluateShot(kStones, std::vector<int>{1, 1, 0, 2}, kDraw, good), std::invalid_argument);
    EXPECT_THROW(EvaluateShot(kStones, kTeams, kDraw, Options(0, 1, {}, 1)), std::invalid_argument);
    EXPECT_THROW(EvaluateShot(kStones, kTeams, kDraw, Options(2, -1, {}, 1)), std::invalid_argument);
    EXPECT_THROW(EvaluateShot(kStones, kTeams, kDraw, Options(2, 1, {-0.1, 0.0}, 1)), std::invalid_argument);
    std::vector<Vector2> const crowd(16, Vector2{0.0f, 36.0f});
    EXPECT_THROW(EvaluateShot(crowd, std::vector<int>(17, 0), kDraw, good), ShotError);
    std::vector<Vector2> const bad_stone{{0.0f, std::nanf("")}};
    EXPECT_THROW(EvaluateShot(bad_stone, std::vector<int>{0, 1}, kDraw, good), ShotError);
    EXPECT_THROW(EvaluateShot(kStones, kTeams, Shot{{0.0f, 38.0f}, false, 1e300}, good), ShotError);
    // A stone Play refuses is refused with Play's words, before any sample:
    // the poll is never called.
    std::vector<Vector2> const far_stone{{0.0f, 36.0f}, {2e36f, 38.0f}};
    std::string play_error;
    try {
        ShotPlayer().Play(far_stone, kDraw);
    } catch (const ShotError& error) {
        play_error = error.what();
    }
    ASSERT_FALSE(play_error.empty());
    EvaluationOptions polled = good;
    int polls = 0;
    polled.poll = [&] { ++polls; };
    try {
        EvaluateShot(far_stone, std::vector<int>{0, 1, 0}, kDraw, polled);
        ADD_FAILURE() << "a stone 2e36 m away was evaluated";
    } catch (const ShotError& error) {
        EXPECT_EQ(error.what(), play_error);
    }
    EXPECT_EQ(polls, 0);
}

TEST(EvaluateShotTest, APollThatThrowsEndsTheEvaluationAndOneThatDoesNotChangesNothing) {
    ExecutionNoise const noise{0.08, 0.01};
    ScoreDistribution const plain = EvaluateShot(kStones, kTeams, kDraw, Options(16, 2, noise, 5));

    for (int threads : {1, 2}) {
        EvaluationOptions watched = Options(16, threads, noise, 5);
        long calls = 0;
        watched.poll = [&calls] { ++calls; };
        ScoreDistribution const same = EvaluateShot(kStones, kTeams, kDraw, watched);
        EXPECT_EQ(same.scores, plain.scores);
        // Called between frames, so many times a sample on the calling thread;
        // with a helper, which samples fall to this thread is up to the
        // scheduler, but the poll comes before the first at least.
        if (threads == 1) {
            EXPECT_GT(calls, 16);
        } else {
            EXPECT_GE(calls, 1);
        }
    }

    struct Interrupted {};
    EvaluationOptions stopped = Options(1'000'000, 2, noise, 5);
    long polls = 0;
    stopped.poll = [&polls] {
        if (++polls == 1000) throw Interrupted{};
    };
    // A million samples would take minutes; the throw ends it within a frame
    // on this thread and the next frame on the other.
    EXPECT_THROW(EvaluateShot(kStones, kTeams, kDraw, stopped), Interrupted);
    EXPECT_EQ(polls, 1000);
}

TEST(EvaluateShotTest, ATargetOutOfRangeLeavesTheStoneAtTheReleasePoint) {
    // As the player does: no failure, the shot stone never reaches the house.
    ScoreDistribution const d =
        EvaluateShot(kStones, kTeams, Shot{{0.0f, 20.0f}, false, 1.0}, Options(3, 1, {0.05, 0.01}, 1));
    EXPECT_EQ(d.histogram.size(), 1u);
    EXPECT_EQ(d.mean, -1.0);  // team 1's stone by the tee scores one
}

}  // namespace
}  // namespace glidestone
