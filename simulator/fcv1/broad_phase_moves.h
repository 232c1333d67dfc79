#pragma once

#include <box2d/box2d.h>

// The broad phase's side of a stone's move, for frames taken outside the
// engine: what its tree would do with the stone's proxy, computed without
// touching the tree, and the one tree operation those frames perform. Each
// mirrors an engine function named in EXACTNESS.md; the engine's versions
// are the reference the tests hold these to.

namespace glidestone::simulators {

// The box the engine computes for a circle of `radius` centred on its body at
// `centre` (mirrors b2CircleShape::ComputeAABB; see EXACTNESS.md).
inline b2AABB CircleBox(const b2Vec2& centre, float radius) {
    b2AABB box;
    box.lowerBound.Set(centre.x - radius, centre.y - radius);
    box.upperBound.Set(centre.x + radius, centre.y + radius);
    return box;
}

// The enlarged box the tree keeps or makes when a proxy whose enlarged box
// is `fat` is moved to the tight `box` with `displacement`; `reinserted`
// tells whether it replaced the box (the tree's proxy is then re-inserted
// and marked as moved). Mirrors b2DynamicTree::MoveProxy; see EXACTNESS.md.
// Inline: it runs for every moving stone of every frame taken outside the
// engine.
inline b2AABB MoveFatBox(const b2AABB& fat, const b2AABB& box, const b2Vec2& displacement, bool* reinserted) {
    b2AABB enlarged;
    b2Vec2 const r(b2_aabbExtension, b2_aabbExtension);
    enlarged.lowerBound = box.lowerBound - r;
    enlarged.upperBound = box.upperBound + r;

    b2Vec2 const d = b2_aabbMultiplier * displacement;
    if (d.x < 0.0f) {
        enlarged.lowerBound.x += d.x;
    } else {
        enlarged.upperBound.x += d.x;
    }
    if (d.y < 0.0f) {
        enlarged.lowerBound.y += d.y;
    } else {
        enlarged.upperBound.y += d.y;
    }

    if (fat.Contains(box)) {
        // A box that still holds the move but has grown too large (after a
        // fast move) is replaced all the same.
        b2AABB huge;
        huge.lowerBound = enlarged.lowerBound - 4.0f * r;
        huge.upperBound = enlarged.upperBound + 4.0f * r;
        if (huge.Contains(fat)) {
            *reinserted = false;
            return fat;
        }
    }
    *reinserted = true;
    return enlarged;
}

// The broad phase's move of a proxy the tree re-inserts, for a frame whose
// search for new pairs is known to find none: the tree moves the proxy, and
// what that search would then leave behind (the proxy's mark as moved
// cleared, the buffer of moves empty) is done instead of buffering the move
// and searching. Mirrors b2BroadPhase::MoveProxy followed by
// b2BroadPhase::UpdatePairs; see EXACTNESS.md.
void MoveProxyFindingNoPair(b2BroadPhase& broad_phase, int32 proxy, const b2AABB& swept_box,
                            const b2Vec2& displacement);

}  // namespace glidestone::simulators
