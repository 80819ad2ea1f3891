// Direct keRoRowCopy kernels for the common 8-bit pairs: straight loops
// the compiler can vectorise, giving exactly the bytes of the generic
// kernel (the conversion test sweeps both against one reference).
#include "image/RowCopy_p.h"

namespace rowcopy {

namespace {
using u8 = std::uint8_t;
using u32 = std::uint32_t;
}  // namespace

void CopyBgrFromBgra(const CRowOp&, const RowJob& j) {
  u8* __restrict d = j.dst;
  const u8* __restrict s = j.src;
  for (int i = 0; i < j.count; ++i) {
    d[i * 3 + 0] = s[i * 4 + 0];
    d[i * 3 + 1] = s[i * 4 + 1];
    d[i * 3 + 2] = s[i * 4 + 2];
  }
}

void CopyBgraFromBgr(const CRowOp&, const RowJob& j) {
  u8* __restrict d = j.dst;
  const u8* __restrict s = j.src;
  for (int i = 0; i < j.count; ++i) {
    d[i * 4 + 0] = s[i * 3 + 0];
    d[i * 4 + 1] = s[i * 3 + 1];
    d[i * 4 + 2] = s[i * 3 + 2];
    d[i * 4 + 3] = 255;
  }
}

void CopyGreyFromBgr(const CRowOp&, const RowJob& j) {
  u8* __restrict d = j.dst;
  const u8* __restrict s = j.src;
  for (int i = 0; i < j.count; ++i) d[i] = static_cast<u8>(Luma8(s[i * 3], s[i * 3 + 1], s[i * 3 + 2]));
}

void CopyGreyFromBgra(const CRowOp&, const RowJob& j) {
  u8* __restrict d = j.dst;
  const u8* __restrict s = j.src;
  for (int i = 0; i < j.count; ++i) d[i] = static_cast<u8>(Luma8(s[i * 4], s[i * 4 + 1], s[i * 4 + 2]));
}

void CopyBgrFromGrey(const CRowOp&, const RowJob& j) {
  u8* __restrict d = j.dst;
  const u8* __restrict s = j.src;
  for (int i = 0; i < j.count; ++i) d[i * 3] = d[i * 3 + 1] = d[i * 3 + 2] = s[i];
}

void CopyBgraFromGrey(const CRowOp&, const RowJob& j) {
  u8* __restrict d = j.dst;
  const u8* __restrict s = j.src;
  for (int i = 0; i < j.count; ++i) {
    d[i * 4] = d[i * 4 + 1] = d[i * 4 + 2] = s[i];
    d[i * 4 + 3] = 255;
  }
}

void CopyGreyAFromBgra(const CRowOp&, const RowJob& j) {
  u8* __restrict d = j.dst;
  const u8* __restrict s = j.src;
  for (int i = 0; i < j.count; ++i) {
    d[i * 2] = static_cast<u8>(Luma8(s[i * 4], s[i * 4 + 1], s[i * 4 + 2]));
    d[i * 2 + 1] = s[i * 4 + 3];
  }
}

void CopyBgraFromGreyA(const CRowOp&, const RowJob& j) {
  u8* __restrict d = j.dst;
  const u8* __restrict s = j.src;
  for (int i = 0; i < j.count; ++i) {
    d[i * 4] = d[i * 4 + 1] = d[i * 4 + 2] = s[i * 2];
    d[i * 4 + 3] = s[i * 2 + 1];
  }
}

void CopyGreyFromGreyA(const CRowOp&, const RowJob& j) {
  u8* __restrict d = j.dst;
  const u8* __restrict s = j.src;
  for (int i = 0; i < j.count; ++i) d[i] = s[i * 2];
}

void CopyGreyAFromGrey(const CRowOp&, const RowJob& j) {
  u8* __restrict d = j.dst;
  const u8* __restrict s = j.src;
  for (int i = 0; i < j.count; ++i) {
    d[i * 2] = s[i];
    d[i * 2 + 1] = 255;
  }
}

void CopyBgrxaFromBgra(const CRowOp&, const RowJob& j) {
  u8* d = j.dst;
  const u8* s = j.src;
  for (int i = 0; i < j.count; ++i) {
    const u32 a = s[i * 4 + 3];
    u32 b = s[i * 4], g = s[i * 4 + 1], r = s[i * 4 + 2];
    if (a == 0) {
      b = g = r = 0;
    } else if (a != 255) {
      b = Premul8(b, a);
      g = Premul8(g, a);
      r = Premul8(r, a);
    }
    d[i * 4] = static_cast<u8>(b);
    d[i * 4 + 1] = static_cast<u8>(g);
    d[i * 4 + 2] = static_cast<u8>(r);
    d[i * 4 + 3] = static_cast<u8>(a);
  }
}

void CopyBgraFromBgrxa(const CRowOp&, const RowJob& j) {
  u8* d = j.dst;
  const u8* s = j.src;
  for (int i = 0; i < j.count; ++i) {
    const u32 a = s[i * 4 + 3];
    u32 b = s[i * 4], g = s[i * 4 + 1], r = s[i * 4 + 2];
    if (a == 0) {
      b = g = r = 0;
    } else if (a != 255) {
      b = Unpremul8(b, a);
      g = Unpremul8(g, a);
      r = Unpremul8(r, a);
    }
    d[i * 4] = static_cast<u8>(b);
    d[i * 4 + 1] = static_cast<u8>(g);
    d[i * 4 + 2] = static_cast<u8>(r);
    d[i * 4 + 3] = static_cast<u8>(a);
  }
}

namespace {
template <int kOut>
void FromIndex8(const RowJob& j) {
  static const u8 kBlack[4] = {0, 0, 0, 0};
  u8* __restrict d = j.dst;
  const u8* __restrict s = j.src;
  for (int i = 0; i < j.count; ++i) {
    const int v = s[i];
    const u8* e = j.srcPalette != nullptr && v < j.srcPaletteCount ? j.srcPalette + v * 4 : kBlack;
    d[i * kOut] = e[0];
    d[i * kOut + 1] = e[1];
    d[i * kOut + 2] = e[2];
    if (kOut == 4) d[i * 4 + 3] = 255;
  }
}
}  // namespace

void CopyBgrFromIndex8(const CRowOp&, const RowJob& j) { FromIndex8<3>(j); }
void CopyBgraFromIndex8(const CRowOp&, const RowJob& j) { FromIndex8<4>(j); }

}  // namespace rowcopy
