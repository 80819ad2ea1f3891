#include "tools/tintavo/RepaintJob.h"

#include <cstdio>
#include <thread>
#include <vector>

#include "commands/HueloomParams.h"
#include "commands/MaskedComposite.h"
#include "commands/RunAndWait.h"
#include "host/HostExchange.h"
#include "imagefiles/FileType.h"
#include "imagefiles/MetadataForOutput.h"
#include "imagefiles/PhotoLoader.h"
#include "resources/ProductInfo.h"
#include "tools/tintavo/AlphaPlane.h"
#include "tools/tintavo/Cli.h"
#include "tools/tintavo/InputFile.h"
#include "tools/tintavo/OutputFile.h"
#include "tools/tintavo/PictureChecks.h"
#include "tools/tintavo/Reporter.h"
#include "tools/tintavo/ToolCommand.h"
#include "transfer/ColorTransfer.h"
#include "transfer/Progress.h"

namespace {

// More than this share of newly clipped pixels is worth a warning.
constexpr double kClippingWarning = 0.05;
// The longest side the engine takes.
constexpr int kMaxSide = 32767;

std::string NameOf(const std::string& path) { return path == "-" ? std::string("standard input") : path; }

// Reads and decodes a picture file (or standard input), upright.  False with
// a sentence naming it.
bool LoadUpright(const std::string& path, const PhotoLoadOptions& options, LoadedPhoto* photo, std::string* error) {
  std::vector<std::uint8_t> bytes;
  std::string reason;
  if (!ReadInput(path, &bytes, &reason)) {
    *error = NameOf(path) + ": " + reason;
    return false;
  }
  if (bytes.empty()) {
    *error = NameOf(path) + ": the file is empty";
    return false;
  }
  PictureError decodeError;
  if (!LoadPhoto(bytes, path == "-" ? std::string() : path, options, photo, &decodeError)) {
    *error = NameOf(path) + ": " + PlainReason(decodeError.text);
    return false;
  }
  if (!photo->damage.empty()) {
    Reporter::Get().Warning(NameOf(path) + " is damaged or truncated: " + photo->damage);
  }
  return true;
}

bool IsMatrixFile(const std::string& path) { return LowerCaseAscii(ExtensionOf(path)) == "img"; }

// Progress of one picture: decoding takes the first tenth, the run up to
// nine tenths, the encoding the rest.
void ShowStep(const RepaintJob& job, int percent, const std::string& what) {
  if (job.showProgress) Reporter::Get().Progress(percent, what);
}

}  // namespace

PictureFormat FormatForSourceType(int type) {
  switch (type) {
    case keFileTypeJPEG: return PictureFormat::kJpeg;
    case keFileTypeTIFF: return PictureFormat::kTiff;
    case keFileTypeBMP: return PictureFormat::kBmp;
    default: return PictureFormat::kPng;
  }
}

bool PrepareTemplate(const std::string& path, int mode, TemplateForRun* prepared, std::string* error) {
  prepared->path = path;
  prepared->picture.Clear();
  prepared->figures = TemplateFigures();
  if (IsMatrixFile(path)) return true;
  LoadedPhoto photo;
  if (!LoadUpright(path, PhotoLoadOptions(), &photo, error)) return false;
  prepared->picture = std::move(photo.pixels);
  // Without figures (no memory for the analysis) each run converts the
  // template itself.
  CProgress progress;
  (void)CColorTransfer().AnalyseTemplate(progress, prepared->picture, mode, &prepared->figures);
  return true;
}

bool PrepareMask(const std::string& path, MaskForRun* prepared, std::string* error) {
  prepared->path = path;
  prepared->grey.Clear();
  if (path.empty()) return true;
  LoadedPhoto photo;
  if (!LoadUpright(path, PhotoLoadOptions(), &photo, error)) return false;
  if (HasColour(photo.pixels)) {
    Reporter::Get().Warning(NameOf(path) + " is in colour: the mask uses its grey value");
  }
  GreyOf(photo.pixels, &prepared->grey).RaiseIfError();
  return true;
}

