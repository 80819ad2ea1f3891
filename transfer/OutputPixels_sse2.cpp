// The output pass's loop with SSE2: the lattice sums of the four vertices in
// one multiply-add over 16-bit lanes (integer, so exact), the two distance
// weights in one division, and the blend and fade of R and G in one lane
// pair.  Every double lane does the operations of the scalar loop in its
// order (no fused multiply-add, no reassociation), so the bytes are the same.
#include "transfer/OutputPixels.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define TINTAVO_HAVE_SSE2 1
#include <emmintrin.h>

#include <cstring>
#endif

namespace transfer_detail {

#if defined(TINTAVO_HAVE_SSE2)

namespace {

// Three output bytes of a node read as one 32-bit word (the kernel's nodes
// are padded for the last one).
inline __m128i LoadNode(const unsigned char* node) {
  std::int32_t word;
  std::memcpy(&word, node, sizeof word);
  return _mm_cvtsi32_si128(word);
}

// (sum of weight x vertex byte + 128) >> 8 for R, G, B in lanes 0..2.
inline __m128i Interpolate(const VTetra::ByteKernel3& lattice, unsigned i0, unsigned i1, unsigned i2) {
  const unsigned char* n[4];
  int w[4];
  lattice.Locate(i0, i1, i2, n, w);
  const __m128i zero = _mm_setzero_si128();
  const __m128i first = _mm_unpacklo_epi8(_mm_unpacklo_epi8(LoadNode(n[0]), LoadNode(n[1])), zero);
  const __m128i second = _mm_unpacklo_epi8(_mm_unpacklo_epi8(LoadNode(n[2]), LoadNode(n[3])), zero);
  const __m128i w01 = _mm_set1_epi32(w[0] | (w[1] << 16));
  const __m128i w23 = _mm_set1_epi32(w[2] | (w[3] << 16));
  const __m128i sum = _mm_add_epi32(_mm_madd_epi16(first, w01), _mm_madd_epi16(second, w23));
  return _mm_srli_epi32(_mm_add_epi32(sum, _mm_set1_epi32(128)), 8);
}

template <int kMode, int kBytesPerPixel>
void Pixels(OutputRowData& d) {
  constexpr int kRed = kBytesPerPixel == 1 ? 0 : 2;
  constexpr int kGreen = kBytesPerPixel == 1 ? 0 : 1;
  const VTetra::ByteKernel3& backward = *d.backward;
  const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
  const __m128d floor = _mm_set1_pd(EngineConstants::kDistanceFloor);
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d keep = _mm_set1_pd(d.keep);
  __m128d sumRG = _mm_setzero_pd();
  __m128d sumB = _mm_setzero_pd();
  for (int x = 0; x < d.width; ++x) {
    double l;
    int index[3];
    MoveColour<kMode>(d, x, l, index);
    const int il = index[0], ia = index[1], ib = index[2];

    // Two lookups one l level apart (see the scalar loop).
    const __m128i c1 = Interpolate(backward, static_cast<unsigned>(il), static_cast<unsigned>(ia),
                                   static_cast<unsigned>(ib));
    const double l1 = d.levelL[il];
    const int up = static_cast<int>(l > l1) & static_cast<int>(il != 255);
    const unsigned char* next = d.neighbour[up];
    const __m128i c2 = Interpolate(backward, next[il], next[ia], next[ib]);
    const double l2 = d.neighbourL[up][il];

    // w1, w2 = 1 / max(|l - l1|, floor), 1 / max(|l - l2|, floor).
    const __m128d distance = _mm_and_pd(_mm_sub_pd(_mm_set1_pd(l), _mm_set_pd(l2, l1)), absMask);
    const __m128d weights = _mm_div_pd(one, _mm_max_pd(distance, floor));
    const __m128d w1 = _mm_unpacklo_pd(weights, weights);
    const __m128d w2 = _mm_unpackhi_pd(weights, weights);
    const __m128d inverseSum = _mm_div_pd(one, _mm_add_pd(w1, w2));

    // (c1 w1 + c2 w2) / (w1 + w2) for R, G in one pair and B in another.
    const __m128d rg = _mm_mul_pd(_mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(c1), w1), _mm_mul_pd(_mm_cvtepi32_pd(c2), w2)),
                                  inverseSum);
    const __m128d b = _mm_mul_pd(_mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(c1, 8)), w1),
                                            _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(c2, 8)), w2)),
                                 inverseSum);
    sumRG = _mm_add_pd(sumRG, rg);
    sumB = _mm_add_sd(sumB, b);

    // Fade with the source pixel, truncate and write in the source's format.
    const std::uint8_t* src = d.source + static_cast<std::size_t>(x) * kBytesPerPixel;
    std::uint8_t* dst = d.destination + static_cast<std::size_t>(x) * kBytesPerPixel;
    const __m128d fadedB = _mm_load_sd(&d.fadedByte[src[0]]);
    const int outB = _mm_cvtsi128_si32(_mm_cvttpd_epi32(_mm_add_sd(fadedB, _mm_mul_sd(b, keep))));
    if (kBytesPerPixel == 1) {
      dst[0] = static_cast<std::uint8_t>(outB);  // grey keeps the blue result
    } else {
      const __m128d fadedRG = _mm_loadh_pd(_mm_load_sd(&d.fadedByte[src[kRed]]), &d.fadedByte[src[kGreen]]);
      const __m128i outRG = _mm_cvttpd_epi32(_mm_add_pd(fadedRG, _mm_mul_pd(rg, keep)));
      dst[2] = static_cast<std::uint8_t>(_mm_cvtsi128_si32(outRG));
      dst[1] = static_cast<std::uint8_t>(_mm_cvtsi128_si32(_mm_srli_si128(outRG, 4)));
      dst[0] = static_cast<std::uint8_t>(outB);
    }
  }
  double rgSums[2];
  _mm_storeu_pd(rgSums, sumRG);
  d.sums[0] = rgSums[0];
  d.sums[1] = rgSums[1];
  d.sums[2] = _mm_cvtsd_f64(sumB);
}

}  // namespace

bool HaveSse2OutputPixels() { return true; }

void OutputPixelsSse2(OutputRowData& d, int mode, int bytesPerPixel) {
  switch (bytesPerPixel * 4 + mode) {
    case 1 * 4 + 0: Pixels<0, 1>(d); break;
    case 1 * 4 + 1: Pixels<1, 1>(d); break;
    case 1 * 4 + 2: Pixels<2, 1>(d); break;
    case 3 * 4 + 0: Pixels<0, 3>(d); break;
    case 3 * 4 + 1: Pixels<1, 3>(d); break;
    case 3 * 4 + 2: Pixels<2, 3>(d); break;
    case 4 * 4 + 0: Pixels<0, 4>(d); break;
    case 4 * 4 + 1: Pixels<1, 4>(d); break;
    case 4 * 4 + 2: Pixels<2, 4>(d); break;
    default: break;
  }
}

#else

bool HaveSse2OutputPixels() { return false; }
void OutputPixelsSse2(OutputRowData&, int, int) {}

#endif

}  // namespace transfer_detail
