#pragma once

#include <box2d/box2d.h>

namespace glidestone::simulators::engine_access {

// The engine keeps a body's sweep, transform, velocities and sleep timer
// private, and its only setter for the transform also re-synchronises the
// body's proxy in the broad phase, which for a fast body re-inserts it and so
// reshapes the tree. A frame the simulator advances for the engine has to
// leave the body exactly as the engine's own step would, and the tree
// untouched but for what that step would do to it; these accessors reach the
// fields that step writes.
//
// They use the rule that access checking does not apply to the names in an
// explicit instantiation: `Grant` is instantiated with a pointer to each
// member, and hands it out through a friend function found by its tag. The
// engine is pinned (third_party/box2d, checked against its checksums), so the
// fields cannot change under this code unnoticed.
//
// An explicit instantiation may appear only once in a program: include this
// header from one source file.

template <typename Tag, typename Tag::type kMember>
struct Grant {
    friend constexpr typename Tag::type MemberOf(Tag) { return kMember; }
};

struct BodySweep {
    using type = b2Sweep b2Body::*;
    friend constexpr type MemberOf(BodySweep);
};
struct BodyTransform {
    using type = b2Transform b2Body::*;
    friend constexpr type MemberOf(BodyTransform);
};
struct BodyLinearVelocity {
    using type = b2Vec2 b2Body::*;
    friend constexpr type MemberOf(BodyLinearVelocity);
};
struct BodyAngularVelocity {
    using type = float b2Body::*;
    friend constexpr type MemberOf(BodyAngularVelocity);
};
struct BodySleepTime {
    using type = float b2Body::*;
    friend constexpr type MemberOf(BodySleepTime);
};
struct ContactFlags {
    using type = uint32 b2Contact::*;
    friend constexpr type MemberOf(ContactFlags);
};
struct FixtureProxies {
    using type = b2FixtureProxy* b2Fixture::*;
    friend constexpr type MemberOf(FixtureProxies);
};

template struct Grant<BodySweep, &b2Body::m_sweep>;
template struct Grant<BodyTransform, &b2Body::m_xf>;
template struct Grant<BodyLinearVelocity, &b2Body::m_linearVelocity>;
template struct Grant<BodyAngularVelocity, &b2Body::m_angularVelocity>;
template struct Grant<BodySleepTime, &b2Body::m_sleepTime>;
template struct Grant<FixtureProxies, &b2Fixture::m_proxies>;
template struct Grant<ContactFlags, &b2Contact::m_flags>;

inline b2Sweep& Sweep(b2Body& body) {
    return body.*MemberOf(BodySweep{});
}
inline b2Transform& Transform(b2Body& body) {
    return body.*MemberOf(BodyTransform{});
}
inline b2Vec2& LinearVelocity(b2Body& body) {
    return body.*MemberOf(BodyLinearVelocity{});
}
inline float& AngularVelocity(b2Body& body) {
    return body.*MemberOf(BodyAngularVelocity{});
}
inline float& SleepTime(b2Body& body) {
    return body.*MemberOf(BodySleepTime{});
}

// A contact's touching flag, as its update sets and clears it. The flag's
// value is the engine's own, read where a derived class may name it.
struct ContactFlagValues : b2Contact {
    static constexpr uint32 kTouching = e_touchingFlag;
};
inline void ClearTouching(b2Contact& contact) {
    contact.*MemberOf(ContactFlags{}) &= ~ContactFlagValues::kTouching;
}

// The broad-phase proxy of a circle fixture (which has exactly one child).
inline b2FixtureProxy& Proxy(b2Fixture& fixture) {
    return (fixture.*MemberOf(FixtureProxies{}))[0];
}

}  // namespace glidestone::simulators::engine_access
