#include "transfer/TransferPasses.h"

#include <cmath>
#include <new>

#include "platform/Cpu.h"
#include "transfer/ForwardPixels.h"
#include "transfer/OutputPixels.h"
#include "transfer/TransferStatistics.h"

namespace transfer_detail {

namespace {

template <typename T>
bool Resize(std::vector<T>& v, std::size_t n) {
  try {
    v.assign(n, T());
    return true;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool Available(LoopKind kind) {
  switch (kind) {
    case LoopKind::kPlain: return true;
    case LoopKind::kSse2: return HaveSse2ForwardPixels() && HaveSse2OutputPixels();
    case LoopKind::kAvx2:
      return HaveAvx2ForwardPixels() && HaveAvx2OutputPixels() && platform::CpuHasAvx2();
  }
  return false;
}

}  // namespace

std::vector<LoopKind> CTransferPasses::AvailableLoops() {
  std::vector<LoopKind> kinds;
  for (LoopKind kind : {LoopKind::kPlain, LoopKind::kSse2, LoopKind::kAvx2}) {
    if (Available(kind)) kinds.push_back(kind);
  }
  return kinds;
}

LoopKind CTransferPasses::FastestLoops() {
  static const LoopKind fastest = AvailableLoops().back();
  return fastest;
}

bool CTransferPasses::HaveVectorLoops() { return FastestLoops() != LoopKind::kPlain; }

const char* CTransferPasses::LoopName(LoopKind kind) {
  switch (kind) {
    case LoopKind::kPlain: return "plain";
    case LoopKind::kSse2: return "SSE2";
    case LoopKind::kAvx2: return "AVX2";
  }
  return "?";
}

void CTransferPasses::UseLoops(LoopKind kind) {
  if (Available(kind)) m_loops = kind;
}

CTransferPasses::CTransferPasses(const DerivedSettings& settings, const VTetra::FloatLattice& forward,
                                 const VTetra::ByteLattice& backward, const EngineConstants& constants)
    : m_settings(settings),
      m_backward(backward),
      m_constants(constants),
      m_forwardKernel(forward, EngineConstants::kByteToUnit),
      m_backwardKernel(backward),
      m_loops(FastestLoops()) {
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

bool CTransferPasses::Allocate(int sourceWidth, int sourceHeight, int templateWidth, int templateHeight,
                               int workers) {
  // Template planes first, then the source's, as the statistics need them.
  if (!m_template.Allocate(templateWidth, templateHeight) || !m_source.Allocate(sourceWidth, sourceHeight)) {
    Free();
    return false;
  }
  const std::size_t sourceRows = static_cast<std::size_t>(sourceHeight);
  const std::size_t templateRows = static_cast<std::size_t>(templateHeight);
  const std::size_t caches = static_cast<std::size_t>(workers < 1 ? 1 : workers);
  if (!Resize(m_sourceRowSums, sourceRows * kSumsPerRow) ||
      !Resize(m_templateRowSums, templateRows * kSumsPerRow) ||
      !Resize(m_templateByteSums, templateRows * 3) || !Resize(m_outputRowSums, sourceRows * 3) ||
      !Resize(m_lookupCache, caches << kLookupCacheBits)) {
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
  float* l = planes.Row(0, y);
  float* alpha = planes.Row(1, y);
  float* beta = planes.Row(2, y);
  const int width = planes.Width();
  switch (m_loops) {
    case LoopKind::kAvx2:
      ForwardPixelsAvx2(m_forwardKernel, row, bytesPerPixel, width, l, alpha, beta, sums, byteSums);
      break;
    case LoopKind::kSse2:
      ForwardPixelsSse2(m_forwardKernel, row, bytesPerPixel, width, l, alpha, beta, sums, byteSums);
      break;
    case LoopKind::kPlain:
      ForwardPixels(m_forwardKernel, row, bytesPerPixel, width, l, alpha, beta, sums, byteSums);
      break;
  }
}

void CTransferPasses::Decorrelate(CWorkerThreads* workers) {
  const bool decorrelate = m_settings.mode != 1;
  DecorrelateImage(m_template, m_templateRowSums, decorrelate, workers, m_templateStats);
  DecorrelateImage(m_source, m_sourceRowSums, decorrelate, workers, m_sourceStats);
}

void CTransferPasses::OutputRow(int y, const std::uint8_t* sourceRow, std::uint8_t* destinationRow,
                                int bytesPerPixel, int worker) {
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
  d.lookupCache = m_lookupCache.data() + (static_cast<std::size_t>(worker) << kLookupCacheBits);
  d.l = m_source.Row(0, y);
  d.alpha = m_source.Row(1, y);
  d.beta = m_source.Row(2, y);
  d.width = m_source.Width();
  d.source = sourceRow;
  d.destination = destinationRow;

  const int mode = m_settings.mode;
  switch (m_loops) {
    case LoopKind::kAvx2: OutputPixelsAvx2(d, mode, bytesPerPixel); break;
    case LoopKind::kSse2: OutputPixelsSse2(d, mode, bytesPerPixel); break;
    case LoopKind::kPlain: OutputPixelsPlain(d, mode, bytesPerPixel); break;
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
  AddRowSums(m_outputRowSums, m_source.Height(), 3, 3, out);
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
