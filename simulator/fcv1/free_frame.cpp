#include <box2d/b2_time_of_impact.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <new>

#include "simulator/fcv1/engine_access.h"
#include "simulator/fcv1/far_apart.h"
#include "simulator/fcv1/simulator_fcv1.h"

namespace glidestone::simulators {

namespace {

std::size_t SlotOf(const b2Body* body) {
    // The engine's user-data getter is not const.
    return static_cast<std::size_t>(const_cast<b2Body*>(body)->GetUserData().pointer);
}

// An awake body as the frame leaves it (the stone's frame_start is where it
// began).
struct FreeBody {
    b2Body* body = nullptr;
    int32 proxy = b2_nullNode;
    LaggingStone stone;
};

// The awake bodies of a frame, in the engine's body order, found by slot.
class FreeBodies {
public:
    FreeBodies() { index_of_slot_.fill(-1); }

    int Count() const { return count_; }
    FreeBody& operator[](int i) { return *Entry(i); }
    const FreeBody& operator[](int i) const { return *Entry(i); }

    FreeBody& Add(b2Body* body, int slot) {
        index_of_slot_[static_cast<std::size_t>(slot)] = static_cast<std::int8_t>(count_);
        auto* entry = ::new (storage_ + static_cast<std::size_t>(count_++) * sizeof(FreeBody)) FreeBody;
        entry->body = body;
        return *entry;
    }

    const FreeBody* Find(const b2Body* body) const {
        int const index = index_of_slot_[SlotOf(body)];
        return index < 0 ? nullptr : Entry(index);
    }

    // The body's sweep as the engine's continuous step reads it, from the
    // frame's start (alpha 0) to its end.
    b2Sweep SweepOf(b2Body* body) const {
        b2Sweep sweep = engine_access::Sweep(*body);
        if (const FreeBody* moved = Find(body)) {
            sweep.c0 = moved->stone.frame_start;
            sweep.a0 = moved->stone.frame_start_angle;
            sweep.c = moved->stone.position;
            sweep.a = moved->stone.angle;
        }
        sweep.alpha0 = 0.0f;
        return sweep;
    }

    // Where the body's centre goes in that sweep, and whether the body is
    // still awake at its end.
    CentrePath PathOf(b2Body* body) const {
        if (const FreeBody* moved = Find(body))
            return {moved->stone.frame_start, moved->stone.position, moved->stone.awake};
        const b2Sweep& sweep = engine_access::Sweep(*body);
        return {sweep.c0, sweep.c, body->IsAwake()};
    }

private:
    // FreeBody is trivially destructible; entries are made only for the
    // bodies found, which matters at this rate.
    alignas(FreeBody) unsigned char storage_[kStoneCount * sizeof(FreeBody)];
    std::array<std::int8_t, kStoneCount> index_of_slot_;
    int count_ = 0;

    FreeBody* Entry(int i) {
        return std::launder(reinterpret_cast<FreeBody*>(storage_ + static_cast<std::size_t>(i) * sizeof(FreeBody)));
    }
    const FreeBody* Entry(int i) const {
        return std::launder(
            reinterpret_cast<const FreeBody*>(storage_ + static_cast<std::size_t>(i) * sizeof(FreeBody)));
    }
};

// Whether a contact the engine would make between `a` and `b` within the
// step is sure to have no impact in it.
bool MayPair(const FreeBodies& free, b2Body* a, b2Body* b) {
    return FarApartThroughout(free.PathOf(a), free.PathOf(b));
}

// Contacts the engine's contact update destroys in the frame: their
// proxies' enlarged boxes have come apart (b2ContactManager::Collide; see
// EXACTNESS.md).
class DoomedContacts {
public:
    void Add(b2Contact* contact) {
        if (!Contains(contact)) list_[static_cast<std::size_t>(count_++)] = contact;
    }
    bool Contains(const b2Contact* contact) const {
        for (int i = 0; i < count_; ++i)
            if (list_[static_cast<std::size_t>(i)] == contact) return true;
        return false;
    }

