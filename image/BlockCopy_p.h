#pragma once
// Copies of rectangular blocks of bytes (rows x bytes per row, each side with
// its own stride) with the routine suited to the processor, the alignment
// and the size.  Used by the band-by-band fast path of image copies.

#include <cstddef>
#include <cstdint>

enum CopyRoutine : int {
  keCopyPlain = 0,        // memcpy per row
  keCopy64,               // 64-bit moves
  keCopy128Unaligned,     // 128-bit loads and stores, any alignment
  keCopy128Aligned,       // 128-bit, everything aligned to 16
  keCopy128UnalignedStream,  // as above with non-temporal stores and prefetching
  keCopy128AlignedStream,
};

struct CpuVectors {
  bool has128 = false;
  bool has64 = false;
};

// What this processor offers, asked once.
const CpuVectors& ProcessorVectors();

// Copies above this many bytes in total bypass the cache.
constexpr std::uint64_t kStreamingThreshold = 0x1FFFF;

CopyRoutine ChooseCopyRoutine(const CpuVectors& cpu, std::size_t bytesPerRow, const void* target,
                              std::ptrdiff_t targetStride, const void* source,
                              std::ptrdiff_t sourceStride, std::uint64_t totalBytes);

void CopyBlock(CopyRoutine routine, std::uint8_t* target, std::ptrdiff_t targetStride,
               const std::uint8_t* source, std::ptrdiff_t sourceStride, std::size_t bytesPerRow,
               int rows);
