#include "transfer/ColorTransfer.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "image/ImageBuffer.h"
#include "image/Status.h"
#include "platform/Beep.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "resources/ProductInfo.h"
#include "transfer/ColorLattice.h"
#include "transfer/ColorTransforms.h"
#include "transfer/Progress.h"
#include "transfer/RowBands.h"
#include "transfer/TransferPasses.h"
#include "transfer/WorkerThreads.h"

using transfer_detail::BandRows;
using transfer_detail::CTransferPasses;
using transfer_detail::CWorkerThreads;
using transfer_detail::RunRowBands;
using transfer_detail::DerivedSettings;
using transfer_detail::EngineBytesPerPixel;
using transfer_detail::EngineConstants;

namespace {

constexpr int kAborted = -6;
constexpr int kLatticeSamples = 30;
// Below this many source pixels the work is done on the calling thread:
// starting helpers would cost more than they save.
constexpr std::int64_t kThreadedPixels = 1 << 16;

void ShowError(const char* text) {
  (void)platform::ShowMessage(text, TINTAVO_PRODUCT_NAME, platform::MessageBoxIcon::kError);
}

// Seconds since the last lap (or construction).
class Stopwatch {
 public:
  double Lap() {
    const double now = platform::MonotonicSeconds();
    const double lap = now - m_last;
    m_last = now;
    return lap;
  }

 private:
  double m_last = platform::MonotonicSeconds();
};

std::mutex g_timesMutex;
TransferPassTimes g_lastTimes;

void RecordTimes(const TransferPassTimes& times) {
  std::lock_guard<std::mutex> lock(g_timesMutex);
  g_lastTimes = times;
}

// One pass over `rows` rows: band(y0, y1, worker) for bands of rows (of a
// multiple of `together` rows, but for the last) on the workers, and Step
// once per finished row on this thread, counting on from `step`.  False
// when a Step asked to stop (the bands already running end first; no new
// one starts).
bool RunPass(CWorkerThreads* pool, int rows, int width, int together, CProgress& progress, std::int64_t& step,
             const std::function<void(int y0, int y1, int worker)>& band) {
  std::atomic<int> finished{0};
  int reported = 0;
  bool go = true;
  RunRowBands(
      pool, rows, (BandRows(width) + together - 1) / together * together,
      [&](int y0, int y1, int worker) {
        band(y0, y1, worker);
        finished.fetch_add(y1 - y0);
      },
      [&]() {
        const int now = finished.load();
        while (go && reported < now) {
          ++reported;
          go = progress.Step(step++) == 0;
        }
        return go;
      });
  return go;
}

// Rows y .. y + count - 1 of a buffer that hands out its stored rows, held
// together for the object's life (Holder: CRowReader or CRowWriter).
template <typename Holder, typename Buffer, typename Row>
class CHeldRows {
 public:
  static constexpr int kMost = CTransferPasses::kMostRowsTogether;
  CHeldRows(Buffer& buffer, int y, int count) {
    for (int i = 0; i < count && i < kMost; ++i) {
      m_held[i].emplace(buffer, y + i);
      m_rows[i] = m_held[i]->Row();
    }
  }
  Row* const* Rows() const { return m_rows; }

 private:
  std::optional<Holder> m_held[kMost];
  Row* m_rows[kMost] = {};
};
using CReadRows = CHeldRows<CRowReader, const CImageBuffer, const std::uint8_t>;
using CWriteRows = CHeldRows<CRowWriter, CImageBuffer, std::uint8_t>;

}  // namespace

TransferPassTimes LastTransferPassTimes() {
  std::lock_guard<std::mutex> lock(g_timesMutex);
  return g_lastTimes;
}

// The forward and backward lattices depend on nothing but the colour
// transforms: built at the first call, they serve every later one.
struct CColorTransfer::Lattices {
  RgbToLalphaBeta toLab;
  LalphaBetaToRgb toRgb;
  VTetra::FloatLattice forward{3, 3, kLatticeSamples, &toLab};
  VTetra::ByteLattice backward{3, 3, kLatticeSamples, &toRgb};
};

CColorTransfer::CColorTransfer() { m_tableStorage.KeepStorage(true); }

CColorTransfer::~CColorTransfer() = default;

const CColorTransfer::Lattices& CColorTransfer::TheLattices() {
  if (m_lattices == nullptr) m_lattices = std::make_unique<Lattices>();
  return *m_lattices;
}

void CColorTransfer::SetThreads(int threads) { m_threads = threads < 0 ? 0 : threads; }

