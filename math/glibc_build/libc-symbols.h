/* Stand-in for the header glibc's own build forces into every file: what the
   vendored sources in third_party/glibc need of it, and nothing that could
   change a result. Forced into each of those files (-include) by
   math/CMakeLists.txt.

   Every external name the vendored files define gets a glidestone_ prefix,
   so that they never meet the C library's functions or its private tables,
   whether the C library comes as a shared object or as a static archive. */
#ifndef GLIDESTONE_GLIBC_BUILD_LIBC_SYMBOLS_H
#define GLIDESTONE_GLIBC_BUILD_LIBC_SYMBOLS_H

/* The entry points: math/pinned_math.h declares them. */
#define __sinf glidestone_sinf
#define __cosf glidestone_cosf
#define __sincosf glidestone_sincosf
#define __powf glidestone_powf
#define __logf glidestone_logf
#define __expf glidestone_expf
#define __hypotf glidestone_hypotf
#define __ieee754_atan2f glidestone_atan2f
#define __atanf glidestone_atanf

/* Tables and error helpers, internal to the library. */
#define __sincosf_table glidestone_sincosf_table
#define __inv_pio4 glidestone_inv_pio4
#define __exp2f_data glidestone_exp2f_data
#define __logf_data glidestone_logf_data
#define __log2f_data glidestone_log2f_data
#define __powf_log2_data glidestone_powf_log2_data
#define __math_oflowf glidestone_math_oflowf
#define __math_uflowf glidestone_math_uflowf
#define __math_may_uflowf glidestone_math_may_uflowf
#define __math_divzerof glidestone_math_divzerof
#define __math_invalidf glidestone_math_invalidf

/* Symbol versioning and aliases only export glibc's other names. */
#define strong_alias(name, aliasname)
#define weak_alias(name, aliasname)
#define versioned_symbol(lib, local, symbol, version)
#define libm_alias_finite(from, to)
#define libm_alias_float(from, to)
#define libm_alias_float_other(from, to)

#define attribute_hidden __attribute__((visibility("hidden")))

#include <errno.h>
#define __set_errno(value) (errno = (value))

#ifndef __glibc_likely
#define __glibc_likely(cond) __builtin_expect((cond), 1)
#define __glibc_unlikely(cond) __builtin_expect((cond), 0)
#endif

#endif
