#include "transfer/ColourTablePasses.h"

#include <type_traits>

#include "transfer/ColourTablePixels_p.h"
#include "transfer/RowBands.h"

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

void CTableStatistics::ForRows(const std::function<void(const std::uint8_t* row, double* sums)>& row) {
  RunRowBands(m_workers, m_height, BandRows(m_width), [&](int y0, int y1, int /*worker*/) {
    for (int y = y0; y < y1; ++y) {
      double* sums = &m_rowSums[static_cast<std::size_t>(y) * kSumsPerRow];
      m_rows(y, [&](const std::uint8_t* pixels) { row(pixels, sums); });
    }
  });
}

void CTableStatistics::ForColours(const std::function<void(float* lab)>& colour) {
  Lab* const labs = m_table.Labs();
  RunRowBands(m_workers, m_table.ColourCount(), 1 << 14, [&](int first, int end, int /*worker*/) {
    for (int n = first; n < end; ++n) colour(labs[n].value);
  });
}

void CTableStatistics::Residuals(bool decorrelate, const ImageStatistics& stats) {
  const double qAlpha = stats.qAlpha, pAlpha = stats.pAlpha, qBeta = stats.qBeta, pBeta = stats.pBeta;
  const double meanL = stats.mean[0], meanAlpha = stats.mean[1], meanBeta = stats.mean[2];
  const Lab* const labs = m_table.Labs();
  // One loop with decorrelation and one without, so that neither tests the
  // mode per pixel.
  auto rows = [&](auto decorrelating) {
    constexpr bool kDecorrelate = decltype(decorrelating)::value;
    ForRows([&](const std::uint8_t* pixels, double* s) {
      double sa = 0, sb = 0, saa = 0, sab = 0, spread0 = 0, spread1 = 0, spread2 = 0;
      ForEachPixel(m_table, pixels, m_rowKind, m_width, [&](std::uint32_t n, int) {
        const float* lab = labs[n].value;
        const double vl = lab[kL];
        const double a1 = lab[kAlpha] - qAlpha - pAlpha * vl;
        const double b1 = lab[kBeta] - qBeta - pBeta * vl;
        const double dl = vl - meanL;
        if (kDecorrelate) {
          const float storedAlpha = static_cast<float>(a1);
          spread0 += storedAlpha;
          spread1 += dl * dl;
        } else {
          const double da = lab[kAlpha] - meanAlpha;
          const double db = lab[kBeta] - meanBeta;
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
      if (kDecorrelate) {
        s[kSumStoredAlpha1] = spread0;
        s[kSumLSpread] = spread1;
      } else {
        s[kSumPlainLSpread] = spread0;
        s[kSumPlainAlphaSpread] = spread1;
        s[kSumPlainBetaSpread] = spread2;
      }
    });
  };
  if (decorrelate) {
    rows(std::true_type());
  } else {
    rows(std::false_type());
  }
  if (!decorrelate) return;
  // The residuals replace alpha and beta, as the planes' would.
  ForColours([&](float* lab) {
    const double vl = lab[kL];
    const double a1 = lab[kAlpha] - qAlpha - pAlpha * vl;
    const double b1 = lab[kBeta] - qBeta - pBeta * vl;
    lab[kAlpha] = static_cast<float>(a1);
    lab[kBeta] = static_cast<float>(b1);
  });
}

void CTableStatistics::SecondResiduals(const ImageStatistics& stats) {
  const double qBetaAlpha = stats.qBetaAlpha, pBetaAlpha = stats.pBetaAlpha, meanAlpha = stats.mean[1];
  // beta'' once per colour, then its sums per pixel.
  ForColours([&](float* lab) {
    const double a1 = lab[kAlpha];
    lab[kBeta] = static_cast<float>(lab[kBeta] - qBetaAlpha - pBetaAlpha * a1);
  });
  const Lab* const labs = m_table.Labs();
  ForRows([&](const std::uint8_t* pixels, double* s) {
    double sb = 0, spread = 0;
    ForEachPixel(m_table, pixels, m_rowKind, m_width, [&](std::uint32_t n, int) {
      const float* lab = labs[n].value;
      const double a1 = lab[kAlpha];
      sb += lab[kBeta];
      const double da = a1 - meanAlpha;
      spread += da * da;
    });
    s[kSumBeta2] = sb;
    s[kSumAlpha1Spread] = spread;
  });
}

void CTableStatistics::BetaSpreads(const ImageStatistics& stats) {
  const double meanBeta = stats.mean[2];
  const Lab* const labs = m_table.Labs();
  ForRows([&](const std::uint8_t* pixels, double* s) {
    double spread = 0;
    ForEachPixel(m_table, pixels, m_rowKind, m_width, [&](std::uint32_t n, int) {
      const float* lab = labs[n].value;
      const double db = lab[kBeta] - meanBeta;
      spread += db * db;
    });
    s[kSumBeta2Spread] = spread;
  });
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
