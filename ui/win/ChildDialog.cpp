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
  LRESULT result = 0;
  const bool handled = self->Dispatch(message, wParam, lParam, &result);
  if (message == WM_NCDESTROY) {
    self->Detach();
    self->OnDestroyed();
  }
  if (!handled) return FALSE;
  switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
      return static_cast<INT_PTR>(result);
    default:
      SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

}  // namespace ui::win
