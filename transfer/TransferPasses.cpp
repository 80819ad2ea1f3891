#include "transfer/TransferPasses.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/LargeBlock.h"
#include "transfer/ForwardPixels.h"
#include "transfer/OutputPixels.h"

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
  if (width < 0 || height < 0) return false;
  const std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  if ((height != 0 && count / static_cast<std::size_t>(height) != static_cast<std::size_t>(width)) ||
      count > static_cast<std::size_t>(-1) / (3 * sizeof(float))) {
    return false;
  }
  const std::size_t planeSize = count == 0 ? 1 : count;
  m_blockSize = 3 * planeSize * sizeof(float);
  m_block = platform::AllocateLargeBlock(m_blockSize);
  if (m_block == nullptr) {
    m_blockSize = 0;
    return false;
  }
  float* first = static_cast<float*>(m_block);
  for (int p = 0; p < 3; ++p) m_plane[p] = first + p * planeSize;
  m_width = width;
  m_height = height;
  return true;
}

void CPlanes::Free() {
  platform::ReleaseLargeBlock(m_block, m_blockSize);
  m_block = nullptr;
  m_blockSize = 0;
  for (auto& plane : m_plane) plane = nullptr;
  m_width = m_height = 0;
}

// ===========================================================================
// Passes
// ===========================================================================

