// tintavo convert: decodes a picture as a template is decoded and writes it.

#include <cstdio>

#include "imagefiles/PictureWriter.h"
#include "imagefiles/TemplateLoader.h"
#include "tools/tintavo/Cli.h"
#include "tools/tintavo/OutputFile.h"

namespace {

const char kHelp[] =
    "Usage: tintavo convert IN OUT [--quality Q]\n"
    "\n"
    "Decodes IN the way Tintavo reads a template picture (any type it reads;\n"
    "palettes resolved, transparency dropped) and writes it to OUT (PNG, JPEG,\n"
    "TIFF or BMP, by OUT's extension).\n"
    "\n"
    "  --quality Q   JPEG quality, 1 to 100 (default 92)\n";

}  // namespace

int RunConvert(const std::vector<std::string>& args) {
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, {"--quality"}, &line, &error)) return UsageError("convert", error);
  if (line.help) {
    std::fputs(kHelp, stdout);
    return kExitOk;
  }
  if (line.positional.size() != 2) return UsageError("convert", "expects IN and OUT");
  int quality = 92;
  if (auto it = line.options.find("--quality"); it != line.options.end()) {
    if (!ParseInteger(it->second, 1, 100, &quality)) {
      return UsageError("convert", "--quality takes a whole number from 1 to 100, not '" + it->second + "'");
    }
  }
  if (PictureFormatOf(line.positional[1]) == PictureFormat::kUnknown) {
    return UsageError("convert", "OUT must end in .png, .jpg, .jpeg, .tif, .tiff or .bmp: " + line.positional[1]);
  }
  CImageBuffer picture;
  picture = LoadTemplateBuffer(line.positional[0], &error);
  if (picture.IsEmpty()) return Fail(line.positional[0] + ": " + error);
  if (!WritePictureAtomically(picture, line.positional[1], quality, &error)) return Fail(error);
  return kExitOk;
}
