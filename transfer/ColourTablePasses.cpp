#include "transfer/ColourTablePasses.h"

#include <array>
#include <cstddef>
#include <type_traits>
#include <utility>

#include "transfer/ColourTablePixels_p.h"
#include "transfer/RowBands.h"
#include "transfer/RowsAtOnce_p.h"
#include "transfer/TableStatisticsSums_p.h"

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
  // Numbered rows go kVectorRows at a time through the AVX2 loop, one row
  // in each lane; bands of a multiple of that many rows leave no remainder
  // but the image's last rows.
  const bool vectors = together && m_avx2;
  const int bandRows = vectors ? (BandRows(m_width) + kVectorRows - 1) / kVectorRows * kVectorRows : BandRows(m_width);
  RunRowBands(m_workers, m_height, bandRows, [&](int y0, int y1, int /*worker*/) {
    // Calls use(rows, sums) with rows y .. y + kRows - 1 held and their
    // records.
    auto hold = [&](int y, auto rowCount, const auto& use) {
      constexpr int kRows = decltype(rowCount)::value;
      const std::uint8_t* rows[kRows];
      double* sums[kRows];
      for (int r = 0; r < kRows; ++r) sums[r] = &m_rowSums[static_cast<std::size_t>(y + r) * kSumsPerRow];
      HoldRows<kRows>(m_rows, y, rows, [&] { use(rows, sums); });
    };
    auto group = [&](int y, auto rowCount) {
      constexpr int kRows = decltype(rowCount)::value;
      hold(y, rowCount, [&](const std::uint8_t* const* rows, double* const* sums) {
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
    for (; vectors && y + kVectorRows <= y1; y += kVectorRows) {
      hold(y, std::integral_constant<int, kVectorRows>(), [&](const std::uint8_t* const* rows, double* const* sums) {
        TableStatisticsRowsAvx2(Pass::kWhich, m_table, rows, m_rowKind & ~kNumberedRows, m_width, pass.stats, sums);
      });
    }
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

template <typename S, std::size_t... kRow>
std::array<S, sizeof...(kRow)> EachRowSums(const ImageStatistics& stats, std::index_sequence<kRow...>) {
  return {{(static_cast<void>(kRow), S(stats))...}};
}

// One of the decorrelation's passes (TableStatisticsSums_p.h) over rows of
// any kind, each row with its own sums.
template <template <typename> class Sums, TableStatisticsPass kPass>
struct TableStatisticsRows {
  static constexpr TableStatisticsPass kWhich = kPass;
  const CColourTable& table;
  int width;
  const ImageStatistics& stats;
  template <int kRows, int kKind>
  void Rows(const std::uint8_t* const* rows, double* const* s) const {
    const Lab* const labs = table.Labs();
    auto sums = EachRowSums<Sums<double>>(stats, std::make_index_sequence<kRows>());
    auto pixel = [&](int r, std::uint32_t n) {
      const float* lab = labs[n].value;
      sums[r].Add(lab[kL], lab[kAlpha], lab[kBeta]);
    };
    EachColumn<kRows, kKind>(table, rows, width, pixel);
    for (int r = 0; r < kRows; ++r) sums[r].Store(&s[r]);
  }
};

template <typename V>
using DecorrelatedResidualSums = ResidualSums<V, true>;
template <typename V>
using PlainResidualSums = ResidualSums<V, false>;

}  // namespace

void CTableStatistics::Residuals(bool decorrelate, const ImageStatistics& stats) {
  // One loop with decorrelation and one without, so that neither tests the
  // mode per pixel.
  if (decorrelate) {
    ForRows(TableStatisticsRows<DecorrelatedResidualSums, TableStatisticsPass::kResiduals>{m_table, m_width, stats});
  } else {
    ForRows(TableStatisticsRows<PlainResidualSums, TableStatisticsPass::kPlainResiduals>{m_table, m_width, stats});
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
  ForRows(TableStatisticsRows<SecondResidualSums, TableStatisticsPass::kSecondResiduals>{m_table, m_width, stats});
}

void CTableStatistics::BetaSpreads(const ImageStatistics& stats) {
  ForRows(TableStatisticsRows<BetaSpreadSums, TableStatisticsPass::kBetaSpreads>{m_table, m_width, stats});
}

void TableOutputRow(const CColourTable& table, const std::uint8_t* source, std::uint8_t* destination,
                    int bytesPerPixel, bool numbered, int width, double sums[3]) {
  OutputSums<double> s;
  const std::uint8_t* pixels = numbered ? destination : source;
  const CColourTable::OutputEntry* const outputs = table.Outputs();
  ForEachPixel(table, pixels, bytesPerPixel | (numbered ? kNumberedRows : 0), width, [&](std::uint32_t n, int x) {
    const CColourTable::OutputEntry& e = outputs[n];
    s.Add(e.blended[0], e.blended[1], e.blended[2]);
    std::uint8_t* dst = destination + static_cast<std::size_t>(x) * bytesPerPixel;
    dst[0] = e.bgr[0];
    if (bytesPerPixel != 1) {
      dst[1] = e.bgr[1];
      dst[2] = e.bgr[2];
    }
  });
  s.Store(&sums);
}

}  // namespace transfer_detail
