#pragma once
// A dialog made from a resource template, run modally by its own message
// loop: the loop offers each message to PreTranslateMessage first (the
// accelerators, the wheel routing), then to the dialog manager, and calls
// OnIdle whenever the queue has run empty.  A WM_QUIT that arrives during
// the loop ends it and is posted again for the host's own loop.

#include "ui/win/Window.h"

namespace ui::win {

class CModalDialog : public CWindow {
 public:
  explicit CModalDialog(int templateId) : m_templateId(templateId) {}

  // Creates the dialog, disables the owner, runs the loop until EndDialog;
  // answers the code EndDialog was given (-1 when the dialog could not be
  // made or its initialisation failed).
  INT_PTR DoModal(HWND owner);
  void EndDialog(INT_PTR code);
  bool Ending() const { return m_ending; }

 protected:
  // WM_INITDIALOG: false ends the dialog with -1.
  virtual bool OnInitDialog() { return true; }
  // True when the message was handled and is not to be dispatched.
  virtual bool PreTranslateMessage(MSG& message) {
    (void)message;
    return false;
  }
  virtual void OnIdle() {}

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  int m_templateId;
  bool m_ending = false;
  INT_PTR m_result = -1;
};

}  // namespace ui::win
