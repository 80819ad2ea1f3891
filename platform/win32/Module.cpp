#include "platform/Module.h"

#include <windows.h>

namespace platform {
namespace {

std::string FileNameOf(HMODULE module) {
  char buffer[MAX_PATH + 1];
  DWORD n = GetModuleFileNameA(module, buffer, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return std::string();
  return std::string(buffer, n);
}

}  // namespace

std::string ExecutablePath() { return FileNameOf(nullptr); }

std::string ModulePathOf(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                              GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          static_cast<LPCSTR>(address), &module)) {
    return std::string();
  }
  return FileNameOf(module);
}

}  // namespace platform
