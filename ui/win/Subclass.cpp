#include "ui/win/Subclass.h"

#include "ui/win/Window.h"

namespace ui::win {
namespace {

const char kSubclassProperty[] = "TintavoSubclass";

}  // namespace

void CSubclass::Attach(HWND hwnd, Handler handler) {
  Detach();
  if (hwnd == nullptr) return;
  m_hwnd = hwnd;
  m_handler = std::move(handler);
  SetPropA(hwnd, kSubclassProperty, this);
  m_original = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CSubclass::Proc)));
}

void CSubclass::Detach() {
  if (m_hwnd == nullptr) return;
  SetWindowLongPtrA(m_hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_original));
  RemovePropA(m_hwnd, kSubclassProperty);
  m_hwnd = nullptr;
}

LRESULT CSubclass::CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) const {
  return CallWindowProcA(m_original, m_hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CSubclass::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = static_cast<CSubclass*>(GetPropA(hwnd, kSubclassProperty));
  if (self == nullptr) return DefWindowProcA(hwnd, message, wParam, lParam);
  const WNDPROC original = self->m_original;
  if (message == WM_NCDESTROY) {
    self->Detach();
    return CallWindowProcA(original, hwnd, message, wParam, lParam);
  }
  LRESULT result = 0;
  bool handled = false;
  // Nothing unwinds through user32.
  try {
    handled = self->m_handler && self->m_handler(message, wParam, lParam, &result);
  } catch (...) {
    ReportWindowError(GetParent(hwnd), "The operation failed.");
    return 0;
  }
  return handled ? result : CallWindowProcA(original, hwnd, message, wParam, lParam);
}

}  // namespace ui::win
