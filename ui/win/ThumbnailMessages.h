#pragma once
// The registered messages between the thumbnail grid, its popup and their
// owner (the control pane).

#include <windows.h>

namespace ui::win {

// Grid to parent, sent: wParam the grid window, lParam the focus index.
UINT SelChangeMessage();      // "TVM_SELCHANGE"
UINT SelDoubleClickMessage(); // "TVM_SELDBLCLK"
// Popup to owner: posted with wParam the grid window and lParam the chosen
// index; sent while the popup closes, wParam the popup's frame.
UINT EndPopupMessage();          // "TVM_ENDPOPUP"
UINT PopupDestroyingMessage();   // "TVM_POPUPDESTROYING"

}  // namespace ui::win
