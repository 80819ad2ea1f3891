#include "transfer/ColorTransforms.h"

#include <cmath>

using namespace tintavo;

// ===========================================================================
// RGB -> l, alpha, beta
// ===========================================================================

RgbToLalphaBeta::RgbToLalphaBeta()
    : m_logFloorL(std::log10(0.0402)),
      m_logFloorM(std::log10(0.0782)),
      m_logFloorS(std::log10(0.0241)),
      m_scaleL(1.0 / std::sqrt(3.0)),
      m_scaleAlpha(1.0 / std::sqrt(6.0)),
      m_scaleBeta(1.0 / std::sqrt(2.0)) {}

void RgbToLalphaBeta::Map(const float* in, float* out) {
  const double r = 255.0 * static_cast<double>(in[0]);
  const double g = 255.0 * static_cast<double>(in[1]);
  const double b = 255.0 * static_cast<double>(in[2]);

  const double l = 0.3811 * r + 0.5783 * g + 0.0402 * b;
  const double m = 0.1967 * r + 0.7244 * g + 0.0782 * b;
  const double s = 0.0241 * r + 0.1288 * g + 0.8444 * b;

  // Floors: the smallest nonzero coefficient of each row, so black stays finite.
  const double logL = l < 0.0402 ? m_logFloorL : std::log10(l);
  const double logM = m < 0.0782 ? m_logFloorM : std::log10(m);
  const double logS = s < 0.0241 ? m_logFloorS : std::log10(s);

  out[0] = static_cast<float>((logL + logM + logS) * m_scaleL);
  out[1] = static_cast<float>((logL + logM - 2.0 * logS) * m_scaleAlpha);
  out[2] = static_cast<float>((logL - logM) * m_scaleBeta);
}

// ===========================================================================
// l, alpha, beta -> RGB
// ===========================================================================

LalphaBetaToRgb::LalphaBetaToRgb()
    : m_scaleL(1.0 / std::sqrt(3.0)),
      m_scaleAlpha(1.0 / std::sqrt(6.0)),
      m_scaleBeta(1.0 / std::sqrt(2.0)),
      m_lMin((std::log10(0.0241) + std::log10(0.0782) + std::log10(0.0402)) / std::sqrt(3.0)),
      m_lMax(std::log10(255.0) * 3.0 / std::sqrt(3.0)),
      m_alphaMin(kAlphaMin),
      m_alphaMax(kAlphaMax),
      m_betaMin(kBetaMin),
      m_betaMax(kBetaMax),
      m_lStep((m_lMax - m_lMin) / 255.0),
      m_alphaStep(kAlphaStep),
      m_betaStep(kBetaStep) {}

void LalphaBetaToRgb::Map(const unsigned char* in, unsigned char* out) {
  const double l = in[0] * m_lStep + m_lMin;
  const double alpha = in[1] * m_alphaStep + m_alphaMin;
  const double beta = in[2] * m_betaStep + m_betaMin;

  const double a = l * m_scaleL;
  const double b = alpha * m_scaleAlpha;
  const double c = beta * m_scaleBeta;

  const double logL = a + b + c;
  const double logM = a + b - c;
  const double logS = a - 2.0 * b;

  // Cut-offs: a response at or below them contributes nothing.
  const double cutL = std::log10(0.03);
  const double cutM = std::log10(0.07);
  const double cutS = std::log10(0.02);
  const double lr = logL > cutL ? std::pow(10.0, logL) : 0.0;
  const double mr = logM > cutM ? std::pow(10.0, logM) : 0.0;
  const double sr = logS > cutS ? std::pow(10.0, logS) : 0.0;

  double rgb[3] = {4.4679 * lr - 3.5873 * mr + 0.1193 * sr,
                   -1.2186 * lr + 2.3809 * mr - 0.1624 * sr,
                   0.0497 * lr - 0.2439 * mr + 1.2045 * sr};
  for (int i = 0; i < 3; ++i) {
    double v = rgb[i];
    if (v < 0.0) v = 0.0;
    if (v > 255.0) v = 255.0;
    out[i] = static_cast<unsigned char>(v);
  }
}
