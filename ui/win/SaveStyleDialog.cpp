#include "ui/win/SaveStyleDialog.h"

#include "resources/ResourceIds.h"

namespace ui::win {

bool CSaveStyleDlg::OnInitDialog() {
  SetDlgItemTextA(m_hwnd, IDC_STYLE_NAME, m_name.c_str());
  return true;
}

bool CSaveStyleDlg::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT* result) {
  if (message != WM_COMMAND) return false;
  *result = 0;
  switch (LOWORD(wParam)) {
    case IDOK: {
      char text[512] = {};
      GetDlgItemTextA(m_hwnd, IDC_STYLE_NAME, text, sizeof text);
      m_name = text;
      EndDialog(IDOK);
      return true;
    }
    case IDCANCEL:
      EndDialog(IDCANCEL);
      return true;
    default:
      return false;
  }
}

}  // namespace ui::win