    // Destroys them as the contact update does: in the order of the world's
    // contact list.
    void Destroy(b2ContactManager& contacts) const {
        int left = count_;
        for (b2Contact* contact = contacts.m_contactList; contact != nullptr && left > 0;) {
            b2Contact* next = contact->GetNext();
            if (Contains(contact)) {
                contacts.Destroy(contact);
                --left;
            }
            contact = next;
        }
    }

private:
    std::array<b2Contact*, kStoneCount*(kStoneCount - 1) / 2> list_;  // one a pair of stones at most
    int count_ = 0;
};

// Whether `body` has a contact with `other` that outlives the frame.
bool HaveContact(const b2Body* body, const b2Body* other, const DoomedContacts& doomed) {
    for (const b2ContactEdge* edge = const_cast<b2Body*>(body)->GetContactList(); edge != nullptr; edge = edge->next)
        if (edge->other == other && !doomed.Contains(edge->contact)) return true;
    return false;
}

// What the engine's contact update does to a contact of an awake body:
// mirrors b2ContactManager::Collide and b2Contact::Update, the manifold from
// b2CollideCircles; see EXACTNESS.md.
enum class Update {
    kNothing,  // it stays apart, its proxies' enlarged boxes still overlapping
    kDestroy,  // the boxes have come apart: the contact goes
    kEnd,      // it touched and no longer does: it ends, waking both bodies
    kEngine,   // it touches, or begins to, or goes while touching
};

Update UpdateOf(b2Contact* contact, const b2BroadPhase& broad_phase) {
    if (!contact->IsEnabled()) return Update::kEngine;
    b2Fixture* a = contact->GetFixtureA();
    b2Fixture* b = contact->GetFixtureB();
    bool const touching = contact->IsTouching();
    if (!broad_phase.TestOverlap(engine_access::ProxyId(*a->GetBody()), engine_access::ProxyId(*b->GetBody())))
        return touching ? Update::kEngine : Update::kDestroy;
    b2Manifold manifold;
    b2CollideCircles(&manifold, static_cast<const b2CircleShape*>(a->GetShape()), a->GetBody()->GetTransform(),
                     static_cast<const b2CircleShape*>(b->GetShape()), b->GetBody()->GetTransform());
    if (manifold.pointCount > 0) return Update::kEngine;
    if (!touching) return Update::kNothing;
    // Both bodies of a touching contact share an island, so both are awake.
    return a->GetBody()->IsAwake() && b->GetBody()->IsAwake() ? Update::kEnd : Update::kEngine;
}

// The contact update of a contact that stops touching: its manifold loses its
// points, its touching flag goes, both bodies are woken (which restarts their
// sleep timers) and the listener hears of it. Nothing in it depends on the
// order of the contacts, and the engine's own update of it afterwards changes
// nothing more, so it is done at once, even when the engine then takes the
// frame after all. Mirrors that branch of b2Contact::Update; see
// EXACTNESS.md.
void EndTouch(b2Contact* contact, b2ContactListener* listener) {
    contact->GetManifold()->pointCount = 0;
    engine_access::ClearTouching(*contact);
    contact->GetFixtureA()->GetBody()->SetAwake(true);
    contact->GetFixtureB()->GetBody()->SetAwake(true);
    if (listener != nullptr) listener->EndContact(contact);
}

}  // namespace

// The ice and the engine's world step when, once the contact update is done,
// no awake body touches another. That update may only destroy contacts whose
// boxes came apart, or end touches; every awake body is then an island of its
// own (both advanced with LaggingStone's arithmetic), the proxies move in the
// order of the engine's body list, and new pairs are looked for. Two things
// could still make the step differ, and both are decided before any body is
// written: a move that would create a contact that might be struck within
// the frame, and a time of impact inside the frame (the engine would then
// sub-step). Either leaves the frame to the engine. Mirrors b2World::Step
// with b2World::Solve and b2World::SolveTOI; the conditions, and what each
// step of it mirrors: EXACTNESS.md.
bool SimulatorFCV1::StepFreeFrame(float dt) {
    // The last engine step left the world's frame-length ratio (which the
    // contact solver's warm start reads) at this frame length.
    if (engine_dt != dt) return false;

    b2ContactManager& contacts = ContactManager();
    b2BroadPhase& broad_phase = contacts.m_broadPhase;
    if (!pairs_found) {
        // Stones were set since: the engine's step would begin by finding the
        // pairs of the proxies they moved or made. Done here, it leaves the
        // engine nothing to find if it takes the frame after all.
        contacts.FindNewContacts();
        pairs_found = true;
    }

    FreeBodies free;
    DoomedContacts doomed;
    for (b2Body* body = world.GetBodyList(); body != nullptr; body = body->GetNext()) {
        if (!body->IsEnabled() || !body->IsAwake()) continue;
        FreeBody& entry = free.Add(body, static_cast<int>(SlotOf(body)));
        entry.proxy = engine_access::ProxyId(*body);
        if (!entry.stone.ReadFrom(*body, broad_phase, dt)) return false;
        for (b2ContactEdge* edge = body->GetContactList(); edge != nullptr; edge = edge->next) {
            if (free.Find(edge->other) != nullptr) continue;  // seen from the other side
            switch (UpdateOf(edge->contact, broad_phase)) {
                case Update::kNothing:
                    break;
                case Update::kDestroy:
                    doomed.Add(edge->contact);
                    break;
                case Update::kEnd:
                    EndTouch(edge->contact, contacts.m_contactListener);
                    entry.stone.sleep_time = 0.0f;  // read before the wake
                    break;
                case Update::kEngine:
                    return false;
            }
        }
        entry.stone.Advance();  // the ice, then the body's island
    }

    // New pairs: a re-inserted box that overlaps the box of a body it has no
    // contact with yet (b2BroadPhase::UpdatePairs, QueryCallback and
    // b2ContactManager::AddPair; see EXACTNESS.md). The engine makes the contact within the step and
    // takes its time of impact with the others; allowed here only where that
    // cannot be an impact. Boxes that stay are as the tree holds them; two
    // re-inserted ones are compared as they will be.
    bool new_pairs = false;
    for (int i = 0; i < free.Count(); ++i) {
        const FreeBody& mover = free[i];
        if (!mover.stone.reinserted) continue;
        struct Meets {
            const b2BroadPhase* broad_phase;
            const FreeBody* mover;
            const FreeBodies* free;
            const DoomedContacts* doomed;
            bool* new_pairs;
            bool refused = false;
            bool QueryCallback(int32 proxy_id) {
                if (proxy_id == mover->proxy) return true;
                const auto* proxy = static_cast<const b2FixtureProxy*>(broad_phase->GetUserData(proxy_id));
                b2Body* other = proxy->fixture->GetBody();
                const FreeBody* moved = free->Find(other);
                if (moved != nullptr && moved->stone.reinserted) return true;  // compared below
                if (HaveContact(mover->body, other, *doomed)) return true;
                *new_pairs = true;
                if (MayPair(*free, mover->body, other)) return true;
                refused = true;
                return false;
            }
        } meets{&broad_phase, &mover, &free, &doomed, &new_pairs};
        broad_phase.Query(&meets, mover.stone.fat_box);
        if (meets.refused) return false;
        for (int j = i + 1; j < free.Count(); ++j) {
            const FreeBody& other = free[j];
            if (!other.stone.reinserted || !b2TestOverlap(mover.stone.fat_box, other.stone.fat_box) ||
                HaveContact(mover.body, other.body, doomed))
                continue;
            new_pairs = true;
            if (!MayPair(free, mover.body, other.body)) return false;
        }
    }

    // Times of impact, for every contact with a body still awake after its
    // island, as the engine's continuous step takes them (mirrors
    // b2World::SolveTOI's search for the first one and its threshold; see
    // EXACTNESS.md).
    for (int i = 0; i < free.Count(); ++i) {
        for (b2ContactEdge* edge = free[i].body->GetContactList(); edge != nullptr; edge = edge->next) {
            const FreeBody* other = free.Find(edge->other);
            if (other != nullptr && other < &free[i]) continue;  // done from there
            b2Contact* contact = edge->contact;
            if (doomed.Contains(contact)) continue;
            b2Fixture* fixture_a = contact->GetFixtureA();
            b2Fixture* fixture_b = contact->GetFixtureB();
            CentrePath const path_a = free.PathOf(fixture_a->GetBody());
            CentrePath const path_b = free.PathOf(fixture_b->GetBody());
            if (!path_a.awake_after && !path_b.awake_after) continue;
            if (FarApartThroughout(path_a, path_b)) continue;
            b2TOIInput input;
            input.proxyA.Set(fixture_a->GetShape(), contact->GetChildIndexA());
            input.proxyB.Set(fixture_b->GetShape(), contact->GetChildIndexB());
            input.sweepA = free.SweepOf(fixture_a->GetBody());
            input.sweepB = free.SweepOf(fixture_b->GetBody());
            input.tMax = 1.0f;
            b2TOIOutput output;
            b2TimeOfImpact(&output, &input);
            float const alpha0 = 0.0f;
            float const beta = output.t;
            float const alpha =
                output.state == b2TOIOutput::e_touching ? b2Min(alpha0 + (1.0f - alpha0) * beta, 1.0f) : 1.0f;
            if (alpha < 1.0f && !(1.0f - 10.0f * b2_epsilon < alpha)) return false;
        }
    }

    // Nothing stands in the way. The contact update comes first in the
    // engine's step; then write the bodies as their islands would,
    // then move their proxies in the engine's order and let the engine look
    // for new pairs.
    doomed.Destroy(contacts);
    for (int i = 0; i < free.Count(); ++i) free[i].stone.WriteTo(*free[i].body);
    // Only re-inserted proxies are moved, and only they can make pairs
    // (EXACTNESS.md, invariant 4; `new_pairs` is set only by them).
    for (int i = 0; i < free.Count(); ++i) {
        const FreeBody& entry = free[i];
        if (!entry.stone.reinserted) continue;
        if (new_pairs) {
            broad_phase.MoveProxy(entry.proxy, entry.stone.swept_box, entry.stone.displacement);
        } else {
            MoveProxyFindingNoPair(broad_phase, entry.proxy, entry.stone.swept_box, entry.stone.displacement);
        }
    }
    if (new_pairs) contacts.FindNewContacts();

    // Every other enabled stone sleeps, so is still (EXACTNESS.md, invariant 1).
    all_stopped = true;
    for (int i = 0; i < free.Count() && all_stopped; ++i)
        all_stopped = !Moving(free[i].stone.velocity, free[i].stone.angular_velocity);
    stopped_dirty = false;
    return true;
}

}  // namespace glidestone::simulators