namespace {

// Per-row sums, kSumsPerRow doubles per row.  The conversion passes leave
// the regression sums l, alpha, beta, l^2, l alpha, l beta; the residual pass
// then leaves alpha', beta', alpha'^2, alpha' beta' and the spread sums it
// can already take (see ResidualRows).
constexpr int kSumsPerRow = 8;
constexpr int kRegressionSums = 6;
constexpr int kResidualSums = 4;

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
    : m_settings(settings),
      m_backward(backward),
      m_constants(constants),
      m_forwardKernel(forward, EngineConstants::kByteToUnit),
      m_backwardKernel(backward),
      m_useVectorLoops(HaveVectorLoops()) {
  const double lMin = m_constants.lMin;
  const double lStep = m_constants.lStep;
  const double fade = m_settings.fade;
  for (int i = 0; i < 256; ++i) {
    m_levelL[i] = lMin + i * lStep;
    m_neighbourL[0][i] = lMin + (i - 1) * lStep;
    m_neighbourL[1][i] = lMin + (i + 1) * lStep;
    m_neighbour[0][i] = static_cast<unsigned char>(i > 0 ? i - 1 : 0);
    m_neighbour[1][i] = static_cast<unsigned char>(i < 255 ? i + 1 : 255);
    m_fadedByte[i] = i * fade;
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
  if (!Resize(m_sourceRowSums, sourceRows * kSumsPerRow) ||
      !Resize(m_templateRowSums, templateRows * kSumsPerRow) ||
      !Resize(m_templateByteSums, templateRows * 3) || !Resize(m_outputRowSums, sourceRows * 3) ||
      !Resize(m_lookupCache, std::size_t{1} << kLookupCacheBits)) {
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
  m_lookupCache = {};
}

void CTransferPasses::SourceRow(int y, const std::uint8_t* row, int bytesPerPixel) {
  ConvertRow(row, bytesPerPixel, m_source, y, &m_sourceRowSums[static_cast<std::size_t>(y) * kSumsPerRow], nullptr);
}

void CTransferPasses::TemplateRow(int y, const std::uint8_t* row) {
  ConvertRow(row, 3, m_template, y, &m_templateRowSums[static_cast<std::size_t>(y) * kSumsPerRow],
             &m_templateByteSums[static_cast<std::size_t>(y) * 3]);
}

void CTransferPasses::ConvertRow(const std::uint8_t* row, int bytesPerPixel, CPlanes& planes, int y, double* sums,
                                 std::uint64_t* byteSums) {
  if (m_useVectorLoops) {
    ForwardPixelsSse2(m_forwardKernel, row, bytesPerPixel, planes.Width(), planes.Row(0, y), planes.Row(1, y),
                      planes.Row(2, y), sums, byteSums);
  } else {
    ForwardPixels(m_forwardKernel, row, bytesPerPixel, planes.Width(), planes.Row(0, y), planes.Row(1, y),
                  planes.Row(2, y), sums, byteSums);
  }
}

void CTransferPasses::Decorrelate() {
  DecorrelateImage(m_template, m_templateRowSums, m_templateStats);
  DecorrelateImage(m_source, m_sourceRowSums, m_sourceStats);
}

namespace {

// The statistics loops below take kRows rows side by side: each row keeps
// its own accumulators and adds its pixels in its own order, exactly as one
// row alone would, but the rows' additions do not wait for one another, so
// the loop is not held up by the latency of each addition.
constexpr int kRowsAtOnce = 2;

// The row loop inside the pixel loop must be unrolled, so that each row's
// accumulators live in registers.
#if defined(__GNUC__) || defined(__clang__)
#define TINTAVO_UNROLL_ROWS _Pragma("GCC unroll 4")
#else
#define TINTAVO_UNROLL_ROWS
#endif

// Calls rows.template operator()<k>(y) for groups of kRowsAtOnce rows, then
// single rows, over 0..height-1.
template <typename Rows>
void ForRowGroups(int height, Rows rows) {
  int y = 0;
  for (; y + kRowsAtOnce <= height; y += kRowsAtOnce) rows.template Run<kRowsAtOnce>(y);
  for (; y < height; ++y) rows.template Run<1>(y);
}

// Residuals alpha' = alpha - qAlpha - pAlpha l and beta' = beta - qBeta -
// pBeta l, and the sums of alpha', beta', alpha'^2, alpha' beta' of each row
// (slots 0..3).  When decorrelating, the residuals are stored as floats and
// the row also sums the stored alpha' (slot 4, for its mean) and
// (l - mean l)^2 (slot 5); otherwise the planes stay as they are and the row
// sums the spreads of l, alpha, beta about their means (slots 4..6).
template <bool kDecorrelate>
struct ResidualRows {
  CPlanes& planes;
  std::vector<double>& rowSums;
  const ImageStatistics& stats;
  template <int kRows>
  void Run(int y0) const {
    const int width = planes.Width();
    const double qAlpha = stats.qAlpha, pAlpha = stats.pAlpha, qBeta = stats.qBeta, pBeta = stats.pBeta;
    const double m0 = stats.mean[0], m1 = stats.mean[1], m2 = stats.mean[2];
    const float* l[kRows];
    float* alpha[kRows];
    float* beta[kRows];
    double sa[kRows], sb[kRows], saa[kRows], sab[kRows], s4[kRows], s5[kRows], s6[kRows];
    for (int r = 0; r < kRows; ++r) {
      l[r] = planes.Row(0, y0 + r);
      alpha[r] = planes.Row(1, y0 + r);
      beta[r] = planes.Row(2, y0 + r);
      sa[r] = sb[r] = saa[r] = sab[r] = s4[r] = s5[r] = s6[r] = 0;
    }
    for (int x = 0; x < width; ++x) {
      TINTAVO_UNROLL_ROWS
      for (int r = 0; r < kRows; ++r) {
        const double vl = l[r][x];
        const double a1 = alpha[r][x] - qAlpha - pAlpha * vl;
        const double b1 = beta[r][x] - qBeta - pBeta * vl;
        const double d0 = vl - m0;
        if (kDecorrelate) {
          const float storedAlpha = static_cast<float>(a1);
          alpha[r][x] = storedAlpha;
          beta[r][x] = static_cast<float>(b1);
          s4[r] += storedAlpha;
          s5[r] += d0 * d0;
        } else {
          const double d1 = alpha[r][x] - m1;
          const double d2 = beta[r][x] - m2;
          s4[r] += d0 * d0;
          s5[r] += d1 * d1;
          s6[r] += d2 * d2;
        }
        sa[r] += a1;
        sb[r] += b1;
        saa[r] += a1 * a1;
        sab[r] += a1 * b1;
      }
    }
    for (int r = 0; r < kRows; ++r) {
      double* s = &rowSums[static_cast<std::size_t>(y0 + r) * kSumsPerRow];
      s[0] = sa[r], s[1] = sb[r], s[2] = saa[r], s[3] = sab[r], s[4] = s4[r], s[5] = s5[r], s[6] = s6[r];
    }
  }
};

// beta'' = beta' - qBetaAlpha - pBetaAlpha alpha' from the stored residuals,
// and the sums of beta'' and of (alpha' - mean alpha')^2 of each row.
struct SecondResidualRows {
  CPlanes& planes;
  std::vector<double>& rowSums;
  const ImageStatistics& stats;
  template <int kRows>
  void Run(int y0) const {
    const int width = planes.Width();
    const double qBetaAlpha = stats.qBetaAlpha, pBetaAlpha = stats.pBetaAlpha, m1 = stats.mean[1];
    const float* alpha[kRows];
    float* beta[kRows];
    double sb[kRows], s1[kRows];
    for (int r = 0; r < kRows; ++r) {
      alpha[r] = planes.Row(1, y0 + r);
      beta[r] = planes.Row(2, y0 + r);
      sb[r] = s1[r] = 0;
    }
    for (int x = 0; x < width; ++x) {
      TINTAVO_UNROLL_ROWS
      for (int r = 0; r < kRows; ++r) {
        const double a1 = alpha[r][x];
        const float b2 = static_cast<float>(beta[r][x] - qBetaAlpha - pBetaAlpha * a1);
        beta[r][x] = b2;
        sb[r] += b2;
        const double d1 = a1 - m1;
        s1[r] += d1 * d1;
      }
    }
    for (int r = 0; r < kRows; ++r) {
      double* s = &rowSums[static_cast<std::size_t>(y0 + r) * kSumsPerRow];
      s[0] = sb[r], s[1] = s1[r];
    }
  }
};

// Sums of (beta'' - mean beta'')^2 of each row.
struct BetaSpreadRows {
  const CPlanes& planes;
  std::vector<double>& rowSums;
  const ImageStatistics& stats;
  template <int kRows>
  void Run(int y0) const {
    const int width = planes.Width();
    const double m2 = stats.mean[2];
    const float* beta[kRows];
    double s2[kRows];
    for (int r = 0; r < kRows; ++r) {
      beta[r] = planes.Row(2, y0 + r);
      s2[r] = 0;
    }
    for (int x = 0; x < width; ++x) {
      TINTAVO_UNROLL_ROWS
      for (int r = 0; r < kRows; ++r) {
        const double d2 = beta[r][x] - m2;
        s2[r] += d2 * d2;
      }
    }
    for (int r = 0; r < kRows; ++r) rowSums[static_cast<std::size_t>(y0 + r) * kSumsPerRow] = s2[r];
  }
};

}  // namespace

void CTransferPasses::DecorrelateImage(CPlanes& planes, std::vector<double>& rowSums, ImageStatistics& stats) {
  stats = ImageStatistics();
  const int width = planes.Width();
  const int height = planes.Height();
  if (width == 0 || height == 0) return;  // no pixels: every statistic stays 0
  const double n = static_cast<double>(width) * static_cast<double>(height);
  const bool decorrelate = m_settings.mode != 1;

  // Regression of alpha and beta on l, from the conversion pass's sums.
  double t[kRegressionSums];
  AddRows(rowSums, height, kSumsPerRow, kRegressionSums, t);
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
  // The means of the planes as they will stand: l is never changed; without
  // decorrelation neither are alpha and beta.
  stats.mean[0] = meanL;
  if (!decorrelate) {
    stats.mean[1] = meanA;
    stats.mean[2] = meanB;
  }

  // Residuals alpha', beta' and the regression of beta' on alpha'.
  double r[kSumsPerRow];
  if (decorrelate) {
    ForRowGroups(height, ResidualRows<true>{planes, rowSums, stats});
    AddRows(rowSums, height, kSumsPerRow, kResidualSums + 2, r);
  } else {
    ForRowGroups(height, ResidualRows<false>{planes, rowSums, stats});
    AddRows(rowSums, height, kSumsPerRow, kResidualSums + 3, r);
  }
  {
    const double meanA1 = r[0] / n;
    const double meanB1 = r[1] / n;
    const double v1 = r[2] / n - (r[0] * r[0]) / (n * n);
    if (v1 != 0.0) {
      stats.pBetaAlpha = (r[3] / n - meanA1 * meanB1) / v1;
      stats.qBetaAlpha = meanB1 - meanA1 * stats.pBetaAlpha;
    }
  }

  // Population standard deviations; with decorrelation, beta'' first.
  double spread[3];
  if (decorrelate) {
    stats.mean[1] = r[4] / n;
    spread[0] = r[5];
    ForRowGroups(height, SecondResidualRows{planes, rowSums, stats});
    double m[2];
    AddRows(rowSums, height, kSumsPerRow, 2, m);
    stats.mean[2] = m[0] / n;
    spread[1] = m[1];
    ForRowGroups(height, BetaSpreadRows{planes, rowSums, stats});
    AddRows(rowSums, height, kSumsPerRow, 1, &spread[2]);
  } else {
    spread[0] = r[4];
    spread[1] = r[5];
    spread[2] = r[6];
  }
  for (int i = 0; i < 3; ++i) stats.sigma[i] = std::sqrt(spread[i] / n);
}

namespace {

template <int kMode, int kBytesPerPixel>
void OutputPixels(OutputRowData& d) {
  using C = EngineConstants;
  // Grey: the one byte stands for R, G and B; colour formats hold B, G, R.
  constexpr int kRed = kBytesPerPixel == 1 ? 0 : 2;
  constexpr int kGreen = kBytesPerPixel == 1 ? 0 : 1;
  const VTetra::ByteKernel3& backward = *d.backward;
  const double keep = d.keep;
  double sumR = 0, sumG = 0, sumB = 0;

  for (int x = 0; x < d.width; ++x) {
    double l;
    int index[3];
    MoveColour<kMode>(d, x, l, index);
    const int il = index[0], ia = index[1], ib = index[2];

    // Two lookups one l level apart, blended by distance along l: the second
    // one level up (each index + 1, held at 255) when l lies above the first
    // level and that is not the top, else one level down (each index - 1,
    // held at 0).  The choice picks tables instead of branching, as it
    // follows the noise of the picture.
    unsigned char c1[3], c2[3];
    backward.Evaluate(static_cast<unsigned>(il), static_cast<unsigned>(ia), static_cast<unsigned>(ib), c1);
    const double l1 = d.levelL[il];
    const int up = static_cast<int>(l > l1) & static_cast<int>(il != 255);
    const unsigned char* next = d.neighbour[up];
    backward.Evaluate(next[il], next[ia], next[ib], c2);
    const double l2 = d.neighbourL[up][il];
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
    const std::uint8_t* src = d.source + static_cast<std::size_t>(x) * kBytesPerPixel;
    std::uint8_t* dst = d.destination + static_cast<std::size_t>(x) * kBytesPerPixel;
    if (kBytesPerPixel == 1) {
      dst[0] = static_cast<std::uint8_t>(d.fadedByte[src[0]] + b * keep);  // grey keeps the blue result
    } else {
      const std::uint8_t outR = static_cast<std::uint8_t>(d.fadedByte[src[kRed]] + r * keep);
      const std::uint8_t outG = static_cast<std::uint8_t>(d.fadedByte[src[kGreen]] + g * keep);
      const std::uint8_t outB = static_cast<std::uint8_t>(d.fadedByte[src[0]] + b * keep);
      dst[2] = outR;
      dst[1] = outG;
      dst[0] = outB;
    }
  }
  d.sums[0] = sumR;
  d.sums[1] = sumG;
  d.sums[2] = sumB;
}

struct PlainOutputLoop {
  template <int kMode, int kBytesPerPixel>
  static void Run(OutputRowData& d) {
    OutputPixels<kMode, kBytesPerPixel>(d);
  }
};

}  // namespace

bool CTransferPasses::HaveVectorLoops() { return HaveSse2OutputPixels() && HaveSse2ForwardPixels(); }

void CTransferPasses::OutputRow(int y, const std::uint8_t* sourceRow, std::uint8_t* destinationRow,
                                int bytesPerPixel) {
  using C = EngineConstants;
  const ImageStatistics& s = m_sourceStats;
  const ImageStatistics& t = m_templateStats;
  // Everything the loop reads besides the planes, pixels and tables goes into
  // one local record: the destination is written through a byte pointer,
  // which could alias any member, so members would be read again after each
  // store.
  OutputRowData d{};
  for (int i = 0; i < 3; ++i) {
    d.sourceMean[i] = s.mean[i];
    d.templateMean[i] = t.mean[i];
  }
  d.sourceSigmaL = s.sigma[0];
  d.templateSigmaL = t.sigma[0];
  d.scaleL = s.sigma[0] > C::kSpreadThreshold;
  d.scaleAlpha = s.sigma[1] > C::kSpreadThreshold;
  d.scaleBeta = s.sigma[2] > C::kSpreadThreshold;
  d.ratioAlpha = 0.0;
  d.ratioBeta = 0.0;
  if (d.scaleAlpha) {
    d.ratioAlpha = t.sigma[1] / s.sigma[1];
    if (d.ratioAlpha > C::kAlphaRatioCap) d.ratioAlpha = C::kAlphaRatioCap;
  }
  if (d.scaleBeta) {
    d.ratioBeta = t.sigma[2] / s.sigma[2];
    if (d.ratioBeta > C::kBetaRatioCap) d.ratioBeta = C::kBetaRatioCap;
  }
  d.pAlpha = t.pAlpha;
  d.qAlpha = t.qAlpha;
  d.pBeta = t.pBeta;
  d.qBeta = t.qBeta;
  d.pBetaAlpha = t.pBetaAlpha;
  d.qBetaAlpha = t.qBetaAlpha;
  d.colourGain = m_settings.colourGain;
  d.lShift = m_settings.lShift;
  d.keep = m_settings.keep;
  d.lMin = m_constants.lMin;
  d.lMax = m_constants.lMax;
  d.lIndexScale = m_constants.lIndexScale;
  d.backward = &m_backwardKernel;
  d.levelL = m_levelL;
  d.neighbourL[0] = m_neighbourL[0];
  d.neighbourL[1] = m_neighbourL[1];
  d.neighbour[0] = m_neighbour[0];
  d.neighbour[1] = m_neighbour[1];
  d.fadedByte = m_fadedByte;
  d.lookupCache = m_lookupCache.data();
  d.l = m_source.Row(0, y);
  d.alpha = m_source.Row(1, y);
  d.beta = m_source.Row(2, y);
  d.width = m_source.Width();
  d.source = sourceRow;
  d.destination = destinationRow;

  const int mode = m_settings.mode;
  if (m_useVectorLoops) {
    OutputPixelsSse2(d, mode, bytesPerPixel);
  } else {
    RunForModeAndFormat<PlainOutputLoop>(d, mode, bytesPerPixel);
  }
  double* sums = &m_outputRowSums[static_cast<std::size_t>(y) * 3];
  sums[0] = d.sums[0];
  sums[1] = d.sums[1];
  sums[2] = d.sums[2];
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