bool RunRepaintJob(const RepaintJob& job, std::string* error) {
  const ApplyOptions& options = *job.options;
  const std::string source = NameOf(job.source);
  ShowStep(job, 0, "decoding " + source);

  // ---- the source, upright, its transparency and metadata kept -------------
  PhotoLoadOptions loadOptions;
  loadOptions.keepAlpha = true;
  loadOptions.readMetadata = !options.strip;
  // A template being prepared meanwhile is waited for before any answer: its
  // failure is the one reported.
  auto sourceFailed = [&job, error]() {
    std::string templateError;
    if (job.awaitTemplate && !job.awaitTemplate(&templateError)) *error = templateError;
    return false;
  };
  LoadedPhoto photo;
  if (!LoadUpright(job.source, loadOptions, &photo, error)) return sourceFailed();
  if (photo.pixels.Width() > kMaxSide || photo.pixels.Height() > kMaxSide) {
    *error = source + ": pictures wider or higher than 32767 pixels are not supported";
    return sourceFailed();
  }
  const PictureFormat format = job.format != PictureFormat::kUnknown ? job.format : FormatForSourceType(photo.type);
  const bool keepAlpha = format == PictureFormat::kPng || format == PictureFormat::kTiff;
  CImageBuffer picture;
  std::vector<std::uint8_t> alpha;
  if (photo.pixels.AccessFormat() == keFormatBGRA) {
    SplitAlpha(photo.pixels, &picture, &alpha).RaiseIfError();
    photo.pixels.Clear();
    if (!keepAlpha) alpha.clear();
  } else {
    picture = std::move(photo.pixels);
  }
  if (job.times != nullptr) job.times->Mark("decode source");
  if (job.awaitTemplate && !job.awaitTemplate(error)) return false;

  // ---- with a mask, the work is its bounding rectangle ----------------------
  CImageBuffer work, workMask;
  const bool masked = job.mask != nullptr && !job.mask->grey.IsEmpty();
  if (masked) {
    const CImageBuffer& mask = job.mask->grey;
    if (mask.Width() != picture.Width() || mask.Height() != picture.Height()) {
      *error = job.mask->path + ": the mask is " + std::to_string(mask.Width()) + " x " +
               std::to_string(mask.Height()) + ", the source " + source + " " + std::to_string(picture.Width()) +
               " x " + std::to_string(picture.Height());
      return false;
    }
    CImageBuffer maskShare;
    maskShare.Share(mask).RaiseIfError();
    const ImageRect bounds = CHostExchange::MaskBounds(maskShare);
    if (bounds.right <= bounds.left || bounds.bottom <= bounds.top) {
      *error = job.mask->path + ": the mask selects nothing (it is black everywhere)";
      return false;
    }
    work.View(picture, bounds.left, bounds.top, bounds.right, bounds.bottom).RaiseIfError();
    workMask.View(maskShare, bounds.left, bounds.top, bounds.right, bounds.bottom).RaiseIfError();
  } else {
    work.Share(picture).RaiseIfError();
  }

  // ---- the run --------------------------------------------------------------
  ToolCommand command;
  command.SetTemplatePicture(job.templ->picture, &job.templ->figures);
  command.SetEngineThreads(job.engineThreads);
  CParamSet& params = command.Params();
  params.GetByIndex(keParamRadius)->SetInt(options.brightness);
  params.GetByIndex(keParamColor)->SetInt(options.color);
  params.GetByIndex(keParamBlend)->SetInt(options.fade);
  params.GetByIndex(keParamAlternativeMode)->SetInt(options.mode);
  params.GetByIndex(keParamFilename)->SetText(job.templ->path);
  // The clipping warning compares the result with the source, which the
  // run may overwrite: the source's extremes are recorded first.
  // They and the clipping check share the cores as the engine does.
  const int checkThreads =
      job.engineThreads > 0 ? job.engineThreads : static_cast<int>(std::thread::hardware_concurrency());
  CSourceExtremes extremes;
  if (!job.templ->picture.IsEmpty()) extremes.Record(work, checkThreads);
  if (job.times != nullptr) job.times->Mark("record extremes");
  command.Input().Share(work).RaiseIfError();
  command.Mask().Clear();
  // Without a mask the source is not needed after the run: the result is
  // written over it instead of over a copy.
  command.SetOutputOverInput(!masked);
  const bool done = StartAndWait(command, [&job, &source](int percent) {
    ShowStep(job, 10 + percent * 8 / 10, "repainting " + source);
  });
  command.Input().Clear();
  if (!done || !command.RunMessages().empty()) {
    *error = command.RunMessages().empty() ? source + ": the run was stopped or failed"
                                           : source + ": " + command.RunMessages().front();
    return false;
  }
  CImageBuffer result = std::move(command.Output());
  if (job.times != nullptr) {
    const TransferPassTimes passes = LastTransferPassTimes();
    const double run = job.times->Mark("run");
    const double engine =
        passes.lattices + passes.sourcePass + passes.templatePass + passes.statistics + passes.outputPass;
    job.times->Add("start", run - engine, 1);
    job.times->Add(std::string("transfer (") + std::to_string(passes.threads) + " threads, " + passes.loops + ")",
                   engine, 1);
    job.times->Add("lattices, tables", passes.lattices, 2);
    job.times->Add("source pass", passes.sourcePass, 2);
    job.times->Add("template pass", passes.templatePass, 2);
    job.times->Add("statistics", passes.statistics, 2);
    job.times->Add("output pass", passes.outputPass, 2);
  }

  // ---- what the user should know about the result ----------------------------
  if (!job.templ->picture.IsEmpty()) {
    const double clipped = extremes.ClippedShare(result, checkThreads);
    if (clipped > kClippingWarning) {
      Reporter::Get().Warning(source + ": " + std::to_string(static_cast<int>(clipped * 100 + 0.5)) +
                              " % of the pixels are clipped; a lower Color intensity (--color) keeps more detail");
    }
    if (command.MeanColourStrayed()) {
      Reporter::Get().Note(source + ": the result's mean colour is far from the template's");
    }
  }

  if (job.times != nullptr) job.times->Mark("clipping check");

  if (masked) {
    CImageBuffer mixed;
    MaskedComposite(work, result, workMask, &mixed).RaiseIfError();
    CImageBuffer::CopyPixels(work, mixed).RaiseIfError();
    result.Clear();
    result.Share(picture).RaiseIfError();
  }
  work.Clear();
  if (job.times != nullptr) job.times->Mark("mask mix");

  // ---- the output -------------------------------------------------------------
  ShowStep(job, 92, "writing " + (job.output == "-" ? std::string("standard output") : job.output));
  if (!alpha.empty()) {
    CImageBuffer withAlpha;
    JoinAlpha(result, alpha, &withAlpha).RaiseIfError();
    result = std::move(withAlpha);
  }
  PictureWriteOptions write = options.write;
  write.software = std::string(TINTAVO_PRODUCT_NAME) + " " + TINTAVO_VERSION_TEXT;
  PictureMetadata metadata;
  if (!options.strip) {
    metadata = MetadataForOutput(photo.metadata, static_cast<std::uint32_t>(result.Width()),
                                 static_cast<std::uint32_t>(result.Height()), write.software);
    write.metadata = &metadata;
  } else {
    write.software.clear();
  }
  const bool written = job.output == "-" ? WritePictureToStdout(result, format, write, error)
                                         : WritePictureAtomically(result, job.output, format, write, error);
  if (!written) return false;
  if (job.times != nullptr) job.times->Mark("encode");
  ShowStep(job, 100, "done");
  return true;
}
