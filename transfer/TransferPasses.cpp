#include "transfer/TransferPasses.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace transfer_detail {

// ===========================================================================
// Constants and settings
// ===========================================================================

EngineConstants::EngineConstants()
    : lMin((std::log10(0.0241) + std::log10(0.0402) + std::log10(0.0782)) / std::sqrt(3.0)),
      lMax(3.0 * std::log10(255.0) / std::sqrt(3.0)),
      lStep((lMax - lMin) / 255.0),
      lIndexScale(1.0 / lStep) {}

DerivedSettings::DerivedSettings(int brightness, int colourIntensity, int fadePercent, int modeValue,
                                 const EngineConstants& c) {
  // Settings outside their ranges would push the faded value outside the
  // byte range, whose conversion is undefined; they are held to the ranges.
  brightness = std::clamp(brightness, -100, 100);
  colourIntensity = std::clamp(colourIntensity, -100, 100);
  fadePercent = std::clamp(fadePercent, 0, 100);
  mode = modeValue == 1 || modeValue == 2 ? modeValue : 0;
  fade = static_cast<float>(fadePercent * 0.01);
  const int halfBrightness = brightness / 2;  // so +-1 acts as 0
  const int halfColour = colourIntensity / 2;
  colourGain = (halfColour + 50) * 0.02;
  lShift = halfBrightness * 0.002 * (c.lMax - c.lMin);
  keep = static_cast<float>(1.0 - fade);
}

int EngineBytesPerPixel(int format) {
  switch (format) {
    case 5: return 1;  // keFormatGrey
    case 7: return 3;  // keFormatBGR
    case 8: return 4;  // keFormatBGRA
    default: return 0;
  }
}

// ===========================================================================
// Planes
// ===========================================================================

bool CPlanes::Allocate(int width, int height) {
  Free();
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if (width < 0 || height < 0 || (height != 0 && count / static_cast<std::size_t>(height) != static_cast<std::size_t>(width)) ||
      count > static_cast<std::size_t>(-1) / sizeof(float)) {
    return false;
  }
  for (int p = 0; p < 3; ++p) {
    m_plane[p].reset(new (std::nothrow) float[count == 0 ? 1 : count]);
    if (!m_plane[p]) {
      Free();
      return false;
    }
  }
  m_width = width;
  m_height = height;
  return true;
}

void CPlanes::Free() {
  for (auto& plane : m_plane) plane.reset();
  m_width = m_height = 0;
}

// ===========================================================================
// Passes
// ===========================================================================

