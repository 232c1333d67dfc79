#include <cmath>

#include "simulator/fcv1/engine_access.h"
#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone::simulators {

// The engine's step for a world in which every awake body has no contact and
// every other enabled body sleeps: contacts between sleeping bodies are
// skipped, each awake body is an island of its own and is integrated alone,
// the proxies are moved in body order and new pairs are looked for; nothing
// else changes (per-step bookkeeping that every step resets before reading
// aside). Frames stay that way until a re-inserted box meets another proxy's
// box, which makes a contact. Until then they are taken here, the bodies left
// behind in the engine and each written once at the end. Mirrors b2World::Step
// for such a world (b2ContactManager::Collide, b2World::Solve, its
// SynchronizeFixtures and FindNewContacts); see EXACTNESS.md.
bool SimulatorFCV1::BeginAmongResting(float dt) {
    if (enabled_count < 2) return false;
    // Every pair pending since the last SetStones has been found, and the
    // world's frame-length ratio is at this frame length.
    if (!pairs_found || engine_dt != dt) return false;

    const b2BroadPhase& broad_phase = ContactManager().m_broadPhase;
    int count = 0;
    for (b2Body* body = world.GetBodyList(); body != nullptr; body = body->GetNext()) {
        if (!body->IsEnabled() || !body->IsAwake()) continue;
        if (body->GetContactList() != nullptr) return false;
        Mover& mover = movers[static_cast<std::size_t>(count++)];
        if (!mover.stone.ReadFrom(*body, broad_phase, dt)) return false;
        mover.proxy = engine_access::ProxyId(*body);
    }
    if (count == 0) return false;
    mover_count = count;
    lagging_mode = FrameMode::kAmongResting;
    return StepAmongResting();
}

// One frame of the stones moving among resting ones, unless a re-inserted box
// would meet another proxy's: the stones then go back to the engine as the
// frames before left them, and the frame is left to the caller (returns
// false). A stone that comes to rest goes back at once.
bool SimulatorFCV1::StepAmongResting() {
    b2BroadPhase& broad_phase = ContactManager().m_broadPhase;
    std::array<LaggingStone, kStoneCount>& next = movers_next;
    for (int i = 0; i < mover_count; ++i) {
        next[static_cast<std::size_t>(i)] = movers[static_cast<std::size_t>(i)].stone;
        next[static_cast<std::size_t>(i)].Advance();
    }

    // The engine moves every proxy before it looks for pairs: the movers'
    // boxes are compared as they will be, the others as the tree holds them
    // (the pairs b2BroadPhase::UpdatePairs and QueryCallback would find; see
    // EXACTNESS.md).
    struct Meets {
        const SimulatorFCV1* simulator;
        bool found = false;
        bool QueryCallback(int32 proxy_id) {
            for (int j = 0; j < simulator->mover_count; ++j)
                if (simulator->movers[static_cast<std::size_t>(j)].proxy == proxy_id) return true;
            found = true;
            return false;
        }
    };
    for (int i = 0; i < mover_count; ++i) {
        const LaggingStone& stone = next[static_cast<std::size_t>(i)];
        if (!stone.reinserted) continue;
        Meets meets{this};
        broad_phase.Query(&meets, stone.fat_box);
        for (int j = 0; j < mover_count && !meets.found; ++j)
            meets.found = j != i && b2TestOverlap(stone.fat_box, next[static_cast<std::size_t>(j)].fat_box);
        if (meets.found) {
            RejoinEngine();
            return false;
        }
    }

    // Only re-inserted proxies are moved (EXACTNESS.md, invariant 4), and the
    // search for new pairs finds none (see above).
    all_stopped = true;
    for (int i = 0; i < mover_count; ++i) {
        Mover& mover = movers[static_cast<std::size_t>(i)];
        mover.stone = next[static_cast<std::size_t>(i)];
        if (mover.stone.reinserted)
            MoveProxyFindingNoPair(broad_phase, mover.proxy, mover.stone.swept_box, mover.stone.displacement);
        // Every other enabled stone sleeps, so is still (EXACTNESS.md, invariant 1).
        if (Moving(mover.stone.velocity, mover.stone.angular_velocity)) all_stopped = false;
    }
    lagging_dirty = true;
    stopped_dirty = false;

    // Stones at rest go back to the engine; the others keep their order.
    int kept = 0;
    for (int i = 0; i < mover_count; ++i) {
        Mover& mover = movers[static_cast<std::size_t>(i)];
        if (!mover.stone.awake) {
            mover.stone.WriteTo(*stone_bodies[static_cast<std::size_t>(mover.stone.slot)]);
            stones_dirty = true;
        } else {
            if (kept != i) movers[static_cast<std::size_t>(kept)] = mover;
            ++kept;
        }
    }
    mover_count = kept;
    if (kept == 0) lagging_mode = FrameMode::kEngine;
    return true;
}

// Gives the engine the stones moving among resting ones, as its steps would
// have left the bodies; their proxies are already where they would have put
// them (the rejoin in EXACTNESS.md).
void SimulatorFCV1::RejoinEngine() {
    for (int i = 0; i < mover_count; ++i) {
        const LaggingStone& stone = movers[static_cast<std::size_t>(i)].stone;
        if (stone.frames == 0) continue;
        stone.WriteTo(*stone_bodies[static_cast<std::size_t>(stone.slot)]);
        stones_dirty = true;
    }
    mover_count = 0;
    lagging_mode = FrameMode::kEngine;
}

}  // namespace glidestone::simulators
