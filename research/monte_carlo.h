#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

#include "research/execution_noise.h"
#include "shot/shot.h"
#include "simulator/interfaces/stone.h"

namespace glidestone {

struct EvaluationOptions {
    // How many noisy throws to play; at least 1.
    std::uint64_t samples = 1000;
    ExecutionNoise noise;
    // Sample n (counted from 1) is perturbed by DrawReleasePerturbation(noise,
    // seed, n). Two shots evaluated under the same seed meet the same errors,
    // which makes the difference of their means far less noisy than either.
    std::uint64_t seed = 0;
    // Worker threads; 0 means one for every core. Never more than samples.
    int threads = 0;
    // If set, called on the calling thread before the first sample, between
    // its samples, after every frame it plays, and every 10 ms while it waits
    // for the other threads, so that a caller can give up a long evaluation
    // (a Python caller looks for Ctrl-C). What it throws ends the evaluation:
    // the other threads stop within a frame and EvaluateShot rethrows it.
    std::function<void()> poll;
};

// The end's score over the samples, from team 0's side (EndScore::Signed:
// positive when team 0 scores, negative when team 1 does).
struct ScoreDistribution {
    // Sample n's signed score at index n - 1.
    std::vector<int> scores;
    // How many samples gave each signed score; scores no sample gave are absent.
    std::map<int, std::uint64_t> histogram;
    double mean = 0.0;
    // Sample standard deviation (divided by samples - 1; 0 for one sample) and
    // the standard error of the mean, standard_deviation / √samples.
    double standard_deviation = 0.0;
    double standard_error = 0.0;
};

// Plays `shot` among `stones` (at rest, as ShotPlayer::Play takes them)
// options.samples times, each time with the planned release perturbed by its
// own draw of options.noise, and scores the end after each throw (ScoreEnd).
// `teams` gives the team (0 or 1) of each stone in `stones` and then, last,
// of the shot stone: stones.size() + 1 entries.
//
// Every sample is played as a fresh ShotPlayer would play it, so each result
// depends only on the position, the shot, the noise, the seed and its own
// number: never on the thread count or on other samples. Sample n is exactly
// ShotPlayer().Play(stones, shot, DrawReleasePerturbation(noise, seed, n)).
// With zero noise every sample is the plain shot.
//
// Throws std::invalid_argument for bad teams, noise, samples or threads, and
// ShotError where ShotPlayer::Play would, before any sample is played; a
// std::system_error when a worker thread cannot be started (the started ones
// are stopped and joined first).
ScoreDistribution EvaluateShot(std::span<const Vector2> stones, std::span<const int> teams, const Shot& shot,
                               const EvaluationOptions& options);

}  // namespace glidestone
