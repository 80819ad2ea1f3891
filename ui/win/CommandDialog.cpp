#include "ui/win/CommandDialog.h"

#include <commctrl.h>

#include <cstdio>

#include "commands/CommandMessages.h"
#include "platform/Clock.h"
#include "transfer/ColorTransfer.h"
#include "ui/UiLog.h"

namespace ui::win {

CCommandDlg::CCommandDlg(int templateId, int progressId, int acceleratorsId, int titleId)
    : CViewDlg(templateId, acceleratorsId, titleId), m_progressId(progressId) {}

bool CCommandDlg::OnInitDialog() {
  if (!CViewDlg::OnInitDialog()) return false;
  HWND place = GetDlgItem(m_hwnd, m_progressId);
  if (place != nullptr) {
    const Rect rect = ChildRect(m_progressId);
    DestroyWindow(place);
    m_progress = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, rect.left, rect.top, rect.Width(),
                                 rect.Height(), m_hwnd,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(m_progressId)), Module(), nullptr);
  }
  return true;
}

void CCommandDlg::FlushProgress() {
  MSG message;
  while (PeekMessageA(&message, m_hwnd, UM_PROGRESS, UM_PROGRESS, PM_REMOVE)) {
  }
  if (m_progress != nullptr) SendMessageA(m_progress, PBM_SETPOS, 0, 0);
}

void CCommandDlg::StopRun() {
  m_scheduler.StopRun();
  FlushProgress();
}

void CCommandDlg::StartTimer(int milliseconds) { SetTimer(m_hwnd, kRunTimer, static_cast<UINT>(milliseconds), nullptr); }

void CCommandDlg::KillTimer() { ::KillTimer(m_hwnd, kRunTimer); }

bool CCommandDlg::IsBusy() const { return m_command != nullptr && (m_command->IsBusy() || m_command->IsRunning()); }

void CCommandDlg::StopAndWait() {
  if (m_command != nullptr) m_command->Stop();
}

void CCommandDlg::DropRunMessages() {
  MSG message;
  for (UINT id : {UM_PROGRESS, UM_RUNDONE, UM_RUNFAILED}) {
    while (PeekMessageA(&message, m_hwnd, id, id, PM_REMOVE)) {
    }
  }
  if (m_progress != nullptr) SendMessageA(m_progress, PBM_SETPOS, 0, 0);
}

bool CCommandDlg::StartRun(unsigned run) {
  if (m_command == nullptr) return false;
  OnRunStarting();
  m_command->SetRunTag(run);
  UiLogLine("run start " + RunDescription());
  m_command->Start().RaiseIfError();
  return true;
}

void CCommandDlg::RequestRun(bool delayed) {
  m_requested = platform::MonotonicSeconds();
  m_scheduler.Request(delayed);
}

bool CCommandDlg::OnDialogCommand(int id, int code, HWND control) {
  if (id == IDCANCEL) {
    if (m_scheduler.Cancel() == CRunScheduler::CancelAction::kStoppedRun) {
      FlushProgress();
      UiLogLine("run stopped");
      return true;
    }
    FlushProgress();
    UiLogLine("end cancel");
    EndDialog(IDCANCEL);
    return true;
  }
  return CViewDlg::OnDialogCommand(id, code, control);
}

bool CCommandDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_TIMER:
      if (wParam != kRunTimer) return false;
      m_scheduler.OnTimer();
      *result = 0;
      return true;
    case UM_PROGRESS: {
      // Only the newest position is shown.
      LPARAM position = lParam;
      MSG newer;
      while (PeekMessageA(&newer, m_hwnd, UM_PROGRESS, UM_PROGRESS, PM_REMOVE)) position = newer.lParam;
      if (m_progress != nullptr && m_scheduler.Running()) SendMessageA(m_progress, PBM_SETPOS, position, 0);
      *result = 0;
      return true;
    }
    case UM_RUNDONE:
      if (m_scheduler.AcceptDone(static_cast<unsigned>(wParam))) {
        FlushProgress();
        OnRunFinished();
        // With the time from the last request and the engine's share of it,
        // for the test log.
        char line[96];
        const TransferPassTimes t = LastTransferPassTimes();
        std::snprintf(line, sizeof line, "run done %.1f ms (transfer %.1f ms)",
                      (platform::MonotonicSeconds() - m_requested) * 1000.0,
                      (t.lattices + t.sourcePass + t.templatePass + t.statistics + t.outputPass) * 1000.0);
        UiLogLine(line);
      }
      *result = 0;
      return true;
    case UM_RUNFAILED:
      if (m_scheduler.AcceptFailed(static_cast<unsigned>(wParam))) {
        FlushProgress();
        const std::vector<std::string> messages = m_command != nullptr ? m_command->RunMessages()
                                                                        : std::vector<std::string>();
        UiLogLine("run failed " + (messages.empty() ? std::string("(stopped)") : messages.back()));
        OnRunFailed(messages);
      }
      *result = 0;
      return true;
    default:
      return CViewDlg::OnMessage(message, wParam, lParam, result);
  }
}

}  // namespace ui::win
