#pragma once
// When the dialog runs the command, and which of the worker's messages it
// accepts.
//
// Every change of a setting asks for a run.  A delayed request restarts a
// 50 ms one-shot timer, so a burst of changes (a dragged slider) ends in one
// run 50 ms after the last change; an immediate request (a double-click, a
// preset) runs at once.  Running means: stop the job that is still going,
// wait for its worker, drop the messages it left in the queue, and start the
// next one.  Each run has a number, and the worker's messages carry it: a
// result of a run that has been replaced is never handed over, so the image
// that OK writes back is always the one the current run finished.
//
// The timer and the command reach the scheduler through two small
// interfaces, so the tests drive it with a fake clock and a fake command.

#include <string>

namespace ui {

// The one-shot timer of the debounced run.
class IRunTimer {
 public:
  virtual ~IRunTimer() = default;
  virtual void StartTimer(int milliseconds) = 0;
  virtual void KillTimer() = 0;
};

// The command as the scheduler sees it.
class IRunTarget {
 public:
  virtual ~IRunTarget() = default;
  // Whether a run can be started at all (a template has been chosen).
  virtual bool CanRun() const = 0;
  // Whether a worker is still going.
  virtual bool IsBusy() const = 0;
  // Asks the worker to stop and waits until it has ended.
  virtual void StopAndWait() = 0;
  // Removes the progress, done and failed messages waiting in the queue.
  virtual void DropRunMessages() = 0;
  // Starts run number `run` on the current settings; false when it could
  // not be started.
  virtual bool StartRun(unsigned run) = 0;
};

class CRunScheduler {
 public:
  static constexpr int kDebounceMilliseconds = 50;

  CRunScheduler(IRunTimer& timer, IRunTarget& target) : m_timer(timer), m_target(target) {}

  // A request for a run: delayed restarts the debounce timer, immediate
  // runs now.
  void Request(bool delayed);
  // The debounce timer fired.
  void OnTimer();

  // The worker's messages, with the number of the run that sent them.  Each
  // answers whether the message belongs to the current run and is to be
  // acted on.
  bool AcceptProgress(unsigned run) const;
  bool AcceptDone(unsigned run);
  bool AcceptFailed(unsigned run);

  enum class CancelAction {
    kStoppedRun,  // a run was going: it is stopped and the dialog stays open
    kEndDialog,   // nothing was running: the dialog ends
  };
  CancelAction Cancel();

  // Ends a run before the dialog closes (OK while running, or destruction).
  void StopRun();

  bool Running() const { return m_running; }
  bool TimerPending() const { return m_timerPending; }
  unsigned CurrentRun() const { return m_run; }
  // Runs started so far.
  unsigned RunsStarted() const { return m_started; }

 private:
  void RunNow();

  IRunTimer& m_timer;
  IRunTarget& m_target;
  bool m_timerPending = false;
  bool m_running = false;
  unsigned m_run = 0;
  unsigned m_started = 0;
};

}  // namespace ui
