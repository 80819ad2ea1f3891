#include "ui/win/ThumbnailPopup.h"

#include "resources/ResourceIds.h"
#include "ui/PopupPlacement.h"
#include "ui/UiLog.h"
#include "ui/win/ThumbnailMessages.h"

namespace ui::win {
namespace {

// Posted to the frame to destroy it after the handler that closed it has
// returned (the grid's own handlers close it from inside).
constexpr UINT kDestroyLater = WM_APP + 41;

// The primary monitor's work area when there is one monitor, else the
// whole virtual screen.
Rect WorkArea() {
  if (GetSystemMetrics(SM_CMONITORS) <= 1) {
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return CWindow::ToRect(work);
  }
  const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return {x, y, x + GetSystemMetrics(SM_CXVIRTUALSCREEN), y + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

}  // namespace

std::optional<POINT> CThumbnailPopup::s_lastPosition;
std::optional<POINT> CThumbnailPopup::s_reopenPosition;

CThumbnailPopup::CThumbnailPopup(const Options& options) : m_options(options) {}

void CThumbnailPopup::ReopenAtLastPosition() { s_reopenPosition = s_lastPosition; }

CThumbnailPopup* CThumbnailPopup::Create(const Options& options) {
  auto* popup = new CThumbnailPopup(options);
  if (!popup->Build()) {
    if (popup->m_hwnd != nullptr) {
      DestroyWindow(popup->m_hwnd);  // deletes the object
    } else {
      delete popup;
    }
    return nullptr;
  }
  return popup;
}

bool CThumbnailPopup::Build() {
  const char* cls = RegisterClassOnce("TintavoThumbnailPopup", CS_DBLCLKS | CS_GLOBALCLASS, nullptr, nullptr);
  const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
  if (CreateWindowExA(WS_EX_TOOLWINDOW, cls, m_options.caption.c_str(), style, 0, 0, 200, 200, m_options.owner,
                      nullptr, Module(), this) == nullptr) {
    return false;
  }
  if (!m_view.Create(m_hwnd, m_options.viewId, {0, 0, 100, 100})) return false;

  // The folder bar moves into the frame for as long as the popup lives.
  Size bar;
  if (m_options.folderBar != nullptr && m_options.folderBar->Handle() != nullptr) {
    HWND handle = m_options.folderBar->Handle();
    m_barParent = GetParent(handle);
    SetParent(handle, m_hwnd);
    RECT r{};
    GetClientRect(handle, &r);
    bar = {r.right, r.bottom};
    m_barHeight = r.bottom;
    m_hasBar = true;
  }
  m_view.SetSource(m_options.source);

  Rect frame = m_options.fixed;
  if (frame.IsEmpty()) {
    const Size cell = m_view.Grid().CellSize();
    const int count = m_options.source != nullptr ? m_options.source->Count() : 0;
    const Size client = AddFolderBar(PopupClientSize(count, cell, GetSystemMetrics(SM_CXVSCROLL)), bar);
    RECT r{0, 0, client.width, client.height};
    AdjustWindowRectEx(&r, style, FALSE, WS_EX_TOOLWINDOW);
    frame = PlacePopup(m_options.anchor, {r.right - r.left, r.bottom - r.top}, WorkArea());
  }
  if (s_reopenPosition) frame = frame.Offset(s_reopenPosition->x - frame.left, s_reopenPosition->y - frame.top);
  SetWindowPos(m_hwnd, nullptr, frame.left, frame.top, frame.Width(), frame.Height(), SWP_NOZORDER | SWP_NOACTIVATE);
  const Rect client = ClientRect();
  ArrangeChildren(client.Width(), client.Height());
  if (m_options.show) Show();
  return true;
}

void CThumbnailPopup::Show() {
  ShowWindow(m_hwnd, SW_SHOW);
  if (m_options.folderBar != nullptr) ShowWindow(m_options.folderBar->Handle(), SW_SHOW);
  ShowWindow(m_view.Handle(), SW_SHOW);
  m_view.Layout();
  SetForegroundWindow(m_hwnd);
  SetFocus(m_view.Handle());
  if (UiLogEnabled()) {
    UiLogControl(m_options.viewId, ScreenRectOf(m_view.Handle()));
    if (m_options.folderBar != nullptr) {
      UiLogControl(IDD_THUMBS_CONTROL, ScreenRectOf(m_options.folderBar->Handle()));
      UiLogControl(IDC_CHANGE_FOLDER, ScreenRectOf(GetDlgItem(m_options.folderBar->Handle(), IDC_CHANGE_FOLDER)));
    }
    UiLogLine("popup open " + std::to_string(m_options.source != nullptr ? m_options.source->Count() : 0));
  }
}

void CThumbnailPopup::ArrangeChildren(int width, int height) {
  // The bar only once it is in the frame (the frame's first sizes come
  // while it is being made).
  if (m_hasBar && !m_closed) MoveWindow(m_options.folderBar->Handle(), 0, 0, width, m_barHeight, TRUE);
  MoveWindow(m_view.Handle(), 0, m_barHeight, width, height - m_barHeight, TRUE);
}

bool CThumbnailPopup::PointerOverBar() const {
  if (m_options.folderBar == nullptr || m_options.folderBar->Handle() == nullptr) return false;
  POINT p{};
  GetCursorPos(&p);
  RECT bar{};
  GetWindowRect(m_options.folderBar->Handle(), &bar);
  return PtInRect(&bar, p) != FALSE;
}

void CThumbnailPopup::EndWithChoice(int index) {
  if (m_closed) return;
  if (UiLogEnabled()) UiLogLine("popup choice " + std::to_string(index));
  PostMessageA(m_options.owner, EndPopupMessage(), reinterpret_cast<WPARAM>(m_view.Handle()), index);
  Close();
}

void CThumbnailPopup::Close() {
  if (m_closed || m_hwnd == nullptr) return;
  Finish();
  PostMessageA(m_hwnd, kDestroyLater, 0, 0);
}

void CThumbnailPopup::Finish() {
  RECT r{};
  GetWindowRect(m_hwnd, &r);
  s_lastPosition = POINT{r.left, r.top};
  s_reopenPosition.reset();
  if (m_options.folderBar != nullptr && m_options.folderBar->Handle() != nullptr) {
    ShowWindow(m_options.folderBar->Handle(), SW_HIDE);
    SetParent(m_options.folderBar->Handle(), m_barParent);
  }
  m_closed = true;
  ShowWindow(m_hwnd, SW_HIDE);
  // Detached now: the next popup may attach its own grid before this
  // window is gone.
  if (m_options.source != nullptr) m_options.source->StopWorker();
  m_view.SetSource(nullptr);
  if (UiLogEnabled()) UiLogLine("popup closed");
  if (IsWindow(m_options.owner)) {
    SendMessageA(m_options.owner, PopupDestroyingMessage(), reinterpret_cast<WPARAM>(m_hwnd), 0);
  }
}

bool CThumbnailPopup::CGrid::OnKey(UINT key) {
  if (key == VK_RETURN || key == VK_SPACE) {
    m_popup.EndWithChoice(Grid().Focus());
    return true;
  }
  if (key == VK_ESCAPE) {
    m_popup.Close();
    return true;
  }
  return false;
}

void CThumbnailPopup::CGrid::OnEmptyClick() {
  if (Source() != nullptr) Source()->StopWorker();
  m_popup.EndWithChoice(Grid().Focus());
}

void CThumbnailPopup::CGrid::OnItemDoubleClick(int /*item*/) { m_popup.EndWithChoice(Grid().Focus()); }

bool CThumbnailPopup::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  *result = 0;
  if (message == SelChangeMessage()) {
    if (!m_closed) SendMessageA(m_options.owner, message, wParam, lParam);
    return true;
  }
  switch (message) {
    case WM_SIZE:
      ArrangeChildren(LOWORD(lParam), HIWORD(lParam));
      return true;
    case WM_CLOSE:
      Close();
      return true;
    case WM_KEYDOWN:
      if (wParam == VK_ESCAPE) Close();
      return true;
    case WM_ACTIVATE:
      // Another window took the focus: the popup goes, unless the user is
      // working the folder bar (its buttons open a folder dialog).
      if (LOWORD(wParam) == WA_INACTIVE && !m_closed && !PointerOverBar()) PostMessageA(m_hwnd, WM_CLOSE, 0, 0);
      return false;
    case kDestroyLater:
      DestroyWindow(m_hwnd);
      return true;
    case WM_DESTROY:
      // Destroyed with its owner (owned windows go first, so the owner
      // still hears about it).
      if (!m_closed) Finish();
      return false;
    default:
      return false;
  }
}

void CThumbnailPopup::OnDestroyed() { delete this; }

}  // namespace ui::win
