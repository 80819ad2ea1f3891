#include "ui/win/ThumbnailView.h"

#include <algorithm>

#include "image/ScreenBitmap.h"
#include "platform/Clock.h"
#include "platform/FileIcon.h"
#include "ui/SmoothWheel.h"
#include "ui/UiLog.h"
#include "ui/win/ThumbnailMessages.h"

namespace ui::win {
namespace {

// The signed client coordinates of a mouse message.
Point PointOf(LPARAM lParam) {
  return {static_cast<short>(LOWORD(static_cast<DWORD_PTR>(lParam))),
          static_cast<short>(HIWORD(static_cast<DWORD_PTR>(lParam)))};
}

bool KeyDown(int key) { return (GetKeyState(key) & 0x8000) != 0; }

// A mouse-button or keyboard message waiting in the thread's queue.
bool InputWaiting() {
  MSG message;
  return PeekMessageA(&message, nullptr, WM_LBUTTONDOWN, WM_RBUTTONDBLCLK, PM_NOREMOVE) ||
         PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE);
}

Rgb SystemColour(int index) {
  const COLORREF c = GetSysColor(index);
  return {GetRValue(c), GetGValue(c), GetBValue(c)};
}

}  // namespace

CThumbnailView::CThumbnailView() = default;

CThumbnailView::~CThumbnailView() {
  if (m_source != nullptr) m_source->AttachView(nullptr);
}

bool CThumbnailView::Create(HWND parent, int id, const Rect& rect) {
  const char* cls = RegisterClassOnce("TintavoThumbnailView", CS_DBLCLKS, nullptr, nullptr);
  m_window = SystemColour(COLOR_WINDOW);
  HWND hwnd = CreateWindowExA(0, cls, "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP, rect.left, rect.top,
                              rect.Width(), rect.Height(), parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                              Module(), this);
  if (hwnd == nullptr) return false;
  m_tooltip.Create(hwnd);
  Layout();
  return true;
}

void CThumbnailView::SetSource(CThumbnailSource* source) {
  if (m_source != nullptr && m_source != source) m_source->AttachView(nullptr);
  ApplyHover(m_hover.OnMove(-1, false));  // no tooltip of another list's item
  m_source = source;
  m_grid.ClearSelection();
  if (m_source != nullptr) {
    const Size thumb = m_source->ThumbnailSize();
    m_grid.SetCellSize({thumb.width + 10, thumb.height + 10});
    m_source->AttachView(m_hwnd);
    // Files that failed before this grid was attached had nobody to tell.
    m_source->RemoveFailedItems();
    if (UiLogEnabled()) UiLogLine("grid items " + std::to_string(m_source->Count()));
  }
  Layout();
}

void CThumbnailView::Select(int i) {
  m_grid.Select(i);
  if (m_grid.Focus() == i) m_grid.MoveFocus(i, false, false);
  InvalidateRect(m_hwnd, nullptr, FALSE);
}

// ===========================================================================
// Layout and scrolling
// ===========================================================================

GridLayout CThumbnailView::LayoutFor(Size client) const {
  const DWORD style = m_hwnd != nullptr ? static_cast<DWORD>(GetWindowLongPtrA(m_hwnd, GWL_STYLE)) : 0;
  SCROLLBARINFO bar{};
  bar.cbSize = sizeof bar;
  const bool shown = m_hwnd != nullptr && (style & WS_VSCROLL) &&
                     GetScrollBarInfo(m_hwnd, OBJID_VSCROLL, &bar) && !(bar.rgstate[0] & STATE_SYSTEM_INVISIBLE);
  return LayoutGrid(m_grid.CellSize(), m_source != nullptr ? m_source->Count() : 0, client, shown,
                    GetSystemMetrics(SM_CXVSCROLL));
}

