#include "ui/win/FolderBar.h"

#include "resources/ResourceIds.h"

namespace ui::win {

bool CFolderBar::Create(HWND parent, HWND owner, UINT commandMessage) {
  m_owner = owner;
  m_commandMessage = commandMessage;
  InitCommonControlsOnce();
  return CreateDialogParamA(Module(), MAKEINTRESOURCEA(IDD_THUMBS_CONTROL), parent, &CFolderBar::DialogProc,
                            reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CFolderBar::SetFolderText(const std::string& text) { SetDlgItemTextA(m_hwnd, IDC_FOLDER_TEXT, text.c_str()); }

bool CFolderBar::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  (void)lParam;
  if (message != WM_COMMAND || HIWORD(wParam) != BN_CLICKED) return false;
  const int id = LOWORD(wParam);
  if (id != IDC_CHANGE_FOLDER && id != IDC_DEFAULT_FOLDER) return false;
  if (m_owner != nullptr) SendMessageA(m_owner, m_commandMessage, 1, id == IDC_CHANGE_FOLDER ? 1 : 2);
  *result = 0;
  return true;
}

INT_PTR CALLBACK CFolderBar::DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CFolderBar*>(FromHandle(hwnd));
  if (self == nullptr && message == WM_INITDIALOG) {
    self = reinterpret_cast<CFolderBar*>(lParam);
    self->Attach(hwnd);
    return TRUE;
  }
  if (self == nullptr) return FALSE;
  return self->DialogAnswer(message, wParam, lParam);
}

}  // namespace ui::win
