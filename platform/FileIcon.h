#pragma once
// The icon the desktop shows for a file (SHGetFileInfoA with SHGFI_ICON and
// SHGFI_OPENICON on Windows).  POSIX has no such icons: there the answer is
// always none, and callers draw without one.

#include <string>

namespace platform {

// An HICON on Windows.
using IconHandle = void*;

// The file's large icon, or null; the caller destroys it.
IconHandle LoadFileIcon(const std::string& path);
void DestroyFileIcon(IconHandle icon);

}  // namespace platform
