#pragma once
// The backward lattice as the vector output loops look it up: the
// tetrahedral sum of the four vertices in one multiply-add over 16-bit lanes
// (integer, so exactly ByteKernel3::Evaluate's bytes), and a cache of
// earlier results in front of it that answers both lookups of a pixel.
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

// R, G, B bytes of the backward lattice at (i0, i1, i2), packed.
inline std::uint32_t LatticeBytes(const VTetra::ByteKernel3& lattice, unsigned i0, unsigned i1, unsigned i2) {
  const __m128i c = Interpolate(lattice, i0, i1, i2);
  return static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm_packus_epi16(_mm_packs_epi32(c, c), c))) & 0xFFFFFFu;
}

// Fills `slot` for the levels (il, ia, ib) under `key`: the lattice there,
// and one level below and above (each index - 1 held at 0, + 1 held at
// 255).  Out of line: most lookups never come here.
#if defined(__GNUC__) || defined(__clang__)
__attribute__((noinline))
#endif
void LookupMiss(LookupSlot& slot, std::uint32_t key, const VTetra::ByteKernel3& lattice,
                const unsigned char* const neighbour[2], unsigned il, unsigned ia, unsigned ib) {
  const std::uint32_t here = LatticeBytes(lattice, il, ia, ib);
  const std::uint32_t below = LatticeBytes(lattice, neighbour[0][il], neighbour[0][ia], neighbour[0][ib]);
  const std::uint32_t above = LatticeBytes(lattice, neighbour[1][il], neighbour[1][ia], neighbour[1][ib]);
  slot.keyAndHere = (static_cast<std::uint64_t>(key + 1) << 32) | here;
  slot.neighbours = (static_cast<std::uint64_t>(above) << 32) | below;
}

// The output pass's two lookups for the levels (il, ia, ib): `first` the
// lattice there, `second` one level above (`up` 1) or below (`up` 0), as
// packed R, G, B bytes, through the thread's cache of earlier results:
// pictures repeat their colours, so most lookups are answered there.  A
// slot holds its key plus one (0 is empty).
VTETRA_ALWAYS_INLINE void LookupLevels(LookupSlot* cache, const VTetra::ByteKernel3& lattice,
                                       const unsigned char* const neighbour[2], unsigned il, unsigned ia, unsigned ib,
                                       int up, std::uint32_t* first, std::uint32_t* second) {
  const std::uint32_t key = il | (ia << 8) | (ib << 16);
  LookupSlot& slot = cache[(key * 2654435761u) >> (32 - kLookupCacheBits)];
  if (static_cast<std::uint32_t>(slot.keyAndHere >> 32) != key + 1) {
    LookupMiss(slot, key, lattice, neighbour, il, ia, ib);
  }
  *first = static_cast<std::uint32_t>(slot.keyAndHere) & 0xFFFFFFu;
  *second = static_cast<std::uint32_t>(slot.neighbours >> (32 * up)) & 0xFFFFFFu;
}

}  // namespace
}  // namespace transfer_detail

#endif
