#include "ui/win/ThumbnailMessages.h"

namespace ui::win {

UINT SelChangeMessage() {
  static const UINT id = RegisterWindowMessageA("TVM_SELCHANGE");
  return id;
}

UINT SelDoubleClickMessage() {
  static const UINT id = RegisterWindowMessageA("TVM_SELDBLCLK");
  return id;
}

UINT EndPopupMessage() {
  static const UINT id = RegisterWindowMessageA("TVM_ENDPOPUP");
  return id;
}

UINT PopupDestroyingMessage() {
  static const UINT id = RegisterWindowMessageA("TVM_POPUPDESTROYING");
  return id;
}

}  // namespace ui::win
