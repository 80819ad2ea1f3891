#include "transfer/TransferStatistics.h"

#include <cmath>

#include "transfer/RowBands.h"
#include "transfer/RowsAtOnce_p.h"

namespace transfer_detail {

void AddRowSums(const std::vector<double>& rowSums, int rows, int stride, int count, double* total) {
  for (int i = 0; i < count; ++i) total[i] = 0.0;
  for (int y = 0; y < rows; ++y) {
    const double* s = &rowSums[static_cast<std::size_t>(y) * stride];
    for (int i = 0; i < count; ++i) total[i] += s[i];
  }
}

namespace {

// Runs rows.template Run<k>(y) for groups of kRowsAtOnce rows, then single
// rows, over the bands of 0..height-1, on the workers when given.
template <typename Rows>
void ForRowGroups(int height, int width, CWorkerThreads* workers, const Rows& rows) {
  RunRowBands(workers, height, BandRows(width), [&rows](int y0, int y1, int /*worker*/) {
    int y = y0;
    for (; y + kRowsAtOnce <= y1; y += kRowsAtOnce) rows.template Run<kRowsAtOnce>(y);
    for (; y < y1; ++y) rows.template Run<1>(y);
  });
}

double* RowRecord(std::vector<double>& rowSums, int y) {
  return &rowSums[static_cast<std::size_t>(y) * kSumsPerRow];
}

// Residuals and their sums (ResidualSlot, then DecorrelatedSpreadSlot or
// PlainSpreadSlot).
template <bool kDecorrelate>
struct ResidualRows {
  CPlanes& planes;
  std::vector<double>& rowSums;
  const ImageStatistics& stats;
  template <int kRows>
  void Run(int y0) const {
    const int width = planes.Width();
    const double qAlpha = stats.qAlpha, pAlpha = stats.pAlpha, qBeta = stats.qBeta, pBeta = stats.pBeta;
    const double meanL = stats.mean[0], meanAlpha = stats.mean[1], meanBeta = stats.mean[2];
    const float* l[kRows];
    float* alpha[kRows];
    float* beta[kRows];
    double sa[kRows], sb[kRows], saa[kRows], sab[kRows], spread0[kRows], spread1[kRows], spread2[kRows];
    for (int r = 0; r < kRows; ++r) {
      l[r] = planes.Row(0, y0 + r);
      alpha[r] = planes.Row(1, y0 + r);
      beta[r] = planes.Row(2, y0 + r);
      sa[r] = sb[r] = saa[r] = sab[r] = spread0[r] = spread1[r] = spread2[r] = 0;
    }
    for (int x = 0; x < width; ++x) {
      TINTAVO_UNROLL_ROWS
      for (int r = 0; r < kRows; ++r) {
        const double vl = l[r][x];
        const double a1 = alpha[r][x] - qAlpha - pAlpha * vl;
        const double b1 = beta[r][x] - qBeta - pBeta * vl;
        const double dl = vl - meanL;
        if (kDecorrelate) {
          const float storedAlpha = static_cast<float>(a1);
          alpha[r][x] = storedAlpha;
          beta[r][x] = static_cast<float>(b1);
          spread0[r] += storedAlpha;
          spread1[r] += dl * dl;
        } else {
          const double da = alpha[r][x] - meanAlpha;
          const double db = beta[r][x] - meanBeta;
          spread0[r] += dl * dl;
          spread1[r] += da * da;
          spread2[r] += db * db;
        }
        sa[r] += a1;
        sb[r] += b1;
        saa[r] += a1 * a1;
        sab[r] += a1 * b1;
      }
    }
    for (int r = 0; r < kRows; ++r) {
      double* s = RowRecord(rowSums, y0 + r);
      s[kSumAlpha1] = sa[r];
      s[kSumBeta1] = sb[r];
      s[kSumAlpha1Alpha1] = saa[r];
      s[kSumAlpha1Beta1] = sab[r];
      if (kDecorrelate) {
        s[kSumStoredAlpha1] = spread0[r];
        s[kSumLSpread] = spread1[r];
      } else {
        s[kSumPlainLSpread] = spread0[r];
        s[kSumPlainAlphaSpread] = spread1[r];
        s[kSumPlainBetaSpread] = spread2[r];
      }
    }
  }
};

// beta'' from the stored residuals, and its sums (SecondResidualSlot).
struct SecondResidualRows {
  CPlanes& planes;
  std::vector<double>& rowSums;
  const ImageStatistics& stats;
  template <int kRows>
  void Run(int y0) const {
    const int width = planes.Width();
    const double qBetaAlpha = stats.qBetaAlpha, pBetaAlpha = stats.pBetaAlpha, meanAlpha = stats.mean[1];
    const float* alpha[kRows];
    float* beta[kRows];
    double sb[kRows], spread[kRows];
    for (int r = 0; r < kRows; ++r) {
      alpha[r] = planes.Row(1, y0 + r);
      beta[r] = planes.Row(2, y0 + r);
      sb[r] = spread[r] = 0;
    }
    for (int x = 0; x < width; ++x) {
      TINTAVO_UNROLL_ROWS
      for (int r = 0; r < kRows; ++r) {
        const double a1 = alpha[r][x];
        const float b2 = static_cast<float>(beta[r][x] - qBetaAlpha - pBetaAlpha * a1);
        beta[r][x] = b2;
        sb[r] += b2;
        const double da = a1 - meanAlpha;
        spread[r] += da * da;
      }
    }
    for (int r = 0; r < kRows; ++r) {
      double* s = RowRecord(rowSums, y0 + r);
      s[kSumBeta2] = sb[r];
      s[kSumAlpha1Spread] = spread[r];
    }
  }
};

// The spread of beta'' (BetaSpreadSlot).
struct BetaSpreadRows {
  const CPlanes& planes;
  std::vector<double>& rowSums;
  const ImageStatistics& stats;
  template <int kRows>
  void Run(int y0) const {
    const int width = planes.Width();
    const double meanBeta = stats.mean[2];
    const float* beta[kRows];
    double spread[kRows];
    for (int r = 0; r < kRows; ++r) {
      beta[r] = planes.Row(2, y0 + r);
      spread[r] = 0;
    }
    for (int x = 0; x < width; ++x) {
      TINTAVO_UNROLL_ROWS
      for (int r = 0; r < kRows; ++r) {
        const double db = beta[r][x] - meanBeta;
        spread[r] += db * db;
      }
    }
    for (int r = 0; r < kRows; ++r) RowRecord(rowSums, y0 + r)[kSumBeta2Spread] = spread[r];
  }
};

class CPlaneStatistics : public CStatisticsPasses {
 public:
  CPlaneStatistics(CPlanes& planes, std::vector<double>& rowSums, CWorkerThreads* workers)
      : m_planes(planes), m_rowSums(rowSums), m_workers(workers) {}
  void Residuals(bool decorrelate, const ImageStatistics& stats) override {
    if (decorrelate) {
      ForRowGroups(m_planes.Height(), m_planes.Width(), m_workers, ResidualRows<true>{m_planes, m_rowSums, stats});
    } else {
      ForRowGroups(m_planes.Height(), m_planes.Width(), m_workers, ResidualRows<false>{m_planes, m_rowSums, stats});
    }
  }
  void SecondResiduals(const ImageStatistics& stats) override {
    ForRowGroups(m_planes.Height(), m_planes.Width(), m_workers, SecondResidualRows{m_planes, m_rowSums, stats});
  }
  void BetaSpreads(const ImageStatistics& stats) override {
    ForRowGroups(m_planes.Height(), m_planes.Width(), m_workers, BetaSpreadRows{m_planes, m_rowSums, stats});
  }

