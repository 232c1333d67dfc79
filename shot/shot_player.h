#pragma once

#include <memory>
#include <optional>
#include <span>

#include "shot/release_perturbation.h"
#include "shot/shot.h"
#include "simulator/fcv1/simulator_fcv1_factory.h"
#include "simulator/interfaces/simulator.h"

namespace glidestone {

// Called while a shot is thrown; lets a caller watch every frame without the
// player knowing what is done with it. Never called when no observer is given.
class ThrowObserver {
public:
    virtual ~ThrowObserver() = default;

    // The stones have been placed and no frame has been played yet.
    virtual void OnStart(ISimulator& simulator) = 0;

    // Frame number `frame` (counted from 1) has just been played. The
    // observer may take stones off the ice here (ISimulator::RemoveStone), as
    // a referee does with a stone that leaves the sheet; the throw then goes
    // on without them and reports them absent. Nothing else may be changed.
    virtual void OnFrame(int frame, ISimulator& simulator) = 0;
};

// The sixteen slots of `stones` lying at rest (into slots 0, 1, ...; the
// shot slot empty), as Play lays them out. Throws ShotError for more than
// kMaxStonesInPlay stones, and for a coordinate that is not finite or lies
// beyond kMaxStoneCoordinate, naming the stone ("stone3": counted from 1).
AllStones LyingStones(std::span<const Vector2> stones);

// Plays whole shots: plans the release velocity for a target on its own probe
// simulator, then throws the shot stone among the stones already on the ice on
// its own throw simulator, to rest.
//
// The engine carries state from one shot to the next (which slots held stones
// before, the order of its internal contact bookkeeping), and that state can
// change the last bits of later results. It belongs to the player: one player
// answers exactly as one server connection does after the same earlier shots,
// and Reset() makes it a fresh one. Players share nothing, so each thread can
// own one; a single player is not thread-safe.
class ShotPlayer {
public:
    // Its simulators made with `options` (the planner's fit is for the
    // default frame length: keep it).
    explicit ShotPlayer(const simulators::SimulatorOptions& options = {});
    ~ShotPlayer();
    ShotPlayer(ShotPlayer&&) noexcept;
    ShotPlayer& operator=(ShotPlayer&&) noexcept;

    // Plans and throws `shot` with `stones` (at most kMaxStonesInPlay
    // positions, into slots 0, 1, ...) lying at rest on the ice. Throws
    // ShotError, before anything is played, for too many stones or a
    // coordinate that is not finite or beyond kMaxStoneCoordinate; after
    // planning, for a spin whose angular velocity is not finite as a float;
    // and as Throw does.
    //
    // With a `perturbation`, the planned release is perturbed by it
    // (PerturbRelease) before the throw, and the result reports the velocity
    // the stone really got. Without one, nothing comes between plan and throw.
    // `observer`, if given, watches the throw (see Throw).
    ShotResult Play(std::span<const Vector2> stones, const Shot& shot,
                    const std::optional<ReleasePerturbation>& perturbation = std::nullopt,
                    ThrowObserver* observer = nullptr);

    // The planning half: the release velocity for `shot`, from this player's
    // probe simulator. Not finite when the target is out of the fitted range.
    Vector2 Plan(const Shot& shot);

    // The throwing half: `stones` (all sixteen slots; only present ones take
    // part, and slot kShotSlot is overwritten with the shot stone) played to
    // rest with the shot stone released at the origin with `velocity` and
    // `angular_velocity`. A velocity that is not finite leaves the shot stone
    // at rest at the origin and is reported as given. Throws ShotError for a
    // present stone beyond kMaxStoneCoordinate, and when the stones are still
    // moving after kMaxFrames frames or kMaxContacts contacts. `observer`, if
    // given, is called once the stones are placed and after every frame; it
    // may read the simulator and take stones off the ice (see
    // ThrowObserver::OnFrame), nothing else.
    ShotResult Throw(const AllStones& stones, Vector2 velocity, float angular_velocity,
                     ThrowObserver* observer = nullptr);

    // Makes both simulators fresh, as in a newly started server.
    void Reset();

    // The simulators, for callers that inspect or snapshot them.
    ISimulator& throw_simulator() { return *throw_simulator_; }
    ISimulator& probe_simulator() { return *probe_simulator_; }

    // Bounds on the work of one throw, so that no request runs for more than
    // about a second. A throw is given up with ShotError past either.
    //
    // Frames: the engine moves no stone more than 2 m in a frame, so a stone
    // released at any speed leaves its first frame at 40 m/s at most and stops
    // after 12,541 frames, the slowest real throw; collisions hand speed on
    // but never past that. Over twice as many leaves room for chains of
    // collisions; a frame with sixteen fast stones costs some 10 us.
    static constexpr int kMaxFrames = 30'000;
    // Contacts solved, summed over the frames (what GetCollisions reports).
    // Stones that overlap when they are placed and cannot be pushed apart (on
    // one point, or where a float's spacing is coarse) never fall asleep, and
    // the engine solves their contacts again and again, up to thousands a
    // frame at up to 3 us each; a fast throw among them ran for tens of
    // seconds. Real shots solve a few thousand in all (the recorded corpus
    // at most 16,837, for a pile of overlapping stones); the bound costs
    // under half a second.
    static constexpr long kMaxContacts = 150'000;

private:
    simulators::SimulatorOptions options_;
    std::unique_ptr<ISimulator> throw_simulator_;
    std::unique_ptr<ISimulator> probe_simulator_;
};

// The angular velocity of the shot stone for a spin value, as the double
// product narrowed to float: an infinity when it does not fit, NaN for NaN.
float SpinToAngularVelocity(double spin);

// Double to float as IEEE rounding gives it, but without the undefined
// behaviour of a C++ conversion out of range: beyond the halfway point above
// FLT_MAX the result is an infinity.
float NarrowToFloat(double value);

}  // namespace glidestone
