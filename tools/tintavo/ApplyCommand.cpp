// tintavo apply: repaints a picture file in the colours of a template.
//
// The source takes the steps of an editor's document through the plug-in,
// without the copies that only a host and a dialog need: the picture is
// decoded straight into an image buffer; with a mask, the work is cut to the
// mask's bounding rectangle (as the host exchange cuts it) by a view that
// shares the pixels; the Hueloom command runs on its worker thread on a
// share of those pixels; the result is mixed with the source through the
// mask (as the command framework mixes it) and goes straight to the
// encoder.  The bytes are the plug-in's (the end-to-end tests compare them).

#include <cstdio>

#include "commands/Hueloom.h"
#include "commands/MaskedComposite.h"
#include "commands/RunAndWait.h"
#include "host/HostExchange.h"
#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "imagefiles/PictureWriter.h"
#include "imagefiles/TemplateLoader.h"
#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "tools/tintavo/Cli.h"
#include "tools/tintavo/OutputFile.h"
#include "tools/tintavo/ProgressBar.h"
#include "transfer/ColorTransfer.h"

namespace {

const char kHelp[] =
    "Usage: tintavo apply --template T SRC OUT [options]\n"
    "\n"
    "Repaints the picture SRC in the colours of the template picture T and\n"
    "writes the result to OUT (PNG, JPEG, TIFF or BMP, by OUT's extension).\n"
    "OUT is replaced only when the whole result has been written.  A damaged\n"
    "or cut SRC, T or M whose readable part decodes is used with a warning.\n"
    "\n"
    "Options:\n"
    "  --template T      the template picture (any type Tintavo reads)\n"
    "  --brightness N    brightness, -100 to 100 (default 0)\n"
    "  --color N         colour intensity, -100 to 100 (default 0)\n"
    "  --fade N          fade towards the source, 0 to 100 (default 0)\n"
    "  --mode M          normal, brightness (only brightness) or color (only\n"
    "                    colour); default normal\n"
    "  --mask M          a grey picture of SRC's size: only where it is not\n"
    "                    black does SRC change, in proportion to its value;\n"
    "                    the colours are measured inside its bounding box\n"
    "  --quality Q       JPEG quality, 1 to 100 (default 92)\n"
    "  --timings         print the wall time of each step to stderr: decode,\n"
    "                    the run (template and each pass of the transfer),\n"
    "                    mask mix, encode\n"
    "  -h, --help        this text\n";

struct Setting {
  const char* option;
  int index;
  int minimum, maximum;
};

const Setting kSettings[] = {
    {"--brightness", keParamRadius, -100, 100},
    {"--color", keParamColor, -100, 100},
    {"--fade", keParamBlend, 0, 100},
};

// Tells the user that a picture came from damaged or cut data; the work goes
// on with what was decoded.
void WarnIfDamaged(const std::string& path, const std::string& damage) {
  if (damage.empty()) return;
  std::fprintf(stderr, "tintavo: warning: %s is damaged or truncated: %s\n", path.c_str(), damage.c_str());
}

// The plug-in's run decodes the template itself and does not look at its
// condition; the tool decodes it once more, as the run will, to tell the user.
void WarnIfTemplateDamaged(const std::string& path) {
  CPicture picture;
  const ImageFileType type = TypeFromExtension(LowerCaseAscii(ExtensionOf(path)));
  if (picture.Load(path, type)) WarnIfDamaged(path, picture.GetDamage());
}

// The picture's pixels as the grey values of a mask.
CStatus GreyOf(const CImageBuffer& bgr, CImageBuffer* grey) {
  CStatus status = grey->CreateGrey(bgr.Width(), bgr.Height());
  if (status.IsError()) return status;
  for (int y = 0; y < bgr.Height(); ++y) {
    CRowReader from(bgr, y);
    CRowWriter to(*grey, y);
    if (!from || !to) return MakeStatus(keErrNoData);
    for (int x = 0; x < bgr.Width(); ++x) {
      const std::uint8_t* p = from.Row() + 3 * x;
      to.Row()[x] = static_cast<std::uint8_t>((28 * p[0] + 151 * p[1] + 77 * p[2]) / 256);
    }
  }
  return CStatus();
}

// The wall time of each step, printed to stderr when asked for.
class StepTimes {
 public:
  explicit StepTimes(bool enabled) : m_enabled(enabled) {}
  // Seconds since the last mark (or the start), recorded under `name`.
  double Mark(const std::string& name) {
    const double now = platform::MonotonicSeconds();
    const double seconds = now - m_last;
    Add(name, seconds, 0);
    m_last = now;
    return seconds;
  }
  void Add(const std::string& name, double seconds, int indent) { m_steps.push_back({name, seconds, indent}); }
  void Print() const {
    if (!m_enabled) return;
    std::fprintf(stderr, "tintavo apply: wall time of each step, in seconds\n");
    for (const Step& step : m_steps) {
      std::fprintf(stderr, "  %*s%-*s %8.3f\n", 2 * step.indent, "", 28 - 2 * step.indent, step.name.c_str(),
                   step.seconds);
    }
    std::fprintf(stderr, "  %-28s %8.3f\n", "total", platform::MonotonicSeconds() - m_start);
  }

