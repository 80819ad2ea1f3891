#include "ui/win/PreviewView.h"

#include <algorithm>

#include <cstdio>

#include "image/ScreenBitmap.h"
#include "platform/Clock.h"
#include "ui/DialogIds.h"
#include "ui/PreviewScaler.h"
#include "ui/UiLog.h"

namespace ui::win {
namespace {

// The signed coordinates of a mouse message.
Point PointOf(LPARAM lParam) {
  return {static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))),
          static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
}

}  // namespace

CToolView::CToolView(const CImageBuffer* image, const CImageBuffer* mask, IZoomListener* listener)
    : m_image(image), m_mask(mask), m_listener(listener) {}

bool CToolView::Create(HWND parent, int id, const Rect& rect) {
  const char* cls = RegisterClassOnce("TintavoPreview", CS_DBLCLKS, nullptr, nullptr);
  m_zoomCursor = LoadCursorA(Module(), MAKEINTRESOURCEA(IDC_CURSOR_ZOOM));
  m_panCursor = LoadCursorA(Module(), MAKEINTRESOURCEA(IDC_CURSOR_PAN));
  HWND hwnd = CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | WS_BORDER | WS_HSCROLL | WS_VSCROLL, rect.left,
                              rect.top, rect.Width(), rect.Height(), parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Module(), this);
  if (hwnd == nullptr) return false;
  ImageChanged();
  if (m_listener != nullptr) m_listener->OnZoomChanged(m_model.Zoom(), m_model.Zoom());
  return true;
}

void CToolView::ImageChanged() {
  const bool has = m_image != nullptr && !m_image->IsEmpty();
  m_model.SetImageSize(has ? Size{m_image->Width(), m_image->Height()} : Size{});
  UpdateScrollBars();
  InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CToolView::ClientSizeChanged() {
  const Rect client = ClientRect();
  m_model.SetClientSize({client.Width(), client.Height()});
}

void CToolView::ZoomToFit() {
  // The fit is taken without scroll bars: with the whole image in view
  // they go away.
  RECT window{};
  GetClientRect(m_hwnd, &window);
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(m_hwnd, GWL_STYLE));
  int width = window.right, height = window.bottom;
  if (style & WS_VSCROLL) width += GetSystemMetrics(SM_CXVSCROLL);
  if (style & WS_HSCROLL) height += GetSystemMetrics(SM_CYHSCROLL);
  CZoomModel full = m_model;
  full.SetClientSize({width, height});
  SetZoom(full.FitZoom(), nullptr);
}

void CToolView::SetZoom(double factor, const Point* anchor) {
  ClientSizeChanged();
  const double old = m_model.SetZoom(factor, anchor);
  UpdateScrollBars();
  InvalidateRect(m_hwnd, nullptr, FALSE);
  if (m_listener != nullptr) m_listener->OnZoomChanged(m_model.Zoom(), old);
}

void CToolView::Step(bool in, const Point* anchor) {
  ClientSizeChanged();
  const double old = m_model.Zoom();
  const bool changed = in ? m_model.StepIn(anchor) : m_model.StepOut(anchor);
  if (!changed) return;
  UpdateScrollBars();
  InvalidateRect(m_hwnd, nullptr, FALSE);
  if (m_listener != nullptr) m_listener->OnZoomChanged(m_model.Zoom(), old);
}

void CToolView::UpdateScrollBars() {
  if (m_hwnd == nullptr || m_updatingBars) return;
  m_updatingBars = true;
  // Which bars are needed is decided on the whole area, as if none were
  // shown: a bar takes room from the other direction, and an image that
  // fits the whole area needs neither.
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(m_hwnd, GWL_STYLE));
  const int barWidth = GetSystemMetrics(SM_CXVSCROLL), barHeight = GetSystemMetrics(SM_CYHSCROLL);
  const Rect client = ClientRect();
  const Size full{client.Width() + ((style & WS_VSCROLL) ? barWidth : 0),
                  client.Height() + ((style & WS_HSCROLL) ? barHeight : 0)};
  m_model.SetClientSize(full);
  const Size total = m_model.ScrollSize();
  bool vertical = total.height > full.height;
  bool horizontal = total.width > full.width;
  if (vertical && !horizontal) horizontal = total.width > full.width - barWidth;
  if (horizontal && !vertical) vertical = total.height > full.height - barHeight;
  const Size inner{full.width - (vertical ? barWidth : 0), full.height - (horizontal ? barHeight : 0)};
  m_model.SetClientSize(inner);

  auto setBar = [this](int bar, bool shown, int totalSize, int page, int position) {
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    info.nMax = shown ? std::max(0, totalSize - 1) : 0;
    info.nPage = shown ? static_cast<UINT>(std::max(0, page)) : 1;
    info.nPos = shown ? position : 0;
    SetScrollInfo(m_hwnd, bar, &info, TRUE);
    ShowScrollBar(m_hwnd, bar, shown);
  };
  setBar(SB_HORZ, horizontal, total.width, inner.width, m_model.Scroll().x);
  setBar(SB_VERT, vertical, total.height, inner.height, m_model.Scroll().y);
  ClientSizeChanged();
  m_updatingBars = false;
}

void CToolView::ScrollBy(int bar, int request, int thumb) {
  const Size client = m_model.ClientSize();
  Point scroll = m_model.Scroll();
  int& pos = bar == SB_HORZ ? scroll.x : scroll.y;
  const int page = bar == SB_HORZ ? client.width : client.height;
  const int line = std::max(1, page / 10);
  switch (request) {
    case SB_LINEUP: pos -= line; break;
    case SB_LINEDOWN: pos += line; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: pos = thumb; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = 1 << 30; break;
    default: return;
  }
  m_model.ScrollTo(scroll);
  SetScrollPos(m_hwnd, SB_HORZ, m_model.Scroll().x, TRUE);
  SetScrollPos(m_hwnd, SB_VERT, m_model.Scroll().y, TRUE);
  InvalidateRect(m_hwnd, nullptr, FALSE);
}

