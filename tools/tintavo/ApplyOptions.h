#pragma once
// The command line of `tintavo apply`, checked as a whole before any
// picture is read.
//
// The settings start at the values the dialog opens with (all 0), then take
// the plug-in's stored settings (--from-settings) or a preset (--preset),
// and then the options given on the command line, which win.  The template
// may come from the stored settings or the preset too.

#include <string>
#include <vector>

#include "imagefiles/PictureWriter.h"

struct ApplyOptions {
  std::string templatePath;
  std::string maskPath;              // "" when there is no mask
  std::vector<std::string> sources;  // files, folders (batch only) or "-"
  std::string output;                // one picture: OUT, or "-" for standard output
  std::string outputDir;             // a batch: the folder the outputs go to
  std::string suffix;                // a batch: added to each source's name
  PictureFormat format = PictureFormat::kUnknown;  // --format; kUnknown: by OUT or the source
  bool subsamplingGiven = false;
  PictureWriteOptions write;         // quality, subsampling, progressive
  bool strip = false;                // write no metadata
  bool quiet = false;
  bool timings = false;
  int brightness = 0;
  int color = 0;
  int fade = 0;
  int mode = 0;

  bool IsBatch() const { return !outputDir.empty(); }
};

// kExitOk with `*options` filled (or `*help` set), or the exit code of a
// failure that has been reported: kExitUsage for a wrong command line,
// kExitFailure for a preset or stored settings that cannot be read.
int ParseApplyOptions(const std::vector<std::string>& args, ApplyOptions* options, bool* help);

// The help text of `tintavo apply`.
const char* ApplyHelp();

// The JPEG sampling photographers expect at a quality: 4:2:0 below 90,
// 4:4:4 from 90.
JpegSubsampling DefaultSubsampling(int quality);

// The format of a written picture by a name or extension ("jpg", "png",
// "tif", "bmp" and their other spellings, any case).
PictureFormat FormatByName(const std::string& name);