void CThumbnailView::Layout() {
  if (m_hwnd == nullptr) return;
  m_grid.SetCount(m_source != nullptr ? m_source->Count() : 0);
  const Rect client = ClientRect();
  m_grid.SetClientSize({client.Width(), client.Height()});
  UpdateScrollBar();
  // Showing or hiding the bar changed the client width.
  const Rect after = ClientRect();
  m_grid.SetClientSize({after.Width(), after.Height()});
  InvalidateRect(m_hwnd, nullptr, FALSE);
}

void CThumbnailView::UpdateScrollBar() {
  const GridLayout layout = LayoutFor(m_grid.ClientSize());
  const int page = m_grid.ClientSize().height;
  const int maximum = std::max(0, layout.content.height - page);
  const int scroll = std::clamp(m_grid.Scroll(), 0, maximum);
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = std::max(0, layout.content.height - 1);
  info.nPage = static_cast<UINT>(std::max(0, page));
  info.nPos = scroll;
  SetScrollInfo(m_hwnd, SB_VERT, &info, TRUE);
  m_grid.SetScroll(scroll);
}

void CThumbnailView::ScrollTo(int y) {
  const GridLayout layout = LayoutFor(m_grid.ClientSize());
  const int maximum = std::max(0, layout.content.height - m_grid.ClientSize().height);
  y = std::clamp(y, 0, maximum);
  const int old = m_grid.Scroll();
  if (y == old) return;
  m_grid.SetScroll(y);
  SetScrollPos(m_hwnd, SB_VERT, y, TRUE);
  ScrollWindowEx(m_hwnd, 0, old - y, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);
  UpdateHover();
}

void CThumbnailView::EnsureFocusVisible() {
  ScrollTo(m_grid.ScrollToShow(m_grid.Focus()));
  UpdateHover();
}

void CThumbnailView::InvalidateItem(int i) {
  if (i < 0) return;
  const Rect cell = m_grid.CellRect(i).Offset(0, -m_grid.Scroll());
  RECT r = ToRECT(cell);
  InvalidateRect(m_hwnd, &r, FALSE);
}

void CThumbnailView::InvalidateItems(const std::vector<int>& items) {
  for (int i : items) InvalidateItem(i);
}

void CThumbnailView::NotifySelChange() {
  SendMessageA(GetParent(m_hwnd), SelChangeMessage(), reinterpret_cast<WPARAM>(m_hwnd), m_grid.Focus());
}

// ===========================================================================
// Painting
// ===========================================================================

CImageBuffer& CThumbnailView::Background(bool selected) {
  const Size cell = m_grid.CellSize();
  if (!(m_backgroundSize == cell)) {
    m_backgrounds[0].Clear();
    m_backgrounds[1].Clear();
    m_backgroundSize = cell;
  }
  CImageBuffer& background = m_backgrounds[selected ? 1 : 0];
  if (background.IsEmpty()) {
    MakeCellBackground(&background, cell, selected, m_window, m_background, m_selection).RaiseIfError();
  }
  return background;
}

void CThumbnailView::DrawCell(HDC dc, int i, const Rect& cell, bool focused) {
  const bool selected = m_grid.IsSelected(i);
  CImageBuffer& background = Background(selected);
  DrawStretched(background, dc, cell.left, cell.top, cell.Width(), cell.Height(), 0, 0, 0, 0).RaiseIfError();
  const CImageBuffer* picture = m_source->Thumbnail(i);
  if (picture == nullptr) picture = m_source->SecondPicture(i);
  if (picture != nullptr) {
    CImageBuffer shared(*picture);  // shares the pixels
    const int x = cell.left + (cell.Width() - shared.Width()) / 2;
    const int y = cell.top + (cell.Height() - shared.Height()) / 2;
    DrawStretched(shared, dc, x, y, shared.Width(), shared.Height(), 0, 0, 0, 0).RaiseIfError();
  } else if (platform::IconHandle icon = m_source->ShellIcon(i)) {
    // Until the thumbnail is made: the file's icon on the cell's fill.
    const int w = GetSystemMetrics(SM_CXICON), h = GetSystemMetrics(SM_CYICON);
    DrawIconEx(dc, cell.left + (cell.Width() - w) / 2, cell.top + (cell.Height() - h) / 2, static_cast<HICON>(icon),
               w, h, 0, nullptr, DI_NORMAL);
    platform::DestroyFileIcon(icon);
  }
  if (focused) {
    RECT r{cell.left + 4, cell.top + 4, cell.right - 4, cell.bottom - 4};
    DrawFocusRect(dc, &r);
  }
}