 private:
  struct Step {
    std::string name;
    double seconds;
    int indent;
  };
  bool m_enabled;
  double m_start = platform::MonotonicSeconds();
  double m_last = m_start;
  std::vector<Step> m_steps;
};

// The command's run on `input`, waited for on this thread; the result in
// `*result`.  A run that failed, was stopped or reported an error to the
// user answers false with its text.  The command works on a share of the
// input (the tool does not touch it meanwhile) and without a mask: the
// tool mixes the result itself, so that it can time the mix.  With
// `overInput` the result is written over the input's pixels.
bool RunCommand(Hueloom& command, const CImageBuffer& input, bool overInput, CImageBuffer* result,
                std::string* error) {
  platform::MessageBoxErrorWatch errors;
  command.Input().Share(input).RaiseIfError();
  command.Mask().Clear();
  command.SetOutputOverInput(overInput);
  ProgressBar bar("Repainting");
  const bool done = StartAndWait(command, [&bar](int percent) { bar.Show(percent); });
  command.Input().Clear();
  if (!done || errors.ErrorCount() != 0) {
    bar.Finish();
    *error = errors.ErrorCount() != 0 ? errors.LastError() : std::string("the run was stopped or failed");
    return false;
  }
  bar.Show(100);
  bar.Finish();
  *result = std::move(command.Output());
  return true;
}

// Takes "--timings" out of the arguments (before a "--"); true when it was
// there.
bool TakeFlag(std::vector<std::string>* args, const char* flag) {
  bool found = false;
  for (auto it = args->begin(); it != args->end() && *it != "--";) {
    if (*it == flag) {
      it = args->erase(it);
      found = true;
    } else {
      ++it;
    }
  }
  return found;
}

}  // namespace

