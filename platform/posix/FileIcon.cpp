#include "platform/FileIcon.h"

namespace platform {

// No desktop icons here: callers draw without one.
IconHandle LoadFileIcon(const std::string& /*path*/) { return nullptr; }
void DestroyFileIcon(IconHandle /*icon*/) {}

}  // namespace platform
