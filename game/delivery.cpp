#include "game/delivery.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "game/sheet_rules.h"

namespace glidestone {

namespace {

// The in-flight half of the rules: after every frame, stones that leave the
// sheet are taken off the ice; contacts of the delivered stone are noted.
class InFlightReferee final : public ThrowObserver {
public:
    InFlightReferee(std::span<const int> slot_numbers, ThrowObserver* inner)
        : slot_numbers_(slot_numbers), inner_(inner) {}

    void OnStart(ISimulator& simulator) override {
        if (inner_) inner_->OnStart(simulator);
    }

    void OnFrame(int frame, ISimulator& simulator) override {
        for (const Collision& contact : simulator.GetCollisions())
            if (contact.a.id == kShotSlot || contact.b.id == kShotSlot) touched_ = true;
        const AllStones& stones = simulator.GetStones();
        // Collect first: taking a stone off changes what GetStones holds.
        std::array<std::pair<std::size_t, Rule>, kStoneCount> leaving{};
        int count = 0;
        for (std::size_t slot = 0; slot < kStoneCount; ++slot) {
            const StoneSlot& stone = stones[slot];
            if (!stone.present) continue;
            if (sheet_rules::TouchesSideLine(stone.position))
                leaving[static_cast<std::size_t>(count++)] = {slot, Rule::kSide};
            else if (sheet_rules::WhollyBeyondBackLine(stone.position))
                leaving[static_cast<std::size_t>(count++)] = {slot, Rule::kBack};
        }
        for (int i = 0; i < count; ++i) {
            auto const [slot, rule] = leaving[static_cast<std::size_t>(i)];
            simulator.RemoveStone(slot);
            events_.push_back({slot_numbers_[slot], rule});
        }
        if (inner_) inner_->OnFrame(frame, simulator);
    }

