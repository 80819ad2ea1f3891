// The area average's row sums with SSE2: sixteen 8-bit values widened and
// added to sixteen 16-bit sums per step.  Same results as the plain loop.
#include "image/Resample_p.h"

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define RESAMPLE_HAVE_SSE2 1
#endif

namespace resample {

bool HaveAddRowSse2() {
#ifdef RESAMPLE_HAVE_SSE2
  return true;
#else
  return false;
#endif
}

void AddRowSse2(std::uint16_t* sum, const std::uint8_t* row, std::size_t n) {
  std::size_t x = 0;
#ifdef RESAMPLE_HAVE_SSE2
  const __m128i zero = _mm_setzero_si128();
  for (; x + 16 <= n; x += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
    const __m128i lo = _mm_unpacklo_epi8(v, zero), hi = _mm_unpackhi_epi8(v, zero);
    __m128i* s = reinterpret_cast<__m128i*>(sum + x);
    _mm_storeu_si128(s + 0, _mm_add_epi16(_mm_loadu_si128(s + 0), lo));
    _mm_storeu_si128(s + 1, _mm_add_epi16(_mm_loadu_si128(s + 1), hi));
  }
#endif
  AddRowPlain(sum + x, row + x, n - x);
}

}  // namespace resample
