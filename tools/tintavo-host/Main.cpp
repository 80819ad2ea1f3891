// tintavo-host: loads a filter plug-in and drives it as an editor does.
//
// It reads a picture into an interleaved host document, fills a zero-filled
// filter record the way hosts fill it, calls the selectors parameters,
// prepare, start, continue (until the plug-in asks for nothing more) and
// finish, prints each answer, and writes the output planes to a picture file.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "host/FilterRecord.h"
#include "host/Pipl.h"
#include "image/Framework.h"
#include "image/Status.h"
#include "imagefiles/PictureWriter.h"
#include "imagefiles/TemplateLoader.h"
#include "platform/DynamicLibrary.h"
#include "tools/common/PictureDocument.h"

namespace {

const char kHelp[] =
    "Usage: tintavo-host [options] PLUGIN IN OUT\n"
    "       tintavo-host --about PLUGIN\n"
    "\n"
    "Loads the filter plug-in PLUGIN (a .8bf on Windows, a .so elsewhere),\n"
    "runs it on the picture IN as an editor would, and writes the document's\n"
    "output to OUT (PNG, JPEG, TIFF or BMP).  Exits 1 when the plug-in\n"
    "answered an error, 2 for a wrong command line.\n"
    "\n"
    "Document options:\n"
    "  --mask M           a grey picture of IN's size: the selection\n"
    "  --floating         the selection is a floating one\n"
    "  --mode MODE        rgb (default), grey, cmyk or lab\n"
    "  --alpha            an RGB document with a transparency plane\n"
    "  --layer-mask       an RGB document with a layer mask plane (after the\n"
    "                     transparency, if any)\n"
    "  --extra-planes N   N further planes the plug-in must leave alone (0-8)\n"
    "\n"
    "Deviations, as hosts that do not give a filter what it asked for:\n"
    "  --send-planes N    hand the continue step only planes 0 to N-1 (1-9)\n"
    "                     of the document, fewer than the plug-in asked for;\n"
    "                     inHiPlane and outHiPlane say so\n"
    "  --clip-mask        hand the selection over for its bounding rectangle\n"
    "                     only, with maskRect smaller than inRect\n"
    "\n"
    "Other options:\n"
    "  --headless         ask the plug-in to write its messages to stderr\n"
    "  --about            call only the about selector\n";

int Usage(const std::string& message) {
  std::fprintf(stderr, "tintavo-host: %s\nTry 'tintavo-host --help'.\n", message.c_str());
  return 2;
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "tintavo-host: %s\n", message.c_str());
  return 1;
}

bool RectIsEmpty(const Rect& r) { return r.bottom <= r.top || r.right <= r.left; }

// Checks the plug-in's PiPL as a host does before offering the filter.
bool CheckPipl(const platform::DynamicLibrary& library, std::string* entryName, std::string* error) {
  const auto names = library.ResourceNames("PIPL");
  if (names.empty()) return true;  // a library without resources (POSIX): the entry point is ENTRYPOINT
  std::vector<std::uint8_t> bytes;
  if (!library.ResourceBytes("PIPL", 16000, &bytes)) {
    *error = "the plug-in has no PiPL 16000";
    return false;
  }
  PiplList list;
  if (!ParsePipl(bytes, &list, error)) return false;
  const PiplProperty* kind = list.Find(FourCC("kind"));
  if (kind == nullptr || kind->data.size() < 4 ||
      (kind->data[0] | kind->data[1] << 8 | kind->data[2] << 16 | static_cast<std::uint32_t>(kind->data[3]) << 24) !=
          FourCC("8BFM")) {
    *error = "the PiPL does not describe a filter";
    return false;
  }
  const PiplProperty* name = list.Find(FourCC("name"));
  const PiplProperty* category = list.Find(FourCC("catg"));
  const PiplProperty* entry = list.Find(sizeof(void*) == 8 ? FourCC("8664") : FourCC("wx86"));
  if (entry == nullptr) {
    *error = "the PiPL has no entry point for this architecture";
    return false;
  }
  *entryName = std::string(reinterpret_cast<const char*>(entry->data.data()));
  std::printf("filter: %s > %s (entry point %s)\n", category ? PiplPascalString(*category).c_str() : "?",
              name ? PiplPascalString(*name).c_str() : "?", entryName->c_str());
  if (const PiplProperty* modes = list.Find(FourCC("mode"))) {
    std::printf("modes:");
    const char* kModes[] = {"Bitmap", "Grey", "Indexed", "RGB", "CMYK", "HSL", "HSB", "Multichannel", "Duotone", "Lab"};
    for (int m = 0; m < 10; ++m) {
      if (PiplSupportsMode(*modes, m)) std::printf(" %s", kModes[m]);
    }
    std::printf("\n");
  }
  return true;
}

Boolean TINTAVO_CDECL NeverAbort() { return 0; }
void TINTAVO_CDECL IgnoreProgress(int32, int32) {}

}  // namespace

