/* Stand-in for glibc's internal math_private.h: the word access macros of the
   fdlibm-derived files, written as glibc's generic version writes them. */
#ifndef GLIDESTONE_GLIBC_BUILD_MATH_PRIVATE_H
#define GLIDESTONE_GLIBC_BUILD_MATH_PRIVATE_H

#include <stdint.h>

typedef union {
    float value;
    uint32_t word;
} ieee_float_shape_type;

#define GET_FLOAT_WORD(i, d)        \
    do {                            \
        ieee_float_shape_type gf_u; \
        gf_u.value = (d);           \
        (i) = gf_u.word;            \
    } while (0)

#define SET_FLOAT_WORD(d, i)        \
    do {                            \
        ieee_float_shape_type sf_u; \
        sf_u.word = (i);            \
        (d) = sf_u.value;           \
    } while (0)

#include <math-barriers.h>

#endif
