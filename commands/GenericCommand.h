#pragma once
// A command: a named unit of image work with named, typed parameters, run on
// a worker thread that reports progress and its end by posted messages.
//
// The owner fills the input (and, for a selection, the mask), sets the
// window to notify and calls Start.  The worker copies nothing back by
// itself: on UM_RUNDONE the output holds the result (already mixed with the
// input through the mask); on UM_RUNFAILED the output is empty.  Only one
// worker exists at a time; the owner touches the three buffers only while no
// run is busy, and calls Stop before Start.

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "commands/ParamSet.h"
#include "image/ImageBuffer.h"
#include "platform/MessageQueue.h"
#include "transfer/Progress.h"

class GenericCommand;

// What a run works on: the command's buffers, its progress object and the
// window to notify.
struct CCommandJob {
  CImageBuffer* input = nullptr;
  CImageBuffer* output = nullptr;
  CImageBuffer* mask = nullptr;
  std::array<int, 4> settings{};  // copied from the command; the run does not read them
  std::mutex* lock = nullptr;     // held around Run when holdLock is set
  bool holdLock = false;
  CProgress* progress = nullptr;
  platform::WindowHandle notify = nullptr;
};

class GenericCommand {
 public:
  GenericCommand();
  // Waits for a running worker.
  virtual ~GenericCommand();
  GenericCommand(const GenericCommand&) = delete;
  GenericCommand& operator=(const GenericCommand&) = delete;

  virtual void BuildParams();
  // The work, on the worker thread.  0 for success; 100 or -6 when stopped.
  virtual int Run(CCommandJob& job);
  virtual int Query(int what) const;
  virtual std::string Name() const;

  // Starts a run on a worker thread; 101 while one is running.  The output
  // starts as a copy of the input (or, with SetOutputOverInput, as a share of
  // it); a failure to copy is raised.
  [[nodiscard]] CStatus Start();
  // Asks the running command to stop and waits for its worker.
  void Stop();
  bool IsRunning() const;
  bool IsBusy() const { return m_busy.load(); }

  CParamSet& Params() { return m_params; }
  const CParamSet& Params() const { return m_params; }
  CImageBuffer& Input() { return m_input; }
  CImageBuffer& Output() { return m_output; }
  CImageBuffer& Mask() { return m_mask; }
  CProgress& Progress() { return m_progress; }
  void SetNotifyWindow(platform::WindowHandle window) { m_notify = window; }
  platform::WindowHandle NotifyWindow() const { return m_notify; }
  // The number the next run posts as wParam of UM_RUNDONE and UM_RUNFAILED
  // (0 unless set), so the owner can tell the current run's end from a
  // replaced one's.
  void SetRunTag(std::uintptr_t tag) { m_runTag = tag; }
  // With recording on, the message boxes a run shows on its worker thread
  // are kept instead of shown, and a run that showed an error box ends as
  // failed; the owner shows RunMessages() on its own thread.
  void SetRecordRunMessages(bool record) { m_recordMessages = record; }
  // With this on, a run writes its result over the input's pixels instead
  // of over a copy of them: the output shares the input's storage, which
  // saves a copy of the picture in time and memory.  Only for owners that
  // need neither the input nor a mask mix afterwards (a command-line run);
  // the dialog runs again and again on the same input and keeps it off.
  void SetOutputOverInput(bool over) { m_outputOverInput = over; }
  // The texts of the error boxes of the last run (recording on), oldest
  // first.  Read only while no run is busy.
  const std::vector<std::string>& RunMessages() const { return m_runMessages; }
  bool StopRequested() const { return m_stop.load(); }

 private:
  void Worker();
  static int OnPosition(CProgress* progress);
  static int OnAbortQuery(CProgress* progress);

  std::atomic<bool> m_busy{false};
  CParamSet m_params;
  std::thread m_thread;
  std::atomic<bool> m_finished{true};
  std::atomic<bool> m_stop{false};
  CProgress m_progress;
  CImageBuffer m_input;
  CImageBuffer m_output;
  CImageBuffer m_mask;
  CCommandJob m_job;
  std::mutex m_jobLock;
  platform::WindowHandle m_notify = nullptr;
  std::array<int, 4> m_settings{100, 100, 400, 500};
  std::uintptr_t m_runTag = 0;
  bool m_recordMessages = false;
  bool m_outputOverInput = false;
  std::vector<std::string> m_runMessages;
};
