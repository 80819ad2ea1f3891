#include "ui/RunScheduler.h"

namespace ui {

void CRunScheduler::Request(bool delayed) {
  if (delayed) {
    m_timer.KillTimer();
    m_timer.StartTimer(kDebounceMilliseconds);
    m_timerPending = true;
    return;
  }
  if (m_timerPending) {
    m_timer.KillTimer();
    m_timerPending = false;
  }
  RunNow();
}

void CRunScheduler::OnTimer() {
  m_timer.KillTimer();
  if (!m_timerPending) return;  // a late tick of a timer already killed
  m_timerPending = false;
  RunNow();
}

void CRunScheduler::StopRun() {
  if (m_target.IsBusy() || m_running) m_target.StopAndWait();
  // Whatever the stopped worker posted is of no use any more.
  m_target.DropRunMessages();
  m_running = false;
}

void CRunScheduler::RunNow() {
  StopRun();
  // A new number even when nothing starts: messages of older runs stay stale.
  ++m_run;
  if (!m_target.CanRun()) return;
  if (m_target.StartRun(m_run)) {
    m_running = true;
    ++m_started;
  }
}

bool CRunScheduler::AcceptProgress(unsigned run) const { return m_running && run == m_run; }

bool CRunScheduler::AcceptDone(unsigned run) {
  if (!m_running || run != m_run || m_target.IsBusy()) return false;
  m_running = false;
  return true;
}

bool CRunScheduler::AcceptFailed(unsigned run) {
  if (!m_running || run != m_run || m_target.IsBusy()) return false;
  m_running = false;
  return true;
}

CRunScheduler::CancelAction CRunScheduler::Cancel() {
  if (m_running || m_target.IsBusy()) {
    StopRun();
    ++m_run;
    return CancelAction::kStoppedRun;
  }
  if (m_timerPending) {
    m_timer.KillTimer();
    m_timerPending = false;
  }
  return CancelAction::kEndDialog;
}

}  // namespace ui
