#pragma once
// The statistics of one image: the regression of alpha and beta on l, the
// residuals' regression, and the means and spreads of the planes as they end
// up - all population statistics over sums taken per row (each row from
// zero, its pixels in order) and added in row order.
//
// Each pass leaves its sums in the row's record of kSumsPerRow doubles; the
// slots are named per pass below.  The rows of a pass can be shared out to
// worker threads without changing a bit of any sum.

#include <vector>

#include "transfer/ForwardPixels.h"
#include "transfer/TransferPasses.h"

namespace transfer_detail {

class CWorkerThreads;

constexpr int kSumsPerRow = 8;

// The residual pass: alpha' = alpha - qAlpha - pAlpha l, beta' = beta -
// qBeta - pBeta l (as doubles), for the regression of beta' on alpha'.
enum ResidualSlot {
  kSumAlpha1,
  kSumBeta1,
  kSumAlpha1Alpha1,
  kSumAlpha1Beta1,
  kResidualSlots
};
// ... and the spreads it can already take.  Decorrelating, the residuals are
// stored as floats and the row also sums the stored alpha' (for its mean)
// and (l - mean l)^2.
enum DecorrelatedSpreadSlot {
  kSumStoredAlpha1 = kResidualSlots,
  kSumLSpread,
  kDecorrelatedSlots
};
// Not decorrelating, the planes stay as they are and the row sums their
// spreads about their means.
enum PlainSpreadSlot {
  kSumPlainLSpread = kResidualSlots,
  kSumPlainAlphaSpread,
  kSumPlainBetaSpread,
  kPlainSlots
};
// The second residual pass: beta'' = beta' - qBetaAlpha - pBetaAlpha alpha'
// from the stored residuals, and the spread of alpha'.
enum SecondResidualSlot {
  kSumBeta2,
  kSumAlpha1Spread,
  kSecondResidualSlots
};
// The last pass: the spread of beta''.
enum BetaSpreadSlot {
  kSumBeta2Spread,
  kBetaSpreadSlots
};

static_assert(kForwardSlots <= kSumsPerRow && kPlainSlots <= kSumsPerRow, "row record too small");

// The first `count` of the per-row sums (`stride` doubles per row), added in
// row order.
void AddRowSums(const std::vector<double>& rowSums, int rows, int stride, int count, double* total);

// The per-pixel work of the decorrelation, over an image's planes or over
// the source's colour table; each pass leaves its sums in the row records.
class CStatisticsPasses {
 public:
  virtual ~CStatisticsPasses() = default;
  // alpha', beta' with their sums (ResidualSlot, then
  // DecorrelatedSpreadSlot or PlainSpreadSlot); decorrelating, the stored
  // residuals replace alpha and beta.
  virtual void Residuals(bool decorrelate, const ImageStatistics& stats) = 0;
  // beta'' stored in place of beta', with its sums (SecondResidualSlot).
  virtual void SecondResiduals(const ImageStatistics& stats) = 0;
  // The spread of beta'' (BetaSpreadSlot).
  virtual void BetaSpreads(const ImageStatistics& stats) = 0;
};

// The statistics of a width x height image from the conversion pass's
// regression sums in `rowSums` (ForwardSlot) and the passes, which use the
// same records for their sums.
void DecorrelateWith(CStatisticsPasses& passes, int width, int height, std::vector<double>& rowSums,
                     bool decorrelate, ImageStatistics& stats);

// Decorrelates the planes (unless `decorrelate` is false: mode 1) and takes
// the image's statistics.  `rowSums` holds the conversion pass's
// regression sums (ForwardSlot) and serves every later pass.
void DecorrelateImage(CPlanes& planes, std::vector<double>& rowSums, bool decorrelate, CWorkerThreads* workers,
                      ImageStatistics& stats);

}  // namespace transfer_detail
