// keRoRowCopy over every pair of its table against a straightforward
// per-pixel reference, through the table's kernel and through the generic
// kernel alike, for widths that hit odd lengths and sub-byte tails, at
// pixel phases 0 and 3, with guard bytes after each run that must survive.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "image/PixelFormat.h"
#include "image/RowCopy_p.h"
#include "image/RowOp.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
constexpr std::uint8_t kGuard = 0x5A;
constexpr int kGuardBytes = 17;

// ---- the reference: one pixel at a time ------------------------------------

struct Colour {
  int b = 0, g = 0, r = 0, a = 0, grey = 0;
  int bits = 8;  // channel depth the values are in
};

int Depth(int format) { return Is16BitFormat(format) ? 16 : 8; }
int Bpp(int format) { return FormatBitsPerPixel(format); }

int ReadIndex(int format, const Bytes& run, int pixel) {
  if (format == keFormatIndex1) return (run[pixel / 8] >> (7 - pixel % 8)) & 1;
  if (format == keFormatIndex4) return pixel % 2 ? run[pixel / 2] & 15 : run[pixel / 2] >> 4;
  if (format == keFormatIndex8) return run[pixel];
  return run[pixel * 2];
}

int Read16(const Bytes& run, int offset) { return run[offset] | run[offset + 1] << 8; }

Colour Decode(int format, const Bytes& run, int pixel, const Bytes& palette) {
  Colour c;
  c.bits = Depth(format);
  if (IsIndexedFormat(format)) {
    const int i = ReadIndex(format, run, pixel);
    c.b = palette[i * 4];
    c.g = palette[i * 4 + 1];
    c.r = palette[i * 4 + 2];
    c.a = format == keFormatIndex8A ? run[pixel * 2 + 1] : 255;
    c.grey = (28 * c.b + 151 * c.g + 77 * c.r) / 256;
    return c;
  }
  const int channels = Bpp(format) / c.bits;
  int v[4] = {0, 0, 0, 0};
  for (int k = 0; k < channels; ++k) {
    v[k] = c.bits == 8 ? run[pixel * channels + k] : Read16(run, (pixel * channels + k) * 2);
  }
  const int max = c.bits == 8 ? 255 : 65535;
  if (IsGreyFormat(format)) {
    c.b = c.g = c.r = c.grey = v[0];
    c.a = channels == 2 ? v[1] : max;
    return c;
  }
  c.b = v[0];
  c.g = v[1];
  c.r = v[2];
  c.a = channels == 4 ? v[3] : max;
  if (format == keFormatBGRxA || format == keFormatBGRxA_u16) {
    int* ch[3] = {&c.b, &c.g, &c.r};
    for (int* p : ch) {
      if (c.a == 0) *p = 0;
      else if (c.a != max) *p = *p < c.a ? static_cast<int>(static_cast<long long>(*p) * max / c.a) : max;
    }
  }
  const long long s = 28LL * c.b + 151LL * c.g + 77LL * c.r;
  c.grey = static_cast<int>(c.bits == 8 ? s / 256 : s / 65536);
  return c;
}

int ToBits(int v, int from, int to) {
  if (from == to) return v;
  return to == 16 ? v * 257 : v >> 8;
}

int Nearest(const Bytes& palette, int count, int b, int g, int r) {
  int best = 0;
  long long bestD = 1LL << 40;
  for (int i = 0; i < count; ++i) {
    const long db = palette[i * 4] - b, dg = palette[i * 4 + 1] - g, dr = palette[i * 4 + 2] - r;
    const long long d = db * db + dg * dg + dr * dr;
    if (d < bestD) best = i, bestD = d;
  }
  return best;
}

