#include "simulator/fcv1/engine_access.h"

namespace glidestone::simulators::engine_access {

namespace {

// Access checking does not apply to the names in an explicit instantiation:
// `Grant` is instantiated with a pointer to each member, and hands it out
// through a friend function found by its tag. Such an instantiation may
// appear only once in a program, hence this one source file.
template <typename Tag, typename Tag::type kMember>
struct Grant {
    friend constexpr typename Tag::type MemberOf(Tag) { return kMember; }
};

#define GLIDESTONE_MEMBER_TAG(Tag, Type, Class) \
    struct Tag {                                \
        using type = Type Class::*;             \
        friend constexpr type MemberOf(Tag);    \
    }

GLIDESTONE_MEMBER_TAG(BodySweep, b2Sweep, b2Body);
GLIDESTONE_MEMBER_TAG(BodyTransform, b2Transform, b2Body);
GLIDESTONE_MEMBER_TAG(BodyLinearVelocity, b2Vec2, b2Body);
GLIDESTONE_MEMBER_TAG(BodyAngularVelocity, float, b2Body);
GLIDESTONE_MEMBER_TAG(BodySleepTime, float, b2Body);
GLIDESTONE_MEMBER_TAG(FixtureProxies, b2FixtureProxy*, b2Fixture);
GLIDESTONE_MEMBER_TAG(ContactFlags, uint32, b2Contact);
GLIDESTONE_MEMBER_TAG(BroadPhaseTree, b2DynamicTree, b2BroadPhase);

#undef GLIDESTONE_MEMBER_TAG

template struct Grant<BodySweep, &b2Body::m_sweep>;
template struct Grant<BodyTransform, &b2Body::m_xf>;
template struct Grant<BodyLinearVelocity, &b2Body::m_linearVelocity>;
template struct Grant<BodyAngularVelocity, &b2Body::m_angularVelocity>;
template struct Grant<BodySleepTime, &b2Body::m_sleepTime>;
template struct Grant<FixtureProxies, &b2Fixture::m_proxies>;
template struct Grant<ContactFlags, &b2Contact::m_flags>;
template struct Grant<BroadPhaseTree, &b2BroadPhase::m_tree>;

// The flag's value is the engine's own, read where a derived class may name it.
struct ContactFlagValues : b2Contact {
    static constexpr uint32 kTouching = e_touchingFlag;
};

}  // namespace

b2Sweep& Sweep(b2Body& body) {
    return body.*MemberOf(BodySweep{});
}
const b2Sweep& Sweep(const b2Body& body) {
    return body.*MemberOf(BodySweep{});
}
b2Transform& Transform(b2Body& body) {
    return body.*MemberOf(BodyTransform{});
}
b2Vec2& LinearVelocity(b2Body& body) {
    return body.*MemberOf(BodyLinearVelocity{});
}
float& AngularVelocity(b2Body& body) {
    return body.*MemberOf(BodyAngularVelocity{});
}
float& SleepTime(b2Body& body) {
    return body.*MemberOf(BodySleepTime{});
}
float SleepTime(const b2Body& body) {
    return body.*MemberOf(BodySleepTime{});
}

b2FixtureProxy& Proxy(b2Fixture& fixture) {
    return (fixture.*MemberOf(FixtureProxies{}))[0];
}
int32 ProxyId(const b2Body& body) {
    return Proxy(*const_cast<b2Body&>(body).GetFixtureList()).proxyId;
}

b2DynamicTree& Tree(b2BroadPhase& broad_phase) {
    return broad_phase.*MemberOf(BroadPhaseTree{});
}

void ClearTouching(b2Contact& contact) {
    contact.*MemberOf(ContactFlags{}) &= ~ContactFlagValues::kTouching;
}

}  // namespace glidestone::simulators::engine_access
