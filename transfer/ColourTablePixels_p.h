#pragma once
// The pixel walks of the colour-table passes (ColourTablePasses.cpp), and
// the source pass's sums, as templates: the AVX2 build of the source pass
// (ColourTablePasses_avx2.cpp, for processors with POPCNT) instantiates
// them with the processor's bit count, the plain build with the portable
// one.  Both give the same numbers.

#include <cstddef>
#include <cstdint>

#include "transfer/ColourTable.h"
#include "transfer/ColourTablePasses.h"

namespace transfer_detail {

// Calls f(number, x) for each pixel of a row in order, with its colour's
// number; grey stands for R, G and B, colour holds B, G, R.  The table's
// arrays are held in locals: the output loop writes through a byte pointer,
// which could alias any member.
template <bool kHardwareCount, int kBytesPerPixel, typename F>
inline void EachPixel(const CColourTable& table, const std::uint8_t* row, int width, F& f) {
  constexpr int kRed = kBytesPerPixel == 1 ? 0 : 2;
  constexpr int kGreen = kBytesPerPixel == 1 ? 0 : 1;
  const CColourTable::CellInfo* const cells = table.Cells();
  for (int x = 0; x < width; ++x, row += kBytesPerPixel) {
    f(CColourTable::NumberOf<kHardwareCount>(cells, row[kRed], row[kGreen], row[0]), x);
  }
}

// The same over a row whose pixels hold their colour's number in their
// first three bytes (TableForwardSums wrote them), kStride bytes apart.
template <int kStride, typename F>
inline void EachNumberedPixel(const std::uint8_t* row, int width, F& f) {
  for (int x = 0; x < width; ++x, row += kStride) {
    f(row[0] | (static_cast<std::uint32_t>(row[1]) << 8) | (static_cast<std::uint32_t>(row[2]) << 16), x);
  }
}

template <bool kHardwareCount = false, typename F>
inline void ForEachPixel(const CColourTable& table, const std::uint8_t* row, int rowKind, int width, F f) {
  switch (rowKind) {
    case 1: EachPixel<kHardwareCount, 1>(table, row, width, f); break;
    case 3: EachPixel<kHardwareCount, 3>(table, row, width, f); break;
    case 4: EachPixel<kHardwareCount, 4>(table, row, width, f); break;
    case kNumberedRows | 3: EachNumberedPixel<3>(row, width, f); break;
    case kNumberedRows | 4: EachNumberedPixel<4>(row, width, f); break;
    default: break;
  }
}

// The six regression sums of one row and, unless `numbers` is null, the
// colour numbers written over the pixels there (TableForwardSums).
template <bool kHardwareCount>
inline void TableForwardSumsWith(const CColourTable& table, const std::uint8_t* row, int bytesPerPixel, int width,
                                 double sums[kForwardSlots], std::uint8_t* numbers) {
  double sl = 0, sa = 0, sb = 0, sll = 0, sla = 0, slb = 0;
  const CColourTable::Lab* const labs = table.Labs();
  ForEachPixel<kHardwareCount>(table, row, bytesPerPixel, width, [&](std::uint32_t n, int x) {
    if (numbers != nullptr) {
      // The number over the pixel's colour bytes (the pixel was read just
      // before; the fourth byte of BGRA stays as it is).
      std::uint8_t* out = numbers + static_cast<std::size_t>(x) * bytesPerPixel;
      out[0] = static_cast<std::uint8_t>(n);
      out[1] = static_cast<std::uint8_t>(n >> 8);
      out[2] = static_cast<std::uint8_t>(n >> 16);
    }
    const float* lab = labs[n].value;
    const double vl = lab[CColourTable::kL], va = lab[CColourTable::kAlpha], vb = lab[CColourTable::kBeta];
    sl += vl;
    sa += va;
    sb += vb;
    sll += vl * vl;
    sla += vl * va;
    slb += vl * vb;
  });
  sums[kSumL] = sl, sums[kSumAlpha] = sa, sums[kSumBeta] = sb;
  sums[kSumLL] = sll, sums[kSumLAlpha] = sla, sums[kSumLBeta] = slb;
}

}  // namespace transfer_detail