    bool touched() const { return touched_; }
    std::vector<RuleEvent>& events() { return events_; }

private:
    std::span<const int> slot_numbers_;  // stone number of each slot
    ThrowObserver* inner_;
    bool touched_ = false;
    std::vector<RuleEvent> events_;
};

const StoneInPlay* Find(std::span<const StoneInPlay> stones, int number) {
    for (const StoneInPlay& stone : stones)
        if (stone.number == number) return &stone;
    return nullptr;
}

// The free-guard-zone and no-tick rules: the violation, if any.
std::optional<Rule> GuardViolation(const DeliveryContext& ctx, std::span<const StoneInPlay> after) {
    const Rules& rules = *ctx.rules;
    if (ctx.delivery > rules.free_guard_zone_stones) return std::nullopt;
    std::optional<Rule> violation;
    for (const StoneInPlay& guard : ctx.before) {
        if (guard.team == ctx.team || !sheet_rules::InFreeGuardZone(guard.position)) continue;
        const StoneInPlay* now = Find(after, guard.number);
        if (now == nullptr) return Rule::kFreeGuardZone;  // the graver ruling wins
        if (rules.no_tick && sheet_rules::TouchesCentreLine(guard.position) &&
            !sheet_rules::TouchesCentreLine(now->position))
            violation = Rule::kNoTick;
    }
    return violation;
}

}  // namespace

DeliveryOutcome PlayDelivery(ShotPlayer& player, const DeliveryContext& ctx, const Action& action,
                             const std::optional<ReleasePerturbation>& perturbation, ThrowObserver* observer) {
    ValidateAction(action);
    if (ctx.before.size() > kMaxStonesInPlay)
        throw std::invalid_argument(std::to_string(ctx.before.size()) + " stones in play; at most " +
                                    std::to_string(kMaxStonesInPlay) + " can lie on the ice before a delivery");

    DeliveryOutcome outcome;
    outcome.delivery = ctx.delivery;
    outcome.team = ctx.team;
    outcome.stone = ctx.stone;
    outcome.action = action;
    outcome.before.assign(ctx.before.begin(), ctx.before.end());

    std::array<int, kStoneCount> numbers{};
    std::array<int, kStoneCount> teams{};
    AllStones slots{};
    std::array<Vector2, kMaxStonesInPlay> positions{};
    for (std::size_t i = 0; i < ctx.before.size(); ++i) {
        numbers[i] = ctx.before[i].number;
        teams[i] = ctx.before[i].team;
        positions[i] = ctx.before[i].position;
        slots[i].position = ctx.before[i].position;
        slots[i].present = true;
    }
    numbers[kShotSlot] = ctx.stone;
    teams[kShotSlot] = ctx.team;

    InFlightReferee referee(numbers, observer);
    ShotResult played;
    if (const Shot* shot = std::get_if<Shot>(&action)) {
        played = player.Play(std::span(positions.data(), ctx.before.size()), *shot, perturbation, &referee);
    } else {
        const Release& release = std::get<Release>(action);
        Vector2 const velocity = perturbation ? PerturbRelease(release.velocity, *perturbation) : release.velocity;
        played = player.Throw(slots, velocity, release.angular_velocity, &referee);
    }
    outcome.release_velocity = played.release_velocity;
    outcome.angular_velocity = played.angular_velocity;
    outcome.frames = played.frames;
    outcome.events = std::move(referee.events());

    const StoneSlot& delivered = played.stones[kShotSlot];
    bool delivered_in_play = delivered.present;
    if (delivered_in_play && !referee.touched() && !sheet_rules::WhollyBeyondHogLine(delivered.position)) {
        delivered_in_play = false;
        outcome.events.push_back({ctx.stone, Rule::kHog});
    }

    // Slots hold the stones in number order, the delivered one (the highest
    // number so far of its team, but not of the other) goes in its place.
    for (std::size_t slot = 0; slot < kStoneCount; ++slot) {
        bool const present =
            slot == kShotSlot ? delivered_in_play : slot < ctx.before.size() && played.stones[slot].present;
        if (present) outcome.after.push_back({numbers[slot], teams[slot], played.stones[slot].position});
    }
    std::sort(outcome.after.begin(), outcome.after.end(),
              [](const StoneInPlay& a, const StoneInPlay& b) { return a.number < b.number; });

    if (std::optional<Rule> const violation = GuardViolation(ctx, outcome.after)) {
        outcome.after = outcome.before;
        std::erase_if(outcome.events, [&](const RuleEvent& event) { return event.stone != ctx.stone; });
        outcome.events.push_back({ctx.stone, *violation});
    }
    return outcome;
}

DeliveryContext NextDelivery(const Rules& rules, const GameState& state) {
    DeliveryContext ctx;
    ctx.rules = &rules;
    ctx.delivery = state.delivery;
    ctx.team = state.team;
    ctx.stone = state.NextStone();
    ctx.before = state.stones;
    return ctx;
}

void ValidateAction(const Action& action) {
    if (const Shot* shot = std::get_if<Shot>(&action)) {
        if (!std::isfinite(shot->target.x) || !std::isfinite(shot->target.y))
            throw std::invalid_argument("shot target is not finite");
        if (!IsPlayableCoordinate(shot->target.x) || !IsPlayableCoordinate(shot->target.y))
            throw std::invalid_argument("shot target lies farther than 1e36 m from the release point");
        // A target behind the release point has no wire form ([x, y, spin]
        // with y < 0 passes the target (x, -y)), nor any use.
        if (shot->target.y < 0.0f || (shot->pass && !(shot->target.y > 0.0f)))
            throw std::invalid_argument("shot target lies behind the release point");
        if (!std::isfinite(SpinToAngularVelocity(shot->spin)))
            throw std::invalid_argument("shot spin " + std::to_string(shot->spin) + " is out of range");
        return;
    }
    const Release& release = std::get<Release>(action);
    if (!std::isfinite(release.velocity.x) || !std::isfinite(release.velocity.y) ||
        !std::isfinite(release.angular_velocity))
        throw std::invalid_argument("release is not finite");
    double const vx = release.velocity.x;
    double const vy = release.velocity.y;
    if (vx * vx + vy * vy > static_cast<double>(kMaxReleaseSpeed) * kMaxReleaseSpeed)
        throw std::invalid_argument("release speed over " + std::to_string(static_cast<int>(kMaxReleaseSpeed)) +
                                    " m/s");
    if (std::fabs(release.angular_velocity) > kMaxReleaseTurn)
        throw std::invalid_argument("release angular velocity over " +
                                    std::to_string(static_cast<int>(kMaxReleaseTurn)) + " rad/s");
}

}  // namespace glidestone
