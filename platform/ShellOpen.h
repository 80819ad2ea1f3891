#pragma once
// Opening a file with the program the desktop associates with it
// (ShellExecuteA "open" on Windows, xdg-open on POSIX), without waiting.

#include <string>

#include "platform/MessageQueue.h"

namespace platform {

// False when the request could not be handed to the desktop.
bool ShellOpenFile(const std::string& path, WindowHandle owner);

}  // namespace platform
