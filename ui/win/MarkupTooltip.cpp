#include "ui/win/MarkupTooltip.h"

#include <algorithm>

namespace ui::win {
namespace {

constexpr int kMargin = 4;

}  // namespace

CMarkupTooltip::~CMarkupTooltip() {
  if (m_font != nullptr) DeleteObject(m_font);
  if (m_boldFont != nullptr) DeleteObject(m_boldFont);
}

bool CMarkupTooltip::Create(HWND owner) {
  const char* cls = RegisterClassOnce("TintavoMarkupTip", CS_SAVEBITS | CS_DROPSHADOW, nullptr, nullptr);
  NONCLIENTMETRICSA metrics{};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  m_font = CreateFontIndirectA(&metrics.lfStatusFont);
  LOGFONTA bold = metrics.lfStatusFont;
  bold.lfWeight = FW_BOLD;
  m_boldFont = CreateFontIndirectA(&bold);
  HWND hwnd = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE, cls, "", WS_POPUP | WS_BORDER, 0, 0,
                              10, 10, owner, nullptr, Module(), this);
  return hwnd != nullptr;
}

HFONT CMarkupTooltip::FontFor(bool bold) {
  HFONT font = bold ? m_boldFont : m_font;
  return font != nullptr ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

SIZE CMarkupTooltip::Layout(HDC dc, bool draw) {
  SIZE total{0, 0};
  HGDIOBJ old = SelectObject(dc, FontFor(false));
  TEXTMETRICA tm{};
  GetTextMetricsA(dc, &tm);
  const int lineHeight = tm.tmHeight;
  SetBkMode(dc, TRANSPARENT);
  int y = kMargin;
  for (const MarkupLine& line : m_lines) {
    int x = kMargin;
    for (const MarkupRun& run : line) {
      SelectObject(dc, FontFor(run.bold));
      SIZE size{};
      GetTextExtentPoint32A(dc, run.text.c_str(), static_cast<int>(run.text.size()), &size);
      if (draw) {
        SetTextColor(dc, run.coloured ? RGB((run.colour >> 16) & 0xFF, (run.colour >> 8) & 0xFF, run.colour & 0xFF)
                                      : GetSysColor(COLOR_INFOTEXT));
        TextOutA(dc, x, y, run.text.c_str(), static_cast<int>(run.text.size()));
      }
      x += size.cx;
    }
    total.cx = std::max<LONG>(total.cx, x + kMargin);
    y += lineHeight;
  }
  total.cy = y + kMargin;
  SelectObject(dc, old);
  return total;
}

void CMarkupTooltip::Show(const std::string& markup, POINT screen) {
  if (m_hwnd == nullptr) return;
  m_text = markup;
  m_lines = ParseMarkup(markup);
  HDC dc = GetDC(m_hwnd);
  const SIZE text = Layout(dc, false);
  ReleaseDC(m_hwnd, dc);
  RECT frame{0, 0, text.cx, text.cy};
  AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongPtrA(m_hwnd, GWL_STYLE)), FALSE,
                     static_cast<DWORD>(GetWindowLongPtrA(m_hwnd, GWL_EXSTYLE)));
  const int width = frame.right - frame.left, height = frame.bottom - frame.top;
  // Below and right of the pointer's hot spot, inside the work area.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof monitor;
  GetMonitorInfoA(MonitorFromPoint(screen, MONITOR_DEFAULTTONEAREST), &monitor);
  const RECT& work = monitor.rcWork;
  int x = screen.x + 12, y = screen.y + 20;
  if (x + width > work.right) x = work.right - width;
  if (y + height > work.bottom) y = screen.y - height - 4;
  x = std::max<int>(x, work.left);
  y = std::max<int>(y, work.top);
  SetWindowPos(m_hwnd, HWND_TOPMOST, x, y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(m_hwnd, nullptr, TRUE);
}

void CMarkupTooltip::Hide() {
  if (m_hwnd != nullptr && IsWindowVisible(m_hwnd)) ShowWindow(m_hwnd, SW_HIDE);
}

bool CMarkupTooltip::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  (void)wParam;
  (void)lParam;
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT ps{};
      HDC dc = BeginPaint(m_hwnd, &ps);
      RECT client{};
      GetClientRect(m_hwnd, &client);
      FillRect(dc, &client, GetSysColorBrush(COLOR_INFOBK));
      Layout(dc, true);
      EndPaint(m_hwnd, &ps);
      *result = 0;
      return true;
    }
    case WM_MOUSEACTIVATE:
      *result = MA_NOACTIVATE;
      return true;
    case WM_NCHITTEST:
      // The pointer passes through to the grid below.
      *result = HTTRANSPARENT;
      return true;
    default:
      return false;
  }
}

}  // namespace ui::win
