// The output pass's loop with SSE2: the colour moves, distance weights,
// blend and fade of two pixels at a time in packed doubles, and the lattice
// sums of the four vertices in one multiply-add over 16-bit lanes (integer,
// so exact), their results kept in a cache.  Every double lane does the
// operations of the plain loop in its order (no fused multiply-add, no
// reassociation), and the row sums add the pixels one after the other as
// the plain loop does, so the bytes and sums are the same.
#include "transfer/OutputPixels.h"

#include <cstring>

#include "transfer/Sse2.h"

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

inline __m128d Broadcast(double v) { return _mm_set1_pd(v); }

// Two floats from a plane as two doubles (exact).
inline __m128d LoadTwo(const float* p) {
  return _mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
}

// The row runs in blocks of kBlock pixels, each in three short loops whose
// steps do not depend on one another (so the processor overlaps many of
// them): the colour moves two pixels at a time, the lattice lookups pixel by
// pixel, and the blend and fade two pixels at a time.
constexpr int kBlock = 64;

struct Block {
  alignas(16) double l[kBlock];              // moved l
  alignas(16) double l1[kBlock];             // l of the first lookup's level
  alignas(16) double l2[kBlock];             // ... and of the second's
  alignas(16) std::uint32_t first[kBlock];   // R, G, B bytes of the first lookup
  alignas(16) std::uint32_t second[kBlock];  // ... and of the second
  alignas(16) std::int16_t index[3][kBlock];
};

// The backward lattice at (i0, i1, i2) as R, G, B bytes, kept in `slot`
// under `key` (see Lookup).  Out of line: most lookups never come here.
#if defined(__GNUC__) || defined(__clang__)
__attribute__((noinline))
#endif
std::uint32_t LookupMiss(std::uint64_t& slot, std::uint32_t key, const VTetra::ByteKernel3& lattice, unsigned i0,
                         unsigned i1, unsigned i2) {
  const __m128i c = Interpolate(lattice, i0, i1, i2);
  const std::uint32_t value =
      static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(c, c), c))) & 0xFFFFFFu;
  slot = (static_cast<std::uint64_t>(key + 1) << 32) | value;
  return value;
}

// The backward lattice at (i0, i1, i2) as R, G, B bytes, through the row
// data's cache of earlier results: pictures repeat their colours, so most
// lookups are answered there.  A slot holds the key plus one (0 is empty)
// above the three bytes.
VTETRA_ALWAYS_INLINE std::uint32_t Lookup(std::uint64_t* cache, const VTetra::ByteKernel3& lattice, unsigned i0,
                                          unsigned i1, unsigned i2) {
  const std::uint32_t key = i0 | (i1 << 8) | (i2 << 16);
  std::uint64_t& slot = cache[(key * 2654435761u) >> (32 - kLookupCacheBits)];
  if (static_cast<std::uint32_t>(slot >> 32) == key + 1) return static_cast<std::uint32_t>(slot);
  return LookupMiss(slot, key, lattice, i0, i1, i2);
}

// R, G, B of pixels i and i + 1 from their packed bytes, each channel as two
// 32-bit lanes: red and green in `rg` (R0 R1 G0 G1), blue in `b` (B0 B1).
inline void Unpack(const std::uint32_t* packed, int i, __m128i& rg, __m128i& b) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i words = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(packed + i)), zero);
  const __m128i channels = _mm_unpacklo_epi16(words, _mm_srli_si128(words, 8));  // R0 R1 G0 G1 B0 B1 x x
  rg = _mm_unpacklo_epi16(channels, zero);
  b = _mm_unpackhi_epi16(channels, zero);
}

