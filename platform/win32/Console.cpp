#include "platform/Console.h"

#include <windows.h>
#include <io.h>

#include <cstring>

namespace platform {
namespace {

char g_interruptPath[MAX_PATH + 1];
volatile LONG g_armed = 0;

BOOL WINAPI OnControl(DWORD) {
  if (g_armed) DeleteFileA(g_interruptPath);
  return FALSE;  // the default handling ends the process
}

}  // namespace

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

int CurrentProcessId() { return static_cast<int>(GetCurrentProcessId()); }

bool RenameOver(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

void RemoveFileOnInterrupt(const std::string& path) {
  g_armed = 0;
  std::strncpy(g_interruptPath, path.c_str(), sizeof g_interruptPath - 1);
  g_interruptPath[sizeof g_interruptPath - 1] = '\0';
  g_armed = 1;
  SetConsoleCtrlHandler(OnControl, TRUE);
}

void ForgetFileOnInterrupt() {
  g_armed = 0;
  SetConsoleCtrlHandler(OnControl, FALSE);
}

}  // namespace platform