void CColorTransfer::UseColourTable(transfer_detail::ColourTableUse use) { m_colourTable = use; }

int CColorTransfer::ThreadsFor(const CImageBuffer& source, const CImageBuffer* templateImage,
                               const CImageBuffer& destination) const {
  if (!source.RowsShareable() || (templateImage != nullptr && !templateImage->RowsShareable()) ||
      !destination.RowsShareable()) {
    return 1;
  }
  if (m_threads > 0) return m_threads;
  const std::int64_t pixels = static_cast<std::int64_t>(source.Width()) * source.Height();
  return pixels < kThreadedPixels ? 1 : CWorkerThreads::ProcessorThreads();
}

int CColorTransfer::Apply(CProgress& progress, CImageBuffer& destination, const CImageBuffer& source,
                          const CImageBuffer& templateImage, int brightness, int colourIntensity, int fade,
                          int mode) {
  return Run(progress, destination, source, &templateImage, nullptr, brightness, colourIntensity, fade, mode);
}

int CColorTransfer::Apply(CProgress& progress, CImageBuffer& destination, const CImageBuffer& source,
                          const TemplateFigures& templateFigures, int brightness, int colourIntensity, int fade,
                          int mode) {
  if (!templateFigures.Serve(mode)) RaiseError(keErrBadArgument);
  return Run(progress, destination, source, nullptr, &templateFigures, brightness, colourIntensity, fade, mode);
}

int CColorTransfer::AnalyseTemplate(CProgress& progress, const CImageBuffer& templateImage, int mode,
                                    TemplateFigures* figures) {
  *figures = TemplateFigures();
  if (templateImage.AccessFormat() != keFormatBGR) RaiseError(keErrBadArgument);
  const EngineConstants constants;
  const DerivedSettings settings(0, 0, 0, mode, constants);
  const Lattices& lattices = TheLattices();
  const VTetra::FloatLattice& forward = lattices.forward;
  const VTetra::ByteLattice& backward = lattices.backward;
  const int width = templateImage.Width();
  const int height = templateImage.Height();
  progress.SetTotal(height);
  (void)progress.Step(0);
  std::int64_t step = 0;

  CWorkerThreads workers(ThreadsFor(templateImage, &templateImage, templateImage));
  CWorkerThreads* const pool = workers.Count() > 1 ? &workers : nullptr;
  CTransferPasses passes(settings, forward, backward, constants);
  passes.UseColourTable(transfer_detail::ColourTableUse::kNever);
  if (!passes.Allocate(0, 0, width, height, workers.Count())) {
    ShowError("Fatal error: not enough memory!");
    return 0;
  }
  const bool aborted = !RunPass(pool, height, width, 1, progress, step, [&](int y0, int y1, int) {
    for (int y = y0; y < y1 && width > 0; ++y) {
      CRowReader row(templateImage, y);
      passes.TemplateRow(y, row.Row());
    }
  });
  if (!aborted) {
    passes.DecorrelateTemplate(pool);
    *figures = passes.TakeTemplateFigures();
  }
  passes.Free();
  return aborted ? kAborted : 0;
}

