// The passes through the colour table for processors with AVX2, built with
// AVX2 code generation: every such processor counts bits with POPCNT, which
// finds a colour's number in a few instructions, and the statistics passes
// take four numbered rows side by side, one in each lane of a vector.
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

template <int kStride, typename Sums>
void NumberedRows(const CColourTable& table, const std::uint8_t* const* rows, int width, Sums& sums) {
  const CColourTable::Lab* const labs = table.Labs();
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
    AddColours(labs, n, sums);
  }
  for (; x < width; ++x) {
    const std::size_t at = static_cast<std::size_t>(x) * kStride;
    const std::uint32_t n[4] = {NumberReadingThree(r0 + at), NumberReadingThree(r1 + at),
                                NumberReadingThree(r2 + at), NumberReadingThree(r3 + at)};
    AddColours(labs, n, sums);
  }
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

}  // namespace

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
