// tintavo convert: decodes a picture as a template is decoded and writes it.

#include <cstdio>

#include "image/Resample.h"
#include "imagefiles/PictureWriter.h"
#include "imagefiles/TemplateLoader.h"
#include "tools/tintavo/ApplyOptions.h"
#include "tools/tintavo/Cli.h"
#include "tools/tintavo/OutputFile.h"

namespace {

const char kHelp[] =
    "Usage: tintavo convert IN OUT [--quality Q] [--resize WxH | --resize N]\n"
    "                       [--filter nearest|bilinear|bicubic|area|auto]\n"
    "\n"
    "Decodes IN the way Tintavo reads a template picture (any type it reads;\n"
    "palettes resolved, transparency dropped) and writes it to OUT (PNG, JPEG,\n"
    "TIFF or BMP, by OUT's extension).  A damaged or cut IN whose readable\n"
    "part decodes is converted with a warning.\n"
    "\n"
    "  --quality Q   JPEG quality, 1 to 100 (default 92); chroma sampled as by\n"
    "                apply: 4:2:0 below quality 90, 4:4:4 from 90\n"
    "  --resize WxH  scale the picture to W x H pixels\n"
    "  --resize N    fit it into N x N, keeping its aspect, never enlarging (as\n"
    "                the template browser makes its thumbnails)\n"
    "  --filter F    nearest, bilinear, bicubic, area (the average of the\n"
    "                covered pixels) or auto: area when shrinking, bilinear\n"
    "                when enlarging (default auto)\n";

constexpr int kMaxSide = 65535;

struct ResizeRequest {
  bool fit = false;  // --resize N
  int width = 0;
  int height = 0;
};

bool ParseResize(const std::string& text, ResizeRequest* request) {
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string::npos) {
    request->fit = true;
    return ParseInteger(text, 1, kMaxSide, &request->width);
  }
  return ParseInteger(text.substr(0, x), 1, kMaxSide, &request->width) &&
         ParseInteger(text.substr(x + 1), 1, kMaxSide, &request->height);
}

bool ParseFilter(const std::string& text, int* mode) {
  const struct {
    const char* name;
    int mode;
  } kFilters[] = {{"nearest", keResampleNearest}, {"bilinear", keResampleBilinear}, {"bicubic", keResampleBicubic},
                  {"area", keResampleArea},       {"auto", keResampleAreaOrBilinear}};
  for (const auto& f : kFilters) {
    if (text == f.name) {
      *mode = f.mode;
      return true;
    }
  }
  return false;
}

// The size a picture of width x height gets: the requested one, or fitted
// into N x N (the longer side becomes N, the other the integer part of its
// share, at least 1); a picture that fits keeps its size.
void TargetSize(const ResizeRequest& r, int width, int height, int* w, int* h) {
  *w = r.width;
  *h = r.height;
  if (!r.fit) return;
  const int n = r.width;
  *w = width;
  *h = height;
  if (width <= n && height <= n) return;
  if (static_cast<double>(height) / n < static_cast<double>(width) / n) {
    *w = n;
    *h = static_cast<int>(n / (static_cast<double>(width) / height));
  } else {
    *h = n;
    *w = static_cast<int>(n / (static_cast<double>(height) / width));
  }
  if (*w < 1) *w = 1;
  if (*h < 1) *h = 1;
}

// Scales `picture` in place; false with `error` set when it cannot.
bool Resize(CImageBuffer& picture, const ResizeRequest& request, int mode, std::string* error) {
  int w = 0, h = 0;
  TargetSize(request, picture.Width(), picture.Height(), &w, &h);
  if (w == picture.Width() && h == picture.Height()) return true;
  CImageBuffer scaled;
  if (scaled.Create(w, h, picture.AccessFormat()).Code() != 0) {
    *error = "no memory for a " + std::to_string(w) + " x " + std::to_string(h) + " picture";
    return false;
  }
  const int code = CResample(mode).Resample(scaled, picture);
  if (code != keResampleDone) {
    *error = "the picture could not be resized (code " + std::to_string(code) + ")";
    return false;
  }
  picture = scaled;
  return true;
}

}  // namespace

int RunConvert(const std::vector<std::string>& args) {
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args, {"--quality", "--resize", "--filter"}, &line, &error)) {
    return UsageError("convert", error);
  }
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
  ResizeRequest resize;
  const auto resizeOption = line.options.find("--resize");
  if (resizeOption != line.options.end() && !ParseResize(resizeOption->second, &resize)) {
    return UsageError("convert", "--resize takes WxH or N, whole numbers from 1 to 65535, not '" +
                                     resizeOption->second + "'");
  }
  int filter = keResampleAreaOrBilinear;
  if (auto it = line.options.find("--filter"); it != line.options.end()) {
    if (resizeOption == line.options.end()) return UsageError("convert", "--filter needs --resize");
    if (!ParseFilter(it->second, &filter)) {
      return UsageError("convert", "--filter takes nearest, bilinear, bicubic, area or auto, not '" + it->second + "'");
    }
  }
  if (PictureFormatOf(line.positional[1]) == PictureFormat::kUnknown) {
    return UsageError("convert", "OUT must end in .png, .jpg, .jpeg, .tif, .tiff or .bmp: " + line.positional[1]);
  }
  CImageBuffer picture;
  std::string damage;
  picture = LoadTemplateBuffer(line.positional[0], &error, &damage);
  if (picture.IsEmpty()) return Fail(line.positional[0] + ": " + error);
  if (!damage.empty()) {
    std::fprintf(stderr, "tintavo: warning: %s is damaged or truncated: %s\n", line.positional[0].c_str(),
                 damage.c_str());
  }
  if (resizeOption != line.options.end() && !Resize(picture, resize, filter, &error)) {
    return Fail(line.positional[0] + ": " + error);
  }
  PictureWriteOptions options;
  options.quality = quality;
  options.subsampling = DefaultSubsampling(quality);
  if (!WritePictureAtomically(picture, line.positional[1], PictureFormatOf(line.positional[1]), options, &error)) {
    return Fail(error);
  }
  return kExitOk;
}
