#pragma once
// The folder bar above the thumbnail popup (dialog template 3012): "Change
// Folder", "Default Folder" (hidden in the template) and the current folder.
// Its buttons send the owner's folder-command message with wParam 1 and
// lParam 1 (change) or 2 (default).  The bar is made once by its owner and
// lent to each popup, which re-parents it into its frame and gives it back
// when it closes.

#include <string>

#include "ui/win/Window.h"

namespace ui::win {

class CFolderBar : public CWindow {
 public:
  // A child of `parent`, reporting to `owner` with `commandMessage`.
  bool Create(HWND parent, HWND owner, UINT commandMessage);
  void SetFolderText(const std::string& text);

 protected:
  bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;

 private:
  static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  HWND m_owner = nullptr;
  UINT m_commandMessage = 0;
};

}  // namespace ui::win
