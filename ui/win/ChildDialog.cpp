#include "ui/win/ChildDialog.h"

namespace ui::win {

bool CChildDialog::Create(HWND parent) {
  m_initialised = false;
  HWND hwnd = CreateDialogParamA(Module(), MAKEINTRESOURCEA(m_templateId), parent, &CChildDialog::DialogProc,
                                 reinterpret_cast<LPARAM>(this));
  if (hwnd == nullptr) return false;
  if (!m_initialised) {
    DestroyWindow(hwnd);
    return false;
  }
  return true;
}

INT_PTR CALLBACK CChildDialog::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CChildDialog*>(FromHandle(hwnd));
  if (self == nullptr && message == WM_INITDIALOG) {
    self = reinterpret_cast<CChildDialog*>(lParam);
    self->Attach(hwnd);
    try {
      self->m_initialised = self->OnInitDialog();
    } catch (...) {
      self->m_initialised = false;
    }
    return FALSE;  // the focus stays where the main dialog puts it
  }
  if (self == nullptr) return FALSE;
  return self->DialogAnswer(message, wParam, lParam);
}

}  // namespace ui::win
