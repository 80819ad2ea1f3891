#pragma once
// One picture of `tintavo apply`: its source decoded upright with its
// transparency and metadata, repainted by the Hueloom command on its worker
// thread, mixed through the mask, and written to its output in one piece.
//
// What a batch shares - the decoded template and the mask - is prepared
// once (TemplateForRun, MaskForRun) and only read by the jobs, which may run
// on several threads at once.  A job reports its warnings and notes itself
// (they name the source); its failure comes back as one sentence naming the
// file, for the caller to print once.

#include <functional>
#include <string>

#include "image/ImageBuffer.h"
#include "transfer/TemplateFigures.h"
#include "tools/tintavo/ApplyOptions.h"
#include "tools/tintavo/StepTimes.h"

// The template as every run uses it: a decoded picture (keFormatBGR,
// upright) with the figures the engine takes of it for the run's mode, or -
// for a matrix file - none, the command then reading the file itself.
struct TemplateForRun {
  std::string path;
  CImageBuffer picture;
  TemplateFigures figures;
};

// Decodes the template picture by its content and takes its figures for
// `mode` (on every core).  False with a sentence naming the file.
bool PrepareTemplate(const std::string& path, int mode, TemplateForRun* prepared, std::string* error);

// The mask's grey values, upright; empty when there is no mask.
struct MaskForRun {
  std::string path;
  CImageBuffer grey;
};

// Decodes the mask, warns when it is in colour.  False with a sentence
// naming the file.
bool PrepareMask(const std::string& path, MaskForRun* prepared, std::string* error);

struct RepaintJob {
  // When set, the template and the mask are being prepared elsewhere while
  // the source decodes: called once the source is decoded (or has failed),
  // it waits for them and answers false with the sentence naming the file
  // when they failed (that failure is reported rather than the source's).
  std::function<bool(std::string* error)> awaitTemplate;
  std::string source;  // a file or "-"
  std::string output;  // a file or "-"
  PictureFormat format = PictureFormat::kUnknown;  // kUnknown: the source's type (or PNG)
  const ApplyOptions* options = nullptr;
  const TemplateForRun* templ = nullptr;
  const MaskForRun* mask = nullptr;
  int engineThreads = 0;        // 0: every core
  bool showProgress = false;    // this job draws the progress line
  StepTimes* times = nullptr;   // may be null
};

// True when the output is written; false with one sentence naming the file
// in `*error` (the output is then as it was).
bool RunRepaintJob(const RepaintJob& job, std::string* error);

// The format of the written picture for a source of `type` when none was
// chosen: the source's own when Tintavo writes it, PNG otherwise.
PictureFormat FormatForSourceType(int type);
