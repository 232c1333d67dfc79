/* Stand-in for glibc's math-underflow.h: raises the underflow exception for a
   subnormal argument; the value returned never depends on it. */
#ifndef GLIDESTONE_GLIBC_BUILD_MATH_UNDERFLOW_H
#define GLIDESTONE_GLIBC_BUILD_MATH_UNDERFLOW_H

#include <float.h>
#include <math-barriers.h>

#define math_check_force_underflow(x)                                                     \
    do {                                                                                  \
        __typeof(x) force_underflow_tmp = (x);                                            \
        if (__builtin_fabsf(force_underflow_tmp) < FLT_MIN) {                             \
            __typeof(x) force_underflow_tmp2 = force_underflow_tmp * force_underflow_tmp; \
            math_force_eval(force_underflow_tmp2);                                        \
        }                                                                                 \
    } while (0)

#endif
