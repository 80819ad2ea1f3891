#pragma once
// Two doubles in the lanes of an SSE2 register, for the output formula (see
// Lanes.h).  Only for files compiled where TINTAVO_HAVE_SSE2 is set.

#include "transfer/Lanes.h"
#include "transfer/Sse2.h"

#if defined(TINTAVO_HAVE_SSE2)

namespace transfer_detail {

struct Double2 {
  __m128d v;
};

template <>
inline Double2 Broadcast<Double2>(double value) {
  return {_mm_set1_pd(value)};
}

inline Double2 operator+(Double2 a, Double2 b) { return {_mm_add_pd(a.v, b.v)}; }
inline Double2 operator-(Double2 a, Double2 b) { return {_mm_sub_pd(a.v, b.v)}; }
inline Double2 operator*(Double2 a, Double2 b) { return {_mm_mul_pd(a.v, b.v)}; }
inline Double2 operator/(Double2 a, Double2 b) { return {_mm_div_pd(a.v, b.v)}; }
// maxpd answers its second operand unless the first is greater: a > b ? a : b.
inline Double2 Max(Double2 a, Double2 b) { return {_mm_max_pd(a.v, b.v)}; }
inline Double2 Min(Double2 a, Double2 b) { return {_mm_min_pd(a.v, b.v)}; }
inline Double2 Abs(Double2 a) { return {_mm_and_pd(a.v, _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL)))}; }

}  // namespace transfer_detail

#endif
