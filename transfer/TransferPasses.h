#pragma once
// The arithmetic of one colour transfer, pass by pass, on plain pixel rows.
//
// CColorTransfer::Apply walks the image rows and hands each one to a pass
// here; keeping the passes free of image-buffer and progress calls lets the
// tests drive them directly and lets the engine split every pass by rows
// across threads.  For that, every statistic is summed per row first (each
// row's partial sums start from zero) and the row sums are added in row order:
// the result does not depend on how rows are shared out, so the bytes are
// the same with one thread or many.  The output pass's lookup cache only
// saves work; each thread has its own.
//
// Working storage (six float planes, the per-row partial sums and the lookup
// caches) is allocated once by Allocate; the pixel loops only read tables and
// planes.
//
// The source and template passes also take the regression sums of the
// planes they write; Decorrelate then needs one pass over each image, or
// three when decorrelating (residuals, second residuals, the last spread),
// taking every other sum on the way (TransferStatistics.cpp).
//
// Files: the settings and constants (TransferSettings.cpp), the planes
// (TransferPlanes.cpp), the statistics (TransferStatistics.cpp), the
// conversion loops (ForwardPixels*.cpp), the output loops
// (OutputPixels*.cpp), and this class tying them together
// (TransferPasses.cpp).

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "transfer/ColorLattice.h"
#include "transfer/ColourTable.h"
#include "transfer/ColourTableUse.h"
#include "transfer/ForwardPixels.h"

namespace transfer_detail {

// Constants of the engine.
struct EngineConstants {
  double lMin;
  double lMax;
  double lStep;
  double lIndexScale;  // 1 / lStep
  static constexpr double kAlphaMin = -0.96169565521444;
  static constexpr double kAlphaMax = 0.86173425700628;
  static constexpr double kBetaMin = -0.20434021258462;
  static constexpr double kBetaMax = 0.20310552556917;
  static constexpr double kAlphaIndexScale = 139.84634029033802;
  static constexpr double kBetaIndexScale = 625.8502080680752;
  static constexpr double kByteToUnit = 0.00392156862745098;
  static constexpr double kSpreadThreshold = 0.001;
  static constexpr double kAlphaRatioCap = 3.0;
  static constexpr double kBetaRatioCap = 1.5;
  static constexpr double kDistanceFloor = 0.0001;
  EngineConstants();
};

// The user's settings turned into the numbers the passes use.
struct DerivedSettings {
  int mode;           // 0, 1 or 2; other values act as 0
  float fade;         // f: weight of the source pixel
  float keep;         // 1 - f: weight of the transferred colour
  double colourGain;  // k, 0..2
  double lShift;      // delta l
  DerivedSettings(int brightness, int colourIntensity, int fadePercent, int modeValue, const EngineConstants& c);
};

// Statistics of one image after decorrelation.
struct ImageStatistics {
  double pAlpha = 0, qAlpha = 0;      // alpha on l
  double pBeta = 0, qBeta = 0;        // beta on l
  double pBetaAlpha = 0, qBetaAlpha = 0;  // beta' on alpha'
  double mean[3] = {0, 0, 0};         // l, alpha, beta
  double sigma[3] = {0, 0, 0};
};

// One image's l, alpha, beta planes, width x height floats each, one after
// the other in one large block (see platform/LargeBlock.h: a source of a few
// hundred megabytes would otherwise spend more time in page faults than in
// arithmetic).
class CPlanes {
 public:
  CPlanes() = default;
  CPlanes(const CPlanes&) = delete;
  CPlanes& operator=(const CPlanes&) = delete;
  ~CPlanes() { Free(); }

