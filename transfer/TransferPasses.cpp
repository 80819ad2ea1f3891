#include "transfer/TransferPasses.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/Cpu.h"
#include "transfer/ColourTablePasses.h"
#include "transfer/ForwardPixels.h"
#include "transfer/OutputPixels.h"
#include "transfer/RowBands.h"
#include "transfer/TemplateFigures.h"
#include "transfer/TransferStatistics.h"
#include "transfer/WorkerThreads.h"

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
      return HaveAvx2ForwardPixels() && HaveAvx2OutputPixels() && HaveAvx2TableSums() && platform::CpuHasAvx2();
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

bool CTransferPasses::PlanColourTable(int sourceWidth, int sourceHeight, int bytesPerPixel,
                                      const SourceRowAccess& rows, CWorkerThreads* workers) {
  m_useTable = false;
  m_numbered = false;
  m_table->Reset();
  if (m_tableUse == ColourTableUse::kNever || sourceWidth <= 0 || sourceHeight <= 0) return false;
  const int threads = workers != nullptr ? workers->Count() : 1;
  if (!m_table->StartMarking(threads)) return false;
  RunRowBands(workers, sourceHeight, BandRows(sourceWidth), [&](int y0, int y1, int worker) {
    for (int y = y0; y < y1; ++y) {
      rows(y, [&](const std::uint8_t* row) { m_table->MarkRow(row, bytesPerPixel, sourceWidth, worker); });
    }
  });
  const double colours = static_cast<double>(m_table->FinishMarking());
  // The table pays when it takes at most a quarter of the planes' memory:
  // then it also saves most of the per-pixel lattice work.
  const double planeBytes = 3.0 * sizeof(float) * sourceWidth * static_cast<double>(sourceHeight);
  m_useTable = colours >= 0 && (m_tableUse == ColourTableUse::kAlways ||
                                colours * static_cast<double>(CColourTable::ColourBytes()) <= planeBytes / 4);
  if (!m_useTable) m_table->Reset();
  m_tableBytesPerPixel = bytesPerPixel;
  m_numbered = m_useTable && m_allowNumbers && bytesPerPixel != 1;
  return m_useTable;
}

