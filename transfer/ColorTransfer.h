#pragma once
// The transfer engine: repaints a source image in the colours of a template.
//
// Both images go through a float lattice into the decorrelated logarithmic
// l, alpha, beta space; each image's channels are decorrelated (alpha and beta
// regressed on l, then beta on alpha); the source's means and spreads are moved
// onto the template's, the template's correlations are put back, and the
// result goes back to RGB through two byte-lattice lookups one l level apart,
// blended by distance, then faded with the source pixel.
//
// Apply keeps no state between calls but the lattices and the colour
// table's blocks, kept for the next call (a dialog repaints again on every
// change of a setting, and fresh memory costs a page fault per page);
// planes and statistics live for one call.  One call at a time per object.  The
// arithmetic lives in TransferPasses.h; this class walks the rows, reports
// progress and handles refusal, memory shortage and abort.
//
// Each pass's rows are shared out in bands to as many threads as the
// processor has (CWorkerThreads), the calling thread among them; progress is
// reported and cancellation heard on the calling thread only, between
// bands.  The bytes are the same with any number of threads.

#include <memory>

#include "transfer/ColourTable.h"
#include "transfer/ColourTableUse.h"
#include "transfer/TemplateFigures.h"

class CImageBuffer;
class CProgress;

// Wall-clock seconds of the steps of one Apply, for tools that report them.
struct TransferPassTimes {
  double lattices = 0;      // lattices, tables and working storage
  double sourcePass = 0;    // the source into l, alpha, beta
  double templatePass = 0;  // the template likewise
  double statistics = 0;    // decorrelation and statistics
  double outputPass = 0;    // the output rows
  int threads = 0;          // threads that ran the passes
  const char* loops = "";   // the pixel loops that ran: "plain", "SSE2", "AVX2"
  bool colourTable = false; // the source kept per colour instead of in planes
};

// The times of the last Apply in this process that got as far as its passes
// (from any thread).
TransferPassTimes LastTransferPassTimes();

class CColorTransfer {
 public:
  CColorTransfer();
  ~CColorTransfer();
  // Answers 0 when the pass completed or was refused with a message, -6 when
  // the progress object asked to stop (the destination is then a copy of the
  // source).  `destination` must have the source's format and at least its
  // size; `templateImage` must be keFormatBGR.  Row failures and a mismatched
  // destination or template are raised as CJException.  The destination
  // may share the source's storage (the result then replaces the source;
  // after an abort it holds neither picture whole).  Before the output pass
  // the destination's rows may hold working numbers (ColourTable.h).
  int Apply(CProgress& progress, CImageBuffer& destination, const CImageBuffer& source,
            const CImageBuffer& templateImage, int brightness, int colourIntensity, int fade, int mode);

  // Takes what a run in `mode` needs of the template (keFormatBGR), for
  // repainting several sources with it: 0 with `figures` ready (not ready
  // when memory ran out, which was shown), -6 when the progress object
  // asked to stop.
  int AnalyseTemplate(CProgress& progress, const CImageBuffer& templateImage, int mode, TemplateFigures* figures);
  // Apply with the template's figures in place of its picture: the same
  // bytes, without the template's pass.  Figures that do not serve `mode`
  // are raised as CJException.
  int Apply(CProgress& progress, CImageBuffer& destination, const CImageBuffer& source,
            const TemplateFigures& templateFigures, int brightness, int colourIntensity, int fade, int mode);

  // Shows a matrix picture instead of repainting: the destination's pixels
  // over the source's size are inverted, and the matrix picture is copied
  // over its top-left corner.  Only a keFormatBGR destination is drawn, and
  // everything is clipped to it.  Always 0.
  int ShowMatrix(CImageBuffer& destination, const CImageBuffer& source, const CImageBuffer& matrixPicture);

  // Threads for the passes: 0 (the default) as many as the processor has
  // (one for small pictures), otherwise this many.  Buffers that convert
  // their rows for access are always done on one thread.
  void SetThreads(int threads);

  // Whether the source is kept per colour instead of in float planes
  // (transfer/ColourTable.h): by default when its colours are few enough.
  // The bytes are the same either way.
  void UseColourTable(transfer_detail::ColourTableUse use);

 private:
  // Apply with a template picture or with its figures (exactly one given).
  int Run(CProgress& progress, CImageBuffer& destination, const CImageBuffer& source,
          const CImageBuffer* templateImage, const TemplateFigures* templateFigures, int brightness,
          int colourIntensity, int fade, int mode);
  int ThreadsFor(const CImageBuffer& source, const CImageBuffer* templateImage,
                 const CImageBuffer& destination) const;

  struct Lattices;
  const Lattices& TheLattices();

  std::unique_ptr<Lattices> m_lattices;
  int m_threads = 0;
  transfer_detail::ColourTableUse m_colourTable = transfer_detail::ColourTableUse::kWhenItPays;
  transfer_detail::CColourTable m_tableStorage;
};
