#pragma once
// The second layer of the main dialog: running the command in the
// background.  Requests are debounced and runs stopped and restarted by the
// portable scheduler; this window supplies its timer (17, one-shot) and the
// command, shows the worker's progress, keeps only the newest progress
// message, and hands a finished result to the layer above.

#include <string>

#include "commands/GenericCommand.h"
#include "ui/RunScheduler.h"
#include "ui/win/ViewDialog.h"

namespace ui::win {

class CCommandDlg : public CViewDlg, private IRunTimer, private IRunTarget {
 public:
  static constexpr UINT_PTR kRunTimer = 17;

  CCommandDlg(int templateId, int progressId, int acceleratorsId, int titleId);

  void SetCommand(GenericCommand* command) { m_command = command; }
  GenericCommand* Command() const { return m_command; }

  // A run on the current parameters: delayed (a setting changed) or now.
  void RequestRun(bool delayed);
  // Removes the waiting progress messages and sets the bar to 0.
  void FlushProgress();
  // Stops a run that is going (waiting for its worker) and resets the
  // progress bar.
  void StopRun();
  const CRunScheduler& Scheduler() const { return m_scheduler; }

 protected:
  bool OnInitDialog() override;
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  bool OnDialogCommand(int id, int code, HWND control) override;

  // The run finished and its output is the command's output (only the
  // current run's end arrives here).
  virtual void OnRunFinished() {}
  // The run failed or was stopped; `messages` are the errors it reported.
  virtual void OnRunFailed(const std::vector<std::string>& messages) { (void)messages; }
  // A run is about to start (the result shown is about to be replaced).
  virtual void OnRunStarting() {}
  // Whether a run can start (a template is chosen).
  virtual bool CanStartRun() const { return m_command != nullptr; }
  // Text describing the run for the test log.
  virtual std::string RunDescription() const { return std::string(); }

 private:
  // IRunTimer
  void StartTimer(int milliseconds) override;
  void KillTimer() override;
  // IRunTarget
  bool CanRun() const override { return CanStartRun(); }
  bool IsBusy() const override;
  void StopAndWait() override;
  void DropRunMessages() override;
  bool StartRun(unsigned run) override;

  int m_progressId;
  HWND m_progress = nullptr;
  GenericCommand* m_command = nullptr;
  CRunScheduler m_scheduler{*this, *this};
  double m_requested = 0;  // when the last run was asked for
};

}  // namespace ui::win