 private:
  CPlanes& m_planes;
  std::vector<double>& m_rowSums;
  CWorkerThreads* m_workers;
};

}  // namespace

void DecorrelateImage(CPlanes& planes, std::vector<double>& rowSums, bool decorrelate, CWorkerThreads* workers,
                      ImageStatistics& stats) {
  CPlaneStatistics passes(planes, rowSums, workers);
  DecorrelateWith(passes, planes.Width(), planes.Height(), rowSums, decorrelate, stats);
}

void DecorrelateWith(CStatisticsPasses& passes, int width, int height, std::vector<double>& rowSums,
                     bool decorrelate, ImageStatistics& stats) {
  stats = ImageStatistics();
  if (width == 0 || height == 0) return;  // no pixels: every statistic stays 0
  const double n = static_cast<double>(width) * static_cast<double>(height);

  // Regression of alpha and beta on l, from the conversion pass's sums.
  double t[kForwardSlots];
  AddRowSums(rowSums, height, kSumsPerRow, kForwardSlots, t);
  const double meanL = t[kSumL] / n;
  const double meanA = t[kSumAlpha] / n;
  const double meanB = t[kSumBeta] / n;
  const double v = t[kSumLL] / n - (t[kSumL] * t[kSumL]) / (n * n);
  if (v != 0.0) {
    stats.pAlpha = (t[kSumLAlpha] / n - meanL * meanA) / v;
    stats.qAlpha = meanA - meanL * stats.pAlpha;
    stats.pBeta = (t[kSumLBeta] / n - meanL * meanB) / v;
    stats.qBeta = meanB - meanL * stats.pBeta;
  }
  // The means of the planes as they will stand: l is never changed; without
  // decorrelation neither are alpha and beta.
  stats.mean[0] = meanL;
  if (!decorrelate) {
    stats.mean[1] = meanA;
    stats.mean[2] = meanB;
  }

  // Residuals alpha', beta' and the regression of beta' on alpha'.
  double r[kSumsPerRow];
  passes.Residuals(decorrelate, stats);
  AddRowSums(rowSums, height, kSumsPerRow, decorrelate ? int{kDecorrelatedSlots} : int{kPlainSlots}, r);
  {
    const double meanA1 = r[kSumAlpha1] / n;
    const double meanB1 = r[kSumBeta1] / n;
    const double v1 = r[kSumAlpha1Alpha1] / n - (r[kSumAlpha1] * r[kSumAlpha1]) / (n * n);
    if (v1 != 0.0) {
      stats.pBetaAlpha = (r[kSumAlpha1Beta1] / n - meanA1 * meanB1) / v1;
      stats.qBetaAlpha = meanB1 - meanA1 * stats.pBetaAlpha;
    }
  }

  // Population standard deviations; with decorrelation, beta'' first.
  double spread[3];
  if (decorrelate) {
    stats.mean[1] = r[kSumStoredAlpha1] / n;
    spread[0] = r[kSumLSpread];
    passes.SecondResiduals(stats);
    double second[kSecondResidualSlots];
    AddRowSums(rowSums, height, kSumsPerRow, kSecondResidualSlots, second);
    stats.mean[2] = second[kSumBeta2] / n;
    spread[1] = second[kSumAlpha1Spread];
    passes.BetaSpreads(stats);
    AddRowSums(rowSums, height, kSumsPerRow, kBetaSpreadSlots, &spread[2]);
  } else {
    spread[0] = r[kSumPlainLSpread];
    spread[1] = r[kSumPlainAlphaSpread];
    spread[2] = r[kSumPlainBetaSpread];
  }
  for (int i = 0; i < 3; ++i) stats.sigma[i] = std::sqrt(spread[i] / n);
}

}  // namespace transfer_detail
