#pragma once
// The size grip in the dialog's bottom-right corner: a size-grip scroll bar
// whose hit test answers "bottom-right corner of the window", so dragging it
// sizes the dialog.

#include <windows.h>

namespace ui::win {

class CResizeGrip {
 public:
  CResizeGrip() = default;
  ~CResizeGrip();
  CResizeGrip(const CResizeGrip&) = delete;
  CResizeGrip& operator=(const CResizeGrip&) = delete;

  bool Create(HWND parent);
  // Moves it to the client area's bottom-right corner; hidden and disabled
  // while the dialog is maximised.
  void Place(int clientWidth, int clientHeight, bool maximised);
  HWND Handle() const { return m_hwnd; }

 private:
  static LRESULT CALLBACK GripProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  HWND m_hwnd = nullptr;
};

}  // namespace ui::win
