/* The single-precision functions every result of this project goes through,
   built from the pinned glibc 2.36 sources in third_party/glibc with the
   project's float flags (math/CMakeLists.txt). They give glibc 2.36's results
   without fused multiply-adds on every machine, whatever C library, CPU or
   compiler contraction default the machine has; the C library's own sinf and
   friends differ between glibc versions and between CPUs with and without
   FMA. Usable from C and C++. */
#ifndef GLIDESTONE_MATH_PINNED_MATH_H
#define GLIDESTONE_MATH_PINNED_MATH_H

#ifdef __cplusplus
#define GLIDESTONE_PINNED_NOEXCEPT noexcept
extern "C" {
#else
#define GLIDESTONE_PINNED_NOEXCEPT
#endif

float glidestone_sinf(float x) GLIDESTONE_PINNED_NOEXCEPT;
float glidestone_cosf(float x) GLIDESTONE_PINNED_NOEXCEPT;
/* Both at once, each bit for bit what sinf and cosf give, at about the cost
   of one of them. */
void glidestone_sincosf(float x, float* sine, float* cosine) GLIDESTONE_PINNED_NOEXCEPT;
float glidestone_powf(float x, float y) GLIDESTONE_PINNED_NOEXCEPT;
float glidestone_logf(float x) GLIDESTONE_PINNED_NOEXCEPT;
float glidestone_expf(float x) GLIDESTONE_PINNED_NOEXCEPT;
float glidestone_atan2f(float y, float x) GLIDESTONE_PINNED_NOEXCEPT;
float glidestone_hypotf(float x, float y) GLIDESTONE_PINNED_NOEXCEPT;

#ifdef __cplusplus
}

namespace glidestone::pinned {

inline float Sin(float x) noexcept {
    return glidestone_sinf(x);
}
inline float Cos(float x) noexcept {
    return glidestone_cosf(x);
}
struct SineCosine {
    float sine;
    float cosine;
};
inline SineCosine SinCos(float x) noexcept {
    SineCosine result;
    glidestone_sincosf(x, &result.sine, &result.cosine);
    return result;
}
inline float Pow(float x, float y) noexcept {
    return glidestone_powf(x, y);
}
inline float Log(float x) noexcept {
    return glidestone_logf(x);
}
inline float Exp(float x) noexcept {
    return glidestone_expf(x);
}
inline float Atan2(float y, float x) noexcept {
    return glidestone_atan2f(y, x);
}
inline float Hypot(float x, float y) noexcept {
    return glidestone_hypotf(x, y);
}

}  // namespace glidestone::pinned
#endif

#endif
