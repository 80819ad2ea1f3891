#include "ui/win/VisualStyles.h"

namespace ui::win {

CVisualStyles& CVisualStyles::Get() {
  static CVisualStyles styles;
  return styles;
}

CVisualStyles::CVisualStyles() {
  m_library = LoadLibraryA("UxTheme.dll");
  if (m_library == nullptr) return;
  m_open = reinterpret_cast<OpenFn>(reinterpret_cast<void*>(GetProcAddress(m_library, "OpenThemeData")));
  m_close = reinterpret_cast<CloseFn>(reinterpret_cast<void*>(GetProcAddress(m_library, "CloseThemeData")));
  m_draw = reinterpret_cast<DrawFn>(reinterpret_cast<void*>(GetProcAddress(m_library, "DrawThemeBackground")));
  if (m_open == nullptr || m_close == nullptr || m_draw == nullptr) return;
  HANDLE probe = m_open(GetDesktopWindow(), L"COMBOBOX");
  m_usable = probe != nullptr;
  if (probe != nullptr) m_close(probe);
}

HANDLE CVisualStyles::Open(HWND window, const wchar_t* classList) {
  if (!m_usable) return nullptr;
  HANDLE theme = m_open(window, classList);
  if (theme == nullptr && lstrcmpiW(classList, L"COMBOBOX") == 0) m_usable = false;
  return theme;
}

void CVisualStyles::Close(HANDLE theme) {
  if (theme != nullptr && m_close != nullptr) m_close(theme);
}

bool CVisualStyles::DrawBackground(HANDLE theme, HDC dc, int part, int state, const RECT& rect) {
  return theme != nullptr && m_draw != nullptr && SUCCEEDED(m_draw(theme, dc, part, state, &rect, nullptr));
}

}  // namespace ui::win