  // False when memory ran out (nothing is kept then).
  bool Allocate(int width, int height);
  float* Row(int plane, int y) { return m_plane[plane] + static_cast<std::size_t>(y) * m_width; }
  const float* Row(int plane, int y) const { return m_plane[plane] + static_cast<std::size_t>(y) * m_width; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  void Free();

 private:
  void* m_block = nullptr;
  std::size_t m_blockSize = 0;
  float* m_plane[3] = {nullptr, nullptr, nullptr};
  int m_width = 0;
  int m_height = 0;
};

// Bytes per pixel of the source formats the engine handles (grey 5, BGR 7,
// BGRA 8); 0 for any other format.
int EngineBytesPerPixel(int format);

class CWorkerThreads;
struct OutputRowData;
}  // namespace transfer_detail
struct TemplateFigures;
namespace transfer_detail {

// The vector output loops' cache of backward lattice results: 1 <<
// kLookupCacheBits slots per thread, each for one triple of levels with the
// lattice there and one level below and above (see BackwardLookup_p.h); all
// zero when empty.
constexpr int kLookupCacheBits = 15;
struct LookupSlot {
  std::uint64_t keyAndHere;  // key + 1 above the R, G, B bytes at the levels
  std::uint64_t neighbours;  // R, G, B one level above (high half) and below
};

// The loops the conversion and output passes can run: the plain loops (the
// reference), SSE2 (every x86 build of this program) and AVX2 (where the
// build has it and the processor runs it).  All give the same numbers and
// bytes.
enum class LoopKind { kPlain, kSse2, kAvx2 };

class CTransferPasses {
 public:
  CTransferPasses(const DerivedSettings& settings, const VTetra::FloatLattice& forward,
                  const VTetra::ByteLattice& backward, const EngineConstants& constants);

  // Before Allocate: decides whether the source goes through a colour table
  // (by the policy given to UseColourTable), marking the colours of every
  // source row on the way when it may; false when it will not (also when
  // memory for the marks ran out).
  bool PlanColourTable(int sourceWidth, int sourceHeight, int bytesPerPixel, const SourceRowAccess& rows,
                       CWorkerThreads* workers = nullptr);
  void UseColourTable(ColourTableUse use) { m_tableUse = use; }
  // Before PlanColourTable: the colour table in `storage`, which outlives
  // these passes and keeps its blocks for the next picture (Free then only
  // resets it).
  void UseTableStorage(CColourTable* storage) { m_table = storage != nullptr ? storage : &m_ownTable; }
  bool HasColourTable() const { return m_useTable; }
  // With a colour table and 3 or 4 bytes per pixel, the source pass writes
  // each pixel's colour number into the destination row (which the output
  // pass overwrites later), and the later passes read the numbers there.
  bool NumbersInDestination() const { return m_numbered; }
  // Before PlanColourTable: false keeps the numbers out of the destination
  // (a destination that converts its rows for access could not hold them).
  void AllowNumbersInDestination(bool allow) { m_allowNumbers = allow; }

  // Before Allocate: the template's figures taken earlier (they must serve
  // this mode); the template then has no planes and no rows, and
  // Decorrelate uses the figures' statistics.  Null: the template's rows
  // are converted as usual.
  void UseTemplateFigures(const TemplateFigures* figures) { m_templateFigures = figures; }

  // The six planes (or, with a colour table, the template's planes and the
  // table), the per-row sums and one lookup cache per worker thread
  // (workers: the threads that will run the passes, 1 or more); false when
  // memory ran out.
  bool Allocate(int sourceWidth, int sourceHeight, int templateWidth, int templateHeight, int workers = 1);
  void Free();

  // With a colour table, after Allocate: the l, alpha, beta of every colour
  // in the table.
  void FillColourTable(CWorkerThreads* workers = nullptr);

  // Source row y (format 5, 7 or 8) into the source planes, or with a colour
  // table its regression sums; `destinationRow` (the destination's row y,
  // which may be the source row itself) is needed when
  // NumbersInDestination().
  void SourceRow(int y, const std::uint8_t* row, int bytesPerPixel, std::uint8_t* destinationRow = nullptr);
  // Rows the source and output passes can take side by side (RowsTogether()
  // of them; 1: one by one): with numbers in the destination and the AVX2
  // loops, four.  The rows of a group are all held at once, so a buffer
  // that converts its rows for access cannot give them.
  int RowsTogether() const;
  static constexpr int kMostRowsTogether = 4;
  // When RowsTogether() > 1: SourceRow for rows y .. y + RowsTogether() - 1,
  // rows[r] and destinationRows[r] being row y + r.
  void SourceRows(int y, const std::uint8_t* const* rows, int bytesPerPixel, std::uint8_t* const* destinationRows);
  // Template row y (B, G, R bytes) into the template planes and byte sums.
  void TemplateRow(int y, const std::uint8_t* row);
  // Decorrelates both images and takes their statistics (mode-dependent),
  // with the rows of each pass shared out to `workers` when given.  With a
  // colour table the rows are read again through `rows` (the destination
  // rows when NumbersInDestination(), else the source rows), and the output
  // of every colour is computed.
  void Decorrelate(CWorkerThreads* workers = nullptr, const SourceRowAccess& rows = {});
  // The template's part of Decorrelate alone, for a run that only takes
  // the template's figures (Allocate with a 0 x 0 source).
  void DecorrelateTemplate(CWorkerThreads* workers = nullptr);
  // After DecorrelateTemplate: what later runs need of this template.
  TemplateFigures TakeTemplateFigures() const;
  // Output row y from the source planes, the source row (for the fade) into
  // the destination row, both in the source's format; `worker` (below the
  // count given to Allocate) names the calling thread's lookup cache.  With
  // a colour table the two rows may be the same.
  void OutputRow(int y, const std::uint8_t* sourceRow, std::uint8_t* destinationRow, int bytesPerPixel,
                 int worker = 0);
  // When RowsTogether() > 1: OutputRow for the numbered destination rows
  // y .. y + RowsTogether() - 1 (the source rows are not needed: the
  // numbers stand for them).
  void OutputRows(int y, std::uint8_t* const* destinationRows, int bytesPerPixel);
  // True when the mean output colour strays too far from the template's.
  bool MeanColourStrays() const;

