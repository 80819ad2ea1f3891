// The passes through the colour table for processors with AVX2, built with
// AVX2 code generation: every such processor counts bits with POPCNT, which
// finds a colour's number in a few instructions, and the passes over groups
// of rows take four side by side, one in each lane of a vector.
#include <cstring>

#include "transfer/ColourTablePixels_p.h"
#include "transfer/Lanes_avx2.h"
#include "transfer/TableStatisticsSums_p.h"

namespace transfer_detail {

bool HaveAvx2TableSums() { return true; }

void TableForwardSumsAvx2(const CColourTable& table, const std::uint8_t* row, int bytesPerPixel, int width,
                          double sums[kForwardSlots], std::uint8_t* numbers) {
  TableForwardSumsWith<true>(table, row, bytesPerPixel, width, sums, numbers);
}

namespace {

static_assert(kVectorRows == 4, "one row in each lane of four doubles");

// The number kept in the first three bytes of the pixel at p: with four
// bytes read when the pixel is not the row's last (its fourth byte is the
// next pixel's or the alpha byte), with three otherwise.
inline std::uint32_t NumberReadingFour(const std::uint8_t* p) {
  std::uint32_t v;
  std::memcpy(&v, p, sizeof v);
  return v & 0xFFFFFFu;  // the pixels' bytes are in little-endian order
}
inline std::uint32_t NumberReadingThree(const std::uint8_t* p) {
  return p[0] | (static_cast<std::uint32_t>(p[1]) << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
}

// Adds colours n[0..3], one from each row, to the sums: their l, alpha,
// beta gathered into the lanes (entry r's into lane r) and widened exactly
// to double.
template <typename Sums>
inline void AddColours(const CColourTable::Lab* labs, const std::uint32_t n[4], Sums& sums) {
  const __m128 p0 = _mm_loadu_ps(labs[n[0]].value);
  const __m128 p1 = _mm_loadu_ps(labs[n[1]].value);
  const __m128 p2 = _mm_loadu_ps(labs[n[2]].value);
  const __m128 p3 = _mm_loadu_ps(labs[n[3]].value);
  static_assert(CColourTable::kL == 0 && CColourTable::kAlpha == 1 && CColourTable::kBeta == 2, "entry layout");
  const __m128 la01 = _mm_unpacklo_ps(p0, p1);  // l0 l1 a0 a1
  const __m128 la23 = _mm_unpacklo_ps(p2, p3);  // l2 l3 a2 a3
  const __m128 b01 = _mm_unpackhi_ps(p0, p1);   // b0 b1 . .
  const __m128 b23 = _mm_unpackhi_ps(p2, p3);   // b2 b3 . .
  sums.Add({_mm256_cvtps_pd(_mm_movelh_ps(la01, la23))}, {_mm256_cvtps_pd(_mm_movehl_ps(la23, la01))},
           {_mm256_cvtps_pd(_mm_movelh_ps(b01, b23))});
}

// Calls pixel(at, n) for x = 0 .. width - 1 of four numbered rows of kStride
// bytes per pixel, with the pixels' byte offset `at` and their numbers n[r]
// (each read before pixel() may write over it).
template <int kStride, typename Row, typename Pixel>
void EachNumberedColumn(Row* const* rows, int width, const Pixel& pixel) {
  const std::uint8_t* const r0 = rows[0];
  const std::uint8_t* const r1 = rows[1];
  const std::uint8_t* const r2 = rows[2];
  const std::uint8_t* const r3 = rows[3];
  const int wide = kStride == 4 ? width : width - 1;
  int x = 0;
  for (; x < wide; ++x) {
    const std::size_t at = static_cast<std::size_t>(x) * kStride;
    const std::uint32_t n[4] = {NumberReadingFour(r0 + at), NumberReadingFour(r1 + at), NumberReadingFour(r2 + at),
                                NumberReadingFour(r3 + at)};
    pixel(at, n);
  }
  for (; x < width; ++x) {
    const std::size_t at = static_cast<std::size_t>(x) * kStride;
    const std::uint32_t n[4] = {NumberReadingThree(r0 + at), NumberReadingThree(r1 + at),
                                NumberReadingThree(r2 + at), NumberReadingThree(r3 + at)};
    pixel(at, n);
  }
}

template <int kStride, typename Sums>
void NumberedRows(const CColourTable& table, const std::uint8_t* const* rows, int width, Sums& sums) {
  const CColourTable::Lab* const labs = table.Labs();
  EachNumberedColumn<kStride>(rows, width, [&](std::size_t, const std::uint32_t n[4]) { AddColours(labs, n, sums); });
}

template <typename Sums>
void RunPass(Sums sums, const CColourTable& table, const std::uint8_t* const* rows, int bytesPerPixel, int width,
             double* const* records) {
  if (bytesPerPixel == 4) {
    NumberedRows<4>(table, rows, width, sums);
  } else {
    NumberedRows<3>(table, rows, width, sums);
  }
  sums.Store(records);
}

// Colours of kStride-byte pixels are found kBlock at a time: each pixel's
// bit in the table's bitmap of all colours, cell * 64 + place, worked out
// in the lanes of a vector.
constexpr int kBlock = 8;
static_assert(CColourTable::kCellBits == 2, "cells of 4 x 4 x 4 colours");

// Pixels a block reads: with three bytes per pixel, the second half is read
// with a 16-byte load four bytes past the block's end.
template <int kStride>
constexpr int BlockReach() {
  return kStride == 4 ? kBlock : kBlock + 2;
}

// The bits of pixels p[0 .. kBlock - 1] into bits[0 .. kBlock - 1].
template <int kStride>
inline void ColourBits(const std::uint8_t* p, std::uint32_t* bits) {
  __m256i w;  // each pixel as B | G << 8 | R << 16 (and alpha or nothing above)
  if constexpr (kStride == 4) {
    w = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  } else {
    const __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i second = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 12));
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                            0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    w = _mm256_shuffle_epi8(_mm256_inserti128_si256(_mm256_castsi128_si256(first), second, 1), spread);
  }
  auto bitsOf = [&w](int shift, int mask) {
    const __m256i moved = shift > 0 ? _mm256_slli_epi32(w, shift) : shift < 0 ? _mm256_srli_epi32(w, -shift) : w;
    return _mm256_and_si256(moved, _mm256_set1_epi32(mask));
  };
  // cell = (R >> 2) << 12 | (G >> 2) << 6 | B >> 2, place = (R & 3) << 4 |
  // (G & 3) << 2 | B & 3; the bit is cell << 6 | place.
  const __m256i cellPart = _mm256_or_si256(_mm256_or_si256(bitsOf(4, 0xFC0), bitsOf(2, 0x3F000)), bitsOf(0, 0xFC0003));
  const __m256i placePart = _mm256_or_si256(bitsOf(-6, 0xC), bitsOf(-12, 0x30));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(bits), _mm256_or_si256(cellPart, placePart));
}

