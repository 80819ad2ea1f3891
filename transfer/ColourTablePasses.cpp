#include "transfer/ColourTablePasses.h"

#include "transfer/RowBands.h"

namespace transfer_detail {

namespace {

using Cell = CColourTable::Cell;

// Calls f(cell, place, x) for each pixel of a row in order; grey stands for
// R, G and B, colour holds B, G, R.  The table's arrays are held in locals:
// the output loop writes through a byte pointer, which could alias any
// member.
template <int kBytesPerPixel, typename F>
inline void EachPixel(const CColourTable& table, const std::uint8_t* row, int width, F& f) {
  constexpr int kRed = kBytesPerPixel == 1 ? 0 : 2;
  constexpr int kGreen = kBytesPerPixel == 1 ? 0 : 1;
  const std::int32_t* const slots = table.Slots();
  const Cell* const cells = table.Cells();
  for (int x = 0; x < width; ++x, row += kBytesPerPixel) {
    const int r = row[kRed], g = row[kGreen], b = row[0];
    f(cells[slots[CColourTable::CellOf(r, g, b)]], CColourTable::PlaceOf(r, g, b), x);
  }
}

// The same over a row whose pixels hold their colour's number in their
// first three bytes (TableForwardSums wrote them), kStride bytes apart.
template <int kStride, typename F>
inline void EachNumberedPixel(const CColourTable& table, const std::uint8_t* row, int width, F& f) {
  constexpr int kPlaceBits = 3 * CColourTable::kCellBits;
  const Cell* const cells = table.Cells();
  for (int x = 0; x < width; ++x, row += kStride) {
    const std::uint32_t number = row[0] | (static_cast<std::uint32_t>(row[1]) << 8) |
                                 (static_cast<std::uint32_t>(row[2]) << 16);
    f(cells[number >> kPlaceBits], static_cast<int>(number & ((1u << kPlaceBits) - 1)), x);
  }
}

template <typename F>
void ForEachPixel(const CColourTable& table, const std::uint8_t* row, int rowKind, int width, F f) {
  switch (rowKind) {
    case 1: EachPixel<1>(table, row, width, f); break;
    case 3: EachPixel<3>(table, row, width, f); break;
    case 4: EachPixel<4>(table, row, width, f); break;
    case kNumberedRows | 3: EachNumberedPixel<3>(table, row, width, f); break;
    case kNumberedRows | 4: EachNumberedPixel<4>(table, row, width, f); break;
    default: break;
  }
}

}  // namespace

void TableForwardSums(const CColourTable& table, const std::uint8_t* row, int bytesPerPixel, int width,
                      double sums[kForwardSlots], std::uint8_t* numbers) {
  double sl = 0, sa = 0, sb = 0, sll = 0, sla = 0, slb = 0;
  const std::int32_t* const slots = table.Slots();
  ForEachPixel(table, row, bytesPerPixel, width, [&](const Cell& cell, int i, int x) {
    if (numbers != nullptr) {
      // The number of pixel x's colour over its colour bytes (the pixel
      // was read just before; the fourth byte of BGRA stays as it is).
      const std::uint8_t* p = row + static_cast<std::size_t>(x) * bytesPerPixel;
      const std::uint32_t number = CColourTable::NumberOf(slots, p[2], p[1], p[0]);
      std::uint8_t* out = numbers + static_cast<std::size_t>(x) * bytesPerPixel;
      out[0] = static_cast<std::uint8_t>(number);
      out[1] = static_cast<std::uint8_t>(number >> 8);
      out[2] = static_cast<std::uint8_t>(number >> 16);
    }
    const double vl = cell.lab.l[i], va = cell.lab.alpha[i], vb = cell.lab.beta[i];
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

void CTableStatistics::ForRows(const std::function<void(const std::uint8_t* row, double* sums)>& row) {
  RunRowBands(m_workers, m_height, BandRows(m_width), [&](int y0, int y1, int /*worker*/) {
    for (int y = y0; y < y1; ++y) {
      double* sums = &m_rowSums[static_cast<std::size_t>(y) * kSumsPerRow];
      m_rows(y, [&](const std::uint8_t* pixels) { row(pixels, sums); });
    }
  });
}

void CTableStatistics::ForCells(const std::function<void(int slot)>& cell) {
  RunRowBands(m_workers, m_table.CellCount(), 256, [&](int first, int end, int /*worker*/) {
    for (int slot = first; slot < end; ++slot) cell(slot);
  });
}

void CTableStatistics::Residuals(bool decorrelate, const ImageStatistics& stats) {
  const double qAlpha = stats.qAlpha, pAlpha = stats.pAlpha, qBeta = stats.qBeta, pBeta = stats.pBeta;
  const double meanL = stats.mean[0], meanAlpha = stats.mean[1], meanBeta = stats.mean[2];
  ForRows([&](const std::uint8_t* pixels, double* s) {
    double sa = 0, sb = 0, saa = 0, sab = 0, spread0 = 0, spread1 = 0, spread2 = 0;
    ForEachPixel(m_table, pixels, m_rowKind, m_width, [&](const Cell& cell, int i, int) {
      const double vl = cell.lab.l[i];
      const double a1 = cell.lab.alpha[i] - qAlpha - pAlpha * vl;
      const double b1 = cell.lab.beta[i] - qBeta - pBeta * vl;
      const double dl = vl - meanL;
      if (decorrelate) {
        const float storedAlpha = static_cast<float>(a1);
        spread0 += storedAlpha;
        spread1 += dl * dl;
      } else {
        const double da = cell.lab.alpha[i] - meanAlpha;
        const double db = cell.lab.beta[i] - meanBeta;
        spread0 += dl * dl;
        spread1 += da * da;
        spread2 += db * db;
      }
      sa += a1;
      sb += b1;
      saa += a1 * a1;
      sab += a1 * b1;
    });
    s[kSumAlpha1] = sa;
    s[kSumBeta1] = sb;
    s[kSumAlpha1Alpha1] = saa;
    s[kSumAlpha1Beta1] = sab;
    if (decorrelate) {
      s[kSumStoredAlpha1] = spread0;
      s[kSumLSpread] = spread1;
    } else {
      s[kSumPlainLSpread] = spread0;
      s[kSumPlainAlphaSpread] = spread1;
      s[kSumPlainBetaSpread] = spread2;
    }
  });
  if (!decorrelate) return;
  // The residuals replace alpha and beta, as the planes' would.
  ForCells([&](int slot) {
    Cell& cell = m_table.CellAt(slot);
    for (int i = 0; i < CColourTable::kCellColours; ++i) {
      const double vl = cell.lab.l[i];
      const double a1 = cell.lab.alpha[i] - qAlpha - pAlpha * vl;
      const double b1 = cell.lab.beta[i] - qBeta - pBeta * vl;
      cell.lab.alpha[i] = static_cast<float>(a1);
      cell.lab.beta[i] = static_cast<float>(b1);
    }
  });
}

void CTableStatistics::SecondResiduals(const ImageStatistics& stats) {
  const double qBetaAlpha = stats.qBetaAlpha, pBetaAlpha = stats.pBetaAlpha, meanAlpha = stats.mean[1];
  // beta'' once per colour, then its sums per pixel.
  ForCells([&](int slot) {
    Cell& cell = m_table.CellAt(slot);
    for (int i = 0; i < CColourTable::kCellColours; ++i) {
      const double a1 = cell.lab.alpha[i];
      cell.lab.beta[i] = static_cast<float>(cell.lab.beta[i] - qBetaAlpha - pBetaAlpha * a1);
    }
  });
  ForRows([&](const std::uint8_t* pixels, double* s) {
    double sb = 0, spread = 0;
    ForEachPixel(m_table, pixels, m_rowKind, m_width, [&](const Cell& cell, int i, int) {
      const double a1 = cell.lab.alpha[i];
      sb += cell.lab.beta[i];
      const double da = a1 - meanAlpha;
      spread += da * da;
    });
    s[kSumBeta2] = sb;
    s[kSumAlpha1Spread] = spread;
  });
}

void CTableStatistics::BetaSpreads(const ImageStatistics& stats) {
  const double meanBeta = stats.mean[2];
  ForRows([&](const std::uint8_t* pixels, double* s) {
    double spread = 0;
    ForEachPixel(m_table, pixels, m_rowKind, m_width, [&](const Cell& cell, int i, int) {
      const double db = cell.lab.beta[i] - meanBeta;
      spread += db * db;
    });
    s[kSumBeta2Spread] = spread;
  });
}

void TableOutputRow(const CColourTable& table, const std::uint8_t* source, std::uint8_t* destination,
                    int bytesPerPixel, bool numbered, int width, double sums[3]) {
  double sumR = 0, sumG = 0, sumB = 0;
  const std::uint8_t* pixels = numbered ? destination : source;
  ForEachPixel(table, pixels, bytesPerPixel | (numbered ? kNumberedRows : 0), width, [&](const Cell& cell, int i, int x) {
    const CColourTable::OutputEntry& e = cell.out[i];
    sumR += e.blended[0];
    sumG += e.blended[1];
    sumB += e.blended[2];
    std::uint8_t* dst = destination + static_cast<std::size_t>(x) * bytesPerPixel;
    dst[0] = e.bgr[0];
    if (bytesPerPixel != 1) {
      dst[1] = e.bgr[1];
      dst[2] = e.bgr[2];
    }
  });
  sums[0] = sumR;
  sums[1] = sumG;
  sums[2] = sumB;
}

}  // namespace transfer_detail
