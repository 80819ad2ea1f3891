#include "platform/ShellOpen.h"

#include <windows.h>
#include <shellapi.h>

namespace platform {

bool ShellOpenFile(const std::string& path, WindowHandle owner) {
  if (path.empty()) return false;
  const HINSTANCE answer =
      ShellExecuteA(static_cast<HWND>(owner), "open", path.c_str(), nullptr, nullptr, SW_SHOW);
  return reinterpret_cast<INT_PTR>(answer) > 32;
}

}  // namespace platform