// The per-call numbers of the loop, read once into registers' reach: the
// destination is written through byte pointers, which could alias anything
// the loop reads through a pointer or reference.
struct Constants {
  __m128d sourceMean[3], templateMean[3], sourceSigmaL, templateSigmaL;
  __m128d ratioAlpha, ratioBeta, colourGain, lShift;
  __m128d pAlpha, qAlpha, pBeta, qBeta, pBetaAlpha, qBetaAlpha;
  __m128d lMin, lMax, lIndexScale, alphaMin, alphaMax, betaMin, betaMax, alphaIndexScale, betaIndexScale;
  bool scaleL, scaleAlpha, scaleBeta;
  explicit Constants(const OutputRowData& d) {
    using C = EngineConstants;
    for (int i = 0; i < 3; ++i) {
      sourceMean[i] = Broadcast(d.sourceMean[i]);
      templateMean[i] = Broadcast(d.templateMean[i]);
    }
    sourceSigmaL = Broadcast(d.sourceSigmaL);
    templateSigmaL = Broadcast(d.templateSigmaL);
    ratioAlpha = Broadcast(d.ratioAlpha);
    ratioBeta = Broadcast(d.ratioBeta);
    colourGain = Broadcast(d.colourGain);
    lShift = Broadcast(d.lShift);
    pAlpha = Broadcast(d.pAlpha);
    qAlpha = Broadcast(d.qAlpha);
    pBeta = Broadcast(d.pBeta);
    qBeta = Broadcast(d.qBeta);
    pBetaAlpha = Broadcast(d.pBetaAlpha);
    qBetaAlpha = Broadcast(d.qBetaAlpha);
    lMin = Broadcast(d.lMin);
    lMax = Broadcast(d.lMax);
    lIndexScale = Broadcast(d.lIndexScale);
    alphaMin = Broadcast(C::kAlphaMin);
    alphaMax = Broadcast(C::kAlphaMax);
    betaMin = Broadcast(C::kBetaMin);
    betaMax = Broadcast(C::kBetaMax);
    alphaIndexScale = Broadcast(C::kAlphaIndexScale);
    betaIndexScale = Broadcast(C::kBetaIndexScale);
    scaleL = d.scaleL;
    scaleAlpha = d.scaleAlpha;
    scaleBeta = d.scaleBeta;
  }
};

// MoveColour (OutputPixels.h) for two pixels, one per lane.
template <int kMode>
inline void MoveTwo(const Constants& c, __m128d l, __m128d alpha, __m128d beta, Block& out, int i) {
  if (kMode != 2) {
    l = c.scaleL ? _mm_add_pd(_mm_mul_pd(_mm_div_pd(_mm_sub_pd(l, c.sourceMean[0]), c.sourceSigmaL), c.templateSigmaL),
                              c.templateMean[0])
                 : _mm_add_pd(_mm_sub_pd(l, c.sourceMean[0]), c.templateMean[0]);
  }
  if (kMode == 1) {
    alpha = _mm_mul_pd(alpha, c.colourGain);
    beta = _mm_mul_pd(beta, c.colourGain);
  } else {
    alpha = c.scaleAlpha
                ? _mm_add_pd(_mm_mul_pd(_mm_mul_pd(c.ratioAlpha, _mm_sub_pd(alpha, c.sourceMean[1])), c.colourGain),
                             c.templateMean[1])
                : _mm_add_pd(_mm_sub_pd(alpha, c.sourceMean[1]), c.templateMean[1]);
    beta = c.scaleBeta
               ? _mm_add_pd(_mm_mul_pd(_mm_mul_pd(c.ratioBeta, _mm_sub_pd(beta, c.sourceMean[2])), c.colourGain),
                            c.templateMean[2])
               : _mm_add_pd(_mm_sub_pd(beta, c.sourceMean[2]), c.templateMean[2]);
  }
  l = _mm_add_pd(l, c.lShift);

  if (kMode != 1) {
    const __m128d alphaBefore = alpha;
    beta = _mm_add_pd(
        _mm_add_pd(_mm_add_pd(_mm_add_pd(_mm_mul_pd(c.pBetaAlpha, alphaBefore), c.qBetaAlpha), beta),
                   _mm_mul_pd(c.pBeta, l)),
        c.qBeta);
    alpha = _mm_add_pd(_mm_add_pd(alphaBefore, _mm_mul_pd(c.pAlpha, l)), c.qAlpha);
  }

  // max(v, low) is low for NaN too, as the scalar clamps are.
  l = _mm_min_pd(_mm_max_pd(l, c.lMin), c.lMax);
  alpha = _mm_min_pd(_mm_max_pd(alpha, c.alphaMin), c.alphaMax);
  beta = _mm_min_pd(_mm_max_pd(beta, c.betaMin), c.betaMax);

  // Truncated indices, held at 255 through 16-bit lanes.
  const __m128i il = _mm_cvttpd_epi32(_mm_mul_pd(_mm_sub_pd(l, c.lMin), c.lIndexScale));
  const __m128i ia = _mm_cvttpd_epi32(_mm_mul_pd(_mm_sub_pd(alpha, c.alphaMin), c.alphaIndexScale));
  const __m128i ib = _mm_cvttpd_epi32(_mm_mul_pd(_mm_sub_pd(beta, c.betaMin), c.betaIndexScale));
  const __m128i top = _mm_set1_epi16(255);
  const __m128i held = _mm_min_epi16(_mm_packs_epi32(il, ia), top);  // l0 l1 0 0 a0 a1 0 0
  std::int32_t word = _mm_cvtsi128_si32(held);
  std::memcpy(&out.index[0][i], &word, sizeof word);
  word = _mm_cvtsi128_si32(_mm_srli_si128(held, 8));
  std::memcpy(&out.index[1][i], &word, sizeof word);
  word = _mm_cvtsi128_si32(_mm_min_epi16(_mm_packs_epi32(ib, ib), top));
  std::memcpy(&out.index[2][i], &word, sizeof word);
  _mm_storeu_pd(&out.l[i], l);
}

