#include "transfer/ColorTransfer.h"

#include "image/ImageBuffer.h"
#include "image/Status.h"
#include "platform/Beep.h"
#include "platform/MessageBox.h"
#include "resources/ProductInfo.h"
#include "transfer/ColorLattice.h"
#include "transfer/ColorTransforms.h"
#include "transfer/Progress.h"
#include "transfer/TransferPasses.h"

using transfer_detail::CTransferPasses;
using transfer_detail::DerivedSettings;
using transfer_detail::EngineBytesPerPixel;
using transfer_detail::EngineConstants;

namespace {

constexpr int kAborted = -6;
constexpr int kLatticeSamples = 30;

void ShowError(const char* text) {
  (void)platform::ShowMessage(text, TINTAVO_PRODUCT_NAME, platform::MessageBoxIcon::kError);
}

}  // namespace

int CColorTransfer::Apply(CProgress& progress, CImageBuffer& destination, const CImageBuffer& source,
                          const CImageBuffer& templateImage, int brightness, int colourIntensity, int fade,
                          int mode) {
  const EngineConstants constants;
  const DerivedSettings settings(brightness, colourIntensity, fade, mode, constants);

  RgbToLalphaBeta toLab;
  LalphaBetaToRgb toRgb;
  const VTetra::FloatLattice forward(3, 3, kLatticeSamples, &toLab);
  const VTetra::ByteLattice backward(3, 3, kLatticeSamples, &toRgb);

  const int format = source.AccessFormat();
  const int bytesPerPixel = EngineBytesPerPixel(format);
  if (bytesPerPixel == 0) {
    ShowError("wrong pixel format");
    return 0;
  }
  const int sourceWidth = source.Width();
  const int sourceHeight = source.Height();
  const int templateWidth = templateImage.Width();
  const int templateHeight = templateImage.Height();
  // The template is read as B, G, R triples and the destination written in
  // the source's format over the source's size: anything else would read or
  // write outside the rows.
  if (templateImage.AccessFormat() != keFormatBGR || destination.AccessFormat() != format ||
      destination.Width() < sourceWidth || destination.Height() < sourceHeight) {
    RaiseError(keErrBadArgument);
  }

  progress.SetTotal(static_cast<std::int64_t>(templateHeight) + 2 * static_cast<std::int64_t>(sourceHeight));
  (void)progress.Step(0);
  std::int64_t step = 0;

  CTransferPasses passes(settings, forward, backward, constants);
  if (!passes.Allocate(sourceWidth, sourceHeight, templateWidth, templateHeight)) {
    ShowError("Fatal error: not enough memory!");
    return 0;
  }

  bool aborted = false;
  // A zero-width image has rows without pixels: they are neither fetched nor
  // computed, but still counted as steps.
  for (int y = 0; y < sourceHeight && !aborted; ++y) {
    if (sourceWidth > 0) {
      CRowReader row(source, y);
      passes.SourceRow(y, row.Row(), bytesPerPixel);
    }
    aborted = progress.Step(step++) != 0;
  }
  for (int y = 0; y < templateHeight && !aborted; ++y) {
    if (templateWidth > 0) {
      CRowReader row(templateImage, y);
      passes.TemplateRow(y, row.Row());
    }
    aborted = progress.Step(step++) != 0;
  }
  if (!aborted) {
    passes.Decorrelate();
    (void)progress.Step(step);
    for (int y = 0; y < sourceHeight && !aborted; ++y) {
      if (sourceWidth > 0) {
        CRowWriter out(destination, y);
        CRowReader in(source, y);
        passes.OutputRow(y, in.Row(), out.Row(), bytesPerPixel);
      }
      aborted = progress.Step(step++) != 0;
    }
  }
  if (!aborted && settings.mode != 1 && passes.MeanColourStrays()) platform::Beep();
  passes.Free();

  if (aborted) {
    destination.Copy(source).RaiseIfError();
    return kAborted;
  }
  return 0;
}