  // The loops this build and processor can run, plain first; the passes
  // start with the last (the fastest).  Tests run each through UseLoops.
  static std::vector<LoopKind> AvailableLoops();
  static LoopKind FastestLoops();
  static const char* LoopName(LoopKind kind);
  // A kind that is not available leaves the choice as it was.
  void UseLoops(LoopKind kind);
  LoopKind Loops() const { return m_loops; }
  // True when some vector loop is available; UseVectorLoops(false) runs the
  // plain loops, true the fastest.
  static bool HaveVectorLoops();
  void UseVectorLoops(bool use) { m_loops = use ? FastestLoops() : LoopKind::kPlain; }

  const ImageStatistics& SourceStatistics() const { return m_sourceStats; }
  const ImageStatistics& TemplateStatistics() const { return m_templateStats; }
  const CPlanes& SourcePlanes() const { return m_source; }
  const CPlanes& TemplatePlanes() const { return m_template; }
  // R, G, B sums of the blended colours, per source row.
  const std::vector<double>& OutputRowSums() const { return m_outputRowSums; }

 private:
  void ConvertRow(const std::uint8_t* row, int bytesPerPixel, CPlanes& planes, int y, double* sums,
                  std::uint64_t* byteSums);
  void Forward(const std::uint8_t* row, int bytesPerPixel, int width, float* l, float* alpha, float* beta,
               double* sums, std::uint64_t* byteSums) const;
  // The output pass's numbers and tables, for `worker`'s lookup cache.
  void FillOutputData(OutputRowData& d, int worker);
  void BuildOutputTable(CWorkerThreads* workers);

  DerivedSettings m_settings;
  const VTetra::ByteLattice& m_backward;
  EngineConstants m_constants;

  ForwardKernel m_forwardKernel;

  // Tables of the output pass, each entry computed exactly as the pixel
  // arithmetic would: the l of each index level, the l of the level below
  // ([0], not clamped) and above ([1]), the neighbour index below (clamped
  // at 0) and above (clamped at 255), and each byte value times the fade.
  VTetra::ByteKernel3 m_backwardKernel;
  double m_levelL[256];
  double m_neighbourL[2][256];
  unsigned char m_neighbour[2][256];
  double m_fadedByte[256];
  LoopKind m_loops;

  CPlanes m_source;
  CPlanes m_template;
  int m_sourceWidth = 0;
  int m_sourceHeight = 0;
  ColourTableUse m_tableUse = ColourTableUse::kWhenItPays;
  bool m_useTable = false;
  bool m_numbered = false;
  bool m_allowNumbers = true;
  int m_tableBytesPerPixel = 0;
  CColourTable m_ownTable;
  CColourTable* m_table = &m_ownTable;  // m_ownTable or the caller's (UseTableStorage)
  // Per-row partial sums, kSumsPerRow doubles per row (TransferStatistics.h).
  std::vector<double> m_sourceRowSums;
  std::vector<double> m_templateRowSums;
  std::vector<std::uint64_t> m_templateByteSums;  // R, G, B per template row
  std::vector<double> m_outputRowSums;            // R, G, B per source row
  std::vector<LookupSlot> m_lookupCache;          // per worker, see OutputRowData::lookupCache

  ImageStatistics m_sourceStats;
  ImageStatistics m_templateStats;
  // The template's R, G, B byte totals and size, for MeanColourStrays.
  std::uint64_t m_templateByteTotals[3] = {0, 0, 0};
  double m_templatePixels = 0;
  const TemplateFigures* m_templateFigures = nullptr;
};

}  // namespace transfer_detail
