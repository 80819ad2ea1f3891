#include "platform/FolderDialog.h"

namespace platform {

// No desktop folder chooser on this platform: the answer is "cancelled",
// and the start folder stays.
bool BrowseForFolder(std::string* /*path*/, WindowHandle /*owner*/, const std::string& /*title*/) { return false; }

}  // namespace platform
