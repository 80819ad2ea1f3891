// The conversion passes' AVX2 loop: each pixel's four vertices as (l, alpha,
// beta, 0) in one register of four doubles, weighted and added in the plain
// loop's order; the sums of l, alpha, beta and of l^2, l alpha, l beta side
// by side in two such registers, one pixel after the other.
//
// Compiled with AVX2 code generation; run only where the processor has it.
// Nothing here calls an inline function shared with other files.
#include "transfer/ForwardPixels.h"

#include <immintrin.h>

namespace transfer_detail {

namespace {

template <int kBytesPerPixel, bool kByteSums>
void Pixels(const ForwardKernel& k, const std::uint8_t* row, int width, float* planeL, float* planeAlpha,
            float* planeBeta, double sums[6], std::uint64_t* byteSums) {
  constexpr int kRed = kBytesPerPixel == 1 ? 0 : 2;
  constexpr int kGreen = kBytesPerPixel == 1 ? 0 : 1;
  const ForwardKernel::Node* const nodes = k.nodeArray;
  __m256d sumLab = _mm256_setzero_pd();     // l, alpha, beta, 0
  __m256d sumLTimes = _mm256_setzero_pd();  // l^2, l alpha, l beta, 0
  std::uint64_t sumR = 0, sumG = 0, sumBytesB = 0;
  for (int x = 0; x < width; ++x, row += kBytesPerPixel) {
    const int r = row[kRed], g = row[kGreen], b = row[0];
    if (kByteSums) {
      sumR += static_cast<std::uint64_t>(r);
      sumG += static_cast<std::uint64_t>(g);
      sumBytesB += static_cast<std::uint64_t>(b);
    }
    const float* const fraction0 = &k.fraction[0][r];
    const float* const fraction1 = &k.fraction[1][g];
    const float* const fraction2 = &k.fraction[2][b];
    const int t = static_cast<int>(*fraction0 >= *fraction1) | (static_cast<int>(*fraction1 >= *fraction2) << 1) |
                  (static_cast<int>(*fraction0 >= *fraction2) << 2);
    // The fractions (exact as doubles) in descending order with min and max,
    // which compare as the tetrahedron table does; ties give equal values
    // whichever axis they come from.
    const __m128d f0 = _mm_cvtss_sd(_mm_setzero_pd(), _mm_load_ss(fraction0));
    const __m128d f1 = _mm_cvtss_sd(_mm_setzero_pd(), _mm_load_ss(fraction1));
    const __m128d f2 = _mm_cvtss_sd(_mm_setzero_pd(), _mm_load_ss(fraction2));
    const __m128d low01 = _mm_min_sd(f0, f1);
    const __m128d high01 = _mm_max_sd(f0, f1);
    const __m128d first = _mm_max_sd(high01, f2);
    const __m128d middle = _mm_min_sd(high01, _mm_max_sd(low01, f2));
    const __m128d last = _mm_min_sd(low01, f2);
    const __m256d w0 = _mm256_broadcastsd_pd(_mm_sub_sd(_mm_set_sd(1.0), first));
    const __m256d w1 = _mm256_broadcastsd_pd(_mm_sub_sd(first, middle));
    const __m256d w2 = _mm256_broadcastsd_pd(_mm_sub_sd(middle, last));
    const __m256d w3 = _mm256_broadcastsd_pd(last);
    const ForwardKernel::Node* n0 = nodes + (k.offset[0][r] + k.offset[1][g] + k.offset[2][b]);
    const __m256d v0 = _mm256_cvtps_pd(_mm_load_ps(n0->value));
    const __m256d v1 = _mm256_cvtps_pd(_mm_load_ps(n0[k.second[t]].value));
    const __m256d v2 = _mm256_cvtps_pd(_mm_load_ps(n0[k.third[t]].value));
    const __m256d v3 = _mm256_cvtps_pd(_mm_load_ps(n0[k.opposite].value));
    const __m256d lab = _mm256_add_pd(
        _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(w0, v0), _mm256_mul_pd(w1, v1)), _mm256_mul_pd(w2, v2)),
        _mm256_mul_pd(w3, v3));
    const __m128 stored = _mm256_cvtpd_ps(lab);
    _mm_store_ss(planeL + x, stored);
    _mm_store_ss(planeAlpha + x, _mm_shuffle_ps(stored, stored, 1));
    _mm_store_ss(planeBeta + x, _mm_shuffle_ps(stored, stored, 2));
    // The sums of the stored values.
    const __m256d value = _mm256_cvtps_pd(stored);
    sumLab = _mm256_add_pd(sumLab, value);
    sumLTimes = _mm256_add_pd(sumLTimes, _mm256_mul_pd(_mm256_permute4x64_pd(value, 0), value));
  }
  alignas(32) double lab[4], lTimes[4];
  _mm256_store_pd(lab, sumLab);
  _mm256_store_pd(lTimes, sumLTimes);
  sums[kSumL] = lab[0];
  sums[kSumAlpha] = lab[1];
  sums[kSumBeta] = lab[2];
  sums[kSumLL] = lTimes[0];
  sums[kSumLAlpha] = lTimes[1];
  sums[kSumLBeta] = lTimes[2];
  if (kByteSums) byteSums[0] = sumR, byteSums[1] = sumG, byteSums[2] = sumBytesB;
}

struct Avx2ForwardLoop {
  template <int kBytesPerPixel, bool kByteSums>
  static void Run(const ForwardKernel* kernel, const std::uint8_t* row, int width, float* l, float* alpha,
                  float* beta, double* sums, std::uint64_t* byteSums) {
    Pixels<kBytesPerPixel, kByteSums>(*kernel, row, width, l, alpha, beta, sums, byteSums);
  }
};

}  // namespace

bool HaveAvx2ForwardPixels() { return true; }

void ForwardPixelsAvx2(const ForwardKernel& kernel, const std::uint8_t* row, int bytesPerPixel, int width,
                       float* l, float* alpha, float* beta, double sums[6], std::uint64_t* byteSums) {
  RunForFormat<Avx2ForwardLoop>(bytesPerPixel, byteSums != nullptr, &kernel, row, width, l, alpha, beta, sums,
                                byteSums);
}

}  // namespace transfer_detail
