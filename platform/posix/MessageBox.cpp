#include "platform/MessageBox.h"

namespace platform {

int DefaultMessageBox(const MessageBoxRequest& request) {
  return MessageBoxToStderr(request);
}

}  // namespace platform