bool CTransferPasses::Allocate(int sourceWidth, int sourceHeight, int templateWidth, int templateHeight,
                               int workers) {
  m_sourceWidth = sourceWidth;
  m_sourceHeight = sourceHeight;
  // Template planes first, then the source's, as the statistics need them.
  // With a colour table the source has no planes.
  const bool planes = !m_useTable;
  if (m_templateFigures != nullptr) templateWidth = templateHeight = 0;
  if (!m_template.Allocate(templateWidth, templateHeight) ||
      !m_source.Allocate(planes ? sourceWidth : 0, planes ? sourceHeight : 0) || (m_useTable && !m_table->Allocate())) {
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
  m_table->Reset();
  m_useTable = false;
  m_numbered = false;
}

void CTransferPasses::FillColourTable(CWorkerThreads* workers) {
  if (!m_useTable) return;
  // The colours in runs of kRun, each run converted as a row of B, G, R
  // pixels.
  constexpr int kRun = 64;
  const int colours = m_table->ColourCount();
  RunRowBands(workers, (colours + kRun - 1) / kRun, 64, [&](int firstRun, int endRun, int /*worker*/) {
    float l[kRun], alpha[kRun], beta[kRun];
    double sums[kForwardSlots];
    for (int run = firstRun; run < endRun; ++run) {
      const int first = run * kRun;
      const int count = std::min(kRun, colours - first);
      Forward(m_table->Colours() + 3 * static_cast<std::size_t>(first), 3, count, l, alpha, beta, sums, nullptr);
      CColourTable::Lab* labs = m_table->Labs() + first;
      for (int i = 0; i < count; ++i) {
        labs[i].value[CColourTable::kL] = l[i];
        labs[i].value[CColourTable::kAlpha] = alpha[i];
        labs[i].value[CColourTable::kBeta] = beta[i];
        labs[i].value[3] = 0.0f;
      }
    }
  });
}

void CTransferPasses::SourceRow(int y, const std::uint8_t* row, int bytesPerPixel, std::uint8_t* destinationRow) {
  if (m_useTable) {
    double* sums = &m_sourceRowSums[static_cast<std::size_t>(y) * kSumsPerRow];
    std::uint8_t* numbers = m_numbered ? destinationRow : nullptr;
    if (m_loops == LoopKind::kAvx2) {
      TableForwardSumsAvx2(*m_table, row, bytesPerPixel, m_sourceWidth, sums, numbers);
    } else {
      TableForwardSums(*m_table, row, bytesPerPixel, m_sourceWidth, sums, numbers);
    }
    return;
  }
  ConvertRow(row, bytesPerPixel, m_source, y, &m_sourceRowSums[static_cast<std::size_t>(y) * kSumsPerRow], nullptr);
}

static_assert(kVectorRows <= CTransferPasses::kMostRowsTogether, "the groups callers hold");

int CTransferPasses::RowsTogether() const {
  return m_useTable && m_numbered && m_loops == LoopKind::kAvx2 ? kVectorRows : 1;
}

void CTransferPasses::SourceRows(int y, const std::uint8_t* const* rows, int bytesPerPixel,
                                 std::uint8_t* const* destinationRows) {
  double* sums[kVectorRows];
  for (int r = 0; r < kVectorRows; ++r) sums[r] = &m_sourceRowSums[static_cast<std::size_t>(y + r) * kSumsPerRow];
  TableForwardSumsRowsAvx2(*m_table, rows, bytesPerPixel, m_sourceWidth, sums, destinationRows);
}

void CTransferPasses::TemplateRow(int y, const std::uint8_t* row) {
  ConvertRow(row, 3, m_template, y, &m_templateRowSums[static_cast<std::size_t>(y) * kSumsPerRow],
             &m_templateByteSums[static_cast<std::size_t>(y) * 3]);
}

void CTransferPasses::ConvertRow(const std::uint8_t* row, int bytesPerPixel, CPlanes& planes, int y, double* sums,
                                 std::uint64_t* byteSums) {
  Forward(row, bytesPerPixel, planes.Width(), planes.Row(0, y), planes.Row(1, y), planes.Row(2, y), sums, byteSums);
}

void CTransferPasses::Forward(const std::uint8_t* row, int bytesPerPixel, int width, float* l, float* alpha,
                              float* beta, double* sums, std::uint64_t* byteSums) const {
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

void CTransferPasses::DecorrelateTemplate(CWorkerThreads* workers) {
  if (m_templateFigures != nullptr) {
    const TemplateFigures& f = *m_templateFigures;
    m_templateStats = f.statistics;
    for (int i = 0; i < 3; ++i) m_templateByteTotals[i] = f.byteTotals[i];
    m_templatePixels = static_cast<double>(f.width) * static_cast<double>(f.height);
    return;
  }
  DecorrelateImage(m_template, m_templateRowSums, m_settings.mode != 1, workers, m_templateStats);
  for (std::uint64_t& total : m_templateByteTotals) total = 0;
  for (int y = 0; y < m_template.Height(); ++y) {
    for (int i = 0; i < 3; ++i) m_templateByteTotals[i] += m_templateByteSums[static_cast<std::size_t>(y) * 3 + i];
  }
  m_templatePixels = static_cast<double>(m_template.Width()) * static_cast<double>(m_template.Height());
}

TemplateFigures CTransferPasses::TakeTemplateFigures() const {
  TemplateFigures f;
  f.ready = true;
  f.decorrelated = m_settings.mode != 1;
  f.statistics = m_templateStats;
  for (int i = 0; i < 3; ++i) f.byteTotals[i] = m_templateByteTotals[i];
  f.width = m_template.Width();
  f.height = m_template.Height();
  return f;
}

void CTransferPasses::Decorrelate(CWorkerThreads* workers, const SourceRowAccess& rows) {
  const bool decorrelate = m_settings.mode != 1;
  DecorrelateTemplate(workers);
  if (!m_useTable) {
    DecorrelateImage(m_source, m_sourceRowSums, decorrelate, workers, m_sourceStats);
    return;
  }
  CTableStatistics passes(*m_table, rows, m_sourceWidth, m_sourceHeight,
                          m_tableBytesPerPixel | (m_numbered ? kNumberedRows : 0), m_sourceRowSums, workers,
                          m_loops == LoopKind::kAvx2);
  DecorrelateWith(passes, m_sourceWidth, m_sourceHeight, m_sourceRowSums, decorrelate, m_sourceStats);
  BuildOutputTable(workers);
}

// Every colour of the table through the output loop, in runs of kRun as
// rows of B, G, R pixels; each keeps its blended R, G, B and faded bytes.
void CTransferPasses::BuildOutputTable(CWorkerThreads* workers) {
  constexpr int kRun = 64;
  const int colours = m_table->ColourCount();
  RunRowBands(workers, (colours + kRun - 1) / kRun, 64, [&](int firstRun, int endRun, int worker) {
    float l[kRun], alpha[kRun], beta[kRun];
    std::uint8_t faded[3 * kRun];
    double blended[3 * kRun];
    OutputRowData d{};
    FillOutputData(d, worker);
    d.l = l;
    d.alpha = alpha;
    d.beta = beta;
    d.destination = faded;
    d.blended = blended;
    for (int run = firstRun; run < endRun; ++run) {
      const int first = run * kRun;
      const int count = std::min(kRun, colours - first);
      const CColourTable::Lab* labs = m_table->Labs() + first;
      for (int i = 0; i < count; ++i) {
        l[i] = labs[i].value[CColourTable::kL];
        alpha[i] = labs[i].value[CColourTable::kAlpha];
        beta[i] = labs[i].value[CColourTable::kBeta];
      }
      d.width = count;
      d.source = m_table->Colours() + 3 * static_cast<std::size_t>(first);
      switch (m_loops) {
        case LoopKind::kAvx2: OutputPixelsAvx2(d, m_settings.mode, 3); break;
        case LoopKind::kSse2: OutputPixelsSse2(d, m_settings.mode, 3); break;
        case LoopKind::kPlain: OutputPixelsPlain(d, m_settings.mode, 3); break;
      }
      CColourTable::OutputEntry* outputs = m_table->Outputs() + first;
      for (int i = 0; i < count; ++i) {
        for (int c = 0; c < 3; ++c) {
          outputs[i].blended[c] = blended[3 * i + c];
          outputs[i].bgr[c] = faded[3 * i + c];
        }
        outputs[i].bgr[3] = 0;
        for (std::uint8_t& unused : outputs[i].unused) unused = 0;
      }
    }
  });
}

void CTransferPasses::OutputRow(int y, const std::uint8_t* sourceRow, std::uint8_t* destinationRow,
                                int bytesPerPixel, int worker) {
  if (m_useTable) {
    TableOutputRow(*m_table, sourceRow, destinationRow, bytesPerPixel, m_numbered, m_sourceWidth,
                   &m_outputRowSums[static_cast<std::size_t>(y) * 3]);
    return;
  }
  OutputRowData d{};
  FillOutputData(d, worker);
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

void CTransferPasses::FillOutputData(OutputRowData& d, int worker) {
  using C = EngineConstants;
  const ImageStatistics& s = m_sourceStats;
  const ImageStatistics& t = m_templateStats;
  // Everything the loop reads besides the planes, pixels and tables goes into
  // one local record: the destination is written through a byte pointer,
  // which could alias any member, so members would be read again after each
  // store.
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
}

void CTransferPasses::OutputRows(int y, std::uint8_t* const* destinationRows, int bytesPerPixel) {
  double* sums[kVectorRows];
  for (int r = 0; r < kVectorRows; ++r) sums[r] = &m_outputRowSums[static_cast<std::size_t>(y + r) * 3];
  TableOutputRowsAvx2(*m_table, destinationRows, bytesPerPixel, m_sourceWidth, sums);
}

bool CTransferPasses::MeanColourStrays() const {
  const double ns = static_cast<double>(m_sourceWidth) * static_cast<double>(m_sourceHeight);
  const double nt = m_templatePixels;
  if (ns == 0.0 || nt == 0.0) return false;
  double out[3];
  AddRowSums(m_outputRowSums, m_sourceHeight, 3, 3, out);
  const std::uint64_t* bytes = m_templateByteTotals;
  double distance = 0.0, templateTotal = 0.0;
  for (int i = 0; i < 3; ++i) {
    const double templateMean = static_cast<double>(bytes[i]) / nt;
    distance += std::fabs(out[i] / ns - templateMean);
    templateTotal += templateMean;
  }
  return distance > templateTotal;
}

}  // namespace transfer_detail
