/* Stand-in for glibc's math-narrow-eval.h. Float and double expressions are
   evaluated in their own precision on every target this project builds for
   (FLT_EVAL_METHOD 0), so the narrowing is the identity, as in glibc's build
   for them. */
#ifndef GLIDESTONE_GLIBC_BUILD_MATH_NARROW_EVAL_H
#define GLIDESTONE_GLIBC_BUILD_MATH_NARROW_EVAL_H

#include <float.h>
#if !defined(FLT_EVAL_METHOD) || FLT_EVAL_METHOD != 0
#error "the pinned float functions need FLT_EVAL_METHOD 0 (SSE2 on x86, any AArch64)"
#endif
#define math_narrow_eval(x) (x)

#endif
