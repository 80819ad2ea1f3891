#include "transfer/ColourTablePasses.h"

#include <cstddef>
#include <type_traits>

#include "transfer/ColourTablePixels_p.h"
#include "transfer/RowBands.h"
#include "transfer/RowsAtOnce_p.h"

namespace transfer_detail {

namespace {

using Lab = CColourTable::Lab;
constexpr int kL = CColourTable::kL;
constexpr int kAlpha = CColourTable::kAlpha;
constexpr int kBeta = CColourTable::kBeta;

}  // namespace

void TableForwardSums(const CColourTable& table, const std::uint8_t* row, int bytesPerPixel, int width,
                      double sums[kForwardSlots], std::uint8_t* numbers) {
  TableForwardSumsWith<false>(table, row, bytesPerPixel, width, sums, numbers);
}

namespace {

// Numbered rows (the destination's, which hand out their stored rows) are
// taken kRowsAtOnce at a time (RowsAtOnce_p.h).  Source rows are taken one
// by one: a buffer that converts its rows for access holds one row at a
// time.

// Fetches rows y .. y + kRows - 1 through `access` into rows[] and calls
// use() while all are held.
template <int kRows, int kGot = 0, typename Use>
void HoldRows(const SourceRowAccess& access, int y, const std::uint8_t** rows, const Use& use) {
  if constexpr (kGot == kRows) {
    use();
  } else {
    access(y + kGot, [&](const std::uint8_t* row) {
      rows[kGot] = row;
      HoldRows<kRows, kGot + 1>(access, y, rows, use);
    });
  }
}

// The number of pixel x of a row of kKind (a source row of 1, 3 or 4
// bytes per pixel, or a numbered row).
template <int kKind>
inline std::uint32_t NumberAt(const CColourTable::CellInfo* cells, const std::uint8_t* row, int x) {
  if constexpr ((kKind & kNumberedRows) != 0) {
    const std::uint8_t* p = row + static_cast<std::size_t>(x) * (kKind & ~kNumberedRows);
    return p[0] | (static_cast<std::uint32_t>(p[1]) << 8) | (static_cast<std::uint32_t>(p[2]) << 16);
  } else {
    const std::uint8_t* p = row + static_cast<std::size_t>(x) * kKind;
    constexpr int kRed = kKind == 1 ? 0 : 2;
    constexpr int kGreen = kKind == 1 ? 0 : 1;
    return CColourTable::NumberOf(cells, p[kRed], p[kGreen], p[0]);
  }
}

// Calls pixel(r, n) for x = 0 .. width - 1 and, inside, every row r, with
// pixel x's colour number in row r.
template <int kRows, int kKind, typename Pixel>
inline void EachColumn(const CColourTable& table, const std::uint8_t* const* rows, int width, Pixel& pixel) {
  const CColourTable::CellInfo* const cells = table.Cells();
  for (int x = 0; x < width; ++x) {
    TINTAVO_UNROLL_ROWS
    for (int r = 0; r < kRows; ++r) pixel(r, NumberAt<kKind>(cells, rows[r], x));
  }
}

}  // namespace

template <typename Pass>
void CTableStatistics::ForRows(const Pass& pass) {
  const bool together = (m_rowKind & kNumberedRows) != 0;
  RunRowBands(m_workers, m_height, BandRows(m_width), [&](int y0, int y1, int /*worker*/) {
    auto group = [&](int y, auto rowCount) {
      constexpr int kRows = decltype(rowCount)::value;
      const std::uint8_t* rows[kRows];
      double* sums[kRows];
      for (int r = 0; r < kRows; ++r) sums[r] = &m_rowSums[static_cast<std::size_t>(y + r) * kSumsPerRow];
      HoldRows<kRows>(m_rows, y, rows, [&] {
        switch (m_rowKind) {
          case 1: pass.template Rows<kRows, 1>(rows, sums); break;
          case 3: pass.template Rows<kRows, 3>(rows, sums); break;
          case 4: pass.template Rows<kRows, 4>(rows, sums); break;
          case kNumberedRows | 3: pass.template Rows<kRows, kNumberedRows | 3>(rows, sums); break;
          case kNumberedRows | 4: pass.template Rows<kRows, kNumberedRows | 4>(rows, sums); break;
          default: break;
        }
      });
    };
    int y = y0;
    if (together) {
      for (; y + kRowsAtOnce <= y1; y += kRowsAtOnce) group(y, std::integral_constant<int, kRowsAtOnce>());
    }
    for (; y < y1; ++y) group(y, std::integral_constant<int, 1>());
  });
}

void CTableStatistics::ForColours(const std::function<void(float* lab)>& colour) {
  Lab* const labs = m_table.Labs();
  RunRowBands(m_workers, m_table.ColourCount(), 1 << 14, [&](int first, int end, int /*worker*/) {
    for (int n = first; n < end; ++n) colour(labs[n].value);
  });
}

namespace {

// alpha', beta' with their sums (ResidualSlot, then DecorrelatedSpreadSlot
// or PlainSpreadSlot), as ResidualRows over the planes.
template <bool kDecorrelate>
struct TableResidualRows {
  const CColourTable& table;
  int width;
  const ImageStatistics& stats;
  template <int kRows, int kKind>
  void Rows(const std::uint8_t* const* rows, double* const* s) const {
    const double qAlpha = stats.qAlpha, pAlpha = stats.pAlpha, qBeta = stats.qBeta, pBeta = stats.pBeta;
    const double meanL = stats.mean[0], meanAlpha = stats.mean[1], meanBeta = stats.mean[2];
    const Lab* const labs = table.Labs();
    double sa[kRows], sb[kRows], saa[kRows], sab[kRows], spread0[kRows], spread1[kRows], spread2[kRows];
    for (int r = 0; r < kRows; ++r) sa[r] = sb[r] = saa[r] = sab[r] = spread0[r] = spread1[r] = spread2[r] = 0;
    auto pixel = [&](int r, std::uint32_t n) {
      const float* lab = labs[n].value;
      const double vl = lab[kL];
      const double a1 = lab[kAlpha] - qAlpha - pAlpha * vl;
      const double b1 = lab[kBeta] - qBeta - pBeta * vl;
      const double dl = vl - meanL;
      if (kDecorrelate) {
        const float storedAlpha = static_cast<float>(a1);
        spread0[r] += storedAlpha;
        spread1[r] += dl * dl;
      } else {
        const double da = lab[kAlpha] - meanAlpha;
        const double db = lab[kBeta] - meanBeta;
        spread0[r] += dl * dl;
        spread1[r] += da * da;
        spread2[r] += db * db;
      }
      sa[r] += a1;
      sb[r] += b1;
      saa[r] += a1 * a1;
      sab[r] += a1 * b1;
    };
    EachColumn<kRows, kKind>(table, rows, width, pixel);
    for (int r = 0; r < kRows; ++r) {
      s[r][kSumAlpha1] = sa[r];
      s[r][kSumBeta1] = sb[r];
      s[r][kSumAlpha1Alpha1] = saa[r];
      s[r][kSumAlpha1Beta1] = sab[r];
      if (kDecorrelate) {
        s[r][kSumStoredAlpha1] = spread0[r];
        s[r][kSumLSpread] = spread1[r];
      } else {
        s[r][kSumPlainLSpread] = spread0[r];
        s[r][kSumPlainAlphaSpread] = spread1[r];
        s[r][kSumPlainBetaSpread] = spread2[r];
      }
    }
  }
};

// The sums of beta'' and the spread of alpha' (SecondResidualSlot), from
// the table's stored residuals.
struct TableSecondResidualRows {
  const CColourTable& table;
  int width;
  double meanAlpha;
  template <int kRows, int kKind>
  void Rows(const std::uint8_t* const* rows, double* const* s) const {
    const Lab* const labs = table.Labs();
    double sb[kRows], spread[kRows];
    for (int r = 0; r < kRows; ++r) sb[r] = spread[r] = 0;
    auto pixel = [&](int r, std::uint32_t n) {
      const float* lab = labs[n].value;
      const double a1 = lab[kAlpha];
      sb[r] += lab[kBeta];
      const double da = a1 - meanAlpha;
      spread[r] += da * da;
    };
    EachColumn<kRows, kKind>(table, rows, width, pixel);
    for (int r = 0; r < kRows; ++r) {
      s[r][kSumBeta2] = sb[r];
      s[r][kSumAlpha1Spread] = spread[r];
    }
  }
};

// The spread of beta'' (BetaSpreadSlot).
struct TableBetaSpreadRows {
  const CColourTable& table;
  int width;
  double meanBeta;
  template <int kRows, int kKind>
  void Rows(const std::uint8_t* const* rows, double* const* s) const {
    const Lab* const labs = table.Labs();
    double spread[kRows];
    for (int r = 0; r < kRows; ++r) spread[r] = 0;
    auto pixel = [&](int r, std::uint32_t n) {
      const double db = labs[n].value[kBeta] - meanBeta;
      spread[r] += db * db;
    };
    EachColumn<kRows, kKind>(table, rows, width, pixel);
    for (int r = 0; r < kRows; ++r) s[r][kSumBeta2Spread] = spread[r];
  }
};

}  // namespace

void CTableStatistics::Residuals(bool decorrelate, const ImageStatistics& stats) {
  // One loop with decorrelation and one without, so that neither tests the
  // mode per pixel.
  if (decorrelate) {
    ForRows(TableResidualRows<true>{m_table, m_width, stats});
  } else {
    ForRows(TableResidualRows<false>{m_table, m_width, stats});
    return;
  }
  // The residuals replace alpha and beta, as the planes' would.
  const double qAlpha = stats.qAlpha, pAlpha = stats.pAlpha, qBeta = stats.qBeta, pBeta = stats.pBeta;
  ForColours([&](float* lab) {
    const double vl = lab[kL];
    const double a1 = lab[kAlpha] - qAlpha - pAlpha * vl;
    const double b1 = lab[kBeta] - qBeta - pBeta * vl;
    lab[kAlpha] = static_cast<float>(a1);
    lab[kBeta] = static_cast<float>(b1);
  });
}

void CTableStatistics::SecondResiduals(const ImageStatistics& stats) {
  const double qBetaAlpha = stats.qBetaAlpha, pBetaAlpha = stats.pBetaAlpha;
  // beta'' once per colour, then its sums per pixel.
  ForColours([&](float* lab) {
    const double a1 = lab[kAlpha];
    lab[kBeta] = static_cast<float>(lab[kBeta] - qBetaAlpha - pBetaAlpha * a1);
  });
  ForRows(TableSecondResidualRows{m_table, m_width, stats.mean[1]});
}

void CTableStatistics::BetaSpreads(const ImageStatistics& stats) {
  ForRows(TableBetaSpreadRows{m_table, m_width, stats.mean[2]});
}

void TableOutputRow(const CColourTable& table, const std::uint8_t* source, std::uint8_t* destination,
                    int bytesPerPixel, bool numbered, int width, double sums[3]) {
  double sumR = 0, sumG = 0, sumB = 0;
  const std::uint8_t* pixels = numbered ? destination : source;
  const CColourTable::OutputEntry* const outputs = table.Outputs();
  ForEachPixel(table, pixels, bytesPerPixel | (numbered ? kNumberedRows : 0), width, [&](std::uint32_t n, int x) {
    const CColourTable::OutputEntry& e = outputs[n];
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
