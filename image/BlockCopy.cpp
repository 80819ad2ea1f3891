#include "image/BlockCopy_p.h"

#include <cstring>

#include "platform/Cpu.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#define TINTAVO_HAVE_SSE2 1
#else
#define TINTAVO_HAVE_SSE2 0
#endif

namespace {

using u8 = std::uint8_t;

void CopyRowsPlain(u8* t, std::ptrdiff_t ts, const u8* s, std::ptrdiff_t ss, std::size_t n, int rows) {
  for (int y = 0; y < rows; ++y, t += ts, s += ss) std::memcpy(t, s, n);
}

void CopyRows64(u8* t, std::ptrdiff_t ts, const u8* s, std::ptrdiff_t ss, std::size_t n, int rows) {
  for (int y = 0; y < rows; ++y, t += ts, s += ss) {
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
      std::uint64_t v;
      std::memcpy(&v, s + i, 8);
      std::memcpy(t + i, &v, 8);
    }
    if (i < n) std::memcpy(t + i, s + i, n - i);
  }
}

#if TINTAVO_HAVE_SSE2

template <bool kAligned, bool kStream>
void CopyRows128(u8* t, std::ptrdiff_t ts, const u8* s, std::ptrdiff_t ss, std::size_t n, int rows) {
  for (int y = 0; y < rows; ++y, t += ts, s += ss) {
    std::size_t i = 0;
    if (kStream && !kAligned) {
      // Bring the target to a 16-byte boundary so that it can be streamed.
      const std::size_t head = (16 - (reinterpret_cast<std::uintptr_t>(t) & 15)) & 15;
      i = head < n ? head : n;
      std::memcpy(t, s, i);
    }
    for (; i + 64 <= n; i += 64) {
      if (kStream) _mm_prefetch(reinterpret_cast<const char*>(s + i + 512), _MM_HINT_NTA);
      __m128i a, b, c, d;
      if (kAligned) {
        a = _mm_load_si128(reinterpret_cast<const __m128i*>(s + i));
        b = _mm_load_si128(reinterpret_cast<const __m128i*>(s + i + 16));
        c = _mm_load_si128(reinterpret_cast<const __m128i*>(s + i + 32));
        d = _mm_load_si128(reinterpret_cast<const __m128i*>(s + i + 48));
      } else {
        a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
        b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 16));
        c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 32));
        d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + 48));
      }
      __m128i* o = reinterpret_cast<__m128i*>(t + i);
      if (kStream) {
        _mm_stream_si128(o, a);
        _mm_stream_si128(o + 1, b);
        _mm_stream_si128(o + 2, c);
        _mm_stream_si128(o + 3, d);
      } else if (kAligned) {
        _mm_store_si128(o, a);
        _mm_store_si128(o + 1, b);
        _mm_store_si128(o + 2, c);
        _mm_store_si128(o + 3, d);
      } else {
        _mm_storeu_si128(o, a);
        _mm_storeu_si128(o + 1, b);
        _mm_storeu_si128(o + 2, c);
        _mm_storeu_si128(o + 3, d);
      }
    }
    for (; i + 16 <= n; i += 16) {
      const __m128i v = kAligned ? _mm_load_si128(reinterpret_cast<const __m128i*>(s + i))
                                 : _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i));
      __m128i* o = reinterpret_cast<__m128i*>(t + i);
      if (kStream) _mm_stream_si128(o, v);
      else if (kAligned) _mm_store_si128(o, v);
      else _mm_storeu_si128(o, v);
    }
    if (i < n) std::memcpy(t + i, s + i, n - i);
  }
  if (kStream) _mm_sfence();
}

#endif

}  // namespace

const CpuVectors& ProcessorVectors() {
  static const CpuVectors s_cpu = [] {
    CpuVectors cpu;
    cpu.has128 = TINTAVO_HAVE_SSE2 && platform::CpuHas128BitVectors();
    cpu.has64 = platform::CpuHas64BitVectors();
    return cpu;
  }();
  return s_cpu;
}

CopyRoutine ChooseCopyRoutine(const CpuVectors& cpu, std::size_t bytesPerRow, const void* target,
                              std::ptrdiff_t targetStride, const void* source,
                              std::ptrdiff_t sourceStride, std::uint64_t totalBytes) {
  if (bytesPerRow < 16) return keCopyPlain;
  if (!cpu.has128) return cpu.has64 ? keCopy64 : keCopyPlain;
  const bool aligned = bytesPerRow % 16 == 0 && reinterpret_cast<std::uintptr_t>(target) % 16 == 0 &&
                       reinterpret_cast<std::uintptr_t>(source) % 16 == 0 && targetStride % 16 == 0 &&
                       sourceStride % 16 == 0;
  const bool stream = totalBytes > kStreamingThreshold;
  if (aligned) return stream ? keCopy128AlignedStream : keCopy128Aligned;
  return stream ? keCopy128UnalignedStream : keCopy128Unaligned;
}

void CopyBlock(CopyRoutine routine, std::uint8_t* target, std::ptrdiff_t targetStride,
               const std::uint8_t* source, std::ptrdiff_t sourceStride, std::size_t bytesPerRow,
               int rows) {
  switch (routine) {
#if TINTAVO_HAVE_SSE2
    case keCopy128Unaligned:
      return CopyRows128<false, false>(target, targetStride, source, sourceStride, bytesPerRow, rows);
    case keCopy128Aligned:
      return CopyRows128<true, false>(target, targetStride, source, sourceStride, bytesPerRow, rows);
    case keCopy128UnalignedStream:
      return CopyRows128<false, true>(target, targetStride, source, sourceStride, bytesPerRow, rows);
    case keCopy128AlignedStream:
      return CopyRows128<true, true>(target, targetStride, source, sourceStride, bytesPerRow, rows);
#endif
    case keCopy64:
      return CopyRows64(target, targetStride, source, sourceStride, bytesPerRow, rows);
    default:
      return CopyRowsPlain(target, targetStride, source, sourceStride, bytesPerRow, rows);
  }
}
