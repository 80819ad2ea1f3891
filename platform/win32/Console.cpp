#include "platform/Console.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstring>
#include <mutex>

namespace platform {
namespace {

// Written before a slot is armed, read only by the handler.
char g_interruptPaths[kInterruptSlots][MAX_PATH + 1];
volatile LONG g_armed[kInterruptSlots];
std::mutex g_slots;

BOOL WINAPI OnControl(DWORD) {
  for (int i = 0; i < kInterruptSlots; ++i) {
    if (g_armed[i]) DeleteFileA(g_interruptPaths[i]);
  }
  return FALSE;  // the default handling ends the process
}

}  // namespace

bool IsTerminal(std::FILE* stream) { return _isatty(_fileno(stream)) != 0; }

int CurrentProcessId() { return static_cast<int>(GetCurrentProcessId()); }

bool RenameOver(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

int RemoveFileOnInterrupt(const std::string& path) {
  static std::once_flag installed;
  std::call_once(installed, [] { SetConsoleCtrlHandler(OnControl, TRUE); });
  std::lock_guard<std::mutex> lock(g_slots);
  for (int i = 0; i < kInterruptSlots; ++i) {
    if (g_armed[i]) continue;
    std::strncpy(g_interruptPaths[i], path.c_str(), sizeof g_interruptPaths[i] - 1);
    g_interruptPaths[i][sizeof g_interruptPaths[i] - 1] = '\0';
    g_armed[i] = 1;
    return i;
  }
  return -1;
}

void ForgetFileOnInterrupt(int slot) {
  if (slot < 0 || slot >= kInterruptSlots) return;
  std::lock_guard<std::mutex> lock(g_slots);
  g_armed[slot] = 0;
}

void SetBinaryMode(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

}  // namespace platform
