// keRoRowBlendLayer: blending a source with alpha over a destination.
//
// Normal mode (0) mixes each channel towards the source by the source's
// alpha; at full opacity alpha 255 copies and alpha 0 keeps, otherwise the
// weight is w = a * 257 + 1 out of 65536.  With an opacity below 255 (or a
// mask) the alpha is first scaled: a' = (e + e / 256) / 256 with
// e = a * o + 128, and w = a' * 257 + 1 for every pixel.  Modes 7
// (multiply: the pressed look of picture buttons) and 20 (screen: the
// disabled look) mix towards f(destination, source) instead of the source.
// A source of the other channel depth is brought to the destination's
// first (v * 257, or the high byte); 16-bit channels use w = a + 1.  A
// destination with alpha below its maximum gets the source "over" it:
// alpha a + d (1 - a), colour weighted by the source's share of it.
#include <cstring>

#include "image/KernelTables_p.h"
#include "image/PixelFormat.h"
#include "image/RowCopy_p.h"
#include "image/RowOp.h"

namespace {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;

template <class T>
constexpr u32 kMax = sizeof(T) == 1 ? 255u : 65535u;

template <class D, class S>
inline u32 ToDepth(u32 v) {
  if (sizeof(D) == sizeof(S)) return v;
  return sizeof(D) == 2 ? v * 257u : v >> 8;
}

// lerp(d, s, w) with w out of 65536.
inline u32 Lerp(u32 d, u32 s, u32 w) {
  if (d < s) return d + static_cast<u32>((static_cast<u64>(s - d) * w + 32768) >> 16);
  return d - static_cast<u32>((static_cast<u64>(d - s) * w + 32768) >> 16);
}

// a * o / 255 as the opacity rule rounds it; `a` of either depth.
inline u32 ScaleAlpha(u32 a, u32 o) {
  const u32 e = a * o + 128;
  return (e + (e >> 8)) >> 8;
}

template <class T>
inline u32 Weight(u32 a) {
  return sizeof(T) == 1 ? a * 257u + 1 : a + 1;
}

template <int kMode, class T>
inline u32 Apply(u32 d, u32 s) {
  constexpr u32 m = kMax<T>;
  if (kMode == 7) return (d * s + m / 2) / m;
  if (kMode == 20) return d + s - (d * s + m / 2) / m;
  return s;
}

// One kernel for every pair: kDst and kSrc are the channel counts of
// destination and source (alpha last when present).
template <int kMode, class D, int kDst, bool kDstAlpha, class S, int kSrc>
void BlendRun(const CRowOp& op, const RowJob& j) {
  constexpr int kColours = kDstAlpha ? kDst - 1 : kDst;
  constexpr u32 kM = kMax<D>;
  const RowOpParams& p = op.Params();
  const u32 opacity = p.opacity < 0 ? 0u : p.opacity > 255 ? 255u : static_cast<u32>(p.opacity);
  const bool full = opacity == 255 && p.mask == nullptr;
  D* d = reinterpret_cast<D*>(j.dst);
  const u8* sBytes = j.src;
  for (int i = 0; i < j.count; ++i, d += kDst) {
    S sp[4];
    std::memcpy(sp, sBytes + static_cast<std::size_t>(i) * kSrc * sizeof(S), sizeof(S) * kSrc);
    u32 a = ToDepth<D, S>(sp[kSrc - 1]);
    u32 w;
    if (full) {
      if (a == 0) continue;
      if (a == kM) {
        for (int c = 0; c < kColours; ++c) d[c] = static_cast<D>(Apply<kMode, D>(d[c], ToDepth<D, S>(sp[c])));
        if (kDstAlpha) d[kDst - 1] = static_cast<D>(kM);
        continue;
      }
      w = Weight<D>(a);
    } else {
      const u32 o = p.mask != nullptr ? ScaleAlpha(p.mask[i], opacity) : opacity;
      a = ScaleAlpha(a, o);
      w = Weight<D>(a);
    }
    u32 wc = w;
    if (kDstAlpha && d[kDst - 1] != kM) {
      const u32 out = Lerp(d[kDst - 1], kM, w);
      d[kDst - 1] = static_cast<D>(out);
      if (out == 0) continue;
      const u64 share = (static_cast<u64>(a) * 65536 + out / 2) / out;
      wc = share > 65536 ? 65536u : static_cast<u32>(share);
    }
    for (int c = 0; c < kColours; ++c) {
      const u32 dv = d[c];
      d[c] = static_cast<D>(Lerp(dv, Apply<kMode, D>(dv, ToDepth<D, S>(sp[c])), wc));
    }
  }
}

// Index8 <- BGRA: blended over the palette colour, then the nearest entry.
void BlendIndex8(const CRowOp& op, const RowJob& j) {
  const RowOpParams& p = op.Params();
  const u32 opacity = p.opacity < 0 ? 0u : p.opacity > 255 ? 255u : static_cast<u32>(p.opacity);
  const bool full = opacity == 255 && p.mask == nullptr;
  int lastIndex = -1, lastResult = 0;
  u32 lastPixel = 0;
  for (int i = 0; i < j.count; ++i) {
    const u8* s = j.src + i * 4;
    u32 a = s[3];
    u32 w;
    if (full) {
      if (a == 0) continue;
      w = a == 255 ? 65536u : a * 257u + 1;
    } else {
      a = ScaleAlpha(a, p.mask != nullptr ? ScaleAlpha(p.mask[i], opacity) : opacity);
      w = a * 257u + 1;
    }
    const int index = j.dst[i];
    const u8* e = j.dstPalette != nullptr && index < j.dstPaletteCount ? j.dstPalette + index * 4 : nullptr;
    const u32 db = e ? e[0] : 0, dg = e ? e[1] : 0, dr = e ? e[2] : 0;
    const u32 b = Lerp(db, s[0], w), g = Lerp(dg, s[1], w), r = Lerp(dr, s[2], w);
    const u32 pixel = b | g << 8 | r << 16;
    if (lastIndex < 0 || pixel != lastPixel) {
      lastPixel = pixel;
      lastResult = rowcopy::NearestIndex(j.dstPalette, j.dstPaletteCount, static_cast<int>(b),
                                         static_cast<int>(g), static_cast<int>(r));
      lastIndex = 0;
    }
    j.dst[i] = static_cast<u8>(lastResult);
  }
}

#define BLEND_TABLE(M)                                                                  \
  {keFormatBGR, keFormatBGRA, keKernelPlain, BlendRun<M, u8, 3, false, u8, 4>},         \
  {keFormatBGR, keFormatBGRA_u16, keKernelPlain, BlendRun<M, u8, 3, false, u16, 4>},    \
  {keFormatBGRA, keFormatBGRA, keKernelPlain, BlendRun<M, u8, 4, true, u8, 4>},         \
  {keFormatBGR_u16, keFormatBGRA_u16, keKernelPlain, BlendRun<M, u16, 3, false, u16, 4>}, \
  {keFormatBGRA_u16, keFormatBGRA, keKernelPlain, BlendRun<M, u16, 4, true, u8, 4>},    \
  {keFormatBGRA_u16, keFormatBGRA_u16, keKernelPlain, BlendRun<M, u16, 4, true, u16, 4>}, \
  {keFormatGrey, keFormatGreyA, keKernelPlain, BlendRun<M, u8, 1, false, u8, 2>},       \
  {keFormatGreyA, keFormatGreyA, keKernelPlain, BlendRun<M, u8, 2, true, u8, 2>},       \
  {keFormatGrey_u16, keFormatGreyA_u16, keKernelPlain, BlendRun<M, u16, 1, false, u16, 2>}, \
  {keFormatGreyA_u16, keFormatGreyA_u16, keKernelPlain, BlendRun<M, u16, 2, true, u16, 2>}

const KernelTableEntry kNormal[] = {
    BLEND_TABLE(0),
    {keFormatIndex8, keFormatBGRA, keKernelPlain, BlendIndex8},
    {keFormatBGR, keFormatBGR, keKernelPlain, rowcopy::CopySame},
    {keFormatBGR_u16, keFormatBGR_u16, keKernelPlain, rowcopy::CopySame},
    {0, 0, 0, nullptr},
};
const KernelTableEntry kMultiply[] = {BLEND_TABLE(7), {0, 0, 0, nullptr}};
const KernelTableEntry kScreen[] = {BLEND_TABLE(20), {0, 0, 0, nullptr}};

}  // namespace

const KernelTableEntry* BlendLayerKernels(int mode) {
  switch (mode) {
    case 0: return kNormal;
    case 7: return kMultiply;
    case 20: return kScreen;
    default: return nullptr;
  }
}
