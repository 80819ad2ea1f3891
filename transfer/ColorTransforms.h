#pragma once
// Generator functions between RGB and the decorrelated logarithmic colour
// space l, alpha, beta (Ruderman, Cronin and Chiao; as used for colour
// transfer by Reinhard et al., 2001).
//
// RGB goes to LMS cone responses by a fixed matrix, the responses are taken as
// base-10 logarithms (with floors, so black has a finite l) and rotated into
// one achromatic and two opponent axes.  The way back exponentiates with
// cut-offs, so very dark points give exact black channels, and quantises the
// three axes to 256 levels each over fixed ranges.
//
// Neither runs per pixel: the transfer engine samples each once into a colour
// lattice and interpolates there.

#include "transfer/ColorLattice.h"

namespace tintavo {

// Constants of the space.
inline constexpr double kAlphaMin = -0.96169565521444;
inline constexpr double kAlphaMax = 0.86173425700628;
inline constexpr double kAlphaStep = 0.00715070553812047;
inline constexpr double kBetaMin = -0.20434021258462;
inline constexpr double kBetaMax = 0.20310552556917;
inline constexpr double kBetaStep = 0.00159782642413251;

}  // namespace tintavo

// (R, G, B) in [0, 1] as float32 -> (l, alpha, beta) as float32.
class RgbToLalphaBeta final : public VTetra::FloatFunction {
 public:
  RgbToLalphaBeta();
  void Map(const float* in, float* out) override;

 private:
  double m_logFloorL;
  double m_logFloorM;
  double m_logFloorS;
  double m_scaleL;
  double m_scaleAlpha;
  double m_scaleBeta;
};

// Index bytes (i_l, i_alpha, i_beta) on 256-level scales -> (R, G, B) bytes.
class LalphaBetaToRgb final : public VTetra::ByteFunction {
 public:
  LalphaBetaToRgb();
  void Map(const unsigned char* in, unsigned char* out) override;

  double LMin() const { return m_lMin; }
  double LMax() const { return m_lMax; }
  double LStep() const { return m_lStep; }

 private:
  double m_scaleL;
  double m_scaleAlpha;
  double m_scaleBeta;
  double m_lMin;
  double m_lMax;
  double m_alphaMin;
  double m_alphaMax;
  double m_betaMin;
  double m_betaMax;
  double m_lStep;
  double m_alphaStep;
  double m_betaStep;
};