// The number of the colour with bitmap bit `bit`.
inline std::uint32_t NumberOfBit(const CColourTable::CellInfo* cells, std::uint32_t bit) {
  const CColourTable::CellInfo& cell = cells[bit >> 6];
  const std::uint64_t before = (std::uint64_t{1} << (bit & 63)) - 1;
  return static_cast<std::uint32_t>(cell.first + CColourTable::CountBits<true>(cell.used & before));
}

template <int kStride>
void ForwardRows(const CColourTable& table, const std::uint8_t* const* rows, int width, double* const* sums,
                 std::uint8_t* const* numbers) {
  const CColourTable::CellInfo* const cells = table.Cells();
  const CColourTable::Lab* const labs = table.Labs();
  const std::uint8_t* const r0 = rows[0];
  const std::uint8_t* const r1 = rows[1];
  const std::uint8_t* const r2 = rows[2];
  const std::uint8_t* const r3 = rows[3];
  std::uint8_t* const n0 = numbers[0];
  std::uint8_t* const n1 = numbers[1];
  std::uint8_t* const n2 = numbers[2];
  std::uint8_t* const n3 = numbers[3];
  // The pixel's number, written over its bytes in the numbered row.
  auto numbered = [](std::uint32_t n, std::uint8_t* out) {
    WriteNumber(out, n);
    return n;
  };
  ForwardSums<Double4> s;
  int x = 0;
  // Blocks of kBlock columns: the rows' colour bits first, then the
  // columns one by one.
  std::uint32_t bits[4][kBlock];
  for (; x + BlockReach<kStride>() <= width; x += kBlock) {
    const std::size_t block = static_cast<std::size_t>(x) * kStride;
    ColourBits<kStride>(r0 + block, bits[0]);
    ColourBits<kStride>(r1 + block, bits[1]);
    ColourBits<kStride>(r2 + block, bits[2]);
    ColourBits<kStride>(r3 + block, bits[3]);
    for (int i = 0; i < kBlock; ++i) {
      const std::size_t at = block + static_cast<std::size_t>(i) * kStride;
      const std::uint32_t n[4] = {
          numbered(NumberOfBit(cells, bits[0][i]), n0 + at), numbered(NumberOfBit(cells, bits[1][i]), n1 + at),
          numbered(NumberOfBit(cells, bits[2][i]), n2 + at), numbered(NumberOfBit(cells, bits[3][i]), n3 + at)};
      AddColours(labs, n, s);
    }
  }
  auto number = [cells](const std::uint8_t* p) { return CColourTable::NumberOf<true>(cells, p[2], p[1], p[0]); };
  for (; x < width; ++x) {
    const std::size_t at = static_cast<std::size_t>(x) * kStride;
    const std::uint32_t n[4] = {numbered(number(r0 + at), n0 + at), numbered(number(r1 + at), n1 + at),
                                numbered(number(r2 + at), n2 + at), numbered(number(r3 + at), n3 + at)};
    AddColours(labs, n, s);
  }
  s.Store(sums);
}