int CColorTransfer::Run(CProgress& progress, CImageBuffer& destination, const CImageBuffer& source,
                        const CImageBuffer* templateImage, const TemplateFigures* templateFigures, int brightness,
                        int colourIntensity, int fade, int mode) {
  TransferPassTimes times;
  Stopwatch clock;
  const EngineConstants constants;
  const DerivedSettings settings(brightness, colourIntensity, fade, mode, constants);

  const Lattices& lattices = TheLattices();
  const VTetra::FloatLattice& forward = lattices.forward;
  const VTetra::ByteLattice& backward = lattices.backward;

  const int format = source.AccessFormat();
  const int bytesPerPixel = EngineBytesPerPixel(format);
  if (bytesPerPixel == 0) {
    ShowError("wrong pixel format");
    return 0;
  }
  const int sourceWidth = source.Width();
  const int sourceHeight = source.Height();
  // With the template's figures there are no template rows to convert.
  const int templateWidth = templateImage != nullptr ? templateImage->Width() : 0;
  const int templateHeight = templateImage != nullptr ? templateImage->Height() : 0;
  // The template is read as B, G, R triples and the destination written in
  // the source's format over the source's size: anything else would read or
  // write outside the rows.
  if ((templateImage != nullptr && templateImage->AccessFormat() != keFormatBGR) ||
      destination.AccessFormat() != format || destination.Width() < sourceWidth ||
      destination.Height() < sourceHeight) {
    RaiseError(keErrBadArgument);
  }

  progress.SetTotal(static_cast<std::int64_t>(templateHeight) + 2 * static_cast<std::int64_t>(sourceHeight));
  (void)progress.Step(0);
  std::int64_t step = 0;

  const int threads = ThreadsFor(source, templateImage, destination);
  CWorkerThreads workers(threads);
  CWorkerThreads* const pool = workers.Count() > 1 ? &workers : nullptr;
  CTransferPasses passes(settings, forward, backward, constants);
  passes.UseTemplateFigures(templateFigures);
  passes.UseColourTable(m_colourTable);
  passes.UseTableStorage(&m_tableStorage);
  passes.AllowNumbersInDestination(destination.RowsShareable());
  const transfer_detail::SourceRowAccess sourceRows = [&source](int y, const std::function<void(const std::uint8_t*)>& use) {
    CRowReader row(source, y);
    use(row.Row());
  };
  (void)passes.PlanColourTable(sourceWidth, sourceHeight, bytesPerPixel, sourceRows, pool);
  if (!passes.Allocate(sourceWidth, sourceHeight, templateWidth, templateHeight, workers.Count())) {
    ShowError("Fatal error: not enough memory!");
    return 0;
  }
  passes.FillColourTable(pool);
  times.colourTable = passes.HasColourTable();
  times.threads = workers.Count();
  times.loops = CTransferPasses::LoopName(passes.Loops());
  times.lattices = clock.Lap();

  // A zero-width image has rows without pixels: they are neither fetched nor
  // computed, but still counted as steps.
  const bool numbered = passes.NumbersInDestination();
  // Rows side by side where the loops take them so: the output pass reads
  // only the numbered destination rows, the source pass the source's too.
  const int outputTogether = passes.RowsTogether();
  const int sourceTogether = source.RowsShareable() ? outputTogether : 1;
  bool aborted = !RunPass(pool, sourceHeight, sourceWidth, sourceTogether, progress, step, [&](int y0, int y1, int) {
    if (sourceWidth == 0) return;
    int y = y0;
    for (; sourceTogether > 1 && y + sourceTogether <= y1; y += sourceTogether) {
      const CReadRows in(source, y, sourceTogether);
      const CWriteRows out(destination, y, sourceTogether);
      passes.SourceRows(y, in.Rows(), bytesPerPixel, out.Rows());
    }
    for (; y < y1; ++y) {
      if (numbered) {
        CRowWriter out(destination, y);
        CRowReader in(source, y);
        passes.SourceRow(y, in.Row(), bytesPerPixel, out.Row());
      } else {
        CRowReader row(source, y);
        passes.SourceRow(y, row.Row(), bytesPerPixel);
      }
    }
  });
  times.sourcePass = clock.Lap();
  aborted = aborted || !RunPass(pool, templateHeight, templateWidth, 1, progress, step, [&](int y0, int y1, int) {
    for (int y = y0; y < y1 && templateWidth > 0; ++y) {
      CRowReader row(*templateImage, y);
      passes.TemplateRow(y, row.Row());
    }
  });
  times.templatePass = clock.Lap();
  if (!aborted) {
    const transfer_detail::SourceRowAccess destinationRows =
        [&destination](int y, const std::function<void(const std::uint8_t*)>& use) {
          CRowReader row(destination, y);
          use(row.Row());
        };
    passes.Decorrelate(pool, numbered ? destinationRows : sourceRows);
    (void)progress.Step(step);
    times.statistics = clock.Lap();
    const auto outputBand = [&](int y0, int y1, int worker) {
      if (sourceWidth == 0) return;
      int y = y0;
      for (; outputTogether > 1 && y + outputTogether <= y1; y += outputTogether) {
        const CWriteRows out(destination, y, outputTogether);
        passes.OutputRows(y, out.Rows(), bytesPerPixel);
      }
      for (; y < y1; ++y) {
        CRowWriter out(destination, y);
        CRowReader in(source, y);
        passes.OutputRow(y, in.Row(), out.Row(), bytesPerPixel, worker);
      }
    };
    aborted = !RunPass(pool, sourceHeight, sourceWidth, outputTogether, progress, step, outputBand);
    times.outputPass = clock.Lap();
  }
  if (!aborted && settings.mode != 1 && passes.MeanColourStrays()) platform::Beep();
  passes.Free();
  RecordTimes(times);

  if (aborted) {
    destination.Copy(source).RaiseIfError();
    return kAborted;
  }
  return 0;
}
