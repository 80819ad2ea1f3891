#include "ui/win/ModalDialog.h"

namespace ui::win {

INT_PTR CModalDialog::DoModal(HWND owner) {
  InitCommonControlsOnce();
  m_ending = false;
  m_result = -1;
  HWND hwnd = CreateDialogParamA(Module(), MAKEINTRESOURCEA(m_templateId), owner, &CModalDialog::DialogProc,
                                 reinterpret_cast<LPARAM>(this));
  if (hwnd == nullptr) return -1;
  const bool ownerWasEnabled = owner != nullptr && IsWindowEnabled(owner);
  if (ownerWasEnabled) EnableWindow(owner, FALSE);
  if (!m_ending) {
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
  }

  MSG message{};
  bool idleDue = true;
  while (!m_ending) {
    if (idleDue && !PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
      idleDue = false;
      OnIdle();
      continue;
    }
    const BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
      // The host (or the system) is quitting: end, and leave the quit for
      // the loop that owns the thread.
      PostQuitMessage(static_cast<int>(message.wParam));
      m_result = IDCANCEL;
      break;
    }
    if (got == -1) break;
    idleDue = true;
    if (PreTranslateMessage(message)) continue;
    if (m_hwnd != nullptr && IsDialogMessageA(m_hwnd, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }

  if (ownerWasEnabled) EnableWindow(owner, TRUE);
  if (m_hwnd != nullptr) {
    // Activate the owner first, so the host's window keeps the focus.
    if (owner != nullptr && GetActiveWindow() == m_hwnd) SetActiveWindow(owner);
    DestroyWindow(m_hwnd);
  }
  return m_result;
}

void CModalDialog::EndDialog(INT_PTR code) {
  m_result = code;
  m_ending = true;
  // Wakes the loop if it is waiting.
  if (m_hwnd != nullptr) PostMessageA(m_hwnd, WM_NULL, 0, 0);
}

INT_PTR CALLBACK CModalDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CModalDialog*>(FromHandle(hwnd));
  if (self == nullptr && message == WM_INITDIALOG) {
    self = reinterpret_cast<CModalDialog*>(lParam);
    self->Attach(hwnd);
    bool ok = false;
    try {
      ok = self->OnInitDialog();
    } catch (...) {
      ok = false;
    }
    if (!ok) self->EndDialog(-1);
    return TRUE;
  }
  if (self == nullptr) return FALSE;
  return self->DialogAnswer(message, wParam, lParam);
}

}  // namespace ui::win
