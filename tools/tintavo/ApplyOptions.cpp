#include "tools/tintavo/ApplyOptions.h"

#include "commands/HueloomParams.h"
#include "commands/ParamSet.h"
#include "commands/Presets.h"
#include "imagefiles/FileType.h"
#include "tools/tintavo/Cli.h"
#include "tools/tintavo/SettingNames.h"

namespace {

const char kHelp[] =
    "Usage: tintavo apply --template T SRC OUT [options]\n"
    "       tintavo apply --template T SRC... --output-dir DIR [options]\n"
    "\n"
    "Repaints the picture SRC in the colours of the template picture T and\n"
    "writes the result to OUT (PNG, JPEG, TIFF or BMP, by OUT's extension or\n"
    "--format).  '-' as SRC reads standard input, '-' as OUT writes standard\n"
    "output.  With --output-dir every SRC (a folder stands for the pictures in\n"
    "it) is repainted with the one template into DIR, named after its source.\n"
    "An output is replaced only when the whole result has been written.\n"
    "\n"
    "The picture is turned upright as its orientation tag says; its colour\n"
    "profile, EXIF, XMP, resolution and comment go into JPEG, PNG and TIFF\n"
    "outputs, and its transparency into PNG and TIFF outputs.  A damaged or\n"
    "cut SRC, T or M whose readable part decodes is used with a warning.\n"
    "\n"
    "Settings (later ones win: the stored settings or a preset, then these):\n"
    "  --template T      the template picture (any type Tintavo reads, known by\n"
    "                    its content)\n"
    "  --brightness N    brightness, -100 to 100 (default 0)\n"
    "  --color N         colour intensity, -100 to 100 (default 0)\n"
    "  --fade N          fade towards the source, 0 to 100 (default 0)\n"
    "  --mode M          normal, brightness (only brightness) or color (only\n"
    "                    colour); default normal\n"
    "  --preset NAME     start from a preset saved with 'tintavo presets save'\n"
    "  --from-settings   start from the plug-in's stored settings (the look\n"
    "                    last used in the editor, its template included)\n"
    "  --mask M          a grey picture of SRC's size: only where it is not\n"
    "                    black does SRC change, in proportion to its value;\n"
    "                    the colours are measured inside its bounding box\n"
    "\n"
    "Output:\n"
    "  --format F        jpg, png, tif or bmp (default: OUT's extension; in a\n"
    "                    batch or on standard output the source's type, or png)\n"
    "  --output-dir DIR  repaint every SRC into DIR (made when missing)\n"
    "  --suffix S        a batch: added to each output's name (\"photo-S.jpg\")\n"
    "  --quality Q       JPEG quality, 1 to 100 (default 92)\n"
    "  --subsampling S   JPEG chroma sampling 444, 422 or 420 (default 420\n"
    "                    below quality 90, 444 from 90)\n"
    "  --progressive     a progressive JPEG\n"
    "  --strip           write no metadata\n"
    "\n"
    "  --quiet           no progress bar and no notes (warnings and errors stay)\n"
    "  --timings         print the wall time of each step to stderr: decode,\n"
    "                    the run (template and each pass of the transfer),\n"
    "                    mask mix, encode\n"
    "  -h, --help        this text\n"
    "\n"
    "Exit codes: 0 done, 1 a picture failed (in a batch: any), 2 a wrong\n"
    "command line.\n";

struct NumberOption {
  const char* option;
  int ApplyOptions::*value;
  int minimum, maximum;
};

const NumberOption kNumbers[] = {
    {"--brightness", &ApplyOptions::brightness, -100, 100},
    {"--color", &ApplyOptions::color, -100, 100},
    {"--fade", &ApplyOptions::fade, 0, 100},
};

int Usage(const std::string& message) { return UsageError("apply", message); }

// The settings of the parameter set, taken over.
void TakeSettings(const CParamSet& params, ApplyOptions* options) {
  const struct {
    int index;
    int* value;
  } numbers[] = {{keParamRadius, &options->brightness},
                 {keParamColor, &options->color},
                 {keParamBlend, &options->fade},
                 {keParamAlternativeMode, &options->mode}};
  for (const auto& n : numbers) {
    std::int32_t v = 0;
    if (const CParam* p = params.GetByIndex(n.index)) p->GetInt(&v);
    *n.value = v;
  }
  if (const CParam* p = params.GetByIndex(keParamFilename)) p->GetText(&options->templatePath);
}

// A stored or preset value outside the range the options take is refused
// rather than handed to the engine.
int CheckSettingRanges(const ApplyOptions& options, const std::string& origin) {
  const struct {
    const char* name;
    int value;
  } values[] = {{"Radius", options.brightness},
                {"Color", options.color},
                {"Blend", options.fade},
                {"ALTERNATIVEMODE", options.mode}};
  for (const auto& v : values) {
    const SettingName* setting = FindSetting(v.name);
    if (setting != nullptr && !InRange(*setting, v.value)) {
      return Fail(origin + ": " + DisplayName(*setting) + " is " + std::to_string(v.value) + ", outside " +
                  std::to_string(setting->minimum) + " to " + std::to_string(setting->maximum));
    }
  }
  return kExitOk;
}

}  // namespace

const char* ApplyHelp() { return kHelp; }

JpegSubsampling DefaultSubsampling(int quality) {
  return quality >= 90 ? JpegSubsampling::k444 : JpegSubsampling::k420;
}