template <int kMode, int kBytesPerPixel>
void Pixels(OutputRowData& d) {
  constexpr int kRed = kBytesPerPixel == 1 ? 0 : 2;
  constexpr int kGreen = kBytesPerPixel == 1 ? 0 : 1;
  const Constants c(d);
  const VTetra::ByteKernel3& backward = *d.backward;
  const double* const levelL = d.levelL;
  const double* const neighbourL[2] = {d.neighbourL[0], d.neighbourL[1]};
  const unsigned char* const neighbour[2] = {d.neighbour[0], d.neighbour[1]};
  const double* const fadedByte = d.fadedByte;
  std::uint64_t* const cache = d.lookupCache;
  const int width = d.width;
  const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
  const __m128d floor = _mm_set1_pd(EngineConstants::kDistanceFloor);
  const __m128d one = _mm_set1_pd(1.0);
  const __m128d keep = _mm_set1_pd(d.keep);
  __m128d sumRG = _mm_setzero_pd();
  __m128d sumB = _mm_setzero_pd();
  Block b;

  for (int x0 = 0; x0 < width; x0 += kBlock) {
    const int count = width - x0 < kBlock ? width - x0 : kBlock;
    const float* const planeL = d.l + x0;
    const float* const planeAlpha = d.alpha + x0;
    const float* const planeBeta = d.beta + x0;

    // Colour moves.  A last odd pixel runs as both lanes of a pair.
    for (int i = 0; i < count; i += 2) {
      __m128d l, alpha, beta;
      if (i + 1 < count) {
        l = LoadTwo(planeL + i);
        alpha = LoadTwo(planeAlpha + i);
        beta = LoadTwo(planeBeta + i);
      } else {
        l = _mm_set1_pd(planeL[i]);
        alpha = _mm_set1_pd(planeAlpha[i]);
        beta = _mm_set1_pd(planeBeta[i]);
      }
      MoveTwo<kMode>(c, l, alpha, beta, b, i);
    }

    // Two lookups one l level apart per pixel (see the scalar loop); a last
    // odd pixel is looked up twice, so that both lanes below hold numbers.
    const int evenCount = (count + 1) & ~1;
    for (int i = 0; i < evenCount; ++i) {
      const int il = b.index[0][i], ia = b.index[1][i], ib = b.index[2][i];
      b.first[i] =
          Lookup(cache, backward, static_cast<unsigned>(il), static_cast<unsigned>(ia), static_cast<unsigned>(ib));
      const double l1 = levelL[il];
      const int up = static_cast<int>(b.l[i] > l1) & static_cast<int>(il != 255);
      const unsigned char* next = neighbour[up];
      b.second[i] = Lookup(cache, backward, next[il], next[ia], next[ib]);
      b.l1[i] = l1;
      b.l2[i] = neighbourL[up][il];
    }

    // Blend, fade and write.
    const std::uint8_t* const source = d.source + static_cast<std::size_t>(x0) * kBytesPerPixel;
    std::uint8_t* const destination = d.destination + static_cast<std::size_t>(x0) * kBytesPerPixel;
    for (int i = 0; i < count; i += 2) {
      const bool both = i + 1 < count;
      const __m128d l = _mm_loadu_pd(&b.l[i]);
      // w1, w2 = 1 / max(|l - l1|, floor), 1 / max(|l - l2|, floor).
      const __m128d w1 = _mm_div_pd(one, _mm_max_pd(_mm_and_pd(_mm_sub_pd(l, _mm_loadu_pd(&b.l1[i])), absMask), floor));
      const __m128d w2 = _mm_div_pd(one, _mm_max_pd(_mm_and_pd(_mm_sub_pd(l, _mm_loadu_pd(&b.l2[i])), absMask), floor));
      const __m128d inverseSum = _mm_div_pd(one, _mm_add_pd(w1, w2));
      // (c1 w1 + c2 w2) / (w1 + w2) per channel, the two pixels in the lanes.
      __m128i firstRG, firstB, secondRG, secondB;
      Unpack(b.first, i, firstRG, firstB);
      Unpack(b.second, i, secondRG, secondB);
      auto blend = [&](__m128i first, __m128i second) {
        return _mm_mul_pd(_mm_add_pd(_mm_mul_pd(_mm_cvtepi32_pd(first), w1), _mm_mul_pd(_mm_cvtepi32_pd(second), w2)),
                          inverseSum);
      };
      const __m128d red = blend(firstRG, secondRG);
      const __m128d green = blend(_mm_srli_si128(firstRG, 8), _mm_srli_si128(secondRG, 8));
      const __m128d blue = blend(firstB, secondB);
      sumRG = _mm_add_pd(sumRG, _mm_unpacklo_pd(red, green));
      sumB = _mm_add_sd(sumB, blue);
      if (both) {
        sumRG = _mm_add_pd(sumRG, _mm_unpackhi_pd(red, green));
        sumB = _mm_add_sd(sumB, _mm_unpackhi_pd(blue, blue));
      }

      // Fade with the source pixels, truncate and write in the source's format.
      const std::uint8_t* src0 = source + static_cast<std::size_t>(i) * kBytesPerPixel;
      const std::uint8_t* src1 = both ? src0 + kBytesPerPixel : src0;
      std::uint8_t* dst = destination + static_cast<std::size_t>(i) * kBytesPerPixel;
      auto fade = [&](int channel, __m128d value) {
        const __m128d faded = _mm_loadh_pd(_mm_load_sd(&fadedByte[src0[channel]]), &fadedByte[src1[channel]]);
        return _mm_cvttpd_epi32(_mm_add_pd(faded, _mm_mul_pd(value, keep)));
      };
      const __m128i outB = fade(0, blue);
      if (kBytesPerPixel == 1) {  // grey keeps the blue result
        dst[0] = static_cast<std::uint8_t>(_mm_cvtsi128_si32(outB));
        if (both) dst[1] = static_cast<std::uint8_t>(_mm_cvtsi128_si32(_mm_srli_si128(outB, 4)));
      } else {
        const __m128i outG = fade(kGreen, green);
        const __m128i outR = fade(kRed, red);
        // B0 G0 B1 G1 R0 R1 as bytes.
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(_mm_unpacklo_epi32(outB, outG), outR), outR);
        alignas(16) std::uint8_t o[16];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(o), bytes);
        dst[0] = o[0];
        dst[1] = o[1];
        dst[2] = o[4];
        if (both) {
          dst[kBytesPerPixel] = o[2];
          dst[kBytesPerPixel + 1] = o[3];
          dst[kBytesPerPixel + 2] = o[5];
        }
      }
    }
  }
  double rgSums[2];
  _mm_storeu_pd(rgSums, sumRG);
  d.sums[0] = rgSums[0];
  d.sums[1] = rgSums[1];
  d.sums[2] = _mm_cvtsd_f64(sumB);
}

struct Sse2OutputLoop {
  template <int kMode, int kBytesPerPixel>
  static void Run(OutputRowData& d) {
    Pixels<kMode, kBytesPerPixel>(d);
  }
};

}  // namespace

bool HaveSse2OutputPixels() { return true; }

void OutputPixelsSse2(OutputRowData& d, int mode, int bytesPerPixel) {
  RunForModeAndFormat<Sse2OutputLoop>(d, mode, bytesPerPixel);
}

#else

bool HaveSse2OutputPixels() { return false; }
void OutputPixelsSse2(OutputRowData&, int, int) {}

#endif

}  // namespace transfer_detail
