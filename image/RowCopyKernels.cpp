// keRoRowCopy: the table and the kernels that convert any pair of it.
//
// The generic kernel decodes a chunk of source pixels into 16-bit B, G, R, A
// plus the grey value (computed on the source's own channel depth, as the
// conversion rules ask) and encodes the chunk into the destination format.
// 8 -> 16 bits is v * 257 and 16 -> 8 bits the high byte, so 8-bit values
// pass the 16-bit stage unchanged.  The common 8-bit pairs have direct
// kernels in RowCopyFast.cpp that give the same bytes.
#include <cstring>

#include "image/KernelTables_p.h"
#include "image/PixelFormat.h"
#include "image/RowCopy_p.h"

namespace rowcopy {

namespace {

using u8 = std::uint8_t;
using u16 = std::uint16_t;
using u32 = std::uint32_t;

struct Px {
  u16 b, g, r, a, grey;
};

constexpr int kChunk = 256;

inline u16 Wide(u32 v) { return static_cast<u16>(v * 257u); }

inline void Load16(const u8* p, u16* out, int n) { std::memcpy(out, p, sizeof(u16) * static_cast<std::size_t>(n)); }

// Index of pixel `i` of a run whose first pixel sits at column `x`.
inline int IndexAt(int format, const u8* run, int x, int i) {
  switch (format) {
    case keFormatIndex1: {
      const int bit = x % 8 + i;
      return (run[bit >> 3] >> (7 - (bit & 7))) & 1;
    }
    case keFormatIndex4: {
      const int n = x % 2 + i;
      const u8 v = run[n >> 1];
      return (n & 1) ? (v & 0x0F) : (v >> 4);
    }
    case keFormatIndex8: return run[i];
    default: return run[i * 2];  // keFormatIndex8A
  }
}

void PaletteColour(const RowJob& j, int index, Px* p) {
  u32 b = 0, g = 0, r = 0;
  if (j.srcPalette != nullptr && index < j.srcPaletteCount) {
    const u8* e = j.srcPalette + index * 4;
    b = e[0];
    g = e[1];
    r = e[2];
  }
  p->b = Wide(b);
  p->g = Wide(g);
  p->r = Wide(r);
  p->grey = Wide(Luma8(b, g, r));
}

void Decode(const RowJob& j, int start, int n, Px* out) {
  const u8* s = j.src;
  switch (j.srcFormat) {
    case keFormatIndex1:
    case keFormatIndex4:
    case keFormatIndex8:
    case keFormatIndex8A:
      for (int i = 0; i < n; ++i) {
        PaletteColour(j, IndexAt(j.srcFormat, s, j.srcX, start + i), &out[i]);
        out[i].a = j.srcFormat == keFormatIndex8A ? Wide(s[(start + i) * 2 + 1]) : 0xFFFF;
      }
      break;
    case keFormatGrey:
    case keFormatGreyA: {
      const int size = j.srcFormat == keFormatGrey ? 1 : 2;
      for (int i = 0; i < n; ++i) {
        const u8* p = s + (start + i) * size;
        out[i].b = out[i].g = out[i].r = out[i].grey = Wide(p[0]);
        out[i].a = size == 2 ? Wide(p[1]) : 0xFFFF;
      }
      break;
    }
    case keFormatBGR:
    case keFormatBGRA:
    case keFormatBGRxA: {
      const int size = j.srcFormat == keFormatBGR ? 3 : 4;
      for (int i = 0; i < n; ++i) {
        const u8* p = s + (start + i) * size;
        u32 b = p[0], g = p[1], r = p[2], a = size == 4 ? p[3] : 255;
        if (j.srcFormat == keFormatBGRxA && a != 255) {
          if (a == 0) b = g = r = 0;
          else b = Unpremul8(b, a), g = Unpremul8(g, a), r = Unpremul8(r, a);
        }
        out[i] = Px{Wide(b), Wide(g), Wide(r), Wide(a), Wide(Luma8(b, g, r))};
      }
      break;
    }
    case keFormatGrey_u16:
    case keFormatGreyA_u16: {
      const int size = j.srcFormat == keFormatGrey_u16 ? 1 : 2;
      for (int i = 0; i < n; ++i) {
        u16 v[2] = {0, 0xFFFF};
        Load16(s + (start + i) * size * 2, v, size);
        out[i] = Px{v[0], v[0], v[0], v[1], v[0]};
      }
      break;
    }
    case keFormatBGR_u16:
    case keFormatBGRA_u16:
    case keFormatBGRxA_u16: {
      const int size = j.srcFormat == keFormatBGR_u16 ? 3 : 4;
      for (int i = 0; i < n; ++i) {
        u16 v[4] = {0, 0, 0, 0xFFFF};
        Load16(s + (start + i) * size * 2, v, size);
        u32 b = v[0], g = v[1], r = v[2];
        const u32 a = v[3];
        if (j.srcFormat == keFormatBGRxA_u16 && a != 0xFFFF) {
          if (a == 0) b = g = r = 0;
          else b = Unpremul16(b, a), g = Unpremul16(g, a), r = Unpremul16(r, a);
        }
        out[i] = Px{static_cast<u16>(b), static_cast<u16>(g), static_cast<u16>(r), static_cast<u16>(a),
                    static_cast<u16>(Luma16(b, g, r))};
      }
      break;
    }
    default:
      std::memset(out, 0, sizeof(Px) * static_cast<std::size_t>(n));
      break;
  }
}

// The colour -> index search with its memory of the previous pixel.
struct IndexCache {
  bool valid = false;
  u8 b = 0, g = 0, r = 0;
  int index = 0;

