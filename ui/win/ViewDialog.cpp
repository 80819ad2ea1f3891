#include "ui/win/ViewDialog.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "ui/DialogIds.h"
#include "ui/UiLog.h"

namespace ui::win {
namespace {

bool IsEditControl(HWND hwnd) {
  char name[32] = {};
  return hwnd != nullptr && GetClassNameA(hwnd, name, sizeof name) > 0 && lstrcmpiA(name, "Edit") == 0;
}

}  // namespace

CViewDlg::CViewDlg(int templateId, int acceleratorsId, int titleId)
    : CModalDialog(templateId), m_title(LoadModuleString(titleId)), m_acceleratorsId(acceleratorsId) {}

CViewDlg::~CViewDlg() {
  if (m_smallIcon != nullptr) DestroyIcon(m_smallIcon);
}

bool CViewDlg::OnInitDialog() {
  m_accelerators = LoadAcceleratorsA(Module(), MAKEINTRESOURCEA(m_acceleratorsId));
  m_largeIcon = LoadIconA(Module(), MAKEINTRESOURCEA(IDI_TINTAVO));
  m_smallIcon = static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(IDI_TINTAVO), IMAGE_ICON, 16, 16, 0));
  SendMessageA(m_hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon));
  SendMessageA(m_hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_largeIcon));
  SetWindowTextA(m_hwnd, m_title.c_str());
  return CreateView() && CreateToolBar();
}

bool CViewDlg::CreateView() {
  HWND place = GetDlgItem(m_hwnd, kIdPreview);
  if (place == nullptr) return false;
  const Rect rect = ChildRect(kIdPreview);
  const Rect client = ClientRect();
  m_viewRightGap = client.right - rect.right;
  m_viewBottomGap = client.bottom - rect.bottom;
  DestroyWindow(place);
  m_view = std::make_unique<CToolView>(m_image, m_mask, this);
  return m_view->Create(m_hwnd, kIdPreview, rect);
}

bool CViewDlg::CreateToolBar() {
  HWND place = GetDlgItem(m_hwnd, kIdToolBar);
  if (place == nullptr) return false;
  const Rect rect = ChildRect(kIdToolBar);
  DestroyWindow(place);
  m_toolBar = CreateWindowExA(0, TOOLBARCLASSNAMEA, "",
                              WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | TBSTYLE_WRAPABLE |
                                  CCS_NODIVIDER | CCS_NORESIZE | CCS_NOPARENTALIGN,
                              rect.left, rect.top, rect.Width(), rect.Height(), m_hwnd,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kIdToolBar)), Module(), nullptr);
  if (m_toolBar == nullptr) return false;
  SendMessageA(m_toolBar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageA(m_toolBar, TB_SETBITMAPSIZE, 0, MAKELPARAM(16, 15));
  TBADDBITMAP bitmap{Module(), IDR_TOOLBAR};
  const int first = static_cast<int>(SendMessageA(m_toolBar, TB_ADDBITMAP, 2, reinterpret_cast<LPARAM>(&bitmap)));
  TBBUTTON buttons[2] = {};
  const int commands[2] = {kCmdZoomTool, kCmdPanTool};
  for (int i = 0; i < 2; ++i) {
    buttons[i].iBitmap = first + i;
    buttons[i].idCommand = commands[i];
    buttons[i].fsState = TBSTATE_ENABLED | TBSTATE_WRAP;
    buttons[i].fsStyle = BTNS_CHECKGROUP;
  }
  SendMessageA(m_toolBar, TB_ADDBUTTONS, 2, reinterpret_cast<LPARAM>(buttons));
  // One button per row: the bar is as wide as a button and as tall as both.
  RECT last{};
  SendMessageA(m_toolBar, TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&last));
  SetWindowPos(m_toolBar, nullptr, rect.left, rect.top, last.right, last.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

void CViewDlg::OnZoomChanged(double zoom, double /*previous*/) {
  const int percent = static_cast<int>(zoom * 100);
  char text[32];
  std::snprintf(text, sizeof text, "%d%%", percent);
  SetDlgItemTextA(m_hwnd, kIdZoomText, text);
  const std::string caption = m_title + " [" + text + "]";
  SetWindowTextA(m_hwnd, caption.c_str());
  UiLogLine("zoom " + std::to_string(percent));
}

bool CViewDlg::PreTranslateMessage(MSG& message) {
  if (message.message == WM_MOUSEWHEEL) {
    // The wheel acts on the view under the pointer, wherever the focus is.
    POINT p{static_cast<short>(LOWORD(message.lParam)), static_cast<short>(HIWORD(message.lParam))};
    HWND under = WindowFromPoint(p);
    if (m_view != nullptr && under == m_view->Handle()) {
      SendMessageA(under, WM_MOUSEWHEEL, message.wParam, message.lParam);
      return true;
    }
    return false;
  }
  if ((message.message == WM_KEYDOWN || message.message == WM_KEYUP) && message.wParam == VK_CONTROL &&
      m_view != nullptr) {
    // The Ctrl key belongs to the view while the pointer is over it.
    POINT p{};
    GetCursorPos(&p);
    if (WindowFromPoint(p) == m_view->Handle()) {
      SendMessageA(m_view->Handle(), message.message, message.wParam, message.lParam);
      return true;
    }
  }
  if (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST && m_accelerators != nullptr &&
      (message.hwnd == m_hwnd || IsChild(m_hwnd, message.hwnd))) {
    // A minus typed into a field is a minus, not a zoom step.
    if (IsEditControl(GetFocus())) return false;
    return TranslateAcceleratorA(m_hwnd, m_accelerators, &message) != 0;
  }
  return false;
}

void CViewDlg::OnIdle() {
  if (m_toolBar == nullptr || m_view == nullptr) return;
  for (int id : {kCmdZoomTool, kCmdPanTool}) {
    SendMessageA(m_toolBar, TB_CHECKBUTTON, id, MAKELPARAM(m_view->CurrentTool() == id, 0));
  }
}

bool CViewDlg::OnDialogCommand(int /*id*/, int /*code*/, HWND /*control*/) { return false; }

bool CViewDlg::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      *result = 0;
      if (m_view != nullptr && m_view->OnCommand(id)) return true;
      return OnDialogCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam));
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == TTN_GETDISPINFOA) {
        // Tool tips: the string resource numbered as the button's command.
        auto* info = reinterpret_cast<NMTTDISPINFOA*>(lParam);
        info->hinst = Module();
        info->lpszText = MAKEINTRESOURCEA(info->hdr.idFrom);
        *result = 0;
        return true;
      }
      return false;
    }
    case WM_QUERYDRAGICON:
      *result = reinterpret_cast<LRESULT>(m_smallIcon);
      return true;
    default:
      return false;
  }
}

}  // namespace ui::win
