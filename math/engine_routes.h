/* Forced (-include) into every source file compiled against the physics
   engine, its own unedited sources included (engine/CMakeLists.txt): the
   engine names the C library's sinf, cosf, atan2f and expf, in its sources
   and in inline functions of its headers; these macros send each call to the
   pinned function of the same name (sinf and cosf through the pair below). Only exactly rounded operations are left
   to the platform: sqrtf (an IEEE operation) and floorf. */
#ifndef GLIDESTONE_MATH_ENGINE_ROUTES_H
#define GLIDESTONE_MATH_ENGINE_ROUTES_H

#include "pinned_math.h"

/* The C library's own declarations first, under their own names: its header
   builds further names out of these, which the macros below must not reach. */
#ifdef __cplusplus
#include <cmath>
#else
#include <math.h>
#endif

#ifdef __cplusplus
#include <cstdint>
#include <cstring>

namespace glidestone::pinned::engine_route {

/* The engine takes the sine and then the cosine of one angle for every
   rotation it sets (b2Rot::Set and its constructor: every body, every frame).
   sincosf gives both, each bit for bit what sinf and cosf give, at about the
   cost of one; so the sine computes both and keeps the cosine for the call
   that follows. The compiler would merge the pair into one sincosf itself if
   the calls were the C library's; the pinned ones it cannot see through. One
   cosine a thread, taken at most once; any other cosine is computed. */
struct CosineMemo {
    std::uint32_t angle_bits = 0;
    float cosine = 0.0f;
    bool valid = false;
};

inline CosineMemo& Memo() noexcept {
    static thread_local CosineMemo memo;
    return memo;
}

inline std::uint32_t Bits(float x) noexcept {
    std::uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

inline float Sine(float x) noexcept {
    float sine;
    CosineMemo& memo = Memo();
    glidestone_sincosf(x, &sine, &memo.cosine);
    memo.angle_bits = Bits(x);
    memo.valid = true;
    return sine;
}

inline float Cosine(float x) noexcept {
    CosineMemo& memo = Memo();
    if (memo.valid && memo.angle_bits == Bits(x)) {
        memo.valid = false;
        return memo.cosine;
    }
    return glidestone_cosf(x);
}

}  // namespace glidestone::pinned::engine_route

#define sinf ::glidestone::pinned::engine_route::Sine
#define cosf ::glidestone::pinned::engine_route::Cosine
#else
#define sinf glidestone_sinf
#define cosf glidestone_cosf
#endif
#define atan2f glidestone_atan2f
#define expf glidestone_expf

#endif