  int Find(const RowJob& j, u8 pb, u8 pg, u8 pr) {
    if (valid && pb == b && pg == g && pr == r) return index;
    valid = true;
    b = pb;
    g = pg;
    r = pr;
    index = NearestIndex(j.dstPalette, j.dstPaletteCount, pb, pg, pr);
    return index;
  }
};

inline void Store16(u8* p, const u16* v, int n) { std::memcpy(p, v, sizeof(u16) * static_cast<std::size_t>(n)); }

void Encode(const RowJob& j, int start, int n, const Px* in, IndexCache& cache) {
  u8* d = j.dst;
  switch (j.dstFormat) {
    case keFormatIndex1:
      for (int i = 0; i < n; ++i) {
        const int v = cache.Find(j, in[i].b >> 8, in[i].g >> 8, in[i].r >> 8);
        const int bit = j.dstX % 8 + start + i;
        const u8 mask = static_cast<u8>(0x80 >> (bit & 7));
        d[bit >> 3] = static_cast<u8>((v & 1) ? (d[bit >> 3] | mask) : (d[bit >> 3] & ~mask));
      }
      break;
    case keFormatIndex4:
      for (int i = 0; i < n; ++i) {
        const int v = cache.Find(j, in[i].b >> 8, in[i].g >> 8, in[i].r >> 8) & 0x0F;
        const int k = j.dstX % 2 + start + i;
        u8& byte = d[k >> 1];
        byte = (k & 1) ? static_cast<u8>((byte & 0xF0) | v) : static_cast<u8>((byte & 0x0F) | (v << 4));
      }
      break;
    case keFormatIndex8:
      for (int i = 0; i < n; ++i) {
        d[start + i] = static_cast<u8>(cache.Find(j, in[i].b >> 8, in[i].g >> 8, in[i].r >> 8));
      }
      break;
    case keFormatIndex8A:
      for (int i = 0; i < n; ++i) {
        u8* p = d + (start + i) * 2;
        p[0] = static_cast<u8>(cache.Find(j, in[i].b >> 8, in[i].g >> 8, in[i].r >> 8));
        p[1] = static_cast<u8>(in[i].a >> 8);
      }
      break;
    case keFormatGrey:
      for (int i = 0; i < n; ++i) d[start + i] = static_cast<u8>(in[i].grey >> 8);
      break;
    case keFormatGreyA:
      for (int i = 0; i < n; ++i) {
        d[(start + i) * 2] = static_cast<u8>(in[i].grey >> 8);
        d[(start + i) * 2 + 1] = static_cast<u8>(in[i].a >> 8);
      }
      break;
    case keFormatBGR:
    case keFormatBGRA:
    case keFormatBGRxA: {
      const int size = j.dstFormat == keFormatBGR ? 3 : 4;
      for (int i = 0; i < n; ++i) {
        u8* p = d + (start + i) * size;
        u32 b = in[i].b >> 8, g = in[i].g >> 8, r = in[i].r >> 8;
        const u32 a = in[i].a >> 8;
        if (j.dstFormat == keFormatBGRxA && a != 255) {
          if (a == 0) b = g = r = 0;
          else b = Premul8(b, a), g = Premul8(g, a), r = Premul8(r, a);
        }
        p[0] = static_cast<u8>(b);
        p[1] = static_cast<u8>(g);
        p[2] = static_cast<u8>(r);
        if (size == 4) p[3] = static_cast<u8>(a);
      }
      break;
    }
    case keFormatGrey_u16:
    case keFormatGreyA_u16: {
      const int size = j.dstFormat == keFormatGrey_u16 ? 1 : 2;
      for (int i = 0; i < n; ++i) {
        const u16 v[2] = {in[i].grey, in[i].a};
        Store16(d + (start + i) * size * 2, v, size);
      }
      break;
    }
    case keFormatBGR_u16:
    case keFormatBGRA_u16:
    case keFormatBGRxA_u16: {
      const int size = j.dstFormat == keFormatBGR_u16 ? 3 : 4;
      for (int i = 0; i < n; ++i) {
        u16 v[4] = {in[i].b, in[i].g, in[i].r, in[i].a};
        if (j.dstFormat == keFormatBGRxA_u16 && v[3] != 0xFFFF) {
          for (int c = 0; c < 3; ++c) v[c] = v[3] == 0 ? 0 : static_cast<u16>(Premul16(v[c], v[3]));
        }
        Store16(d + (start + i) * size * 2, v, size);
      }
      break;
    }
    default:
      break;
  }
}

// Copies `n` sub-byte pixels from pixel `sp` of `s` to pixel `dp` of `d`,
// keeping every other bit of the destination.
void CopySubByte(u8* d, int dp, const u8* s, int sp, int n, int bpp) {
  const int perByte = 8 / bpp;
  const int mask = (1 << bpp) - 1;
  int i = 0;
  if (sp == dp) {
    // Same phase: whole bytes in the middle.
    for (; i < n && (dp + i) % perByte != 0; ++i) {
      const int k = dp + i, shift = 8 - bpp * (k % perByte + 1);
      d[k / perByte] = static_cast<u8>((d[k / perByte] & ~(mask << shift)) | (s[k / perByte] & (mask << shift)));
    }
    const int whole = (n - i) / perByte;
    if (whole > 0) std::memmove(d + (dp + i) / perByte, s + (dp + i) / perByte, static_cast<std::size_t>(whole));
    i += whole * perByte;
  }
  for (; i < n; ++i) {
    const int ks = sp + i, kd = dp + i;
    const int v = (s[ks / perByte] >> (8 - bpp * (ks % perByte + 1))) & mask;
    const int shift = 8 - bpp * (kd % perByte + 1);
    d[kd / perByte] = static_cast<u8>((d[kd / perByte] & ~(mask << shift)) | (v << shift));
  }
}

}  // namespace

int NearestIndex(const std::uint8_t* palette, int count, int b, int g, int r) {
  if (palette == nullptr || count <= 0) return 0;
  int best = 0;
  long bestDistance = -1;
  for (int i = 0; i < count; ++i) {
    const u8* e = palette + i * 4;
    const long db = e[0] - b, dg = e[1] - g, dr = e[2] - r;
    const long distance = db * db + dg * dg + dr * dr;
    if (bestDistance < 0 || distance < bestDistance) {
      best = i;
      bestDistance = distance;
      if (distance == 0) break;
    }
  }
  return best;
}

void CopySame(const CRowOp&, const RowJob& j) {
  const int perByte = SubBytePixels(j.dstFormat);
  if (perByte != 0) {
    CopySubByte(j.dst, j.dstX % perByte, j.src, j.srcX % perByte, j.count, 8 / perByte);
    return;
  }
  const std::size_t bytes = static_cast<std::size_t>(j.count) * (FormatBitsPerPixel(j.dstFormat) / 8);
  if (j.dst != j.src) std::memmove(j.dst, j.src, bytes);
}

void CopyGeneric(const CRowOp&, const RowJob& j) {
  Px chunk[kChunk];
  IndexCache cache;
  for (int start = 0; start < j.count; start += kChunk) {
    const int n = j.count - start < kChunk ? j.count - start : kChunk;
    Decode(j, start, n, chunk);
    Encode(j, start, n, chunk, cache);
  }
}

}  // namespace rowcopy