Rect CThumbnailView::MarkerRect(const InsertionPoint& marker) const {
  if (marker.index < 0) return {};
  const Rect cell = m_grid.CellRect(marker.index).Offset(0, -m_grid.Scroll());
  const int x = marker.after ? cell.right : cell.left;
  return {x - 4, cell.top + 2, x + 4, cell.bottom - 2};
}

void CThumbnailView::Paint() {
  PAINTSTRUCT ps{};
  HDC dc = BeginPaint(m_hwnd, &ps);
  const Rect client = ClientRect();
  if (client.IsEmpty()) {
    EndPaint(m_hwnd, &ps);
    return;
  }
  const double started = platform::MonotonicSeconds();
  // Drawn off-screen and copied once, so cells never flicker.
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, client.Width(), client.Height());
  HGDIOBJ oldBitmap = SelectObject(memory, bitmap);
  FillRect(memory, &ps.rcPaint, GetSysColorBrush(COLOR_WINDOW));
  const Rect clip = ToRect(ps.rcPaint);
  int drawn = 0;
  if (m_source != nullptr && m_source->Count() > 0) {
    m_grid.SetCount(m_source->Count());
    int first = 0, last = 0;
    m_grid.VisibleRange(&first, &last);
    // The visible thumbnails are made first.
    for (int i = first; i <= last; ++i) {
      if (m_source->Thumbnail(i) == nullptr) {
        m_source->RequestIndex(i);
        break;
      }
    }
    const bool hasFocus = GetFocus() == m_hwnd;
    for (int i = first; i <= last; ++i) {
      const Rect cell = m_grid.CellRect(i).Offset(0, -m_grid.Scroll());
      if (cell.Intersect(clip).IsEmpty()) continue;
      DrawCell(memory, i, cell, hasFocus && i == m_grid.Focus());
      ++drawn;
    }
    if (m_dragging && m_marker.index >= 0) {
      // The insertion marker: an I-beam, 2 pixels wide, with short bars at
      // both ends.
      const Rect r = MarkerRect(m_marker);
      HBRUSH brush = CreateSolidBrush(RGB(64, 64, 64));
      const int x = (r.left + r.right) / 2;
      RECT stem{x - 1, r.top, x + 1, r.bottom};
      RECT top{x - 3, r.top, x + 3, r.top + 1};
      RECT bottom{x - 3, r.bottom - 1, x + 3, r.bottom};
      FillRect(memory, &stem, brush);
      FillRect(memory, &top, brush);
      FillRect(memory, &bottom, brush);
      DeleteObject(brush);
    }
  }
  BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left, ps.rcPaint.bottom - ps.rcPaint.top,
         memory, ps.rcPaint.left, ps.rcPaint.top, SRCCOPY);
  SelectObject(memory, oldBitmap);
  DeleteObject(bitmap);
  DeleteDC(memory);
  EndPaint(m_hwnd, &ps);
  if (UiLogEnabled() && drawn > 0) {
    char line[96];
    std::snprintf(line, sizeof line, "grid paint %d cells %.1f ms", drawn,
                  (platform::MonotonicSeconds() - started) * 1000.0);
    UiLogLine(line);
  }
}

// ===========================================================================
// Hover and tooltip
// ===========================================================================

bool CThumbnailView::TipActive(POINT screen) const {
  if (m_source == nullptr || !m_source->HasTooltips() || m_dragging) return false;
  HWND under = WindowFromPoint(screen);
  return under == m_hwnd || (m_tooltip.Handle() != nullptr && under == m_tooltip.Handle());
}

