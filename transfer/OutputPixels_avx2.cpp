// The output pass's loop with AVX2: the formula of OutputPixels.h on four
// pixels at a time in packed doubles, the lattice lookups through the cache
// of BackwardLookup_p.h, and the row sums added pixel after pixel as the
// plain loop adds them, so the bytes and sums are the same.
//
// Compiled with AVX2 code generation; run only where the processor has it.
// Nothing here calls an inline function shared with other files (see
// BackwardLookup_p.h).
#include "transfer/OutputPixels.h"

#include <immintrin.h>

#include <cstring>

#include "transfer/BackwardLookup_p.h"
#include "transfer/Lanes_avx2.h"

namespace transfer_detail {

namespace {

constexpr int kBlock = 64;

struct Block {
  alignas(32) double l[kBlock];              // moved l
  alignas(32) double l1[kBlock];             // l of the first lookup's level
  alignas(32) double l2[kBlock];             // ... and of the second's
  alignas(32) std::uint32_t first[kBlock];   // R, G, B bytes of the first lookup
  alignas(32) std::uint32_t second[kBlock];  // ... and of the second
  alignas(32) std::int32_t index[3][kBlock];
};

// Four floats of a plane from pixel i on as doubles (exact); past `count`
// the last pixel is repeated, so that every lane holds a real colour.
inline Double4 LoadFour(const float* plane, int i, int count) {
  if (i + 4 <= count) return {_mm256_cvtps_pd(_mm_loadu_ps(plane + i))};
  float padded[4];
  for (int k = 0; k < 4; ++k) padded[k] = plane[i + k < count ? i + k : count - 1];
  return {_mm256_cvtps_pd(_mm_loadu_ps(padded))};
}

// Channel `shift` / 8 of four packed R, G, B words as doubles.
inline Double4 Channel(const std::uint32_t* packed, int shift) {
  const __m128i words = _mm_loadu_si128(reinterpret_cast<const __m128i*>(packed));
  return {_mm256_cvtepi32_pd(_mm_and_si128(_mm_srli_epi32(words, shift), _mm_set1_epi32(0xFF)))};
}

template <int kMode, int kBytesPerPixel>
void Pixels(OutputRowData& d) {
  constexpr int kRed = kBytesPerPixel == 1 ? 0 : 2;
  constexpr int kGreen = kBytesPerPixel == 1 ? 0 : 1;
  const ColourMove<Double4> c(d);
  const VTetra::ByteKernel3& backward = *d.backward;
  const double* const levelL = d.levelL;
  const double* const neighbourL[2] = {d.neighbourL[0], d.neighbourL[1]};
  const unsigned char* const neighbour[2] = {d.neighbour[0], d.neighbour[1]};
  const double* const fadedByte = d.fadedByte;
  LookupSlot* const cache = d.lookupCache;
  const int width = d.width;
  const __m128i top = _mm_set1_epi32(255);
  __m256d sum = _mm256_setzero_pd();  // R, G, B, 0
  Block b;

  for (int x0 = 0; x0 < width; x0 += kBlock) {
    const int count = width - x0 < kBlock ? width - x0 : kBlock;
    const float* const planeL = d.l + x0;
    const float* const planeAlpha = d.alpha + x0;
    const float* const planeBeta = d.beta + x0;

    // Colour moves, with the indices truncated and held at 255.
    for (int i = 0; i < count; i += 4) {
      Double4 l = LoadFour(planeL, i, count);
      Double4 position[3];
      MoveColour<kMode>(c, l, LoadFour(planeAlpha, i, count), LoadFour(planeBeta, i, count), position);
      for (int k = 0; k < 3; ++k) {
        const __m128i level = _mm_min_epi32(_mm256_cvttpd_epi32(position[k].v), top);
        _mm_store_si128(reinterpret_cast<__m128i*>(&b.index[k][i]), level);
      }
      _mm256_store_pd(&b.l[i], l.v);
    }

    // Two lookups one l level apart per pixel (see the plain loop); the
    // padding pixels are looked up too, so that every lane below holds
    // numbers.
    const int paddedCount = (count + 3) & ~3;
    for (int i = 0; i < paddedCount; ++i) {
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
    for (int i = 0; i < count; i += 4) {
      const int n = count - i < 4 ? count - i : 4;
      const Double4 c1[3] = {Channel(&b.first[i], 0), Channel(&b.first[i], 8), Channel(&b.first[i], 16)};
      const Double4 c2[3] = {Channel(&b.second[i], 0), Channel(&b.second[i], 8), Channel(&b.second[i], 16)};
      Double4 rgb[3];
      BlendLookups(c, Double4{_mm256_load_pd(&b.l[i])}, Double4{_mm256_load_pd(&b.l1[i])},
                   Double4{_mm256_load_pd(&b.l2[i])}, c1, c2, rgb);

      // The sums, pixel after pixel: (R, G, B, 0) of each pixel in turn.
      const __m256d rg0 = _mm256_unpacklo_pd(rgb[0].v, rgb[1].v);  // r0 g0 r2 g2
      const __m256d rg1 = _mm256_unpackhi_pd(rgb[0].v, rgb[1].v);  // r1 g1 r3 g3
      const __m256d b0 = _mm256_unpacklo_pd(rgb[2].v, _mm256_setzero_pd());  // b0 0 b2 0
      const __m256d b1 = _mm256_unpackhi_pd(rgb[2].v, _mm256_setzero_pd());  // b1 0 b3 0
      const __m256d pixel[4] = {_mm256_permute2f128_pd(rg0, b0, 0x20), _mm256_permute2f128_pd(rg1, b1, 0x20),
                                _mm256_permute2f128_pd(rg0, b0, 0x31), _mm256_permute2f128_pd(rg1, b1, 0x31)};
      for (int k = 0; k < n; ++k) sum = _mm256_add_pd(sum, pixel[k]);
      if (d.blended != nullptr) {
        for (int k = 0; k < n; ++k) {
          alignas(32) double value[4];
          _mm256_store_pd(value, pixel[k]);
          std::memcpy(d.blended + 3 * static_cast<std::size_t>(x0 + i + k), value, 3 * sizeof(double));
        }
      }

      // Fade with the source pixels (past the row's end the last one
      // again), truncate and write in the source's format.
      const std::uint8_t* src[4];
      for (int k = 0; k < 4; ++k) src[k] = source + static_cast<std::size_t>(i + (k < n ? k : n - 1)) * kBytesPerPixel;
      auto fade = [&](int channel, Double4 value) {
        const Double4 faded{_mm256_set_pd(fadedByte[src[3][channel]], fadedByte[src[2][channel]],
                                          fadedByte[src[1][channel]], fadedByte[src[0][channel]])};
        return _mm256_cvttpd_epi32(FadeWithSource(c, faded, value).v);
      };
      std::uint8_t* dst = destination + static_cast<std::size_t>(i) * kBytesPerPixel;
      const __m128i outB = fade(0, rgb[2]);
      if (kBytesPerPixel == 1) {  // grey keeps the blue result
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(outB, outB), outB);
        alignas(16) std::uint8_t o[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(o), bytes);
        std::memcpy(dst, o, static_cast<std::size_t>(n));
      } else {
        const __m128i outG = fade(kGreen, rgb[1]);
        const __m128i outR = fade(kRed, rgb[0]);
        // b0 b1 b2 b3 g0 g1 g2 g3 r0 r1 r2 r3, then pixel by pixel.
        const __m128i planar = _mm_packus_epi16(_mm_packs_epi32(outB, outG), _mm_packs_epi32(outR, outR));
        const __m128i pixels = _mm_shuffle_epi8(planar, _mm_setr_epi8(0, 4, 8, 1, 5, 9, 2, 6, 10, 3, 7, 11, -1, -1, -1, -1));
        alignas(16) std::uint8_t o[16];
        _mm_store_si128(reinterpret_cast<__m128i*>(o), pixels);
        if (kBytesPerPixel == 3) {
          std::memcpy(dst, o, static_cast<std::size_t>(3 * n));
        } else {
          for (int k = 0; k < n; ++k) std::memcpy(dst + 4 * k, o + 3 * k, 3);  // the fourth byte untouched
        }
      }
    }
  }
  alignas(32) double sums[4];
  _mm256_store_pd(sums, sum);
  d.sums[0] = sums[0];
  d.sums[1] = sums[1];
  d.sums[2] = sums[2];
}

struct Avx2Loop {
  template <int kMode, int kBytesPerPixel>
  static void Run(OutputRowData& d) {
    Pixels<kMode, kBytesPerPixel>(d);
  }
};

}  // namespace

bool HaveAvx2OutputPixels() { return true; }

void OutputPixelsAvx2(OutputRowData& d, int mode, int bytesPerPixel) {
  RunForModeAndFormat<Avx2Loop>(d, mode, bytesPerPixel);
}

}  // namespace transfer_detail
