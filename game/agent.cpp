#include "game/agent.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <exception>
#include <limits>
#include <map>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <tuple>

#include "game/delivery.h"
#include "game/random_shot.h"
#include "game/sheet_rules.h"
#include "research/end_score.h"
#include "research/random.h"
#include "shot/sheet.h"
#include "shot/shot_player.h"

namespace glidestone {

namespace {

double DistanceFromTee(Vector2 position) {
    double const dx = static_cast<double>(position.x) - sheet::kTee.x;
    double const dy = static_cast<double>(position.y) - sheet::kTee.y;
    return std::sqrt(dx * dx + dy * dy);
}

double SpinToward(float x) {
    return x >= 0.0f ? 1.0 : -1.0;
}

Shot Draw(Vector2 target, double spin) {
    return Shot{target, false, spin};
}
Shot Draw(Vector2 target) {
    return Draw(target, SpinToward(target.x));
}
Shot Hit(Vector2 target, double spin) {
    return Shot{target, true, spin};
}
Shot Hit(Vector2 target) {
    return Hit(target, SpinToward(target.x));
}

void CheckView(const AgentView& view) {
    if (view.rules == nullptr || view.state == nullptr) throw std::invalid_argument("agent: no rules or state given");
    if (view.state->finished) throw std::logic_error("agent: the game is finished");
}

// What each worker of a move owns: a player, and the plans it has made (a
// fresh player's probe plans a shot the same every time, so a plan made once
// serves every later throw of that shot).
struct Worker {
    ShotPlayer player;
    std::map<std::tuple<float, float, bool, double>, Vector2> plans;

    Vector2 Plan(const Shot& shot) {
        auto const key = std::make_tuple(shot.target.x, shot.target.y, shot.pass, shot.spin);
        auto const found = plans.find(key);
        if (found != plans.end()) return found->second;
        player.Reset();
        Vector2 const velocity = player.Plan(shot);
        plans.emplace(key, velocity);
        return velocity;
    }
};

// Runs work(worker, i) for i in [0, count) over `threads` workers; the first
// exception is rethrown once all have stopped.
template <typename Work>
void ParallelFor(std::size_t count, int threads, Work work) {
    unsigned workers = threads > 0 ? static_cast<unsigned>(threads) : std::max(1u, std::thread::hardware_concurrency());
    if (workers > count) workers = static_cast<unsigned>(std::max<std::size_t>(count, 1));
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::exception_ptr failure;
    std::mutex failure_mutex;
    auto run = [&] {
        try {
            Worker worker;
            for (std::size_t i; !failed.load(std::memory_order_relaxed) && (i = next.fetch_add(1)) < count;)
                work(worker, i);
        } catch (...) {
            std::lock_guard lock(failure_mutex);
            if (!failure) failure = std::current_exception();
            failed = true;
        }
    };
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < workers; ++t) pool.emplace_back(run);
    run();
    for (std::thread& thread : pool) thread.join();
    if (failure) std::rethrow_exception(failure);
}

// The fixed part of the Monte Carlo candidates: draws to the rings and guards
// in front of the house, most useful first, each with both spins.
const std::vector<Vector2>& GridTargets() {
    static const std::vector<Vector2> targets = [] {
        float const tx = sheet::kTee.x;
        float const ty = sheet::kTee.y;
        std::vector<Vector2> list = {
            {tx, ty},
            {tx, ty - 0.6f},
            {tx - 0.6f, ty},
            {tx + 0.6f, ty},
            {tx, ty - HeuristicAgent::kGuardDistance},
            {tx, ty + 0.6f},
            {tx - 0.6f, ty - HeuristicAgent::kGuardDistance},
            {tx + 0.6f, ty - HeuristicAgent::kGuardDistance},
            {tx, ty - 1.2f},
            {tx - 1.2f, ty},
            {tx + 1.2f, ty},
            {tx - 0.85f, ty - 0.85f},
            {tx + 0.85f, ty - 0.85f},
            {tx, ty - 2.4f},
            {tx - 1.0f, ty - 2.4f},
            {tx + 1.0f, ty - 2.4f},
            {tx, ty + 1.2f},
        };
        // Then a coarse lattice over the house and the guard zone in front.
        for (float dy = -4.0f; dy <= 1.51f; dy += 0.5f)
            for (float dx = -1.5f; dx <= 1.51f; dx += 0.5f) {
                Vector2 const p{tx + dx, ty + dy};
                bool const seen = std::any_of(list.begin(), list.end(), [&](Vector2 q) {
                    return std::fabs(q.x - p.x) < 0.2f && std::fabs(q.y - p.y) < 0.2f;
                });
                if (!seen) list.push_back(p);
            }
        return list;
    }();
    return targets;
}

}  // namespace