using namespace rowcopy;

// destination <- sources; plain kernels only.
const KernelTableEntry kRowCopyKernels[] = {
    {1, 1, keKernelPlain, CopySame},
    {1, 7, keKernelPlain, CopyGeneric},
    {1, 8, keKernelPlain, CopyGeneric},
    {1, 12, keKernelPlain, CopyGeneric},
    {1, 13, keKernelPlain, CopyGeneric},
    {2, 2, keKernelPlain, CopySame},
    {2, 7, keKernelPlain, CopyGeneric},
    {2, 8, keKernelPlain, CopyGeneric},
    {2, 12, keKernelPlain, CopyGeneric},
    {2, 13, keKernelPlain, CopyGeneric},
    {3, 3, keKernelPlain, CopySame},
    {3, 4, keKernelPlain, CopyGeneric},
    {3, 7, keKernelPlain, CopyGeneric},
    {3, 8, keKernelPlain, CopyGeneric},
    {3, 12, keKernelPlain, CopyGeneric},
    {3, 13, keKernelPlain, CopyGeneric},
    {4, 3, keKernelPlain, CopyGeneric},
    {4, 4, keKernelPlain, CopySame},
    {4, 8, keKernelPlain, CopyGeneric},
    {4, 13, keKernelPlain, CopyGeneric},
    {5, 5, keKernelPlain, CopySame},
    {5, 6, keKernelPlain, CopyGreyFromGreyA},
    {5, 7, keKernelPlain, CopyGreyFromBgr},
    {5, 8, keKernelPlain, CopyGreyFromBgra},
    {5, 10, keKernelPlain, CopyGeneric},
    {5, 12, keKernelPlain, CopyGeneric},
    {5, 13, keKernelPlain, CopyGeneric},
    {6, 5, keKernelPlain, CopyGreyAFromGrey},
    {6, 6, keKernelPlain, CopySame},
    {6, 8, keKernelPlain, CopyGreyAFromBgra},
    {6, 11, keKernelPlain, CopyGeneric},
    {6, 13, keKernelPlain, CopyGeneric},
    {7, 1, keKernelPlain, CopyGeneric},
    {7, 2, keKernelPlain, CopyGeneric},
    {7, 3, keKernelPlain, CopyBgrFromIndex8},
    {7, 5, keKernelPlain, CopyBgrFromGrey},
    {7, 7, keKernelPlain, CopySame},
    {7, 8, keKernelPlain, CopyBgrFromBgra},
    {7, 10, keKernelPlain, CopyGeneric},
    {7, 12, keKernelPlain, CopyGeneric},
    {7, 13, keKernelPlain, CopyGeneric},
    {8, 1, keKernelPlain, CopyGeneric},
    {8, 2, keKernelPlain, CopyGeneric},
    {8, 3, keKernelPlain, CopyBgraFromIndex8},
    {8, 4, keKernelPlain, CopyGeneric},
    {8, 5, keKernelPlain, CopyBgraFromGrey},
    {8, 6, keKernelPlain, CopyBgraFromGreyA},
    {8, 7, keKernelPlain, CopyBgraFromBgr},
    {8, 8, keKernelPlain, CopySame},
    {8, 9, keKernelPlain, CopyBgraFromBgrxa},
    {8, 10, keKernelPlain, CopyGeneric},
    {8, 11, keKernelPlain, CopyGeneric},
    {8, 12, keKernelPlain, CopyGeneric},
    {8, 13, keKernelPlain, CopyGeneric},
    {8, 14, keKernelPlain, CopyGeneric},
    {9, 8, keKernelPlain, CopyBgrxaFromBgra},
    {9, 9, keKernelPlain, CopySame},
    {9, 13, keKernelPlain, CopyGeneric},
    {10, 5, keKernelPlain, CopyGeneric},
    {10, 7, keKernelPlain, CopyGeneric},
    {10, 8, keKernelPlain, CopyGeneric},
    {10, 10, keKernelPlain, CopySame},
    {10, 11, keKernelPlain, CopyGeneric},
    {10, 12, keKernelPlain, CopyGeneric},
    {10, 13, keKernelPlain, CopyGeneric},
    {11, 6, keKernelPlain, CopyGeneric},
    {11, 8, keKernelPlain, CopyGeneric},
    {11, 10, keKernelPlain, CopyGeneric},
    {11, 11, keKernelPlain, CopySame},
    {11, 13, keKernelPlain, CopyGeneric},
    {12, 1, keKernelPlain, CopyGeneric},
    {12, 2, keKernelPlain, CopyGeneric},
    {12, 3, keKernelPlain, CopyGeneric},
    {12, 5, keKernelPlain, CopyGeneric},
    {12, 7, keKernelPlain, CopyGeneric},
    {12, 8, keKernelPlain, CopyGeneric},
    {12, 10, keKernelPlain, CopyGeneric},
    {12, 12, keKernelPlain, CopySame},
    {12, 13, keKernelPlain, CopyGeneric},
    {13, 1, keKernelPlain, CopyGeneric},
    {13, 2, keKernelPlain, CopyGeneric},
    {13, 3, keKernelPlain, CopyGeneric},
    {13, 4, keKernelPlain, CopyGeneric},
    {13, 5, keKernelPlain, CopyGeneric},
    {13, 6, keKernelPlain, CopyGeneric},
    {13, 7, keKernelPlain, CopyGeneric},
    {13, 8, keKernelPlain, CopyGeneric},
    {13, 9, keKernelPlain, CopyGeneric},
    {13, 10, keKernelPlain, CopyGeneric},
    {13, 11, keKernelPlain, CopyGeneric},
    {13, 12, keKernelPlain, CopyGeneric},
    {13, 13, keKernelPlain, CopySame},
    {13, 14, keKernelPlain, CopyGeneric},
    {14, 8, keKernelPlain, CopyGeneric},
    {14, 13, keKernelPlain, CopyGeneric},
    {14, 14, keKernelPlain, CopySame},    {0, 0, 0, nullptr},
};
