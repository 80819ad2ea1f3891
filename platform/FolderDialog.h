#pragma once
// The desktop's modal folder chooser (SHBrowseForFolderA on Windows),
// opened on a start folder.  Only one is open at a time: a call made while
// one is open returns at once.  POSIX has no desktop dialog to show, so
// there the answer is always "cancelled".

#include <string>

#include "platform/MessageQueue.h"

namespace platform {

// Shows the chooser with `title` over `owner` (may be null), starting at
// `*path`.  True with `*path` replaced by the chosen folder on OK; false,
// `*path` unchanged, on Cancel, when another chooser is open or when the
// platform has none.
bool BrowseForFolder(std::string* path, WindowHandle owner, const std::string& title = "Select folder");

}  // namespace platform