AgentView AgentView::Of(const Game& game) {
    AgentView view;
    view.rules = &game.rules();
    view.state = &game.state();
    view.game = game.number();
    view.delivery = game.deliveries() + 1;
    return view;
}

std::uint64_t AgentDrawSeed(std::uint64_t seed, std::uint64_t game, std::uint64_t delivery) {
    return SplitMix64::Mix(SplitMix64::Mix(SplitMix64::Mix(seed) + game) + delivery);
}

Action RandomAgent::Act(const AgentView& view) {
    CheckView(view);
    SplitMix64 generator(AgentDrawSeed(seed_, view.game, view.delivery));
    return RandomShot(generator);
}

std::optional<ShotStone> FindShotStone(const std::vector<StoneInPlay>& stones) {
    std::optional<ShotStone> best;
    bool tied = false;
    for (const StoneInPlay& stone : stones) {
        if (!sheet_rules::InHouse(stone.position)) continue;
        double const distance = DistanceFromTee(stone.position);
        if (!best || distance < best->distance) {
            best = ShotStone{stone.team, stone, distance};
            tied = false;
        } else if (distance == best->distance && stone.team != best->team) {
            tied = true;
        }
    }
    if (tied) return std::nullopt;
    return best;
}

Shot HeuristicAgent::Choose(const Rules& rules, const GameState& state) {
    int const team = state.team;
    std::optional<ShotStone> const shot = FindShotStone(state.stones);
    bool const theirs = shot && shot->team != team;
    if (state.delivery == rules.DeliveriesPerEnd()) {
        if (theirs && shot->distance <= kLastStoneHitRadius) return Hit(shot->stone.position);
        return Draw(sheet::kTee);
    }
    if (theirs) return Hit(shot->stone.position);
    if (shot && state.delivery <= rules.stones_per_team)
        return Draw({shot->stone.position.x, sheet::kTee.y - kGuardDistance});
    return Draw(sheet::kTee);
}

Action HeuristicAgent::Act(const AgentView& view) {
    CheckView(view);
    return Choose(*view.rules, *view.state);
}

void MonteCarloSettings::Validate() const {
    if (candidates < 1) throw std::invalid_argument("montecarlo: candidates must be at least 1");
    if (samples < 1) throw std::invalid_argument("montecarlo: samples must be at least 1");
    if (threads < 0) throw std::invalid_argument("montecarlo: threads must not be negative");
    if (rollout < 0) throw std::invalid_argument("montecarlo: rollout must not be negative");
    if (noise) noise->Validate();
}

MonteCarloAgent::MonteCarloAgent(MonteCarloSettings settings, std::uint64_t seed)
    : settings_(std::move(settings)), seed_(seed) {
    settings_.Validate();
}

