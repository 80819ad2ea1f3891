#include "ui/win/SizeGrip.h"

#include "ui/win/Window.h"

namespace ui::win {
namespace {

const char kGripProperty[] = "ResizableGrip";

}  // namespace

CResizeGrip::~CResizeGrip() {
  if (m_hwnd != nullptr && IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
}

bool CResizeGrip::Create(HWND parent) {
  const int w = GetSystemMetrics(SM_CXVSCROLL), h = GetSystemMetrics(SM_CYHSCROLL);
  m_hwnd = CreateWindowExA(0, "SCROLLBAR", "", WS_CHILD | WS_VISIBLE | SBS_SIZEGRIP | SBS_SIZEBOXBOTTOMRIGHTALIGN,
                           0, 0, w, h, parent, nullptr, CWindow::Module(), nullptr);
  if (m_hwnd == nullptr) return false;
  // Only the grip's triangle takes the mouse.
  POINT triangle[3] = {{w, 0}, {w, h}, {0, h}};
  SetWindowRgn(m_hwnd, CreatePolygonRgn(triangle, 3, WINDING), FALSE);
  const LONG_PTR old = SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CResizeGrip::GripProc));
  SetPropA(m_hwnd, kGripProperty, reinterpret_cast<HANDLE>(old));
  return true;
}

void CResizeGrip::Place(int clientWidth, int clientHeight, bool maximised) {
  if (m_hwnd == nullptr) return;
  const int w = GetSystemMetrics(SM_CXVSCROLL), h = GetSystemMetrics(SM_CYHSCROLL);
  SetWindowPos(m_hwnd, HWND_BOTTOM, clientWidth - w, clientHeight - h, w, h, SWP_NOACTIVATE);
  EnableWindow(m_hwnd, !maximised);
  ShowWindow(m_hwnd, maximised ? SW_HIDE : SW_SHOW);
}

LRESULT CALLBACK CResizeGrip::GripProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto old = reinterpret_cast<WNDPROC>(GetPropA(hwnd, kGripProperty));
  if (message == WM_NCHITTEST) {
    const bool mirrored = (GetWindowLongPtrA(GetParent(hwnd), GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
    return mirrored ? HTBOTTOMLEFT : HTBOTTOMRIGHT;
  }
  if (message == WM_NCLBUTTONDOWN && (wParam == HTBOTTOMRIGHT || wParam == HTBOTTOMLEFT)) {
    // The corner belongs to the dialog: its own sizing loop takes the drag
    // (a child answering a sizing hit code would otherwise size itself).
    ReleaseCapture();
    SendMessageA(GetParent(hwnd), WM_NCLBUTTONDOWN, wParam, lParam);
    return 0;
  }
  if (message == WM_DESTROY) {
    RemovePropA(hwnd, kGripProperty);
    SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
  }
  return old != nullptr ? CallWindowProcA(old, hwnd, message, wParam, lParam)
                        : DefWindowProcA(hwnd, message, wParam, lParam);
}

}  // namespace ui::win
