#include "ui/win/Window.h"

#include <commctrl.h>

#include <exception>
#include <mutex>

#include "image/Status.h"
#include "platform/MessageBox.h"
#include "resources/ProductInfo.h"

namespace ui::win {
namespace {

const char kObjectProperty[] = "TintavoWindowObject";

}  // namespace

CWindow::~CWindow() {
  if (m_hwnd != nullptr) {
    HWND hwnd = m_hwnd;
    Detach();
    DestroyWindow(hwnd);
  }
}

CWindow* CWindow::FromHandle(HWND hwnd) {
  return hwnd != nullptr ? static_cast<CWindow*>(GetPropA(hwnd, kObjectProperty)) : nullptr;
}

HINSTANCE CWindow::Module() {
  HMODULE module = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&CWindow::Module), &module);
  return module;
}

Rect CWindow::ClientRect() const {
  RECT r{};
  GetClientRect(m_hwnd, &r);
  return ToRect(r);
}

Rect CWindow::ScreenRectOf(HWND child) const {
  RECT r{};
  GetWindowRect(child, &r);
  return ToRect(r);
}

Rect CWindow::ChildRect(int id) const {
  RECT r{};
  HWND child = GetDlgItem(m_hwnd, id);
  if (child == nullptr) return {};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, m_hwnd, reinterpret_cast<POINT*>(&r), 2);
  return ToRect(r);
}

void CWindow::Attach(HWND hwnd) {
  m_hwnd = hwnd;
  SetPropA(hwnd, kObjectProperty, this);
}

void CWindow::Detach() {
  if (m_hwnd != nullptr) RemovePropA(m_hwnd, kObjectProperty);
  m_hwnd = nullptr;
}

bool CWindow::Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  try {
    return OnMessage(message, wParam, lParam, result);
  } catch (const CJException& e) {
    ReportWindowError(m_hwnd, "The operation failed (error " + std::to_string(e.Code()) + ").");
  } catch (const std::bad_alloc&) {
    ReportWindowError(m_hwnd, "Not enough memory for this operation.");
  } catch (const std::exception& e) {
    ReportWindowError(m_hwnd, std::string("The operation failed: ") + e.what());
  } catch (...) {
    ReportWindowError(m_hwnd, "The operation failed.");
  }
  *result = 0;
  return true;
}

const char* CWindow::RegisterClassOnce(const char* name, UINT style, HBRUSH background, HCURSOR cursor) {
  WNDCLASSEXA existing{};
  existing.cbSize = sizeof existing;
  if (GetClassInfoExA(Module(), name, &existing)) return name;
  WNDCLASSEXA wc{};
  wc.cbSize = sizeof wc;
  wc.style = style;
  wc.lpfnWndProc = &CWindow::WindowProc;
  wc.hInstance = Module();
  wc.hCursor = cursor != nullptr ? cursor : LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  wc.hbrBackground = background;
  wc.lpszClassName = name;
  RegisterClassExA(&wc);
  return name;
}

LRESULT CALLBACK CWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  CWindow* self = FromHandle(hwnd);
  if (self == nullptr && message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    self = static_cast<CWindow*>(create->lpCreateParams);
    if (self != nullptr) self->Attach(hwnd);
  }
  if (self == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  LRESULT result = 0;
  const bool handled = self->Dispatch(message, wParam, lParam, &result);
  if (message == WM_NCDESTROY) {
    self->Detach();
    self->OnDestroyed();
  }
  return handled ? result : DefWindowProcA(hwnd, message, wParam, lParam);
}

INT_PTR CWindow::DialogAnswer(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND hwnd = m_hwnd;
  LRESULT result = 0;
  const bool handled = Dispatch(message, wParam, lParam, &result);
  if (message == WM_NCDESTROY) {
    Detach();
    OnDestroyed();
  }
  if (!handled) return FALSE;
  switch (message) {
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_QUERYDRAGICON:
      return static_cast<INT_PTR>(result);
    default:
      SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

void ReportWindowError(HWND owner, const std::string& text) {
  platform::MessageBoxRequest box;
  box.owner = owner;
  box.text = text;
  box.caption = TINTAVO_PRODUCT_NAME;
  box.icon = platform::MessageBoxIcon::kError;
  platform::ShowMessageBox(box);
}

std::string LoadModuleString(int id) {
  char buffer[1024];
  const int n = LoadStringA(CWindow::Module(), static_cast<UINT>(id), buffer, sizeof buffer);
  return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

void InitCommonControlsOnce() {
  static std::once_flag once;
  std::call_once(once, [] {
    INITCOMMONCONTROLSEX init{};
    init.dwSize = sizeof init;
    init.dwICC = ICC_BAR_CLASSES | ICC_PROGRESS_CLASS | ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES;
    InitCommonControlsEx(&init);
  });
}

}  // namespace ui::win
