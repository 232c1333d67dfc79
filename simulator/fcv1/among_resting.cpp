#include <cmath>

#include "simulator/fcv1/engine_access.h"
#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone::simulators {

namespace {

// Whether any proxy but `own` has an enlarged box overlapping the box queried.
struct OtherProxy {
    int32 own = b2_nullNode;
    bool found = false;

    bool QueryCallback(int32 proxy_id) {
        if (proxy_id == own) return true;
        found = true;
        return false;
    }
};

}  // namespace

// The engine's step for a world in which one body is awake, has no contact
// and every other enabled body sleeps: contacts between sleeping bodies are
// skipped, the awake body is integrated alone, its proxy is moved and new
// pairs are looked for; nothing else changes (per-step bookkeeping that every
// step resets before reading aside). Frames stay that way until the body
// rests, unless its enlarged box meets another proxy's, which makes a
// contact. Until then they are taken here, the body left behind in the
// engine and written once at the end.
bool SimulatorFCV1::BeginAmongResting(float dt) {
    if (!lone_stone_shortcut || enabled_count < 2 || !(dt > 0.0f) || !std::isfinite(1.0f / dt)) return false;
    // Every pair pending since the last SetStones has been found, and the
    // world's frame-length ratio is at this frame length.
    if (!engine_settled || settled_dt != dt) return false;

    b2Body* moving = nullptr;
    int slot = -1;
    for (std::size_t i = 0; i < kStoneCount; ++i) {
        b2Body* body = stone_bodies[i];
        if (!body->IsEnabled() || !body->IsAwake()) continue;
        if (moving != nullptr) return false;
        moving = body;
        slot = static_cast<int>(i);
    }
    if (moving == nullptr || moving->GetContactList() != nullptr) return false;

    LoneStone stone;
    if (!stone.ReadFrom(*moving, slot, dt)) return false;
    int32 const proxy = engine_access::ProxyId(*moving);
    stone.fat_box = ContactManager().m_broadPhase.GetFatAABB(proxy);
    stone.sleep_time = engine_access::SleepTime(*moving);
    lone = stone;
    lone_proxy = proxy;
    return StepAmongResting();
}

// One frame of the stone among resting ones, unless its re-inserted box would
// meet another proxy: the stone then goes back to the engine as the frames
// before left it, and the frame is left to the caller (returns false). A
// stone that comes to rest goes back too: there is nothing left to take.
bool SimulatorFCV1::StepAmongResting() {
    b2ContactManager& contacts = ContactManager();
    LoneStone next = *lone;
    next.Advance();
    if (next.reinserted) {
        OtherProxy meets;
        meets.own = lone_proxy;
        contacts.m_broadPhase.Query(&meets, next.fat_box);
        if (meets.found) {
            RejoinEngine();
            return false;
        }
    }
    *lone = next;
    if (lone->moved_proxy) {
        // The search for new pairs finds none: the box met no other.
        contacts.m_broadPhase.MoveProxy(lone_proxy, lone->swept_box, lone->displacement);
        contacts.FindNewContacts();
    }
    ++frames_among_resting;
    lone_dirty = true;
    // Every other enabled stone sleeps, so is still.
    all_stopped = !Moving(lone->velocity, lone->angular_velocity);
    stopped_dirty = false;
    if (!lone->awake) RejoinEngine();
    return true;
}

// Gives the engine the stone moving among resting ones, as its steps would
// have left the body; its proxy is already where they would have put it.
void SimulatorFCV1::RejoinEngine() {
    if (lone->frames > 0) {
        lone->WriteTo(*stone_bodies[static_cast<std::size_t>(lone->slot)]);
        stones_dirty = true;
    }
    lone.reset();
    lone_proxy = -1;
    lone_dirty = false;
}

}  // namespace glidestone::simulators
