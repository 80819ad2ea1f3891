#pragma once
// The thin window layer the dialogs are built on: a C++ object per window,
// found from its HWND, with one virtual message handler.
//
// Every window procedure of the layer goes through Dispatch, which catches
// every exception: nothing unwinds through user32.  An error becomes a
// message box (owned by the window) and the window stays open.

#include <windows.h>

#include <string>

#include "ui/Geometry.h"

namespace ui::win {

class CWindow {
 public:
  CWindow() = default;
  virtual ~CWindow();
  CWindow(const CWindow&) = delete;
  CWindow& operator=(const CWindow&) = delete;

  HWND Handle() const { return m_hwnd; }
  // The object of a window made by this layer; null for other windows.
  static CWindow* FromHandle(HWND hwnd);

  // The module whose resources the windows use: the plug-in's own DLL (or
  // the program that holds this code).
  static HINSTANCE Module();

  // Rectangles as the portable code takes them.
  static Rect ToRect(const RECT& r) { return {r.left, r.top, r.right, r.bottom}; }
  static RECT ToRECT(const Rect& r) { return {r.left, r.top, r.right, r.bottom}; }
  Rect ClientRect() const;
  Rect ScreenRectOf(HWND child) const;
  // A child's rectangle in this window's client coordinates.
  Rect ChildRect(int id) const;

 protected:
  // Handles a message; answers true with *result set when handled, false
  // for the default handling.
  virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;
  // Called after WM_NCDESTROY, when the handle is gone.
  virtual void OnDestroyed() {}

  // Binds the object to a window (from its creation message on).
  void Attach(HWND hwnd);
  void Detach();

  // Runs OnMessage inside the exception boundary; false when it threw (the
  // error has then been shown).
  bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

  // A dialog procedure's answer for a message to this object's dialog:
  // dispatches it, lets go of the handle on WM_NCDESTROY, and returns the
  // result as dialog procedures must (directly for the colour and drag-icon
  // messages, through DWLP_MSGRESULT otherwise).
  INT_PTR DialogAnswer(UINT message, WPARAM wParam, LPARAM lParam);

  // A window class whose procedure routes to the object passed as the
  // creation parameter.
  static const char* RegisterClassOnce(const char* name, UINT style, HBRUSH background, HCURSOR cursor);
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND m_hwnd = nullptr;
};

// Shows an error that reached a window procedure, owned by `owner`.
void ReportWindowError(HWND owner, const std::string& text);

// Loads a string resource of the module; empty when there is none.
std::string LoadModuleString(int id);

// InitCommonControlsEx for every class the dialogs use, once per process.
void InitCommonControlsOnce();

}  // namespace ui::win
