#include <cmath>

#include "simulator/fcv1/engine_access.h"
#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone::simulators {

namespace {

// Frames played ahead at most: far longer than any stone slides on this ice.
constexpr int kLookAheadFrames = 4000;

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
// step resets before reading aside). Such frames stay that way until the body
// rests, unless its enlarged box meets another proxy's, which would create a
// contact. Plays the body's frames ahead to see which; only if it comes to
// rest untouched are its frames taken outside the engine, all of them.
bool SimulatorFCV1::BeginAmongResting(float dt) {
    if (crowd_wait > 0) return false;
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

    b2ContactManager& contacts = ContactManager();
    int32 const proxy = engine_access::ProxyId(*moving);
    stone.fat_box = contacts.m_broadPhase.GetFatAABB(proxy);
    stone.sleep_time = engine_access::SleepTime(*moving);

    LoneStone ahead = stone;
    for (int frame = 1; frame <= kLookAheadFrames; ++frame) {
        ahead.Advance();
        if (ahead.reinserted) {
            OtherProxy meets;
            meets.own = proxy;
            contacts.m_broadPhase.Query(&meets, ahead.fat_box);
            if (meets.found) {
                crowd_wait = frame;  // the engine's frames until then are the same lone ones
                return false;
            }
        }
        if (!ahead.awake) {
            lone = stone;
            lone_proxy = proxy;
            lone->Advance();
            MoveLoneProxy();
            ++frames_among_resting;
            return true;
        }
    }
    crowd_wait = kLookAheadFrames;
    return false;
}

// What the engine's step does to the broad phase for the lone awake body:
// its proxy moved over the frame's swept box, then the search for new pairs
// (which, as played ahead, finds none).
void SimulatorFCV1::MoveLoneProxy() {
    if (!lone->moved_proxy) return;
    b2ContactManager& contacts = ContactManager();
    contacts.m_broadPhase.MoveProxy(lone_proxy, lone->swept_box, lone->displacement);
    contacts.FindNewContacts();
}

// A body disabled while it was moving among resting stones outside the
// engine keeps only one thing that matters: the transform at which a later
// SetStones puts it back into the broad phase. Give it the transform the
// engine would have left it. It has no proxy now, so the tree is not touched.
void SimulatorFCV1::LeaveBehind(b2Body* body, const LoneStone& stone) {
    b2Rot const rotation(stone.angle);
    b2Vec2 const origin = stone.position - b2Mul(rotation, body->GetLocalCenter());
    body->SetTransform(origin, stone.angle);
}

}  // namespace glidestone::simulators