void CThumbnailView::ApplyHover(const HoverActions& actions) {
  if (actions.killTimer) KillTimer(m_hwnd, kHoverTimerId);
  if (actions.hideTip && m_tooltip.Visible()) {
    m_tooltip.Hide();
    if (UiLogEnabled()) UiLogLine("tooltip hidden");
  }
  if (actions.setTimerMs > 0) SetTimer(m_hwnd, kHoverTimerId, static_cast<UINT>(actions.setTimerMs), nullptr);
  if (actions.showTip) {
    POINT screen{};
    GetCursorPos(&screen);
    m_tooltip.Show(actions.text, screen);
    if (UiLogEnabled()) {
      UiLogLine("tooltip " + std::to_string(m_hover.Shown()));
      UiLogControl(kHoverTimerId, ScreenRectOf(m_tooltip.Handle()));
    }
  }
}

void CThumbnailView::UpdateHover() {
  POINT screen{};
  GetCursorPos(&screen);
  POINT client = screen;
  ScreenToClient(m_hwnd, &client);
  const int item = m_grid.ItemAt({client.x, client.y});
  ApplyHover(m_hover.OnMove(item, TipActive(screen)));
}

// ===========================================================================
// Mouse
// ===========================================================================

void CThumbnailView::SetMarker(const InsertionPoint& marker) {
  if (marker.index == m_marker.index && marker.after == m_marker.after) return;
  RECT old = ToRECT(MarkerRect(m_marker));
  InvalidateRect(m_hwnd, &old, FALSE);
  m_marker = marker;
  RECT now = ToRECT(MarkerRect(m_marker));
  InvalidateRect(m_hwnd, &now, FALSE);
  UpdateWindow(m_hwnd);
}

bool CThumbnailView::DragLoop(Point press, int* target) {
  *target = -1;
  SetCapture(m_hwnd);
  bool dragging = false;
  bool cancelled = false;
  MSG message{};
  while (GetCapture() == m_hwnd) {
    if (GetMessageA(&message, nullptr, 0, 0) <= 0) {
      PostQuitMessage(static_cast<int>(message.wParam));
      cancelled = true;
      break;
    }
    if (message.message == WM_MOUSEMOVE && message.hwnd == m_hwnd) {
      const Point at = PointOf(message.lParam);
      if (!dragging && DragStarted(press, at)) {
        dragging = m_dragging = true;
        ApplyHover(m_hover.OnMove(-1, false));
      }
      if (dragging) {
        SetCursor(nullptr);  // no drag cursors: the pointer is hidden
        const int scroll = DragAutoScroll(at.y, m_grid.ClientSize().height);
        if (scroll != 0) ScrollTo(m_grid.Scroll() + scroll);
        SetMarker(m_grid.InsertionAt(at));
      }
      continue;
    }
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
      cancelled = true;
      break;
    }
    if (message.message == WM_LBUTTONUP) break;  // not dispatched
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  if (GetCapture() == m_hwnd) {
    ReleaseCapture();
  } else if (message.message != WM_LBUTTONUP) {
    cancelled = true;  // the capture was taken away
  }
  if (dragging && !cancelled) *target = m_marker.Target();
  m_dragging = false;
  SetMarker(InsertionPoint());
  SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
  return dragging;
}