int main(int argc, char** argv) {
  (void)InitImageFramework();
  std::vector<std::string> positional;
  std::string maskPath;
  DocumentLayout layout;
  HostDeviations deviations;
  bool floating = false, about = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= argc) return false;
      *out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--help" || a == "-h") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (a == "--mask") {
      if (!value(&maskPath)) return Usage("--mask needs a file");
    } else if (a == "--floating") {
      floating = true;
    } else if (a == "--alpha") {
      layout.alpha = true;
    } else if (a == "--layer-mask") {
      layout.layerMask = true;
    } else if (a == "--clip-mask") {
      deviations.clipMask = true;
    } else if (a == "--send-planes") {
      if (!value(&v) || v.size() != 1 || v[0] < '1' || v[0] > '9') return Usage("--send-planes takes 1 to 9");
      deviations.planes = v[0] - '0';
    } else if (a == "--about") {
      about = true;
    } else if (a == "--headless") {
#if defined(_WIN32)
      _putenv("TINTAVO_HEADLESS=1");
#else
      setenv("TINTAVO_HEADLESS", "1", 1);
#endif
    } else if (a == "--mode") {
      if (!value(&v)) return Usage("--mode needs a value");
      if (v == "rgb") layout.mode = plugInModeRGBColor;
      else if (v == "grey" || v == "gray") layout.mode = plugInModeGrayScale;
      else if (v == "cmyk") layout.mode = plugInModeCMYKColor;
      else if (v == "lab") layout.mode = plugInModeLabColor;
      else return Usage("--mode is rgb, grey, cmyk or lab");
    } else if (a == "--extra-planes") {
      if (!value(&v) || v.size() != 1 || v[0] < '0' || v[0] > '8') return Usage("--extra-planes takes 0 to 8");
      layout.extraPlanes = v[0] - '0';
    } else if (a.size() > 1 && a[0] == '-') {
      return Usage("unknown option '" + a + "'");
    } else {
      positional.push_back(a);
    }
  }
  if (about ? positional.size() != 1 : positional.size() != 3) return Usage(about ? "expects PLUGIN" : "expects PLUGIN IN OUT");

  try {
    platform::DynamicLibrary library;
    if (!library.Load(positional[0])) return Fail(positional[0] + ": " + library.Error());
    std::string entryName = "ENTRYPOINT", error;
    if (!CheckPipl(library, &entryName, &error)) return Fail(positional[0] + ": " + error);
    auto entry = reinterpret_cast<EntryPointProc>(library.Symbol(entryName.c_str()));
    if (entry == nullptr) return Fail(positional[0] + ": no exported " + entryName);

    std::intptr_t data = 0;
    if (about) {
      // The about selector passes an about record, not a filter record.
      std::vector<std::uint8_t> aboutRecord(512, 0);
      int16 result = 0;
      entry(filterSelectorAbout, reinterpret_cast<FilterRecord*>(aboutRecord.data()), &data, &result);
      std::printf("about: %d\n", result);
      return result == 0 ? 0 : 1;
    }

    CImageBuffer picture;
    picture = LoadTemplateBuffer(positional[1], &error);
  if (picture.IsEmpty()) return Fail(positional[1] + ": " + error);
    if (picture.Width() > 32767 || picture.Height() > 32767) return Fail(positional[1] + ": too large for a filter record");
    PictureDocument document;
    document.Load(picture, layout).RaiseIfError();
    if (!maskPath.empty()) {
      CImageBuffer maskPicture, mask;
      maskPicture = LoadTemplateBuffer(maskPath, &error);
  if (maskPicture.IsEmpty()) return Fail(maskPath + ": " + error);
      mask.CreateGrey(maskPicture.Width(), maskPicture.Height()).RaiseIfError();
      for (int y = 0; y < maskPicture.Height(); ++y) {
        CRowReader from(maskPicture, y);
        CRowWriter to(mask, y);
        for (int x = 0; x < maskPicture.Width(); ++x) to.Row()[x] = from.Row()[3 * x + 1];
      }
      CStatus masked = document.SetMask(mask);
      if (masked.Code() != 0) return Fail(maskPath + ": the mask must have the picture's size");
    }

    FilterRecord record = document.MakeRecord();
    PlatformData platformData{0};
    record.platformData = &platformData;
    record.abortProc = NeverAbort;
    record.progressProc = IgnoreProgress;
    record.isFloating = floating ? 1 : 0;
    record.filterCase = static_cast<int16>(floating ? 3 : maskPath.empty() ? 1 : 2);
    record.hostSig = FourCC("TVHS");

    int16 result = 0;
    auto call = [&](int16 selector, const char* name) {
      result = 0;
      entry(selector, &record, &data, &result);
      std::printf("%s: %d\n", name, result);
      return result == 0;
    };
    bool ok = call(filterSelectorParameters, "parameters") && call(filterSelectorPrepare, "prepare") &&
              call(filterSelectorStart, "start");
    int rounds = 0;
    while (ok && !(RectIsEmpty(record.inRect) && RectIsEmpty(record.outRect) && RectIsEmpty(record.maskRect))) {
      if (++rounds > 64) return Fail("the plug-in keeps asking for more data");
      // The requested rectangle must be the whole image: this host hands over
      // the document in one piece, with the planes the plug-in asked for
      // unless told to deviate.
      document.Deliver(&record, deviations);
      ok = call(filterSelectorContinue, "continue");
      document.TakeBack();
    }
    if (ok) ok = call(filterSelectorFinish, "finish");

    CImageBuffer output;
    document.Output(&output).RaiseIfError();
    if (!WritePicture(output, positional[2], PictureFormatOf(positional[2]), 92, &error)) {
      return Fail(positional[2] + ": " + error);
    }
    return ok ? 0 : 1;
  } catch (const CJException& e) {
    return Fail(e.what());
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
}
