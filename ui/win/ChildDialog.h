#pragma once
// A modeless dialog made from a resource template as a child of another
// window (the control pane inside the main dialog).  Its messages go
// through the window layer's exception boundary like every other window's.

#include "ui/win/Window.h"

namespace ui::win {

class CChildDialog : public CWindow {
 public:
  explicit CChildDialog(int templateId) : m_templateId(templateId) {}

  // Creates the dialog (hidden unless its template says otherwise); false
  // when it cannot be made or its initialisation fails.
  bool Create(HWND parent);
  int TemplateId() const { return m_templateId; }

 protected:
  virtual bool OnInitDialog() { return true; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  int m_templateId;
  bool m_initialised = false;
};

}  // namespace ui::win
