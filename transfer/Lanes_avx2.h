#pragma once
// Four doubles in the lanes of an AVX register, for the output formula (see
// Lanes.h).  Only for the files built with AVX2 code generation (the *_avx2
// files; CMake compiles them so only on x86 with a compiler that can).

#include <immintrin.h>

#include "transfer/Lanes.h"

namespace transfer_detail {

struct Double4 {
  __m256d v;
};

template <>
inline Double4 Broadcast<Double4>(double value) {
  return {_mm256_set1_pd(value)};
}

inline Double4 operator+(Double4 a, Double4 b) { return {_mm256_add_pd(a.v, b.v)}; }
inline Double4 operator-(Double4 a, Double4 b) { return {_mm256_sub_pd(a.v, b.v)}; }
inline Double4 operator*(Double4 a, Double4 b) { return {_mm256_mul_pd(a.v, b.v)}; }
inline Double4 operator/(Double4 a, Double4 b) { return {_mm256_div_pd(a.v, b.v)}; }
// vmaxpd answers its second operand unless the first is greater: a > b ? a : b.
inline Double4 Max(Double4 a, Double4 b) { return {_mm256_max_pd(a.v, b.v)}; }
inline Double4 Min(Double4 a, Double4 b) { return {_mm256_min_pd(a.v, b.v)}; }
inline Double4 Abs(Double4 a) {
  return {_mm256_and_pd(a.v, _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffffLL)))};
}
inline Double4 RoundedToFloat(Double4 a) { return {_mm256_cvtps_pd(_mm256_cvtpd_ps(a.v))}; }
inline void StoreLanes(Double4 a, double* const* records, int slot) {
  double lanes[4];
  _mm256_storeu_pd(lanes, a.v);
  for (int i = 0; i < 4; ++i) records[i][slot] = lanes[i];
}

}  // namespace transfer_detail
