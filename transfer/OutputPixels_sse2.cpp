// The output pass's loop with SSE2: the formula of OutputPixels.h on two
// pixels at a time in packed doubles, and the lattice sums of the four
// vertices in one multiply-add over 16-bit lanes (integer, so exact), their
// results kept in a cache.  The row sums add the pixels one after the other
// as the plain loop does, so the bytes and sums are the same.
#include "transfer/OutputPixels.h"

#include <cstring>

#include "transfer/BackwardLookup_p.h"
#include "transfer/Lanes_sse2.h"

namespace transfer_detail {

#if defined(TINTAVO_HAVE_SSE2)

namespace {

// Two floats from a plane as two doubles (exact).
inline Double2 LoadTwo(const float* p) {
  return {_mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))))};
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

// R, G, B of pixels i and i + 1 from their packed bytes, each channel as two
// 32-bit lanes: red and green in `rg` (R0 R1 G0 G1), blue in `b` (B0 B1).
inline void Unpack(const std::uint32_t* packed, int i, __m128i& rg, __m128i& b) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i words = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(packed + i)), zero);
  const __m128i channels = _mm_unpacklo_epi16(words, _mm_srli_si128(words, 8));  // R0 R1 G0 G1 B0 B1 x x
  rg = _mm_unpacklo_epi16(channels, zero);
  b = _mm_unpackhi_epi16(channels, zero);
}

// The formula's colour move for two pixels, one per lane, with the indices
// truncated and held at 255 through 16-bit lanes.
template <int kMode>
inline void MoveTwo(const ColourMove<Double2>& c, Double2 l, Double2 alpha, Double2 beta, Block& out, int i) {
  Double2 position[3];
  MoveColour<kMode>(c, l, alpha, beta, position);
  const __m128i il = _mm_cvttpd_epi32(position[0].v);
  const __m128i ia = _mm_cvttpd_epi32(position[1].v);
  const __m128i ib = _mm_cvttpd_epi32(position[2].v);
  const __m128i top = _mm_set1_epi16(255);
  const __m128i held = _mm_min_epi16(_mm_packs_epi32(il, ia), top);  // l0 l1 0 0 a0 a1 0 0
  std::int32_t word = _mm_cvtsi128_si32(held);
  std::memcpy(&out.index[0][i], &word, sizeof word);
  word = _mm_cvtsi128_si32(_mm_srli_si128(held, 8));
  std::memcpy(&out.index[1][i], &word, sizeof word);
  word = _mm_cvtsi128_si32(_mm_min_epi16(_mm_packs_epi32(ib, ib), top));
  std::memcpy(&out.index[2][i], &word, sizeof word);
  _mm_storeu_pd(&out.l[i], l.v);
}

template <int kMode, int kBytesPerPixel>
void Pixels(OutputRowData& d) {
  constexpr int kRed = kBytesPerPixel == 1 ? 0 : 2;
  constexpr int kGreen = kBytesPerPixel == 1 ? 0 : 1;
  const ColourMove<Double2> c(d);
  const VTetra::ByteKernel3& backward = *d.backward;
  const double* const levelL = d.levelL;
  const double* const neighbourL[2] = {d.neighbourL[0], d.neighbourL[1]};
  const unsigned char* const neighbour[2] = {d.neighbour[0], d.neighbour[1]};
  const double* const fadedByte = d.fadedByte;
  LookupSlot* const cache = d.lookupCache;
  const int width = d.width;
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
      Double2 l, alpha, beta;
      if (i + 1 < count) {
        l = LoadTwo(planeL + i);
        alpha = LoadTwo(planeAlpha + i);
        beta = LoadTwo(planeBeta + i);
      } else {
        l = Broadcast<Double2>(planeL[i]);
        alpha = Broadcast<Double2>(planeAlpha[i]);
        beta = Broadcast<Double2>(planeBeta[i]);
      }
      MoveTwo<kMode>(c, l, alpha, beta, b, i);
    }

    // Two lookups one l level apart per pixel (see the scalar loop); a last
    // odd pixel is looked up twice, so that both lanes below hold numbers.
    const int evenCount = (count + 1) & ~1;
    for (int i = 0; i < evenCount; ++i) {
      const int il = b.index[0][i], ia = b.index[1][i], ib = b.index[2][i];
      const double l1 = levelL[il];
      const int up = static_cast<int>(b.l[i] > l1) & static_cast<int>(il != 255);
      LookupLevels(cache, backward, neighbour, static_cast<unsigned>(il), static_cast<unsigned>(ia),
                   static_cast<unsigned>(ib), up, &b.first[i], &b.second[i]);
      b.l1[i] = l1;
      b.l2[i] = neighbourL[up][il];
    }

    // Blend, fade and write.
    const std::uint8_t* const source = d.source + static_cast<std::size_t>(x0) * kBytesPerPixel;
    std::uint8_t* const destination = d.destination + static_cast<std::size_t>(x0) * kBytesPerPixel;
    for (int i = 0; i < count; i += 2) {
      const bool both = i + 1 < count;
      const Double2 l{_mm_loadu_pd(&b.l[i])};
      // (c1 w1 + c2 w2) / (w1 + w2) per channel, the two pixels in the lanes.
      __m128i firstRG, firstB, secondRG, secondB;
      Unpack(b.first, i, firstRG, firstB);
      Unpack(b.second, i, secondRG, secondB);
      const Double2 c1[3] = {{_mm_cvtepi32_pd(firstRG)}, {_mm_cvtepi32_pd(_mm_srli_si128(firstRG, 8))},
                             {_mm_cvtepi32_pd(firstB)}};
      const Double2 c2[3] = {{_mm_cvtepi32_pd(secondRG)}, {_mm_cvtepi32_pd(_mm_srli_si128(secondRG, 8))},
                             {_mm_cvtepi32_pd(secondB)}};
      Double2 rgb[3];
      BlendLookups(c, l, Double2{_mm_loadu_pd(&b.l1[i])}, Double2{_mm_loadu_pd(&b.l2[i])}, c1, c2, rgb);
      const __m128d red = rgb[0].v, green = rgb[1].v, blue = rgb[2].v;
      sumRG = _mm_add_pd(sumRG, _mm_unpacklo_pd(red, green));
      sumB = _mm_add_sd(sumB, blue);
      if (both) {
        sumRG = _mm_add_pd(sumRG, _mm_unpackhi_pd(red, green));
        sumB = _mm_add_sd(sumB, _mm_unpackhi_pd(blue, blue));
      }
      if (d.blended != nullptr) {
        double* out = d.blended + 3 * static_cast<std::size_t>(x0 + i);
        _mm_storeu_pd(out, _mm_unpacklo_pd(red, green));
        _mm_store_sd(out + 2, blue);
        if (both) {
          _mm_storeu_pd(out + 3, _mm_unpackhi_pd(red, green));
          _mm_store_sd(out + 5, _mm_unpackhi_pd(blue, blue));
        }
      }

      // Fade with the source pixels, truncate and write in the source's format.
      const std::uint8_t* src0 = source + static_cast<std::size_t>(i) * kBytesPerPixel;
      const std::uint8_t* src1 = both ? src0 + kBytesPerPixel : src0;
      std::uint8_t* dst = destination + static_cast<std::size_t>(i) * kBytesPerPixel;
      auto fade = [&](int channel, __m128d value) {
        const Double2 faded{_mm_loadh_pd(_mm_load_sd(&fadedByte[src0[channel]]), &fadedByte[src1[channel]])};
        return _mm_cvttpd_epi32(FadeWithSource(c, faded, Double2{value}).v);
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
