#include "platform/MessageBox.h"

#include <windows.h>

#include <cstdlib>

namespace platform {

int DefaultMessageBox(const MessageBoxRequest& request) {
  // A host without a desktop (a batch run, a test under Wine) asks for text.
  const char* headless = std::getenv("TINTAVO_HEADLESS");
  if (headless != nullptr && *headless != '\0') return MessageBoxToStderr(request);

  UINT type = MB_OK;
  switch (request.buttons) {
    case MessageBoxButtons::kOk: type = MB_OK; break;
    case MessageBoxButtons::kOkCancel: type = MB_OKCANCEL; break;
    case MessageBoxButtons::kYesNo: type = MB_YESNO; break;
    case MessageBoxButtons::kYesNoCancel: type = MB_YESNOCANCEL; break;
  }
  switch (request.icon) {
    case MessageBoxIcon::kNone: break;
    case MessageBoxIcon::kError: type |= MB_ICONERROR; break;
    case MessageBoxIcon::kWarning: type |= MB_ICONWARNING; break;
    case MessageBoxIcon::kInformation: type |= MB_ICONINFORMATION; break;
    case MessageBoxIcon::kQuestion: type |= MB_ICONQUESTION; break;
  }
  return MessageBoxA(static_cast<HWND>(request.owner), request.text.c_str(),
                     request.caption.c_str(), type);
}

}  // namespace platform