std::vector<Shot> MonteCarloAgent::Candidates(const Rules& rules, const GameState& state) const {
    std::size_t const wanted = static_cast<std::size_t>(settings_.candidates);
    std::vector<Shot> list{HeuristicAgent::Choose(rules, state)};

    std::vector<StoneInPlay> opponents;
    for (const StoneInPlay& stone : state.stones)
        if (stone.team != state.team) opponents.push_back(stone);
    std::stable_sort(opponents.begin(), opponents.end(), [](const StoneInPlay& a, const StoneInPlay& b) {
        return DistanceFromTee(a.position) < DistanceFromTee(b.position);
    });
    std::size_t const hits = wanted > 1 ? (wanted - 1) / 2 : 0;
    for (std::size_t i = 0; i < opponents.size() && list.size() < 1 + hits; ++i)
        for (double spin : {1.0, -1.0})
            if (list.size() < 1 + hits) list.push_back(Hit(opponents[i].position, spin));

    for (Vector2 target : GridTargets())
        for (double spin : {SpinToward(target.x), -SpinToward(target.x)})
            if (list.size() < wanted) list.push_back(Draw(target, spin));
    if (list.size() > wanted) list.resize(wanted);
    return list;
}

namespace {

// A sample's worth to `team` once the stones lie as `after` (see
// MonteCarloAgent).
double PositionValue(const Rules& rules, const GameState& state, int team, const std::vector<StoneInPlay>& after) {
    int const signed_score = ScoreStones(after).Signed();
    int const score = team == 0 ? signed_score : -signed_score;
    if (state.end < rules.ends) return score;
    int const lead =
        state.totals[static_cast<std::size_t>(team)] - state.totals[static_cast<std::size_t>(1 - team)] + score;
    double const win = lead > 0 ? 1.0 : lead < 0 ? 0.0 : 0.5;
    return win + 0.001 * score;
}

}  // namespace

MonteCarloMove MonteCarloAgent::Decide(const AgentView& view) const {
    CheckView(view);
    auto const start = std::chrono::steady_clock::now();
    const Rules& rules = *view.rules;
    const GameState& state = *view.state;
    ExecutionNoise const noise = settings_.noise ? *settings_.noise : rules.Noise();
    std::uint64_t const draw_seed = AgentDrawSeed(seed_, view.game, view.delivery);
    std::size_t const samples = noise.IsZero() ? 1 : static_cast<std::size_t>(settings_.samples);

    MonteCarloMove move;
    std::vector<Shot> const shots = Candidates(rules, state);
    move.candidates.resize(shots.size());

    // Planning uses only a player's probe, and a fresh probe plans the same
    // every time: plan each candidate once.
    std::vector<Vector2> planned(shots.size());
    ParallelFor(shots.size(), settings_.threads,
                [&](Worker& worker, std::size_t i) { planned[i] = worker.Plan(shots[i]); });

    int const last = std::min(rules.DeliveriesPerEnd(), state.delivery + settings_.rollout);

    // One delivery of the sample: `shot` planned as `velocity` for the
    // position `at`, under the error of `seed`'s draw n.
    auto deliver = [&](Worker& worker, const GameState& at, const Shot& shot, Vector2 velocity, std::uint64_t seed,
                       std::uint64_t n) -> std::vector<StoneInPlay> {
        // Out of the planner's range: the stone stays at the release point
        // and is removed, whatever the error.
        if (!std::isfinite(velocity.x) || !std::isfinite(velocity.y)) return at.stones;
        DeliveryContext const ctx = NextDelivery(rules, at);
        worker.player.Reset();  // every throw as a fresh player plays it
        return PlayDelivery(worker.player, ctx, Release{velocity, SpinToAngularVelocity(shot.spin)},
                            DrawReleasePerturbation(noise, seed, n))
            .after;
    };

    // Sample values by candidate, then sample; NaN marks a throw given up.
    std::vector<double> values(shots.size() * samples, 0.0);
    ParallelFor(values.size(), settings_.threads, [&](Worker& worker, std::size_t index) {
        std::size_t const c = index / samples;
        std::uint64_t const n = index % samples + 1;
        try {
            GameState at;
            at.end = state.end;
            at.delivery = state.delivery;
            at.team = state.team;
            at.hammer = state.hammer;
            at.stones = deliver(worker, state, shots[c], planned[c], draw_seed, n);
            // The rollout: both teams play on by the heuristic's rules, each
            // delivery k after this one under its own draws.
            for (int k = 1; state.delivery + k <= last; ++k) {
                at.delivery = state.delivery + k;
                at.team = 1 - at.team;
                Shot const reply = HeuristicAgent::Choose(rules, at);
                at.stones = deliver(worker, at, reply, worker.Plan(reply),
                                    SplitMix64::Mix(draw_seed + static_cast<std::uint64_t>(k)), n);
            }
            values[index] = PositionValue(rules, state, state.team, at.stones);
        } catch (const ShotError&) {
            values[index] = std::numeric_limits<double>::quiet_NaN();
        } catch (const std::invalid_argument&) {
            values[index] = std::numeric_limits<double>::quiet_NaN();
        }
    });

    // Summed in sample order, so the values do not depend on the threads.
    move.chosen = 0;
    double best = -std::numeric_limits<double>::infinity();
    for (std::size_t c = 0; c < shots.size(); ++c) {
        double sum = 0.0;
        bool failed = false;
        for (std::size_t n = 0; n < samples; ++n) {
            double const v = values[c * samples + n];
            if (std::isnan(v)) failed = true;
            sum += v;
        }
        double const value = failed ? -std::numeric_limits<double>::infinity() : sum / static_cast<double>(samples);
        move.candidates[c] = {shots[c], value};
        if (value > best) {
            best = value;
            move.chosen = c;
        }
    }
    move.shot = shots[move.chosen];
    move.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return move;
}

