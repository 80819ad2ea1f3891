#pragma once
// Kernels and their tables.
//
// A kernel is a plain function that processes one run of pixels: it reads
// the source run and writes the destination run in place, as the job record
// describes them.  Each operation kind has a table of kernels keyed by
// (destination format, source format, variant); binding picks one for a
// pair of formats, so the row loop calls the kernel directly.

#include <cstdint>

class CRowOp;

// One run of pixels for a kernel.  Runs never overlap unless they are the
// same row.  `dstX` and `srcX` are the columns of the runs' first pixels in
// the stored rows (not in the buffers' bounds): sub-byte formats take the
// bit position of the first pixel within its byte from them, and the run
// pointers point at that byte.
struct RowJob {
  std::int32_t dstFormat = 0;
  std::int32_t count = 0;
  std::uint8_t* dst = nullptr;
  std::int32_t dstPaletteCount = 0;
  const std::uint8_t* dstPalette = nullptr;  // 4-byte entries B, G, R, 0
  std::int32_t dstX = 0;
  std::int32_t dstY = 0;
  std::int32_t dstWidth = 0;
  std::int32_t dstHeight = 0;
  std::int32_t srcFormat = 0;  // 0: the operation has no source
  std::int32_t reserved = 0;
  const std::uint8_t* src = nullptr;
  std::int32_t srcPaletteCount = 0;
  const std::uint8_t* srcPalette = nullptr;
  std::int32_t srcX = 0;
  std::int32_t srcY = 0;
  std::int32_t srcWidth = 0;
  std::int32_t srcHeight = 0;
};

using RowKernel = void (*)(const CRowOp& op, const RowJob& job);

enum KernelVariant : std::int32_t {
  keKernelPlain = 0,
  keKernelVector64 = 1,  // for processors with 64-bit vector support
};

// One table entry; a table ends with an entry whose kernel is null.
struct KernelTableEntry {
  std::int32_t dstFormat;
  std::int32_t srcFormat;  // 0 for operations without a source
  std::int32_t variant;
  RowKernel kernel;
};

// The kernel that does nothing: what lookup answers when nothing matches.
void RowNopKernel(const CRowOp& op, const RowJob& job);

// Pixels per byte of a sub-byte format (8 for Index1, 2 for Index4), else 0.
inline int SubBytePixels(int format) { return format == 1 ? 8 : format == 2 ? 2 : 0; }
