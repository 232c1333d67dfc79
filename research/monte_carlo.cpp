#include "research/monte_carlo.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <exception>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>

#include "research/end_score.h"
#include "shot/shot_player.h"
#include "workers/task_group.h"

namespace glidestone {

namespace {

// What every sample shares: the stones laid out in their slots, the planned
// release and spin, and the teams of the slots that are scored.
struct Setup {
    AllStones slots{};
    Vector2 planned;
    float angular_velocity = 0.0f;
    std::vector<std::size_t> scored_slots;
    std::vector<int> teams;
};

Setup Prepare(std::span<const Vector2> stones, std::span<const int> teams, const Shot& shot,
              const EvaluationOptions& options) {
    if (teams.size() != stones.size() + 1)
        throw std::invalid_argument(std::to_string(stones.size()) + " stones and the shot stone need " +
                                    std::to_string(stones.size() + 1) + " teams, not " + std::to_string(teams.size()));
    for (std::size_t i = 0; i < teams.size(); ++i)
        if (teams[i] != 0 && teams[i] != 1)
            throw std::invalid_argument("team " + std::to_string(i) + " is " + std::to_string(teams[i]) +
                                        "; teams are 0 and 1");
    if (options.samples == 0) throw std::invalid_argument("at least one sample is needed");
    if (options.threads < 0) throw std::invalid_argument("threads must not be negative");
    options.noise.Validate();

    Setup setup;
    // Play's own checks, so that a stone Play refuses is refused here before
    // any sample is thrown.
    setup.slots = LyingStones(stones);
    for (std::size_t i = 0; i < stones.size(); ++i) setup.scored_slots.push_back(i);
    setup.scored_slots.push_back(kShotSlot);
    setup.teams.assign(teams.begin(), teams.end());

    // Planning touches only the probe simulator, and a fresh player's probe
    // gives the same plan every time: plan once, throw many times.
    setup.planned = ShotPlayer().Plan(shot);
    setup.angular_velocity = SpinToAngularVelocity(shot.spin);
    if (!std::isfinite(setup.angular_velocity))
        throw ShotError("shot spin " + std::to_string(shot.spin) + " is out of range");
    return setup;
}

// Gives up a throw within a frame once any thread has failed, and lets the
// calling thread poll; reads nothing of the throw, so the sample is the same.
class Watch : public ThrowObserver {
public:
    Watch(const std::atomic<bool>& failed, const std::function<void()>* poll) : failed_(failed), poll_(poll) {}
    void OnStart(ISimulator&) override { Look(); }
    void OnFrame(int, ISimulator&) override { Look(); }

private:
    struct Stopped {};
    void Look() {
        if (poll_) (*poll_)();
        if (failed_.load(std::memory_order_relaxed)) throw Stopped{};
    }
    const std::atomic<bool>& failed_;
    const std::function<void()>* poll_;
};

int ScoreSample(ShotPlayer& player, const Setup& setup, const EvaluationOptions& options, std::uint64_t number,
                ThrowObserver* observer) {
    Vector2 velocity = setup.planned;
    if (std::optional<ReleasePerturbation> const perturbation =
            DrawReleasePerturbation(options.noise, options.seed, number))
        velocity = PerturbRelease(velocity, *perturbation);
    player.Reset();  // every sample as a fresh player plays it
    ShotResult const result = player.Throw(setup.slots, velocity, setup.angular_velocity, observer);
    std::vector<Vector2> positions;
    positions.reserve(setup.scored_slots.size());
    for (std::size_t slot : setup.scored_slots) positions.push_back(result.stones[slot].position);
    return ScoreEnd(positions, setup.teams).Signed();
}

}  // namespace

ScoreDistribution EvaluateShot(std::span<const Vector2> stones, std::span<const int> teams, const Shot& shot,
                               const EvaluationOptions& options) {
    Setup const setup = Prepare(stones, teams, shot, options);
    std::uint64_t const samples = options.samples;

    unsigned threads = options.threads > 0 ? static_cast<unsigned>(options.threads)
                                           : std::max(1u, std::thread::hardware_concurrency());
    if (threads > samples) threads = static_cast<unsigned>(samples);

    ScoreDistribution distribution;
    // Written by the workers as they go, so not zeroed first: zeroing a
    // large evaluation's scores up front would take a second that no poll
    // can interrupt.
    auto const scores = std::make_unique_for_overwrite<int[]>(samples);
    std::atomic<std::uint64_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex failure_mutex;
    auto fail = [&] {
        std::lock_guard lock(failure_mutex);
        if (!failure) failure = std::current_exception();
        failed = true;
    };
    auto work = [&](ShotPlayer& player, const std::function<void()>* poll) {
        try {
            Watch watch(failed, poll);
            for (std::uint64_t i; !failed.load(std::memory_order_relaxed) && (i = next.fetch_add(1)) < samples;)
                scores[i] = ScoreSample(player, setup, options, i + 1, &watch);
        } catch (...) {
            fail();
        }
    };
    {
        // This thread takes samples too, and alone polls; its player is made
        // before the helpers start, so that it starts with them.
        ShotPlayer player;
        TaskGroup helpers;
        auto const poll_now = [&] {
            try {
                options.poll();
            } catch (...) {
                fail();
            }
        };
        if (options.poll) poll_now();  // once at least, however the samples fall
        try {
            for (unsigned t = 1; t < threads; ++t) {
                helpers.Run([&] {
                    try {
                        ShotPlayer own;
                        work(own, nullptr);
                    } catch (...) {
                        fail();
                    }
                });
            }
        } catch (...) {
            fail();  // out of threads: the started ones stop at their next frame
        }
        if (!failed) work(player, options.poll ? &options.poll : nullptr);
        // While the helpers finish their last samples (or all of them, when
        // this thread got none), the poll still runs now and then.
        constexpr auto kPollInterval = std::chrono::milliseconds(10);
        if (options.poll) {
            while (!helpers.WaitFor(kPollInterval)) {
                if (!failed) poll_now();
            }
        }
        helpers.Wait();
    }
    if (failure) std::rethrow_exception(failure);
    distribution.scores.assign(scores.get(), scores.get() + samples);

    // Summed in sample order, so the figures do not depend on the threads.
    double sum = 0.0;
    for (int score : distribution.scores) {
        ++distribution.histogram[score];
        sum += score;
    }
    double const n = static_cast<double>(samples);
    distribution.mean = sum / n;
    if (samples > 1) {
        double squares = 0.0;
        for (int score : distribution.scores) squares += (score - distribution.mean) * (score - distribution.mean);
        distribution.standard_deviation = std::sqrt(squares / (n - 1.0));
        distribution.standard_error = distribution.standard_deviation / std::sqrt(n);
    }
    return distribution;
}

}  // namespace glidestone