void Write16(Bytes& run, int offset, int v) {
  run[offset] = static_cast<std::uint8_t>(v & 255);
  run[offset + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Encode(int format, Bytes& run, int pixel, Colour c, const Bytes& palette, int paletteCount) {
  const int bits = Depth(format);
  const int b = ToBits(c.b, c.bits, bits), g = ToBits(c.g, c.bits, bits), r = ToBits(c.r, c.bits, bits);
  const int a = ToBits(c.a, c.bits, bits), grey = ToBits(c.grey, c.bits, bits);
  if (IsIndexedFormat(format)) {
    const int i = Nearest(palette, paletteCount, c.b >> (c.bits - 8), c.g >> (c.bits - 8), c.r >> (c.bits - 8));
    if (format == keFormatIndex1) {
      run[pixel / 8] = static_cast<std::uint8_t>((run[pixel / 8] & ~(0x80 >> pixel % 8)) | (i << (7 - pixel % 8)));
    } else if (format == keFormatIndex4) {
      const int shift = pixel % 2 ? 0 : 4;
      run[pixel / 2] = static_cast<std::uint8_t>((run[pixel / 2] & ~(15 << shift)) | (i << shift));
    } else if (format == keFormatIndex8) {
      run[pixel] = static_cast<std::uint8_t>(i);
    } else {
      run[pixel * 2] = static_cast<std::uint8_t>(i);
      run[pixel * 2 + 1] = static_cast<std::uint8_t>(a);
    }
    return;
  }
  const int channels = Bpp(format) / bits;
  const int max = bits == 8 ? 255 : 65535;
  int v[4];
  if (IsGreyFormat(format)) {
    v[0] = grey;
    v[1] = a;
  } else {
    v[0] = b, v[1] = g, v[2] = r, v[3] = a;
    if (format == keFormatBGRxA || format == keFormatBGRxA_u16) {
      for (int k = 0; k < 3; ++k) {
        if (a == 0) {
          v[k] = 0;
        } else if (a != max) {
          const long long t = static_cast<long long>(v[k]) * a + (max + 1) / 2;
          v[k] = static_cast<int>((t + t / (max + 1)) / (max + 1));
        }
      }
    }
  }
  for (int k = 0; k < channels; ++k) {
    if (bits == 8) run[pixel * channels + k] = static_cast<std::uint8_t>(v[k]);
    else Write16(run, (pixel * channels + k) * 2, v[k]);
  }
}

// ---- the sweep ------------------------------------------------------------------

struct Pair {
  int dst, src;
};

std::vector<Pair> TablePairs() {
  std::vector<Pair> pairs;
  const CRowOp op = CRowOp::Copy();
  for (int d = 1; d <= 19; ++d) {
    for (int s = 1; s <= 19; ++s) {
      if (op.Lookup(d, s, keLookupPlain) != RowNopKernel) pairs.push_back({d, s});
    }
  }
  return pairs;
}

Bytes RandomPalette(std::mt19937& rng) {
  Bytes p(256 * 4);
  for (auto& v : p) v = static_cast<std::uint8_t>(rng());
  // Duplicate entries make ties that must go to the lower index.
  for (int i = 0; i < 256; i += 5) std::memcpy(&p[(i + 3) % 256 * 4], &p[i * 4], 4);
  for (int i = 0; i < 256; ++i) p[i * 4 + 3] = 0;
  return p;
}

int PaletteCount(int format) {
  return format == keFormatIndex1 ? 2 : format == keFormatIndex4 ? 16 : IsIndexedFormat(format) ? 256 : 0;
}

std::size_t RunBytes(int format, int pixels) { return (static_cast<std::size_t>(pixels) * Bpp(format) + 7) / 8; }

void CheckPair(const Pair& pair, int width, int phase, RowKernel kernel, const char* which) {
  SCOPED_TRACE(std::string(which) + " " + FormatName(pair.dst) + " <- " + FormatName(pair.src) + " width " +
               std::to_string(width) + " phase " + std::to_string(phase));
  std::mt19937 rng(static_cast<unsigned>(pair.dst * 1000 + pair.src * 10 + width + phase));
  const int dstPhase = SubBytePixels(pair.dst) ? phase % SubBytePixels(pair.dst) : 0;
  const int srcPhase = SubBytePixels(pair.src) ? phase % SubBytePixels(pair.src) : 0;
  Bytes src(RunBytes(pair.src, srcPhase + width));
  for (auto& v : src) v = static_cast<std::uint8_t>(rng());
  // Runs of equal pixels exercise the repeated-pixel shortcut.
  const int srcSize = Bpp(pair.src) / 8;
  if (srcSize > 0 && width > 4) std::memcpy(&src[(srcPhase + 2) * srcSize], &src[(srcPhase + 1) * srcSize], srcSize);
  const Bytes srcPalette = RandomPalette(rng), dstPalette = RandomPalette(rng);

  Bytes dst(RunBytes(pair.dst, dstPhase + width) + kGuardBytes, kGuard);
  Bytes expected = dst;
  for (int i = 0; i < width; ++i) {
    Encode(pair.dst, expected, dstPhase + i, Decode(pair.src, src, srcPhase + i, srcPalette), dstPalette,
           PaletteCount(pair.dst));
  }
  if (pair.dst == pair.src) {
    // The same format is copied as it is, indices included.
    expected = dst;
    for (int i = 0; i < width; ++i) {
      const int bpp = Bpp(pair.dst);
      for (int bit = 0; bit < bpp; ++bit) {
        const int from = (srcPhase + i) * bpp + bit, to = (dstPhase + i) * bpp + bit;
        const int v = (src[from / 8] >> (7 - from % 8)) & 1;
        expected[to / 8] = static_cast<std::uint8_t>((expected[to / 8] & ~(0x80 >> to % 8)) | (v << (7 - to % 8)));
      }
    }
  }
  RowJob job;
  job.dstFormat = pair.dst;
  job.srcFormat = pair.src;
  job.count = width;
  job.dst = dst.data();
  job.src = src.data();
  job.dstX = dstPhase + 8 * 5;  // a column further on with the same phase
  job.srcX = srcPhase + 8 * 3;
  job.dstPalette = dstPalette.data();
  job.dstPaletteCount = PaletteCount(pair.dst);
  job.srcPalette = srcPalette.data();
  job.srcPaletteCount = PaletteCount(pair.src);
  kernel(CRowOp::Copy(), job);
  ASSERT_EQ(dst, expected);
}

TEST(RowCopy, TableHasEveryPairOfTheConversionList) {
  // destination <- sources, as the conversion list names them.
  const std::vector<std::pair<int, std::vector<int>>> list = {
      {1, {1, 7, 8, 12, 13}},  {2, {2, 7, 8, 12, 13}},          {3, {3, 4, 7, 8, 12, 13}},
      {4, {3, 4, 8, 13}},      {5, {5, 6, 7, 8, 10, 12, 13}},    {6, {5, 6, 8, 11, 13}},
      {7, {1, 2, 3, 5, 7, 8, 10, 12, 13}},                       {8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
      {9, {8, 9, 13}},         {10, {5, 7, 8, 10, 11, 12, 13}},  {11, {6, 8, 10, 11, 13}},
      {12, {1, 2, 3, 5, 7, 8, 10, 12, 13}},                      {13, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
      {14, {8, 13, 14}}};
  std::vector<std::pair<int, int>> want, have;
  for (const auto& [d, sources] : list) {
    for (int s : sources) want.emplace_back(d, s);
  }
  for (const Pair& p : TablePairs()) have.emplace_back(p.dst, p.src);
  EXPECT_EQ(have, want);
}

TEST(RowCopy, EveryPairMatchesTheReference) {
  for (const Pair& pair : TablePairs()) {
    const RowKernel kernel = CRowOp::Copy().Lookup(pair.dst, pair.src, keLookupPlain);
    for (int width : {1, 7, 9, 129}) {
      for (int phase : {0, 3}) {
        CheckPair(pair, width, phase, kernel, "table");
        if (pair.dst != pair.src) CheckPair(pair, width, phase, rowcopy::CopyGeneric, "generic");
      }
    }
  }
}

// ---- worked values -----------------------------------------------------------------

Bytes Convert(int dst, int src, const Bytes& in, int count) {
  Bytes out(RunBytes(dst, count), 0);
  RowJob job;
  job.dstFormat = dst;
  job.srcFormat = src;
  job.count = count;
  job.dst = out.data();
  job.src = in.data();
  CRowOp::Copy().Lookup(dst, src, keLookupPlain)(CRowOp::Copy(), job);
  return out;
}

TEST(RowCopy, WorkedValues) {
  struct Case {
    int dst, src;
    Bytes in, out;
  };
  const Case cases[] = {
      {keFormatGrey, keFormatBGR, {0, 0, 255}, {76}},
      {keFormatGrey, keFormatBGR, {255, 0, 0}, {27}},
      {keFormatBGRxA, keFormatBGRA, {200, 100, 50, 128}, {100, 50, 25, 128}},
      {keFormatBGRxA, keFormatBGRA, {200, 100, 50, 0}, {0, 0, 0, 0}},
      // v = 152, a = 229: t = 34936, (t + 136) / 256 = 137 (the buffer's own
      // converters, ((v a / 256) + v a + 128) / 256, round it to 136).
      {keFormatBGRxA, keFormatBGRA, {152, 152, 152, 229}, {137, 137, 137, 229}},
      {keFormatBGRA, keFormatBGRxA, {100, 50, 200, 128}, {199, 99, 255, 128}},
      {keFormatBGR, keFormatBGRA, {1, 2, 3, 0}, {1, 2, 3}},
      {keFormatBGRA_u16, keFormatBGR, {1, 2, 3}, {1, 1, 2, 2, 3, 3, 255, 255}},
      {keFormatBGR, keFormatBGR_u16, {0x34, 0x12, 0xFF, 0x80, 0x00, 0x01}, {0x12, 0x80, 0x01}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(FormatName(c.dst)) + " <- " + FormatName(c.src));
    EXPECT_EQ(Convert(c.dst, c.src, c.in, 1), c.out);
  }
}

TEST(RowCopy, ColourToIndexTakesTheNearestEntryAndTheLowerOfATie) {
  // Entries: 0 black, 1 (10, 10, 10), 2 (30, 30, 30), 3 (10, 10, 10) again.
  Bytes palette(256 * 4, 0);
  const int grey[4] = {0, 10, 30, 10};
  for (int i = 0; i < 4; ++i) palette[i * 4] = palette[i * 4 + 1] = palette[i * 4 + 2] = static_cast<std::uint8_t>(grey[i]);
  // A = (11, 11, 11) -> 1; B = (29, 29, 29) -> 2; (20, 20, 20) is as far
  // from 1 (and 3) as from 2: the lowest index, 1, wins.
  const Bytes in = {11, 11, 11, 11, 11, 11, 29, 29, 29, 29, 29, 29, 11, 11, 11, 20, 20, 20, 10, 10, 10};
  Bytes out(7, 99);
  RowJob job;
  job.dstFormat = keFormatIndex8;
  job.srcFormat = keFormatBGR;
  job.count = 7;
  job.dst = out.data();
  job.src = in.data();
  job.dstPalette = palette.data();
  job.dstPaletteCount = 4;
  CRowOp::Copy().Lookup(keFormatIndex8, keFormatBGR, keLookupPlain)(CRowOp::Copy(), job);
  EXPECT_EQ(out, (Bytes{1, 1, 2, 2, 1, 1, 1}));
}

}  // namespace
