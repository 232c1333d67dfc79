/* Stand-in for glibc's math-barriers.h (its generic version): keeps the
   compiler from moving or dropping evaluations that raise floating-point
   exceptions. */
#ifndef GLIDESTONE_GLIBC_BUILD_MATH_BARRIERS_H
#define GLIDESTONE_GLIBC_BUILD_MATH_BARRIERS_H

#define math_opt_barrier(x)    \
    ({                         \
        __typeof(x) __x = (x); \
        __asm("" : "+m"(__x)); \
        __x;                   \
    })
#define math_force_eval(x)                   \
    ({                                       \
        __typeof(x) __x = (x);               \
        __asm __volatile__("" : : "m"(__x)); \
    })

#endif
