#pragma once
// The per-pixel sums of the passes through the colour table
// (ColourTablePasses.cpp), written once over a lane type V (Lanes.h):
// plain double for one row, or a packed type whose every lane is a row of
// its own.  Each lane keeps its row's accumulators and adds that row's
// pixels in pixel order, so rows side by side in the lanes of a vector
// give exactly the sums of the same rows done one by one.

#include "transfer/Lanes.h"
#include "transfer/TransferPasses.h"
#include "transfer/TransferStatistics.h"

namespace transfer_detail {

// The six regression sums of the source pass (ForwardSlot), as
// ForwardPixels over the planes.
template <typename V>
struct ForwardSums {
  void Add(V vl, V va, V vb) {
    sl = sl + vl;
    sa = sa + va;
    sb = sb + vb;
    sll = sll + vl * vl;
    sla = sla + vl * va;
    slb = slb + vl * vb;
  }
  void Store(double* const* s) const {
    StoreLanes(sl, s, kSumL);
    StoreLanes(sa, s, kSumAlpha);
    StoreLanes(sb, s, kSumBeta);
    StoreLanes(sll, s, kSumLL);
    StoreLanes(sla, s, kSumLAlpha);
    StoreLanes(slb, s, kSumLBeta);
  }

  V sl = Broadcast<V>(0), sa = Broadcast<V>(0), sb = Broadcast<V>(0);
  V sll = Broadcast<V>(0), sla = Broadcast<V>(0), slb = Broadcast<V>(0);
};

// The output pass's sums of the blended R, G, B (three to a row's record).
template <typename V>
struct OutputSums {
  void Add(V r, V g, V b) {
    sr = sr + r;
    sg = sg + g;
    sb = sb + b;
  }
  void Store(double* const* s) const {
    StoreLanes(sr, s, 0);
    StoreLanes(sg, s, 1);
    StoreLanes(sb, s, 2);
  }

  V sr = Broadcast<V>(0), sg = Broadcast<V>(0), sb = Broadcast<V>(0);
};

// alpha', beta' with their sums (ResidualSlot, then DecorrelatedSpreadSlot
// or PlainSpreadSlot), as ResidualRows over the planes.
template <typename V, bool kDecorrelate>
struct ResidualSums {
  explicit ResidualSums(const ImageStatistics& stats)
      : qAlpha(Broadcast<V>(stats.qAlpha)), pAlpha(Broadcast<V>(stats.pAlpha)), qBeta(Broadcast<V>(stats.qBeta)),
        pBeta(Broadcast<V>(stats.pBeta)), meanL(Broadcast<V>(stats.mean[0])),
        meanAlpha(Broadcast<V>(stats.mean[1])), meanBeta(Broadcast<V>(stats.mean[2])) {}

  void Add(V vl, V va, V vb) {
    const V a1 = va - qAlpha - pAlpha * vl;
    const V b1 = vb - qBeta - pBeta * vl;
    const V dl = vl - meanL;
    if (kDecorrelate) {
      spread0 = spread0 + RoundedToFloat(a1);  // alpha' as the table stores it
      spread1 = spread1 + dl * dl;
    } else {
      const V da = va - meanAlpha;
      const V db = vb - meanBeta;
      spread0 = spread0 + dl * dl;
      spread1 = spread1 + da * da;
      spread2 = spread2 + db * db;
    }
    sa = sa + a1;
    sb = sb + b1;
    saa = saa + a1 * a1;
    sab = sab + a1 * b1;
  }

  // Row r of the lanes into its record s[r].
  void Store(double* const* s) const {
    StoreLanes(sa, s, kSumAlpha1);
    StoreLanes(sb, s, kSumBeta1);
    StoreLanes(saa, s, kSumAlpha1Alpha1);
    StoreLanes(sab, s, kSumAlpha1Beta1);
    if (kDecorrelate) {
      StoreLanes(spread0, s, kSumStoredAlpha1);
      StoreLanes(spread1, s, kSumLSpread);
    } else {
      StoreLanes(spread0, s, kSumPlainLSpread);
      StoreLanes(spread1, s, kSumPlainAlphaSpread);
      StoreLanes(spread2, s, kSumPlainBetaSpread);
    }
  }

  V qAlpha, pAlpha, qBeta, pBeta, meanL, meanAlpha, meanBeta;
  V sa = Broadcast<V>(0), sb = Broadcast<V>(0), saa = Broadcast<V>(0), sab = Broadcast<V>(0);
  V spread0 = Broadcast<V>(0), spread1 = Broadcast<V>(0), spread2 = Broadcast<V>(0);
};

// The sums of beta'' and the spread of alpha' (SecondResidualSlot), from
// the table's stored residuals.
template <typename V>
struct SecondResidualSums {
  explicit SecondResidualSums(const ImageStatistics& stats) : meanAlpha(Broadcast<V>(stats.mean[1])) {}

  void Add(V /*vl*/, V a1, V b2) {
    sb = sb + b2;
    const V da = a1 - meanAlpha;
    spread = spread + da * da;
  }
  void Store(double* const* s) const {
    StoreLanes(sb, s, kSumBeta2);
    StoreLanes(spread, s, kSumAlpha1Spread);
  }

  V meanAlpha;
  V sb = Broadcast<V>(0), spread = Broadcast<V>(0);
};

// The spread of beta'' (BetaSpreadSlot).
template <typename V>
struct BetaSpreadSums {
  explicit BetaSpreadSums(const ImageStatistics& stats) : meanBeta(Broadcast<V>(stats.mean[2])) {}

  void Add(V /*vl*/, V /*va*/, V b2) {
    const V db = b2 - meanBeta;
    spread = spread + db * db;
  }
  void Store(double* const* s) const { StoreLanes(spread, s, kSumBeta2Spread); }

  V meanBeta;
  V spread = Broadcast<V>(0);
};

}  // namespace transfer_detail
