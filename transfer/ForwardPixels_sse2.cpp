// The conversion passes' SSE2 loop: the three fractions in descending
// order without a table, the four vertices' l, alpha and beta in two double
// pairs each, the sums of l and alpha (and of l^2 and l alpha) side by side.
#include "transfer/ForwardPixels.h"

#include "transfer/Sse2.h"

namespace transfer_detail {

#if defined(TINTAVO_HAVE_SSE2)

namespace {

template <int kBytesPerPixel, bool kByteSums>
void Pixels(const ForwardKernel& k, const std::uint8_t* row, int width, float* planeL, float* planeAlpha,
            float* planeBeta, double sums[6], std::uint64_t* byteSums) {
  constexpr int kRed = kBytesPerPixel == 1 ? 0 : 2;
  constexpr int kGreen = kBytesPerPixel == 1 ? 0 : 1;
  const ForwardKernel::Node* const nodes = k.nodes.data();
  __m128d sumLA = _mm_setzero_pd();    // l, alpha
  __m128d sumB = _mm_setzero_pd();     // beta
  __m128d sumLLA = _mm_setzero_pd();   // l^2, l alpha
  __m128d sumLB = _mm_setzero_pd();    // l beta
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
    const __m128d one = _mm_set_sd(1.0);
    const __m128d w0 = _mm_unpacklo_pd(_mm_sub_sd(one, first), _mm_sub_sd(one, first));
    const __m128d w1 = _mm_unpacklo_pd(_mm_sub_sd(first, middle), _mm_sub_sd(first, middle));
    const __m128d w2 = _mm_unpacklo_pd(_mm_sub_sd(middle, last), _mm_sub_sd(middle, last));
    const __m128d w3 = _mm_unpacklo_pd(last, last);
    const ForwardKernel::Node* n0 = nodes + (k.offset[0][r] + k.offset[1][g] + k.offset[2][b]);
    const __m128 v0 = _mm_loadu_ps(n0->value);
    const __m128 v1 = _mm_loadu_ps(n0[k.second[t]].value);
    const __m128 v2 = _mm_loadu_ps(n0[k.third[t]].value);
    const __m128 v3 = _mm_loadu_ps(n0[k.opposite].value);
    const __m128d la = _mm_add_pd(
        _mm_add_pd(_mm_add_pd(_mm_mul_pd(w0, _mm_cvtps_pd(v0)), _mm_mul_pd(w1, _mm_cvtps_pd(v1))),
                   _mm_mul_pd(w2, _mm_cvtps_pd(v2))),
        _mm_mul_pd(w3, _mm_cvtps_pd(v3)));
    const __m128d be = _mm_add_pd(
        _mm_add_pd(_mm_add_pd(_mm_mul_pd(w0, _mm_cvtps_pd(_mm_movehl_ps(v0, v0))),
                              _mm_mul_pd(w1, _mm_cvtps_pd(_mm_movehl_ps(v1, v1)))),
                   _mm_mul_pd(w2, _mm_cvtps_pd(_mm_movehl_ps(v2, v2)))),
        _mm_mul_pd(w3, _mm_cvtps_pd(_mm_movehl_ps(v3, v3))));
    const __m128 laFloat = _mm_cvtpd_ps(la);
    const __m128 beFloat = _mm_cvtpd_ps(be);
    _mm_store_ss(planeL + x, laFloat);
    _mm_store_ss(planeAlpha + x, _mm_shuffle_ps(laFloat, laFloat, 1));
    _mm_store_ss(planeBeta + x, beFloat);
    // The sums of the stored values.
    const __m128d laStored = _mm_cvtps_pd(laFloat);
    const __m128d beStored = _mm_cvtps_pd(beFloat);  // beta, 0
    const __m128d ll = _mm_unpacklo_pd(laStored, laStored);
    sumLA = _mm_add_pd(sumLA, laStored);
    sumB = _mm_add_sd(sumB, beStored);
    sumLLA = _mm_add_pd(sumLLA, _mm_mul_pd(ll, laStored));
    sumLB = _mm_add_sd(sumLB, _mm_mul_sd(ll, beStored));
  }
  double pair[2];
  _mm_storeu_pd(pair, sumLA);
  sums[kSumL] = pair[0];
  sums[kSumAlpha] = pair[1];
  sums[kSumBeta] = _mm_cvtsd_f64(sumB);
  _mm_storeu_pd(pair, sumLLA);
  sums[kSumLL] = pair[0];
  sums[kSumLAlpha] = pair[1];
  sums[kSumLBeta] = _mm_cvtsd_f64(sumLB);
  if (kByteSums) byteSums[0] = sumR, byteSums[1] = sumG, byteSums[2] = sumBytesB;
}

struct Sse2ForwardLoop {
  template <int kBytesPerPixel, bool kByteSums>
  static void Run(const ForwardKernel* kernel, const std::uint8_t* row, int width, float* l, float* alpha,
                  float* beta, double* sums, std::uint64_t* byteSums) {
    Pixels<kBytesPerPixel, kByteSums>(*kernel, row, width, l, alpha, beta, sums, byteSums);
  }
};

}  // namespace

bool HaveSse2ForwardPixels() { return true; }

void ForwardPixelsSse2(const ForwardKernel& kernel, const std::uint8_t* row, int bytesPerPixel, int width,
                       float* l, float* alpha, float* beta, double sums[6], std::uint64_t* byteSums) {
  RunForFormat<Sse2ForwardLoop>(bytesPerPixel, byteSums != nullptr, &kernel, row, width, l, alpha, beta, sums, byteSums);
}

#else

bool HaveSse2ForwardPixels() { return false; }
void ForwardPixelsSse2(const ForwardKernel&, const std::uint8_t*, int, int, float*, float*, float*, double*,
                       std::uint64_t*) {}

#endif

}  // namespace transfer_detail