// The output entry of colour n as four doubles: blended R, G, B, and the
// faded bytes and the entry's unused ones in the last.
inline __m256d EntryLanes(const CColourTable::OutputEntry* outputs, std::uint32_t n) {
  return _mm256_loadu_pd(outputs[n].blended);
}

template <int kStride>
void OutputRows(const CColourTable& table, std::uint8_t* const* rows, int width, double* const* sums) {
  const CColourTable::OutputEntry* const outputs = table.Outputs();
  std::uint8_t* const r0 = rows[0];
  std::uint8_t* const r1 = rows[1];
  std::uint8_t* const r2 = rows[2];
  std::uint8_t* const r3 = rows[3];
  OutputSums<Double4> s;
  auto pixel = [&](std::size_t at, const std::uint32_t n[4]) {
    const __m256d e0 = EntryLanes(outputs, n[0]);
    const __m256d e1 = EntryLanes(outputs, n[1]);
    const __m256d e2 = EntryLanes(outputs, n[2]);
    const __m256d e3 = EntryLanes(outputs, n[3]);
    const __m256d rb01 = _mm256_unpacklo_pd(e0, e1);  // R0 R1 B0 B1
    const __m256d rb23 = _mm256_unpacklo_pd(e2, e3);  // R2 R3 B2 B3
    const __m256d g01 = _mm256_unpackhi_pd(e0, e1);   // G0 G1 . .
    const __m256d g23 = _mm256_unpackhi_pd(e2, e3);   // G2 G3 . .
    s.Add({_mm256_permute2f128_pd(rb01, rb23, 0x20)}, {_mm256_permute2f128_pd(g01, g23, 0x20)},
          {_mm256_permute2f128_pd(rb01, rb23, 0x31)});
    // The faded bytes over each pixel's number (written after the number
    // was read; the next pixel's is untouched).
    std::memcpy(r0 + at, outputs[n[0]].bgr, 3);
    std::memcpy(r1 + at, outputs[n[1]].bgr, 3);
    std::memcpy(r2 + at, outputs[n[2]].bgr, 3);
    std::memcpy(r3 + at, outputs[n[3]].bgr, 3);
  };
  EachNumberedColumn<kStride>(rows, width, pixel);
  s.Store(sums);
}

}  // namespace

void TableForwardSumsRowsAvx2(const CColourTable& table, const std::uint8_t* const* rows, int bytesPerPixel,
                              int width, double* const* sums, std::uint8_t* const* numbers) {
  if (bytesPerPixel == 4) {
    ForwardRows<4>(table, rows, width, sums, numbers);
  } else {
    ForwardRows<3>(table, rows, width, sums, numbers);
  }
}

void TableOutputRowsAvx2(const CColourTable& table, std::uint8_t* const* rows, int bytesPerPixel, int width,
                         double* const* sums) {
  if (bytesPerPixel == 4) {
    OutputRows<4>(table, rows, width, sums);
  } else {
    OutputRows<3>(table, rows, width, sums);
  }
}

void TableStatisticsRowsAvx2(TableStatisticsPass pass, const CColourTable& table, const std::uint8_t* const* rows,
                             int bytesPerPixel, int width, const ImageStatistics& stats, double* const* sums) {
  switch (pass) {
    case TableStatisticsPass::kResiduals:
      RunPass(ResidualSums<Double4, true>(stats), table, rows, bytesPerPixel, width, sums);
      break;
    case TableStatisticsPass::kPlainResiduals:
      RunPass(ResidualSums<Double4, false>(stats), table, rows, bytesPerPixel, width, sums);
      break;
    case TableStatisticsPass::kSecondResiduals:
      RunPass(SecondResidualSums<Double4>(stats), table, rows, bytesPerPixel, width, sums);
      break;
    case TableStatisticsPass::kBetaSpreads:
      RunPass(BetaSpreadSums<Double4>(stats), table, rows, bytesPerPixel, width, sums);
      break;
  }
}

}  // namespace transfer_detail