void CThumbnailView::OnLeftButtonDown(Point at, bool ctrl) {
  if (GetFocus() != m_hwnd) SetFocus(m_hwnd);
  const int b = m_grid.ItemAt(at);
  if (b < 0 || m_source == nullptr) return;
  const int previousAnchor = m_grid.Anchor();
  bool selected = false;
  bool changedByDrag = false;
  if (ctrl && m_grid.MultipleSelection()) {
    InvalidateItems(m_grid.MoveFocus(b, true, false));
    selected = true;
  } else if (!m_grid.IsSelected(b)) {
    InvalidateItems(m_grid.MoveFocus(b, false, false));
    selected = true;
  }
  UpdateWindow(m_hwnd);
  bool dragged = false;
  if (m_source->CanReorder()) {
    int target = -1;
    dragged = DragLoop(at, &target);
    if (dragged && target >= 0 && target != b && m_grid.DropSelection(target, *m_source)) {
      changedByDrag = true;
      Layout();
      InvalidateRect(m_hwnd, nullptr, FALSE);
    }
  }
  if (!dragged && !selected) InvalidateItems(m_grid.MoveFocus(b, false, false));
  if (b != previousAnchor || changedByDrag) NotifySelChange();
}

// ===========================================================================
// Keyboard and wheel
// ===========================================================================

void CThumbnailView::OnKeyDown(UINT key) {
  const bool shift = KeyDown(VK_SHIFT), ctrl = KeyDown(VK_CONTROL);
  GridKey gridKey;
  switch (key) {
    case VK_TAB: {
      HWND parent = GetParent(m_hwnd);
      char name[16] = {};
      GetClassNameA(parent, name, sizeof name);
      if (std::string(name) == "#32770") {
        SendMessageA(parent, WM_NEXTDLGCTL, shift ? 1 : 0, FALSE);
      }
      return;
    }
    case VK_ESCAPE: SendMessageA(GetParent(m_hwnd), WM_KEYDOWN, VK_ESCAPE, 0); return;
    case VK_SPACE: gridKey = GridKey::kSpace; break;
    case VK_PRIOR: gridKey = GridKey::kPageUp; break;
    case VK_NEXT: gridKey = GridKey::kPageDown; break;
    case VK_END: gridKey = GridKey::kEnd; break;
    case VK_HOME: gridKey = GridKey::kHome; break;
    case VK_LEFT: gridKey = GridKey::kLeft; break;
    case VK_RIGHT: gridKey = GridKey::kRight; break;
    case VK_UP: gridKey = GridKey::kUp; break;
    case VK_DOWN: gridKey = GridKey::kDown; break;
    case VK_DELETE: gridKey = GridKey::kDelete; break;
    case 'A':
      if (!ctrl) return;
      gridKey = GridKey::kSelectAll;
      break;
    default: return;
  }
  const CThumbnailGrid::KeyResult result = m_grid.KeyDown(gridKey, shift, ctrl, m_source);
  if (result.redrawAll) {
    Layout();
    InvalidateRect(m_hwnd, nullptr, FALSE);
  }
  InvalidateItems(result.changed);
  if (result.scroll) EnsureFocusVisible();
  if (result.selectionChanged) NotifySelChange();
}

bool CThumbnailView::OnWheel(int delta) {
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(m_hwnd, GWL_STYLE));
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE;
  const bool usable = GetScrollInfo(m_hwnd, SB_VERT, &info) && info.nMax - info.nMin + 1 > static_cast<int>(info.nPage);
  if (!usable && !(style & WS_VSCROLL)) return false;
  if (!usable) return true;
  CSmoothWheel wheel(delta, m_grid.CellSize().height);
  const double start = platform::MonotonicSeconds();
  while (!wheel.Done()) {
    const int step = wheel.NextStep((platform::MonotonicSeconds() - start) * 1000.0);
    ScrollTo(m_grid.Scroll() + step);
    if (GetUpdateRect(m_hwnd, nullptr, FALSE)) UpdateWindow(m_hwnd);
    if (InputWaiting()) break;
    MSG next;
    if (step > 0 && PeekMessageA(&next, m_hwnd, WM_MOUSEWHEEL, WM_MOUSEWHEEL, PM_NOREMOVE)) break;
  }
  return true;
}

// ===========================================================================
// Messages
// ===========================================================================

