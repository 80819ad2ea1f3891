#pragma once
// Shared pieces of the keRoRowCopy kernels: the per-channel rules and the
// kernels that other files put into the table.

#include <cstdint>

#include "image/KernelTable.h"

namespace rowcopy {

// colour -> grey on 8-bit and on 16-bit channels, truncated.
inline std::uint32_t Luma8(std::uint32_t b, std::uint32_t g, std::uint32_t r) {
  return (28u * b + 151u * g + 77u * r) >> 8;
}
inline std::uint32_t Luma16(std::uint32_t b, std::uint32_t g, std::uint32_t r) {
  return static_cast<std::uint32_t>((28ull * b + 151ull * g + 77ull * r) >> 16);
}

// Premultiplying one channel (alpha neither 0 nor the maximum).
inline std::uint32_t Premul8(std::uint32_t v, std::uint32_t a) {
  const std::uint32_t t = v * a + 128;
  return (t + (t >> 8)) >> 8;
}
inline std::uint32_t Premul16(std::uint32_t v, std::uint32_t a) {
  const std::uint64_t t = static_cast<std::uint64_t>(v) * a + 32768;
  return static_cast<std::uint32_t>((t + (t >> 16)) >> 16);
}
// Unpremultiplying one channel (alpha not 0).
inline std::uint32_t Unpremul8(std::uint32_t v, std::uint32_t a) { return v < a ? v * 255 / a : 255; }
inline std::uint32_t Unpremul16(std::uint32_t v, std::uint32_t a) {
  return v < a ? static_cast<std::uint32_t>(static_cast<std::uint64_t>(v) * 65535 / a) : 65535;
}

// Nearest palette entry by squared R, G, B distance, ties to the lower
// index, stopping at an exact match.  0 for an empty palette.
int NearestIndex(const std::uint8_t* palette, int count, int b, int g, int r);

// Kernels defined in RowCopyKernels.cpp.
void CopySame(const CRowOp& op, const RowJob& job);
void CopyGeneric(const CRowOp& op, const RowJob& job);

// Direct kernels for the common 8-bit pairs (RowCopyFast.cpp); they give
// exactly what CopyGeneric gives.
void CopyBgrFromBgra(const CRowOp& op, const RowJob& job);
void CopyBgraFromBgr(const CRowOp& op, const RowJob& job);
void CopyGreyFromBgr(const CRowOp& op, const RowJob& job);
void CopyGreyFromBgra(const CRowOp& op, const RowJob& job);
void CopyBgrFromGrey(const CRowOp& op, const RowJob& job);
void CopyBgraFromGrey(const CRowOp& op, const RowJob& job);
void CopyGreyAFromBgra(const CRowOp& op, const RowJob& job);
void CopyBgraFromGreyA(const CRowOp& op, const RowJob& job);
void CopyGreyFromGreyA(const CRowOp& op, const RowJob& job);
void CopyGreyAFromGrey(const CRowOp& op, const RowJob& job);
void CopyBgrxaFromBgra(const CRowOp& op, const RowJob& job);
void CopyBgraFromBgrxa(const CRowOp& op, const RowJob& job);
void CopyBgrFromIndex8(const CRowOp& op, const RowJob& job);
void CopyBgraFromIndex8(const CRowOp& op, const RowJob& job);

}  // namespace rowcopy
