#include "platform/FileIcon.h"

#include <windows.h>
#include <shellapi.h>

namespace platform {

IconHandle LoadFileIcon(const std::string& path) {
  SHFILEINFOA info{};
  if (path.empty() || SHGetFileInfoA(path.c_str(), 0, &info, sizeof info, SHGFI_ICON | SHGFI_OPENICON) == 0) {
    return nullptr;
  }
  return info.hIcon;
}

void DestroyFileIcon(IconHandle icon) {
  if (icon != nullptr) DestroyIcon(static_cast<HICON>(icon));
}

}  // namespace platform
