#pragma once
// The backward lattice as the vector output loops look it up: the
// tetrahedral sum of the four vertices in one multiply-add over 16-bit lanes
// (integer, so exactly ByteKernel3::Evaluate's bytes), and a cache of
// earlier results in front of it.
//
// Internal linkage on purpose: the SSE2 and the AVX2 loop are compiled with
// different instruction sets, and each must get its own copy of these
// functions (a shared inline copy could come from the AVX2 file).

#include <cstdint>
#include <cstring>

#include "transfer/OutputPixels.h"
#include "transfer/Sse2.h"

#if defined(TINTAVO_HAVE_SSE2)

namespace transfer_detail {
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

}  // namespace
}  // namespace transfer_detail

#endif
