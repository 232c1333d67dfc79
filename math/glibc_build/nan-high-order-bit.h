/* Stand-in for glibc's nan-high-order-bit.h: a set high mantissa bit marks a
   quiet NaN (IEEE 754-2008), on x86 and AArch64 alike. */
#ifndef GLIDESTONE_GLIBC_BUILD_NAN_HIGH_ORDER_BIT_H
#define GLIDESTONE_GLIBC_BUILD_NAN_HIGH_ORDER_BIT_H
#define HIGH_ORDER_BIT_IS_SET_FOR_SNAN 0
#endif
