#pragma once
// The system's visual styles, loaded at run time from "UxTheme.dll": the
// plug-in still runs where the library is missing, and the controls then
// draw their classic three-dimensional look.  Styles count as usable when
// the library loads and the "COMBOBOX" theme opens on the first use; they
// stop being usable when a later "COMBOBOX" theme fails to open (the user
// switched the styles off).

#include <windows.h>

namespace ui::win {

class CVisualStyles {
 public:
  // Loads the library once, the first time it is asked for.
  static CVisualStyles& Get();

  bool Usable() const { return m_usable; }
  // An open theme of `classList` (L"BUTTON", L"COMBOBOX", L"EDIT") for
  // `window`, or null; closed with Close.
  HANDLE Open(HWND window, const wchar_t* classList);
  void Close(HANDLE theme);
  // Draws a part in a state; false when it could not.
  bool DrawBackground(HANDLE theme, HDC dc, int part, int state, const RECT& rect);

 private:
  CVisualStyles();

  using OpenFn = HANDLE(WINAPI*)(HWND, LPCWSTR);
  using CloseFn = HRESULT(WINAPI*)(HANDLE);
  using DrawFn = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, const RECT*);
  HMODULE m_library = nullptr;
  OpenFn m_open = nullptr;
  CloseFn m_close = nullptr;
  DrawFn m_draw = nullptr;
  bool m_usable = false;
};

}  // namespace ui::win
