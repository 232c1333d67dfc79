/* Forced (-include) into every source file compiled against the physics
   engine, its own unedited sources included (engine/CMakeLists.txt): the
   engine names the C library's sinf, cosf, atan2f and expf, in its sources
   and in inline functions of its headers; these macros send each call to the
   pinned function of the same name. Only exactly rounded operations are left
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

#define sinf glidestone_sinf
#define cosf glidestone_cosf
#define atan2f glidestone_atan2f
#define expf glidestone_expf

#endif
