#include "simulator/fcv1/broad_phase_moves.h"

#include "simulator/fcv1/engine_access.h"

namespace glidestone::simulators {

void MoveProxyFindingNoPair(b2BroadPhase& broad_phase, int32 proxy, const b2AABB& swept_box,
                            const b2Vec2& displacement) {
    b2DynamicTree& tree = engine_access::Tree(broad_phase);
    tree.MoveProxy(proxy, swept_box, displacement);
    tree.ClearMoved(proxy);
}

}  // namespace glidestone::simulators