int RunApply(const std::vector<std::string>& arguments) {
  std::vector<std::string> args = arguments;
  StepTimes times(TakeFlag(&args, "--timings"));
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, {"--template", "--brightness", "--color", "--fade", "--mode", "--mask", "--quality"},
                        &line, &error)) {
    return UsageError("apply", error);
  }
  if (line.help) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (line.positional.size() != 2) return UsageError("apply", "expects SRC and OUT");
  const std::string& sourcePath = line.positional[0];
  const std::string& outPath = line.positional[1];
  if (line.options.count("--template") == 0) return UsageError("apply", "--template is required");
  const std::string templatePath = line.options["--template"];

  Hueloom command(false);  // the settings come from this command line, not from the store
  CParamSet& params = command.Params();
  // The values the dialog opens with.
  for (int index : {keParamRadius, keParamColor, keParamBlend, keParamAlternativeMode}) {
    params.GetByIndex(index)->SetInt(0);
  }
  for (const Setting& s : kSettings) {
    auto it = line.options.find(s.option);
    if (it == line.options.end()) continue;
    int value = 0;
    if (!ParseInteger(it->second, s.minimum, s.maximum, &value)) {
      return UsageError("apply", std::string(s.option) + " takes a whole number from " + std::to_string(s.minimum) +
                                     " to " + std::to_string(s.maximum) + ", not '" + it->second + "'");
    }
    params.GetByIndex(s.index)->SetInt(value);
  }
  if (auto it = line.options.find("--mode"); it != line.options.end()) {
    const int mode = it->second == "normal" ? 0 : it->second == "brightness" ? 1 : it->second == "color" ? 2 : -1;
    if (mode < 0) return UsageError("apply", "--mode is normal, brightness or color, not '" + it->second + "'");
    params.GetByIndex(keParamAlternativeMode)->SetInt(mode);
  }
  int quality = 92;
  if (auto it = line.options.find("--quality"); it != line.options.end()) {
    if (!ParseInteger(it->second, 1, 100, &quality)) {
      return UsageError("apply", "--quality takes a whole number from 1 to 100, not '" + it->second + "'");
    }
  }
  if (PictureFormatOf(outPath) == PictureFormat::kUnknown) {
    return UsageError("apply", "OUT must end in .png, .jpg, .jpeg, .tif, .tiff or .bmp: " + outPath);
  }
  params.GetByIndex(keParamFilename)->SetText(templatePath);

  CImageBuffer source;
  std::string damage;
  source = LoadTemplateBuffer(sourcePath, &error, &damage);
  if (source.IsEmpty()) return Fail(sourcePath + ": " + error);
  WarnIfDamaged(sourcePath, damage);
  if (source.Width() > 32767 || source.Height() > 32767) {
    return Fail(sourcePath + ": pictures wider or higher than 32767 pixels are not supported");
  }
  times.Mark("decode source");

  // With a mask, the work is its bounding rectangle: the source and the mask
  // as views of that part.
  CImageBuffer work, workMask;
  ImageRect bounds{0, 0, source.Width(), source.Height()};
  const bool masked = line.options.count("--mask") != 0;
  if (masked) {
    const std::string& maskPath = line.options["--mask"];
    CImageBuffer maskPicture, mask;
    maskPicture = LoadTemplateBuffer(maskPath, &error, &damage);
    if (maskPicture.IsEmpty()) return Fail(maskPath + ": " + error);
    WarnIfDamaged(maskPath, damage);
    if (maskPicture.Width() != source.Width() || maskPicture.Height() != source.Height()) {
      return Fail(maskPath + ": the mask is " + std::to_string(maskPicture.Width()) + " x " +
                  std::to_string(maskPicture.Height()) + ", the source " + std::to_string(source.Width()) + " x " +
                  std::to_string(source.Height()));
    }
    GreyOf(maskPicture, &mask).RaiseIfError();
    maskPicture.Clear();
    bounds = CHostExchange::MaskBounds(mask);
    if (bounds.right <= bounds.left || bounds.bottom <= bounds.top) {
      return Fail(maskPath + ": the mask selects nothing (it is black everywhere)");
    }
    work.View(source, bounds.left, bounds.top, bounds.right, bounds.bottom).RaiseIfError();
    workMask.View(mask, bounds.left, bounds.top, bounds.right, bounds.bottom).RaiseIfError();
    times.Mark("decode mask");
  } else {
    work.Share(source).RaiseIfError();
  }

  WarnIfTemplateDamaged(templatePath);
  times.Mark("check template");

  CImageBuffer result;
  // Without a mask the source is not needed afterwards: the result is
  // written over it.
  if (!RunCommand(command, work, !masked, &result, &error)) return Fail(error);
  const TransferPassTimes passes = LastTransferPassTimes();
  const double run = times.Mark("run");
  const double engine =
      passes.lattices + passes.sourcePass + passes.templatePass + passes.statistics + passes.outputPass;
  times.Add("start, template decode", run - engine, 1);
  times.Add(std::string("transfer (") + std::to_string(passes.threads) + " threads, " + passes.loops + ")", engine,
            1);
  times.Add("lattices, planes", passes.lattices, 2);
  times.Add("source pass", passes.sourcePass, 2);
  times.Add("template pass", passes.templatePass, 2);
  times.Add("statistics", passes.statistics, 2);
  times.Add("output pass", passes.outputPass, 2);

  if (masked) {
    CImageBuffer mixed;
    MaskedComposite(work, result, workMask, &mixed).RaiseIfError();
    CImageBuffer::CopyPixels(work, mixed).RaiseIfError();
    result.Clear();
    result.Share(source).RaiseIfError();
  }
  work.Clear();
  times.Mark("mask mix");

  if (!WritePictureAtomically(result, outPath, quality, &error)) return Fail(error);
  times.Mark("encode");
  times.Print();
  return kExitOk;
}
