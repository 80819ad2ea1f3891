#pragma once
// A window made by someone else (an edit, a button) whose messages an
// object sees first: the window procedure is replaced, the object's handler
// answers what it handles and everything else goes to the original
// procedure.  The original is put back when the window is destroyed or the
// subclass ends, whichever comes first.

#include <windows.h>

#include <functional>

namespace ui::win {

class CSubclass {
 public:
  // Answers true with *result set when it handled the message.
  using Handler = std::function<bool(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)>;

  CSubclass() = default;
  ~CSubclass() { Detach(); }
  CSubclass(const CSubclass&) = delete;
  CSubclass& operator=(const CSubclass&) = delete;

  void Attach(HWND hwnd, Handler handler);
  void Detach();
  HWND Handle() const { return m_hwnd; }
  // The original procedure's answer.
  LRESULT CallOriginal(UINT message, WPARAM wParam, LPARAM lParam) const;

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND m_hwnd = nullptr;
  WNDPROC m_original = nullptr;
  Handler m_handler;
};

}  // namespace ui::win
