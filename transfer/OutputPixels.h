#pragma once
// The output pass: the formula that moves a source colour onto the
// template's statistics and blends two lattice lookups, written once, and
// the loops that run it over a row.
//
// The formula is a template over the lane type (Lanes.h): the plain loop
// (OutputPixels.cpp) runs it on doubles and is the reference; the SSE2 loop
// (OutputPixels_sse2.cpp) runs it two pixels at a time, the AVX2 loop
// (OutputPixels_avx2.cpp) four at a time, each lane doing the plain loop's
// operations in its order.  The lattice sums are integer (exact) in every
// loop, and the row sums add the pixels one after the other, so every loop
// gives the same bytes and sums; the tests hold each vector loop to the
// plain one.

#include <cstdint>

#include "transfer/ColorLattice.h"
#include "transfer/Lanes.h"
#include "transfer/TransferPasses.h"

namespace transfer_detail {

// Everything one output row reads: the per-call constants, the tables and
// the row's planes and pixels.  Filled by CTransferPasses::OutputRow.
struct OutputRowData {
  // Statistics and settings.
  double sourceMean[3];
  double sourceSigmaL;
  double templateMean[3];
  double templateSigmaL;
  double ratioAlpha, ratioBeta;  // capped spread ratios
  bool scaleL, scaleAlpha, scaleBeta;
  double pAlpha, qAlpha, pBeta, qBeta, pBetaAlpha, qBetaAlpha;  // the template's
  double colourGain, lShift, keep;
  double lMin, lMax, lIndexScale;
  // Tables: the backward lattice, the l of each level, of the level below
  // ([0]) and above ([1]), the neighbour index below and above, each byte
  // value times the fade.
  const VTetra::ByteKernel3* backward;
  const double* levelL;
  const double* neighbourL[2];
  const unsigned char* neighbour[2];
  const double* fadedByte;
  // The calling thread's lookup cache, kept from row to row.
  LookupSlot* lookupCache;
  // The row.
  const float* l;
  const float* alpha;
  const float* beta;
  int width;
  const std::uint8_t* source;
  std::uint8_t* destination;
  // Out: the sums of the blended R, G, B over the row; and, unless null,
  // each pixel's blended R, G, B at blended[3x .. 3x + 2].
  double sums[3];
  double* blended;
};

// The per-call numbers of the formula in lanes of V, read once: the
// destination is written through byte pointers, which could alias anything
// the loop reads through a pointer.
template <typename V>
struct ColourMove {
  V sourceMean[3], templateMean[3], sourceSigmaL, templateSigmaL;
  V ratioAlpha, ratioBeta, colourGain, lShift;
  V pAlpha, qAlpha, pBeta, qBeta, pBetaAlpha, qBetaAlpha;
  V lMin, lMax, lIndexScale, alphaMin, alphaMax, betaMin, betaMax, alphaIndexScale, betaIndexScale;
  V distanceFloor, one, keep;
  bool scaleL, scaleAlpha, scaleBeta;