Action MonteCarloAgent::Act(const AgentView& view) {
    MonteCarloMove const move = Decide(view);
    ++moves_;
    seconds_ += move.seconds;
    return move.shot;
}

AgentConfig ParseAgentConfig(std::string_view text) {
    AgentConfig config;
    config.text = std::string(text);
    std::size_t const colon = text.find(':');
    config.kind = std::string(text.substr(0, colon));
    std::string_view settings = colon == std::string_view::npos ? std::string_view() : text.substr(colon + 1);
    if (config.kind != "random" && config.kind != "heuristic" && config.kind != "montecarlo")
        throw std::invalid_argument("unknown agent '" + config.kind + "' (random, heuristic or montecarlo)");
    if (colon != std::string_view::npos && config.kind != "montecarlo")
        throw std::invalid_argument("agent " + config.kind + " takes no settings");
    while (!settings.empty()) {
        std::size_t const comma = settings.find(',');
        std::string_view const pair = settings.substr(0, comma);
        settings = comma == std::string_view::npos ? std::string_view() : settings.substr(comma + 1);
        std::size_t const equals = pair.find('=');
        if (equals == std::string_view::npos)
            throw std::invalid_argument("montecarlo setting '" + std::string(pair) + "' wants name=value");
        std::string const name(pair.substr(0, equals));
        std::string const value(pair.substr(equals + 1));
        int* field = name == "candidates" ? &config.monte_carlo.candidates
                     : name == "samples"  ? &config.monte_carlo.samples
                     : name == "threads"  ? &config.monte_carlo.threads
                     : name == "rollout"  ? &config.monte_carlo.rollout
                                          : nullptr;
        if (field == nullptr)
            throw std::invalid_argument("unknown montecarlo setting '" + name +
                                        "' (candidates, samples, rollout, threads)");
        if (value.empty() || value.size() > 7 || value.find_first_not_of("0123456789") != std::string::npos)
            throw std::invalid_argument("montecarlo " + name + " wants a whole number, not '" + value + "'");
        *field = std::stoi(value);
    }
    config.monte_carlo.Validate();
    return config;
}

std::unique_ptr<Agent> MakeAgent(const AgentConfig& config, std::uint64_t seed) {
    if (config.kind == "random") return std::make_unique<RandomAgent>(seed);
    if (config.kind == "heuristic") return std::make_unique<HeuristicAgent>();
    if (config.kind == "montecarlo") return std::make_unique<MonteCarloAgent>(config.monte_carlo, seed);
    throw std::invalid_argument("unknown agent '" + config.kind + "'");
}

}  // namespace glidestone
