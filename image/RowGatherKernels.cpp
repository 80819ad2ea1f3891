// keRoRowCopyIndexed and keRoRowFill: the kernels that copy pixels without
// converting them.  keRoRowCopyIndexed gathers: destination pixel i takes
// source pixel map[i] of the same format (nearest-neighbour scaling builds
// its rows this way).  keRoRowFill writes one colour into every pixel.
#include <cstring>

#include "image/KernelTables_p.h"
#include "image/PixelFormat.h"
#include "image/RowCopy_p.h"
#include "image/RowOp.h"

namespace {

using u8 = std::uint8_t;

inline int SubPixel(const u8* run, int k, int bpp) {
  const int perByte = 8 / bpp;
  return (run[k / perByte] >> (8 - bpp * (k % perByte + 1))) & ((1 << bpp) - 1);
}

inline void SetSubPixel(u8* run, int k, int bpp, int v) {
  const int perByte = 8 / bpp, mask = (1 << bpp) - 1, shift = 8 - bpp * (k % perByte + 1);
  run[k / perByte] = static_cast<u8>((run[k / perByte] & ~(mask << shift)) | ((v & mask) << shift));
}

void Gather(const CRowOp& op, const RowJob& j) {
  const std::int32_t* map = op.Params().map;
  const int perByte = SubBytePixels(j.dstFormat);
  if (perByte != 0) {
    const int bpp = 8 / perByte, sp = j.srcX % perByte, dp = j.dstX % perByte;
    for (int i = 0; i < j.count; ++i) SetSubPixel(j.dst, dp + i, bpp, SubPixel(j.src, sp + (map ? map[i] : i), bpp));
    return;
  }
  const std::size_t size = static_cast<std::size_t>(FormatBitsPerPixel(j.dstFormat) / 8);
  if (map == nullptr) {
    if (j.dst != j.src) std::memmove(j.dst, j.src, size * static_cast<std::size_t>(j.count));
    return;
  }
  if (size == 3) {
    for (int i = 0; i < j.count; ++i) {
      const u8* s = j.src + static_cast<std::size_t>(map[i]) * 3;
      u8* d = j.dst + static_cast<std::size_t>(i) * 3;
      d[0] = s[0];
      d[1] = s[1];
      d[2] = s[2];
    }
    return;
  }
  for (int i = 0; i < j.count; ++i) {
    std::memcpy(j.dst + static_cast<std::size_t>(i) * size, j.src + static_cast<std::size_t>(map[i]) * size, size);
  }
}

// The colour is converted once through the generic copy (from one 16-bit
// B, G, R, A pixel) and repeated.
void Fill(const CRowOp& op, const RowJob& j) {
  if (j.count <= 0) return;
  const RowOpParams& p = op.Params();
  std::uint16_t colour[4] = {p.colour[0], p.colour[1], p.colour[2], p.colour[3]};
  const int perByte = SubBytePixels(j.dstFormat);
  const bool indexed = IsIndexedFormat(j.dstFormat);
  RowJob one = j;
  one.count = 1;
  one.srcFormat = keFormatBGRA_u16;
  one.src = reinterpret_cast<const u8*>(colour);
  one.srcX = 0;
  if (perByte != 0) {
    u8 pixel = 0;
    int v = p.index;
    if (!indexed || v < 0) {
      one.dst = &pixel;
      one.dstX = 0;
      rowcopy::CopyGeneric(op, one);
      v = SubPixel(&pixel, 0, 8 / perByte);
    }
    for (int i = 0; i < j.count; ++i) SetSubPixel(j.dst, j.dstX % perByte + i, 8 / perByte, v);
    return;
  }
  const std::size_t size = static_cast<std::size_t>(FormatBitsPerPixel(j.dstFormat) / 8);
  rowcopy::CopyGeneric(op, one);
  if (indexed && p.index >= 0) j.dst[0] = static_cast<u8>(p.index);
  for (int i = 1; i < j.count; ++i) std::memcpy(j.dst + size * static_cast<std::size_t>(i), j.dst, size);
}

}  // namespace

const KernelTableEntry kRowCopyIndexedKernels[] = {
    {1, 1, keKernelPlain, Gather},   {2, 2, keKernelPlain, Gather},   {3, 3, keKernelPlain, Gather},
    {4, 4, keKernelPlain, Gather},   {5, 5, keKernelPlain, Gather},   {6, 6, keKernelPlain, Gather},
    {7, 7, keKernelPlain, Gather},   {8, 8, keKernelPlain, Gather},   {9, 9, keKernelPlain, Gather},
    {10, 10, keKernelPlain, Gather}, {11, 11, keKernelPlain, Gather}, {12, 12, keKernelPlain, Gather},
    {13, 13, keKernelPlain, Gather}, {14, 14, keKernelPlain, Gather}, {15, 15, keKernelPlain, Gather},
    {0, 0, 0, nullptr},
};

const KernelTableEntry kRowFillKernels[] = {
    {1, 0, keKernelPlain, Fill},  {2, 0, keKernelPlain, Fill},  {3, 0, keKernelPlain, Fill},
    {4, 0, keKernelPlain, Fill},  {5, 0, keKernelPlain, Fill},  {6, 0, keKernelPlain, Fill},
    {7, 0, keKernelPlain, Fill},  {8, 0, keKernelPlain, Fill},  {9, 0, keKernelPlain, Fill},
    {10, 0, keKernelPlain, Fill}, {11, 0, keKernelPlain, Fill}, {12, 0, keKernelPlain, Fill},
    {13, 0, keKernelPlain, Fill}, {0, 0, 0, nullptr},
};
