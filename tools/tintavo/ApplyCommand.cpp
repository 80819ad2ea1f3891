// tintavo apply: repaints a picture file in the colours of a template.
//
// The source goes through the same steps as an editor's document: the host
// exchange reads it (cropped to the mask's bounding rectangle when there is a
// mask), the Hueloom command runs on its worker thread, and the exchange
// writes the result back, mixed through the mask.

#include <cstdio>

#include "commands/Hueloom.h"
#include "host/ExchangeRun.h"
#include "host/HostExchange.h"
#include "imagefiles/FileType.h"
#include "imagefiles/Picture.h"
#include "imagefiles/PictureWriter.h"
#include "imagefiles/TemplateLoader.h"
#include "tools/tintavo/Cli.h"
#include "tools/tintavo/OutputFile.h"
#include "tools/common/PictureDocument.h"
#include "tools/tintavo/ProgressBar.h"

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

}  // namespace

int RunApply(const std::vector<std::string>& args) {
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
  PictureDocument document;
  document.Load(source).RaiseIfError();
  source.Clear();

  if (auto it = line.options.find("--mask"); it != line.options.end()) {
    CImageBuffer maskPicture, mask;
    maskPicture = LoadTemplateBuffer(it->second, &error, &damage);
    if (maskPicture.IsEmpty()) return Fail(it->second + ": " + error);
    WarnIfDamaged(it->second, damage);
    if (maskPicture.Width() != document.Width() || maskPicture.Height() != document.Height()) {
      return Fail(it->second + ": the mask is " + std::to_string(maskPicture.Width()) + " x " +
                  std::to_string(maskPicture.Height()) + ", the source " + std::to_string(document.Width()) + " x " +
                  std::to_string(document.Height()));
    }
    GreyOf(maskPicture, &mask).RaiseIfError();
    document.SetMask(mask).RaiseIfError();
  }

  WarnIfTemplateDamaged(templatePath);

  FilterRecord record = document.MakeRecord();
  // The whole image in one piece, as the plug-in's start step asks for it.
  record.inRect = record.outRect = record.maskRect = record.filterRect;
  record.inHiPlane = record.outHiPlane = static_cast<int16>(record.planes - 1);
  CHostExchange exchange;
  exchange.SetFilterRecord(&record);
  if (!exchange.ReadFromHost()) return Fail(sourcePath + ": the picture could not be taken in");
  if (exchange.MaskInUse() && exchange.SourceImage().IsEmpty()) {
    return Fail(line.options["--mask"] + ": the mask selects nothing (it is black everywhere)");
  }

  ProgressBar bar("Repainting");
  if (!RunOnExchange(exchange, command, [&bar](int percent) { bar.Show(percent); }, &error)) {
    bar.Finish();
    return Fail(error);
  }
  bar.Show(100);
  bar.Finish();
  if (!exchange.WriteToHost()) return Fail(sourcePath + ": the result could not be put back into the picture");

  CImageBuffer result;
  document.Output(&result).RaiseIfError();
  if (!WritePictureAtomically(result, outPath, quality, &error)) return Fail(error);
  return kExitOk;
}