PictureFormat FormatByName(const std::string& name) { return PictureFormatOf("x." + name); }

int ParseApplyOptions(const std::vector<std::string>& args, ApplyOptions* options, bool* help) {
  *options = ApplyOptions();
  *help = false;
  CommandLine line;
  std::string error;
  if (!ParseCommandLine(args,
                        {"--template", "--brightness", "--color", "--fade", "--mode", "--mask", "--quality",
                         "--subsampling", "--format", "--output-dir", "--suffix", "--preset"},
                        {"--timings", "--quiet", "--strip", "--progressive", "--from-settings"}, &line, &error)) {
    return Usage(error);
  }
  if (line.help) {
    *help = true;
    return kExitOk;
  }
  options->timings = line.Has("--timings");
  options->quiet = line.Has("--quiet");
  options->strip = line.Has("--strip");
  options->write.progressive = line.Has("--progressive");

  // Where the settings start.
  if (line.Has("--preset") && line.Has("--from-settings")) {
    return Usage("--preset and --from-settings cannot be used together");
  }
  if (line.Has("--from-settings") || line.Has("--preset")) {
    CParamSet params;
    params.SetName("Hueloom");
    BuildHueloomParams(&params);
    std::string origin;
    if (line.Has("--from-settings")) {
      origin = "the stored settings";
      if (params.LoadStoredValues(&error) != 0) return Fail("the stored settings cannot be read: " + error);
    } else {
      const std::string& name = line.options["--preset"];
      if (name != "Default") {
        const std::string problem = PresetNameProblem(name);
        if (!problem.empty()) return Usage("--preset '" + name + "': " + problem);
        origin = PresetsFolder() + name + ".preset";
        if (ReadPreset(origin, &params) != 0) return Fail(origin + ": no such preset, or it cannot be read");
      }
    }
    TakeSettings(params, options);
    if (const int code = CheckSettingRanges(*options, origin); code != kExitOk) return code;
  }

  for (const NumberOption& n : kNumbers) {
    auto it = line.options.find(n.option);
    if (it == line.options.end()) continue;
    if (!ParseInteger(it->second, n.minimum, n.maximum, &(options->*n.value))) {
      return Usage(std::string(n.option) + " takes a whole number from " + std::to_string(n.minimum) + " to " +
                   std::to_string(n.maximum) + ", not '" + it->second + "'");
    }
  }
  if (auto it = line.options.find("--mode"); it != line.options.end()) {
    options->mode = ModeByName(it->second);
    if (options->mode < 0) return Usage("--mode is normal, brightness or color, not '" + it->second + "'");
  }
  if (auto it = line.options.find("--quality"); it != line.options.end()) {
    if (!ParseInteger(it->second, 1, 100, &options->write.quality)) {
      return Usage("--quality takes a whole number from 1 to 100, not '" + it->second + "'");
    }
  }
  options->write.subsampling = DefaultSubsampling(options->write.quality);
  if (auto it = line.options.find("--subsampling"); it != line.options.end()) {
    const std::string& s = it->second;
    if (s == "444" || s == "4:4:4") {
      options->write.subsampling = JpegSubsampling::k444;
    } else if (s == "422" || s == "4:2:2") {
      options->write.subsampling = JpegSubsampling::k422;
    } else if (s == "420" || s == "4:2:0") {
      options->write.subsampling = JpegSubsampling::k420;
    } else {
      return Usage("--subsampling is 444, 422 or 420, not '" + s + "'");
    }
    options->subsamplingGiven = true;
  }
  if (auto it = line.options.find("--format"); it != line.options.end()) {
    options->format = FormatByName(LowerCaseAscii(it->second));
    if (options->format == PictureFormat::kUnknown) {
      return Usage("--format is jpg, png, tif or bmp, not '" + it->second + "'");
    }
  }
  if (line.Has("--template")) options->templatePath = line.options["--template"];
  if (options->templatePath.empty()) {
    return Usage("--template is required (or --preset or --from-settings with a stored template)");
  }
  if (line.Has("--mask")) options->maskPath = line.options["--mask"];

  if (line.Has("--output-dir")) {
    options->outputDir = line.options["--output-dir"];
    if (options->outputDir.empty()) return Usage("--output-dir needs a folder");
    if (line.positional.empty()) return Usage("expects at least one SRC with --output-dir");
    options->sources = line.positional;
    if (line.Has("--suffix")) options->suffix = line.options["--suffix"];
    if (options->suffix.find_first_of("/\\") != std::string::npos) {
      return Usage("--suffix cannot hold a '/' or '\\'");
    }
    return kExitOk;
  }
  if (line.Has("--suffix")) return Usage("--suffix names the outputs of a batch: use it with --output-dir");
  if (line.positional.size() != 2) {
    return Usage(line.positional.size() > 2 ? "expects SRC and OUT (several sources need --output-dir DIR)"
                                            : "expects SRC and OUT");
  }
  options->sources = {line.positional[0]};
  options->output = line.positional[1];
  if (options->output != "-" && options->format == PictureFormat::kUnknown) {
    options->format = PictureFormatOf(options->output);
    if (options->format == PictureFormat::kUnknown) {
      return Usage("OUT must end in .png, .jpg, .jpeg, .tif, .tiff or .bmp (or give --format): " +
                   options->output);
    }
  }
  return kExitOk;
}
