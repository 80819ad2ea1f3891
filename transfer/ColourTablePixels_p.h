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
#include "transfer/TableStatisticsSums_p.h"

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

// A colour's number over the first three bytes of a pixel (the pixel was
// read just before; the fourth byte of BGRA stays as it is).
inline void WriteNumber(std::uint8_t* pixel, std::uint32_t n) {
  pixel[0] = static_cast<std::uint8_t>(n);
  pixel[1] = static_cast<std::uint8_t>(n >> 8);
  pixel[2] = static_cast<std::uint8_t>(n >> 16);
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
  ForwardSums<double> s;
  const CColourTable::Lab* const labs = table.Labs();
  ForEachPixel<kHardwareCount>(table, row, bytesPerPixel, width, [&](std::uint32_t n, int x) {
    if (numbers != nullptr) WriteNumber(numbers + static_cast<std::size_t>(x) * bytesPerPixel, n);
    const float* lab = labs[n].value;
    s.Add(lab[CColourTable::kL], lab[CColourTable::kAlpha], lab[CColourTable::kBeta]);
  });
  s.Store(&sums);
}

}  // namespace transfer_detail
