/* Stand-in for glibc's math-svid-compat.h: no SVID error handling; the
   functions keep their current glibc behaviour. */
#ifndef GLIDESTONE_GLIBC_BUILD_MATH_SVID_COMPAT_H
#define GLIDESTONE_GLIBC_BUILD_MATH_SVID_COMPAT_H
#define LIBM_SVID_COMPAT 0
#endif