  explicit ColourMove(const OutputRowData& d) {
    using C = EngineConstants;
    for (int i = 0; i < 3; ++i) {
      sourceMean[i] = Broadcast<V>(d.sourceMean[i]);
      templateMean[i] = Broadcast<V>(d.templateMean[i]);
    }
    sourceSigmaL = Broadcast<V>(d.sourceSigmaL);
    templateSigmaL = Broadcast<V>(d.templateSigmaL);
    ratioAlpha = Broadcast<V>(d.ratioAlpha);
    ratioBeta = Broadcast<V>(d.ratioBeta);
    colourGain = Broadcast<V>(d.colourGain);
    lShift = Broadcast<V>(d.lShift);
    pAlpha = Broadcast<V>(d.pAlpha);
    qAlpha = Broadcast<V>(d.qAlpha);
    pBeta = Broadcast<V>(d.pBeta);
    qBeta = Broadcast<V>(d.qBeta);
    pBetaAlpha = Broadcast<V>(d.pBetaAlpha);
    qBetaAlpha = Broadcast<V>(d.qBetaAlpha);
    lMin = Broadcast<V>(d.lMin);
    lMax = Broadcast<V>(d.lMax);
    lIndexScale = Broadcast<V>(d.lIndexScale);
    alphaMin = Broadcast<V>(C::kAlphaMin);
    alphaMax = Broadcast<V>(C::kAlphaMax);
    betaMin = Broadcast<V>(C::kBetaMin);
    betaMax = Broadcast<V>(C::kBetaMax);
    alphaIndexScale = Broadcast<V>(C::kAlphaIndexScale);
    betaIndexScale = Broadcast<V>(C::kBetaIndexScale);
    distanceFloor = Broadcast<V>(C::kDistanceFloor);
    one = Broadcast<V>(1.0);
    keep = Broadcast<V>(d.keep);
    scaleL = d.scaleL;
    scaleAlpha = d.scaleAlpha;
    scaleBeta = d.scaleBeta;
  }
};

// The colour (l, alpha, beta) moved onto the template's: l comes out
// clamped (the blend still needs it), and `index` receives the three
// positions on the 256-level scales before truncation.
template <int kMode, typename V>
VTETRA_ALWAYS_INLINE void MoveColour(const ColourMove<V>& c, V& l, V alpha, V beta, V index[3]) {
  // Brightness and colour transfer.  The brightness line keeps its division
  // by the source spread: multiplying by a reciprocal instead rounds
  // differently and changes output bytes wherever the blend lands on a whole
  // number.  A channel the source barely varies in (a flat or one-pixel
  // source) has no spread to scale by: it is moved from the source's mean to
  // the template's.
  if (kMode != 2) {
    l = c.scaleL ? (l - c.sourceMean[0]) / c.sourceSigmaL * c.templateSigmaL + c.templateMean[0]
                 : l - c.sourceMean[0] + c.templateMean[0];
  }
  if (kMode == 1) {
    alpha = alpha * c.colourGain;
    beta = beta * c.colourGain;
  } else {
    alpha = c.scaleAlpha ? c.ratioAlpha * (alpha - c.sourceMean[1]) * c.colourGain + c.templateMean[1]
                         : alpha - c.sourceMean[1] + c.templateMean[1];
    beta = c.scaleBeta ? c.ratioBeta * (beta - c.sourceMean[2]) * c.colourGain + c.templateMean[2]
                       : beta - c.sourceMean[2] + c.templateMean[2];
  }
  l = l + c.lShift;

  // The template's correlation back, with the alpha of before this step.
  if (kMode != 1) {
    const V alphaBefore = alpha;
    beta = c.pBetaAlpha * alphaBefore + c.qBetaAlpha + beta + c.pBeta * l + c.qBeta;
    alpha = alphaBefore + c.pAlpha * l + c.qAlpha;
  }

  // Clamped so that a NaN, should one ever arise, lands on the low end
  // instead of becoming an index.
  l = Min(Max(l, c.lMin), c.lMax);
  alpha = Min(Max(alpha, c.alphaMin), c.alphaMax);
  beta = Min(Max(beta, c.betaMin), c.betaMax);

  index[0] = (l - c.lMin) * c.lIndexScale;
  index[1] = (alpha - c.alphaMin) * c.alphaIndexScale;
  index[2] = (beta - c.betaMin) * c.betaIndexScale;
}

// The two lookups c1 (at l's level l1) and c2 (at the neighbouring level
// l2), blended by their distance along l: each weight is 1 / max(|l - li|,
// floor); `out` gets R, G, B before the fade.
template <typename V>
VTETRA_ALWAYS_INLINE void BlendLookups(const ColourMove<V>& c, V l, V l1, V l2, const V c1[3], const V c2[3],
                                       V out[3]) {
  const V w1 = c.one / Max(Abs(l - l1), c.distanceFloor);
  const V w2 = c.one / Max(Abs(l - l2), c.distanceFloor);
  const V inverseSum = c.one / (w1 + w2);
  for (int i = 0; i < 3; ++i) out[i] = (c1[i] * w1 + c2[i] * w2) * inverseSum;
}

// The blended value faded with the source byte (`faded` = the byte times the
// fade), before truncation to a byte.
template <typename V>
VTETRA_ALWAYS_INLINE V FadeWithSource(const ColourMove<V>& c, V faded, V value) {
  return faded + value * c.keep;
}

// Runs Loop::Run<kMode, kBytesPerPixel>(d) for mode 0, 1 or 2 and 1, 3 or 4
// bytes per pixel: one loop per mode and format, so that neither is tested
// per pixel.
template <typename Loop>
void RunForModeAndFormat(OutputRowData& d, int mode, int bytesPerPixel) {
  switch (bytesPerPixel * 4 + mode) {
    case 1 * 4 + 0: Loop::template Run<0, 1>(d); break;
    case 1 * 4 + 1: Loop::template Run<1, 1>(d); break;
    case 1 * 4 + 2: Loop::template Run<2, 1>(d); break;
    case 3 * 4 + 0: Loop::template Run<0, 3>(d); break;
    case 3 * 4 + 1: Loop::template Run<1, 3>(d); break;
    case 3 * 4 + 2: Loop::template Run<2, 3>(d); break;
    case 4 * 4 + 0: Loop::template Run<0, 4>(d); break;
    case 4 * 4 + 1: Loop::template Run<1, 4>(d); break;
    case 4 * 4 + 2: Loop::template Run<2, 4>(d); break;
    default: break;
  }
}

// The loops over one row; mode 0, 1 or 2, 1, 3 or 4 bytes per pixel.  The
// vector loops exist only where the build has them (HaveSse2OutputPixels,
// HaveAvx2OutputPixels); the AVX2 loop may only run where the processor
// has AVX2.
void OutputPixelsPlain(OutputRowData& d, int mode, int bytesPerPixel);
bool HaveSse2OutputPixels();
void OutputPixelsSse2(OutputRowData& d, int mode, int bytesPerPixel);
bool HaveAvx2OutputPixels();
void OutputPixelsAvx2(OutputRowData& d, int mode, int bytesPerPixel);

}  // namespace transfer_detail