bool CThumbnailView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = 0;
  if (message == UM_THUMBNAILREADY) {
    if (m_source != nullptr && static_cast<long>(lParam) != 0) {
      // A file that could not be decoded leaves the grid; the cells after
      // it move up.
      if (m_source->RemoveFailedItems() > 0) {
        Layout();
        InvalidateRect(m_hwnd, nullptr, FALSE);
        if (UiLogEnabled()) UiLogLine("grid items " + std::to_string(m_source->Count()));
      }
    } else {
      InvalidateItem(static_cast<int>(wParam));
    }
    return true;
  }
  switch (message) {
    case WM_SIZE:
      Layout();
      return true;
    case WM_ERASEBKGND:
      *result = 1;
      return true;
    case WM_PAINT:
      Paint();
      return true;
    case WM_GETDLGCODE:
      *result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
      return true;
    case WM_VSCROLL: {
      const int page = m_grid.ClientSize().height, line = m_grid.CellSize().height;
      int y = m_grid.Scroll();
      switch (LOWORD(wParam)) {
        case SB_LINEUP: y -= line; break;
        case SB_LINEDOWN: y += line; break;
        case SB_PAGEUP: y -= page; break;
        case SB_PAGEDOWN: y += page; break;
        case SB_TOP: y = 0; break;
        case SB_BOTTOM: y = 1 << 30; break;
        case SB_THUMBTRACK:
        case SB_THUMBPOSITION: {
          SCROLLINFO info{};
          info.cbSize = sizeof info;
          info.fMask = SIF_TRACKPOS;
          GetScrollInfo(m_hwnd, SB_VERT, &info);
          y = info.nTrackPos;
          break;
        }
        default: return true;
      }
      ScrollTo(y);
      return true;
    }
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      InvalidateItem(m_grid.Focus());
      if (message == WM_KILLFOCUS) OnFocusLost(reinterpret_cast<HWND>(wParam));
      return true;
    case WM_LBUTTONDOWN:
      OnLeftButtonDown(PointOf(lParam), (wParam & MK_CONTROL) != 0);
      return true;
    case WM_LBUTTONUP:
      if (m_grid.ItemAt(PointOf(lParam)) < 0) OnEmptyClick();
      return true;
    case WM_LBUTTONDBLCLK: {
      const int item = m_grid.ItemAt(PointOf(lParam));
      if (item < 0 || m_source == nullptr) return true;
      m_source->OpenItem(item, m_hwnd);
      SendMessageA(GetParent(m_hwnd), SelDoubleClickMessage(), reinterpret_cast<WPARAM>(m_hwnd), m_grid.Focus());
      OnItemDoubleClick(item);
      return true;
    }
    case WM_MOUSEMOVE:
      if (!m_trackingLeave) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, m_hwnd, 0};
        m_trackingLeave = TrackMouseEvent(&track) != FALSE;
      }
      UpdateHover();
      return true;
    case WM_MOUSELEAVE:
      m_trackingLeave = false;
      UpdateHover();
      return true;
    case WM_TIMER: {
      if (wParam != kHoverTimerId) return false;
      POINT screen{};
      GetCursorPos(&screen);
      POINT client = screen;
      ScreenToClient(m_hwnd, &client);
      const bool active = TipActive(screen);
      const bool onHovered = WindowFromPoint(screen) == m_hwnd && m_grid.ItemAt({client.x, client.y}) == m_hover.Hovered();
      ApplyHover(m_hover.OnTimer(active, onHovered,
                                 [this](int i) { return m_source != nullptr ? m_source->TooltipText(i) : std::string(); }));
      return true;
    }
    case WM_MOUSEWHEEL:
      return OnWheel(GET_WHEEL_DELTA_WPARAM(wParam));
    case WM_KEYDOWN:
      if (OnKey(static_cast<UINT>(wParam))) return true;
      OnKeyDown(static_cast<UINT>(wParam));
      return true;
    case WM_DESTROY:
      KillTimer(m_hwnd, kHoverTimerId);
      if (m_source != nullptr) m_source->AttachView(nullptr);
      return false;
    default:
      return false;
  }
}

}  // namespace ui::win
