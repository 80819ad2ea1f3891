#pragma once
// The output pass's row data and per-pixel colour move, for its plain loop
// (TransferPasses.cpp) and its SSE2 loop (OutputPixels_sse2.cpp).
//
// The SSE2 loop does the plain loop's double operations in the same order,
// two pixels in the lanes of each operation, and the lattice sums in
// integers, so both give the same bytes.

#include <cstdint>

#include "transfer/ColorLattice.h"
#include "transfer/TransferPasses.h"

namespace transfer_detail {

constexpr int kLookupCacheBits = 16;

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
  // The SSE2 loop's cache of backward lattice results, 1 << kLookupCacheBits
  // slots, zero when empty; kept from row to row.
  std::uint64_t* lookupCache;
  // The row.
  const float* l;
  const float* alpha;
  const float* beta;
  int width;
  const std::uint8_t* source;
  std::uint8_t* destination;
  // Out: the sums of the blended R, G, B over the row.
  double sums[3];
};

// Pixel x's colour moved onto the template's: l clamped (still needed for the
// blend) and the three indices on the 256-level scales.
template <int kMode>
VTETRA_ALWAYS_INLINE void MoveColour(const OutputRowData& d, int x, double& lOut, int index[3]) {
  double l = d.l[x];
  double alpha = d.alpha[x];
  double beta = d.beta[x];

  // Brightness and colour transfer.  The brightness line keeps its division
  // by the source spread: multiplying by a reciprocal instead rounds
  // differently and changes output bytes wherever the blend lands on a whole
  // number.  A channel the source barely varies in (a flat or one-pixel
  // source) has no spread to scale by: it is moved from the source's mean to
  // the template's.
  if (kMode != 2) {
    l = d.scaleL ? (l - d.sourceMean[0]) / d.sourceSigmaL * d.templateSigmaL + d.templateMean[0]
                 : l - d.sourceMean[0] + d.templateMean[0];
  }
  if (kMode == 1) {
    alpha = alpha * d.colourGain;
    beta = beta * d.colourGain;
  } else {
    alpha = d.scaleAlpha ? d.ratioAlpha * (alpha - d.sourceMean[1]) * d.colourGain + d.templateMean[1]
                         : alpha - d.sourceMean[1] + d.templateMean[1];
    beta = d.scaleBeta ? d.ratioBeta * (beta - d.sourceMean[2]) * d.colourGain + d.templateMean[2]
                       : beta - d.sourceMean[2] + d.templateMean[2];
  }
  l = l + d.lShift;

  // The template's correlation back, with the alpha of before this step.
  if (kMode != 1) {
    const double alphaBefore = alpha;
    beta = d.pBetaAlpha * alphaBefore + d.qBetaAlpha + beta + d.pBeta * l + d.qBeta;
    alpha = alphaBefore + d.pAlpha * l + d.qAlpha;
  }

  // Clamped so that a NaN, should one ever arise, lands on the low end (as
  // the SSE2 loop's max and min put it) instead of becoming an index.
  l = l > d.lMin ? (l < d.lMax ? l : d.lMax) : d.lMin;
  alpha = alpha > EngineConstants::kAlphaMin ? (alpha < EngineConstants::kAlphaMax ? alpha : EngineConstants::kAlphaMax)
                                             : EngineConstants::kAlphaMin;
  beta = beta > EngineConstants::kBetaMin ? (beta < EngineConstants::kBetaMax ? beta : EngineConstants::kBetaMax)
                                          : EngineConstants::kBetaMin;

  // Indices on the 256-level scales, truncated; the guard keeps a value that
  // rounds a hair above the top inside the byte range.
  const int il = static_cast<int>((l - d.lMin) * d.lIndexScale);
  const int ia = static_cast<int>((alpha - EngineConstants::kAlphaMin) * EngineConstants::kAlphaIndexScale);
  const int ib = static_cast<int>((beta - EngineConstants::kBetaMin) * EngineConstants::kBetaIndexScale);
  index[0] = il > 255 ? 255 : il;
  index[1] = ia > 255 ? 255 : ia;
  index[2] = ib > 255 ? 255 : ib;
  lOut = l;
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

// True when this build has the SSE2 loop.
bool HaveSse2OutputPixels();
// The SSE2 loop over one row; mode 0, 1 or 2, 1, 3 or 4 bytes per pixel.
void OutputPixelsSse2(OutputRowData& d, int mode, int bytesPerPixel);

}  // namespace transfer_detail
