// tintavo apply: repaints picture files in the colours of a template.
//
// Everything that can be checked is checked before the work starts: the
// command line, the output folder, the template (decoded once, by its
// content, and its figures taken, once for every picture) and the mask; a
// single picture's source decodes meanwhile, and a failure of the template
// or the mask is reported before the source's.  One picture then takes the
// steps of an editor's document through the plug-in (tools/tintavo/
// RepaintJob.h); a batch runs several pictures at once, one per core, each
// with a one-thread engine, under one progress line, and ends with a
// summary.  The bytes of a result are the plug-in's (the end-to-end tests
// compare them).

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <mutex>
#include <thread>

#include "platform/Clock.h"
#include "platform/FileReplacement.h"
#include "platform/MakeFolder.h"
#include "tools/tintavo/ApplyOptions.h"
#include "tools/tintavo/Cli.h"
#include "tools/tintavo/OutputFile.h"
#include "tools/tintavo/Reporter.h"
#include "tools/tintavo/RepaintJob.h"
#include "tools/tintavo/SourceList.h"
#include "tools/tintavo/StepTimes.h"

namespace {

// The template and the mask prepared on a thread of their own, beside the
// decoding of a single picture's source (each decoder keeps to one core).
class CPreparedBeside {
 public:
  CPreparedBeside(const ApplyOptions& options, TemplateForRun* templ, MaskForRun* mask)
      : m_thread([this, &options, templ, mask] {
          const double start = platform::MonotonicSeconds();
          m_ok = PrepareTemplate(options.templatePath, options.mode, templ, &m_error) &&
                 PrepareMask(options.maskPath, mask, &m_error);
          m_seconds = platform::MonotonicSeconds() - start;
        }) {}
  ~CPreparedBeside() { Join(); }
  CPreparedBeside(const CPreparedBeside&) = delete;
  CPreparedBeside& operator=(const CPreparedBeside&) = delete;

  // Waits for the preparation; false with its failure in `*error`.
  bool Await(std::string* error, StepTimes* times) {
    Join();
    if (times != nullptr) {
      times->Mark("template: wait");
      times->Add("decode, figures, mask", m_seconds, 1);
    }
    if (!m_ok) *error = m_error;
    return m_ok;
  }

 private:
  void Join() {
    if (m_thread.joinable()) m_thread.join();
  }
  bool m_ok = false;
  std::string m_error;
  double m_seconds = 0;
  std::thread m_thread;  // last: it starts once the members it writes exist
};

int RunOne(const ApplyOptions& options, TemplateForRun& templ, MaskForRun& mask, StepTimes* times) {
  CPreparedBeside prepared(options, &templ, &mask);
  RepaintJob job;
  job.awaitTemplate = [&prepared, times](std::string* error) { return prepared.Await(error, times); };
  job.source = options.sources[0];
  job.output = options.output;
  job.format = options.format;
  job.options = &options;
  job.templ = &templ;
  job.mask = &mask;
  job.showProgress = true;
  job.times = times;
  std::string error;
  const bool done = RunRepaintJob(job, &error);
  Reporter::Get().EndProgress();
  if (!done) return Fail(error);
  times->Print();
  return kExitOk;
}

int RunBatch(const ApplyOptions& options, const TemplateForRun& templ, const MaskForRun& mask) {
  std::vector<BatchItem> items = ListBatch(options.sources, options.outputDir, options.suffix, options.format);
  const std::size_t total = items.size();
  std::vector<std::string> failures(total);
  std::atomic<std::size_t> next{0}, finished{0};
  std::mutex progressLock;
  auto progress = [&]() {
    std::lock_guard<std::mutex> lock(progressLock);
    const std::size_t n = finished.load();
    Reporter::Get().Progress(static_cast<int>(n * 100 / total),
                             std::to_string(n) + " of " + std::to_string(total) + " pictures");
  };
  // Each worker takes the next picture until none is left; a picture's
  // engine keeps to its worker's thread.
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  const unsigned workers = static_cast<unsigned>(std::min<std::size_t>(cores, total));
  auto work = [&]() {
    for (;;) {
      const std::size_t i = next.fetch_add(1);
      if (i >= total) return;
      BatchItem& item = items[i];
      if (!item.problem.empty()) {
        failures[i] = item.source + ": " + item.problem;
      } else {
        RepaintJob job;
        job.source = item.source;
        job.output = item.output;
        job.format = item.format;
        job.options = &options;
        job.templ = &templ;
        job.mask = &mask;
        job.engineThreads = workers > 1 ? 1 : 0;
        std::string error;
        try {
          if (!RunRepaintJob(job, &error)) failures[i] = error.empty() ? item.source + ": failed" : error;
        } catch (const std::exception& e) {
          failures[i] = item.source + ": " + e.what();
        }
      }
      finished.fetch_add(1);
      progress();
    }
  };
  progress();
  std::vector<std::thread> threads;
  for (unsigned t = 1; t < workers; ++t) threads.emplace_back(work);
  work();
  for (std::thread& t : threads) t.join();
  Reporter::Get().EndProgress();

  std::size_t failed = 0;
  for (const std::string& f : failures) failed += f.empty() ? 0 : 1;
  Reporter& reporter = Reporter::Get();
  if (failed == 0) {
    reporter.Note(std::to_string(total) + " of " + std::to_string(total) + " pictures done, into " +
                  options.outputDir);
    return kExitOk;
  }
  reporter.Error(std::to_string(total - failed) + " of " + std::to_string(total) + " pictures done, " +
                 std::to_string(failed) + " failed:");
  for (const std::string& f : failures) {
    if (!f.empty()) reporter.Line("  " + f);
  }
  return kExitFailure;
}

}  // namespace

int RunApply(const std::vector<std::string>& args) {
  ApplyOptions options;
  bool help = false;
  if (const int code = ParseApplyOptions(args, &options, &help); code != kExitOk) return code;
  if (help) {
    std::fputs(ApplyHelp(), stdout);
    return kExitOk;
  }
  Reporter::Get().SetQuiet(options.quiet);
  StepTimes times(options.timings && !options.IsBatch());

  // The output folder, before anything is decoded.
  std::string reason;
  if (options.IsBatch()) {
    if (!platform::MakeFolders(options.outputDir, &reason)) return Fail(options.outputDir + ": " + reason);
    if (!CheckFolderWritable(options.outputDir, &reason)) return Fail(options.outputDir + ": " + reason);
  } else if (options.output != "-") {
    const std::string folder = FolderOfPath(platform::FinalTarget(options.output));
    if (!CheckFolderWritable(folder, &reason)) {
      return Fail(options.output + ": cannot be written in " + folder + ": " + reason);
    }
  }

  TemplateForRun templ;
  MaskForRun mask;
  if (!options.IsBatch()) return RunOne(options, templ, mask, &times);
  std::string error;
  Reporter::Get().Progress(0, "decoding " + options.templatePath);
  if (!PrepareTemplate(options.templatePath, options.mode, &templ, &error)) return Fail(error);
  if (!PrepareMask(options.maskPath, &mask, &error)) return Fail(error);
  return RunBatch(options, templ, mask);
}
