#include "platform/MakeFolder.h"

#include <windows.h>

namespace platform {
namespace {

std::string SystemReason(DWORD code) {
  char text[512] = "";
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text,
                                 sizeof text, nullptr);
  std::string reason(text, n);
  while (!reason.empty() && (reason.back() == '\r' || reason.back() == '\n' || reason.back() == '.')) {
    reason.pop_back();
  }
  return reason.empty() ? "error " + std::to_string(code) : reason;
}

}  // namespace

bool MakeFolders(const std::string& path, std::string* reason) {
  std::string folder = path;
  while (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  const DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) {
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return true;
    *reason = SystemReason(ERROR_DIRECTORY);
    return false;
  }
  const auto slash = folder.find_last_of("\\/");
  if (slash != std::string::npos && slash > 2 && !MakeFolders(folder.substr(0, slash), reason)) return false;
  if (!CreateDirectoryA(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    *reason = SystemReason(GetLastError());
    return false;
  }
  return true;
}

}  // namespace platform