namespace {

constexpr int kRegressionSums = 6;  // l, alpha, beta, l^2, l alpha, l beta
constexpr int kResidualSums = 4;    // alpha', beta', alpha'^2, alpha' beta'

// The first `count` of the per-row sums (`stride` doubles per row), added in
// row order.
void AddRows(const std::vector<double>& rowSums, int rows, int stride, int count, double* total) {
  for (int i = 0; i < count; ++i) total[i] = 0.0;
  for (int y = 0; y < rows; ++y) {
    const double* s = &rowSums[static_cast<std::size_t>(y) * stride];
    for (int i = 0; i < count; ++i) total[i] += s[i];
  }
}

template <typename T>
bool Resize(std::vector<T>& v, std::size_t n) {
  try {
    v.assign(n, T());
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

}  // namespace

CTransferPasses::CTransferPasses(const DerivedSettings& settings, const VTetra::FloatLattice& forward,
                                 const VTetra::ByteLattice& backward, const EngineConstants& constants)
    : m_settings(settings), m_forward(forward), m_backward(backward), m_constants(constants) {
  for (int v = 0; v < 256; ++v) {
    const float unit = static_cast<float>(v * EngineConstants::kByteToUnit);
    for (int axis = 0; axis < 3; ++axis) m_forward.Locate(axis, unit, m_cellOffset[axis][v], m_cellFraction[axis][v]);
  }
}

bool CTransferPasses::Allocate(int sourceWidth, int sourceHeight, int templateWidth, int templateHeight) {
  // Template planes first, then the source's, as the statistics need them.
  if (!m_template.Allocate(templateWidth, templateHeight) || !m_source.Allocate(sourceWidth, sourceHeight)) {
    Free();
    return false;
  }
  const std::size_t sourceRows = static_cast<std::size_t>(sourceHeight);
  const std::size_t templateRows = static_cast<std::size_t>(templateHeight);
  if (!Resize(m_sourceRowSums, sourceRows * kRegressionSums) ||
      !Resize(m_templateRowSums, templateRows * kRegressionSums) ||
      !Resize(m_templateByteSums, templateRows * 3) || !Resize(m_outputRowSums, sourceRows * 3)) {
    Free();
    return false;
  }
  return true;
}

void CTransferPasses::Free() {
  m_source.Free();
  m_template.Free();
  m_sourceRowSums = {};
  m_templateRowSums = {};
  m_templateByteSums = {};
  m_outputRowSums = {};
}

void CTransferPasses::SourceRow(int y, const std::uint8_t* row, int bytesPerPixel) {
  float* l = m_source.Row(0, y);
  float* alpha = m_source.Row(1, y);
  float* beta = m_source.Row(2, y);
  const int width = m_source.Width();
  // Grey: the one byte stands for R, G and B; colour formats hold B, G, R.
  const int red = bytesPerPixel == 1 ? 0 : 2;
  const int green = bytesPerPixel == 1 ? 0 : 1;
  for (int x = 0; x < width; ++x, row += bytesPerPixel) {
    const int r = row[red], g = row[green], b = row[0];
    const float f[3] = {m_cellFraction[0][r], m_cellFraction[1][g], m_cellFraction[2][b]};
    float out[3] = {0.0f, 0.0f, 0.0f};
    m_forward.Interpolate3(m_cellOffset[0][r] + m_cellOffset[1][g] + m_cellOffset[2][b], f, out);
    l[x] = out[0];
    alpha[x] = out[1];
    beta[x] = out[2];
  }
}

void CTransferPasses::TemplateRow(int y, const std::uint8_t* row) {
  float* l = m_template.Row(0, y);
  float* alpha = m_template.Row(1, y);
  float* beta = m_template.Row(2, y);
  const int width = m_template.Width();
  std::uint64_t sumR = 0, sumG = 0, sumB = 0;
  for (int x = 0; x < width; ++x, row += 3) {
    const int r = row[2], g = row[1], b = row[0];
    sumR += static_cast<std::uint64_t>(r);
    sumG += static_cast<std::uint64_t>(g);
    sumB += static_cast<std::uint64_t>(b);
    const float f[3] = {m_cellFraction[0][r], m_cellFraction[1][g], m_cellFraction[2][b]};
    float out[3] = {0.0f, 0.0f, 0.0f};
    m_forward.Interpolate3(m_cellOffset[0][r] + m_cellOffset[1][g] + m_cellOffset[2][b], f, out);
    l[x] = out[0];
    alpha[x] = out[1];
    beta[x] = out[2];
  }
  std::uint64_t* sums = &m_templateByteSums[static_cast<std::size_t>(y) * 3];
  sums[0] = sumR;
  sums[1] = sumG;
  sums[2] = sumB;
}

void CTransferPasses::Decorrelate() {
  DecorrelateImage(m_template, m_templateRowSums, m_templateStats);
  DecorrelateImage(m_source, m_sourceRowSums, m_sourceStats);
}

void CTransferPasses::DecorrelateImage(CPlanes& planes, std::vector<double>& rowSums, ImageStatistics& stats) {
  stats = ImageStatistics();
  const int width = planes.Width();
  const int height = planes.Height();
  if (width == 0 || height == 0) return;  // no pixels: every statistic stays 0
  const double n = static_cast<double>(width) * static_cast<double>(height);
  const bool decorrelate = m_settings.mode != 1;

  // Regression of alpha and beta on l.
  for (int y = 0; y < height; ++y) {
    const float* l = planes.Row(0, y);
    const float* alpha = planes.Row(1, y);
    const float* beta = planes.Row(2, y);
    double sl = 0, sa = 0, sb = 0, sll = 0, sla = 0, slb = 0;
    for (int x = 0; x < width; ++x) {
      const double vl = l[x], va = alpha[x], vb = beta[x];
      sl += vl;
      sa += va;
      sb += vb;
      sll += vl * vl;
      sla += vl * va;
      slb += vl * vb;
    }
    double* s = &rowSums[static_cast<std::size_t>(y) * kRegressionSums];
    s[0] = sl, s[1] = sa, s[2] = sb, s[3] = sll, s[4] = sla, s[5] = slb;
  }
  double t[kRegressionSums];
  AddRows(rowSums, height, kRegressionSums, kRegressionSums, t);
  const double meanL = t[0] / n;
  const double meanA = t[1] / n;
  const double meanB = t[2] / n;
  const double v = t[3] / n - (t[0] * t[0]) / (n * n);
  if (v != 0.0) {
    stats.pAlpha = (t[4] / n - meanL * meanA) / v;
    stats.qAlpha = meanA - meanL * stats.pAlpha;
    stats.pBeta = (t[5] / n - meanL * meanB) / v;
    stats.qBeta = meanB - meanL * stats.pBeta;
  }
  const double sumL = t[0];

  // Residuals alpha', beta' and the regression of beta' on alpha'.
  for (int y = 0; y < height; ++y) {
    const float* l = planes.Row(0, y);
    float* alpha = planes.Row(1, y);
    float* beta = planes.Row(2, y);
    double sa = 0, sb = 0, saa = 0, sab = 0;
    for (int x = 0; x < width; ++x) {
      const double vl = l[x];
      const double a1 = alpha[x] - stats.qAlpha - stats.pAlpha * vl;
      const double b1 = beta[x] - stats.qBeta - stats.pBeta * vl;
      if (decorrelate) {
        alpha[x] = static_cast<float>(a1);
        beta[x] = static_cast<float>(b1);
      }
      sa += a1;
      sb += b1;
      saa += a1 * a1;
      sab += a1 * b1;
    }
    double* s = &rowSums[static_cast<std::size_t>(y) * kRegressionSums];
    s[0] = sa, s[1] = sb, s[2] = saa, s[3] = sab;
  }
  double r[kRegressionSums];
  AddRows(rowSums, height, kRegressionSums, kResidualSums, r);
  {
    const double meanA1 = r[0] / n;
    const double meanB1 = r[1] / n;
    const double v1 = r[2] / n - (r[0] * r[0]) / (n * n);
    if (v1 != 0.0) {
      stats.pBetaAlpha = (r[3] / n - meanA1 * meanB1) / v1;
      stats.qBetaAlpha = meanB1 - meanA1 * stats.pBetaAlpha;
    }
  }

  // beta'' from the stored residuals, and the means of the planes as they stand.
  if (decorrelate) {
    for (int y = 0; y < height; ++y) {
      const float* alpha = planes.Row(1, y);
      float* beta = planes.Row(2, y);
      double sa = 0, sb = 0;
      for (int x = 0; x < width; ++x) {
        const double a1 = alpha[x];
        const float b2 = static_cast<float>(beta[x] - stats.qBetaAlpha - stats.pBetaAlpha * a1);
        beta[x] = b2;
        sa += a1;
        sb += b2;
      }
      double* s = &rowSums[static_cast<std::size_t>(y) * kRegressionSums];
      s[0] = sa, s[1] = sb;
    }
    double m[2];
    AddRows(rowSums, height, kRegressionSums, 2, m);
    stats.mean[0] = sumL / n;
    stats.mean[1] = m[0] / n;
    stats.mean[2] = m[1] / n;
  } else {
    stats.mean[0] = meanL;
    stats.mean[1] = meanA;
    stats.mean[2] = meanB;
  }

  // Population standard deviations.
  for (int y = 0; y < height; ++y) {
    const float* l = planes.Row(0, y);
    const float* alpha = planes.Row(1, y);
    const float* beta = planes.Row(2, y);
    double s0 = 0, s1 = 0, s2 = 0;
    for (int x = 0; x < width; ++x) {
      const double d0 = l[x] - stats.mean[0];
      const double d1 = alpha[x] - stats.mean[1];
      const double d2 = beta[x] - stats.mean[2];
      s0 += d0 * d0;
      s1 += d1 * d1;
      s2 += d2 * d2;
    }
    double* s = &rowSums[static_cast<std::size_t>(y) * kRegressionSums];
    s[0] = s0, s[1] = s1, s[2] = s2;
  }
  double d[3];
  AddRows(rowSums, height, kRegressionSums, 3, d);
  for (int i = 0; i < 3; ++i) stats.sigma[i] = std::sqrt(d[i] / n);
}

void CTransferPasses::OutputRow(int y, const std::uint8_t* sourceRow, std::uint8_t* destinationRow,
                                int bytesPerPixel) {
  using C = EngineConstants;
  const ImageStatistics& s = m_sourceStats;
  const ImageStatistics& t = m_templateStats;
  const int mode = m_settings.mode;
  const double k = m_settings.colourGain;
  const double lShift = m_settings.lShift;
  const double fade = m_settings.fade;
  const double keep = m_settings.keep;
  const double lMin = m_constants.lMin;
  const double lMax = m_constants.lMax;
  const double lStep = m_constants.lStep;
  const double lIndexScale = m_constants.lIndexScale;

  // Per-call factors.  The brightness line keeps its division by the source
  // spread: multiplying by a reciprocal instead rounds differently and changes
  // output bytes wherever the blend lands on a whole number.
  const bool scaleL = s.sigma[0] > C::kSpreadThreshold;
  const bool scaleAlpha = s.sigma[1] > C::kSpreadThreshold;
  const bool scaleBeta = s.sigma[2] > C::kSpreadThreshold;
  double ratioAlpha = 0.0, ratioBeta = 0.0;
  if (scaleAlpha) {
    ratioAlpha = t.sigma[1] / s.sigma[1];
    if (ratioAlpha > C::kAlphaRatioCap) ratioAlpha = C::kAlphaRatioCap;
  }
  if (scaleBeta) {
    ratioBeta = t.sigma[2] / s.sigma[2];
    if (ratioBeta > C::kBetaRatioCap) ratioBeta = C::kBetaRatioCap;
  }

  const float* lPlane = m_source.Row(0, y);
  const float* alphaPlane = m_source.Row(1, y);
  const float* betaPlane = m_source.Row(2, y);
  const int width = m_source.Width();
  const int red = bytesPerPixel == 1 ? 0 : 2;
  const int green = bytesPerPixel == 1 ? 0 : 1;
  double sumR = 0, sumG = 0, sumB = 0;

  for (int x = 0; x < width; ++x) {
    double l = lPlane[x];
    double alpha = alphaPlane[x];
    double beta = betaPlane[x];

    // Brightness and colour transfer.
    if (mode != 2) l = scaleL ? (l - s.mean[0]) / s.sigma[0] * t.sigma[0] + t.mean[0] : l + t.mean[0];
    if (mode == 1) {
      alpha = alpha * k;
      beta = beta * k;
    } else {
      alpha = scaleAlpha ? ratioAlpha * (alpha - s.mean[1]) * k + t.mean[1] : alpha + t.mean[1];
      beta = scaleBeta ? ratioBeta * (beta - s.mean[2]) * k + t.mean[2] : beta + t.mean[2];
    }
    l = l + lShift;

    // The template's correlation back, with the alpha of before this step.
    if (mode != 1) {
      const double alphaBefore = alpha;
      beta = t.pBetaAlpha * alphaBefore + t.qBetaAlpha + beta + t.pBeta * l + t.qBeta;
      alpha = alphaBefore + t.pAlpha * l + t.qAlpha;
    }

    l = l < lMin ? lMin : (l > lMax ? lMax : l);
    alpha = alpha < C::kAlphaMin ? C::kAlphaMin : (alpha > C::kAlphaMax ? C::kAlphaMax : alpha);
    beta = beta < C::kBetaMin ? C::kBetaMin : (beta > C::kBetaMax ? C::kBetaMax : beta);

    // Indices on the 256-level scales, truncated; the guard keeps a value that
    // rounds a hair above the top inside the byte range.
    int il = static_cast<int>((l - lMin) * lIndexScale);
    int ia = static_cast<int>((alpha - C::kAlphaMin) * C::kAlphaIndexScale);
    int ib = static_cast<int>((beta - C::kBetaMin) * C::kBetaIndexScale);
    il = il > 255 ? 255 : il;
    ia = ia > 255 ? 255 : ia;
    ib = ib > 255 ? 255 : ib;

    // Two lookups one l level apart, blended by distance along l.
    unsigned char c1[3], c2[3];
    const unsigned char index1[3] = {static_cast<unsigned char>(il), static_cast<unsigned char>(ia),
                                     static_cast<unsigned char>(ib)};
    m_backward.Evaluate3(index1, c1);
    const double l1 = lMin + il * lStep;
    double l2;
    if (l > l1 && il != 255) {
      const unsigned char index2[3] = {static_cast<unsigned char>(il + 1),
                                       static_cast<unsigned char>(ia < 255 ? ia + 1 : 255),
                                       static_cast<unsigned char>(ib < 255 ? ib + 1 : 255)};
      m_backward.Evaluate3(index2, c2);
      l2 = lMin + (il + 1) * lStep;
    } else {
      const unsigned char index2[3] = {static_cast<unsigned char>(il > 0 ? il - 1 : 0),
                                       static_cast<unsigned char>(ia > 0 ? ia - 1 : 0),
                                       static_cast<unsigned char>(ib > 0 ? ib - 1 : 0)};
      m_backward.Evaluate3(index2, c2);
      l2 = lMin + (il - 1) * lStep;
    }
    const double d1 = std::fabs(l - l1);
    const double d2 = std::fabs(l - l2);
    const double w1 = 1.0 / (d1 > C::kDistanceFloor ? d1 : C::kDistanceFloor);
    const double w2 = 1.0 / (d2 > C::kDistanceFloor ? d2 : C::kDistanceFloor);
    const double inverseSum = 1.0 / (w1 + w2);
    const double r = (c1[0] * w1 + c2[0] * w2) * inverseSum;
    const double g = (c1[1] * w1 + c2[1] * w2) * inverseSum;
    const double b = (c1[2] * w1 + c2[2] * w2) * inverseSum;
    sumR += r;
    sumG += g;
    sumB += b;

    // Fade with the source pixel and write in the source's format.
    const std::uint8_t* src = sourceRow + static_cast<std::size_t>(x) * bytesPerPixel;
    const std::uint8_t outR = static_cast<std::uint8_t>(src[red] * fade + r * keep);
    const std::uint8_t outG = static_cast<std::uint8_t>(src[green] * fade + g * keep);
    const std::uint8_t outB = static_cast<std::uint8_t>(src[0] * fade + b * keep);
    std::uint8_t* dst = destinationRow + static_cast<std::size_t>(x) * bytesPerPixel;
    if (bytesPerPixel == 1) {
      dst[0] = outB;  // grey keeps the blue result
    } else {
      dst[2] = outR;
      dst[1] = outG;
      dst[0] = outB;
    }
  }
  double* sums = &m_outputRowSums[static_cast<std::size_t>(y) * 3];
  sums[0] = sumR;
  sums[1] = sumG;
  sums[2] = sumB;
}

bool CTransferPasses::MeanColourStrays() const {
  const double ns = static_cast<double>(m_source.Width()) * static_cast<double>(m_source.Height());
  const double nt = static_cast<double>(m_template.Width()) * static_cast<double>(m_template.Height());
  if (ns == 0.0 || nt == 0.0) return false;
  double out[3];
  AddRows(m_outputRowSums, m_source.Height(), 3, 3, out);
  std::uint64_t bytes[3] = {0, 0, 0};
  for (int y = 0; y < m_template.Height(); ++y) {
    for (int i = 0; i < 3; ++i) bytes[i] += m_templateByteSums[static_cast<std::size_t>(y) * 3 + i];
  }
  double distance = 0.0, templateTotal = 0.0;
  for (int i = 0; i < 3; ++i) {
    const double templateMean = static_cast<double>(bytes[i]) / nt;
    distance += std::fabs(out[i] / ns - templateMean);
    templateTotal += templateMean;
  }
  return distance > templateTotal;
}

}  // namespace transfer_detail