bool CToolView::OnCommand(int id) {
  if (id == kCmdZoomIn || id == kCmdZoomOut) {
    Step(id == kCmdZoomIn, nullptr);
    return true;
  }
  if (id >= kCmdZoomTool && id <= kCmdZoomTool + 1000) {
    m_tool = id;
    if (onToolChanged) onToolChanged(id);
    return true;
  }
  return false;
}

void CToolView::Paint() {
  const double started = platform::MonotonicSeconds();
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(m_hwnd, &ps);
  const Rect client = ClientRect();
  if (client.IsEmpty()) {
    EndPaint(m_hwnd, &ps);
    return;
  }
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, client.Width(), client.Height());
  HGDIOBJ old = SelectObject(memory, bitmap);
  FillRect(memory, &ps.rcPaint, GetSysColorBrush(COLOR_WINDOW));

  if (m_image != nullptr && !m_image->IsEmpty()) {
    // Zoomed-image coordinates: content minus the centring offset; client
    // coordinates: content minus the scroll position.
    const Point offset = m_model.CentreOffset();
    const Point scroll = m_model.Scroll();
    const int dx = scroll.x - offset.x, dy = scroll.y - offset.y;
    const Rect clip = ToRect(ps.rcPaint).Offset(dx, dy);
    const Rect visible = client.Offset(dx, dy);
    PreviewRegion region;
    const CImageBuffer empty;
    if (ScalePreview(*m_image, m_mask != nullptr ? *m_mask : empty, m_model.Zoom(), clip, visible, &region)) {
      const ImageRect destination{region.place.left - dx, region.place.top - dy, region.place.right - dx,
                                  region.place.bottom - dy};
      const ImageRect source{0, 0, region.place.Width(), region.place.Height()};
      DrawStretched(region.pixels, memory, destination, source).RaiseIfError();
    }
  }
  BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left, ps.rcPaint.bottom - ps.rcPaint.top,
         memory, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(m_hwnd, &ps);
  if (UiLogEnabled()) {
    char line[64];
    std::snprintf(line, sizeof line, "paint %.1f ms", (platform::MonotonicSeconds() - started) * 1000.0);
    UiLogLine(line);
  }
}

void CToolView::PanLoop(Point start) {
  SetCapture(m_hwnd);
  Point previous = start;
  MSG message{};
  while (GetCapture() == m_hwnd && GetMessageA(&message, nullptr, 0, 0) > 0) {
    if (message.message == WM_MOUSEMOVE && message.hwnd == m_hwnd) {
      const Point at = PointOf(message.lParam);
      const Point scroll = m_model.Scroll();
      m_model.ScrollTo({scroll.x + previous.x - at.x, scroll.y + previous.y - at.y});
      if (m_model.Scroll() != scroll) {
        SetScrollPos(m_hwnd, SB_HORZ, m_model.Scroll().x, TRUE);
        SetScrollPos(m_hwnd, SB_VERT, m_model.Scroll().y, TRUE);
        InvalidateRect(m_hwnd, nullptr, FALSE);
        UpdateWindow(m_hwnd);
      }
      previous = at;
      continue;
    }
    if (message.message == WM_LBUTTONUP) break;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (message.message == WM_QUIT) PostQuitMessage(static_cast<int>(message.wParam));
  if (GetCapture() == m_hwnd) ReleaseCapture();
}

bool CToolView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_SIZE:
      UpdateScrollBars();
      InvalidateRect(m_hwnd, nullptr, FALSE);
      return false;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_PAINT:
      Paint();
      *result = 0;
      return true;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      SCROLLINFO info{};
      info.cbSize = sizeof info;
      info.fMask = SIF_TRACKPOS;
      const int bar = message == WM_HSCROLL ? SB_HORZ : SB_VERT;
      GetScrollInfo(m_hwnd, bar, &info);
      ScrollBy(bar, LOWORD(wParam), info.nTrackPos);
      *result = 0;
      return true;
    }
    case WM_SETCURSOR:
      if (LOWORD(lParam) == HTCLIENT && (m_tool == kCmdZoomTool || m_tool == kCmdPanTool)) {
        HCURSOR cursor = m_tool == kCmdZoomTool ? m_zoomCursor : m_panCursor;
        if (cursor != nullptr) {
          SetCursor(cursor);
          *result = TRUE;
          return true;
        }
      }
      return false;
    case WM_LBUTTONDOWN: {
      SetFocus(m_hwnd);
      const Point at = PointOf(lParam);
      if (m_tool == kCmdZoomTool) Step(true, &at);
      if (m_tool == kCmdPanTool) PanLoop(at);
      return false;
    }
    case WM_RBUTTONDOWN:
      if (m_tool == kCmdZoomTool) {
        const Point at = PointOf(lParam);
        Step(false, &at);
      }
      return false;
    case WM_LBUTTONDBLCLK:
      if (onRunRequest) onRunRequest();
      return false;
    case WM_MOUSEWHEEL: {
      const Point screen = PointOf(lParam);
      POINT p{screen.x, screen.y};
      ScreenToClient(m_hwnd, &p);
      const Point at{p.x, p.y};
      Step(GET_WHEEL_DELTA_WPARAM(wParam) >= 0, &at);
      *result = 0;
      return true;
    }
    default:
      return false;
  }
}

}  // namespace ui::win
