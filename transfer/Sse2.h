#pragma once
// TINTAVO_HAVE_SSE2 and the SSE2 intrinsics where the build targets SSE2:
// every x86-64 build, and i686 with -msse2.  The engine's vector loops are
// compiled only then; elsewhere their plain loops run.

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TINTAVO_HAVE_SSE2 1
#include <emmintrin.h>
#endif
