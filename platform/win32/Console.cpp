#include "platform/Console.h"

#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <mutex>

#include "platform/InterruptFiles_p.h"

namespace platform {
namespace {

BOOL WINAPI OnControl(DWORD) {
  detail::RemoveArmedInterruptFiles([](const char* path) { DeleteFileA(path); });
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
  return detail::ArmInterruptFile(path.c_str());
}

void ForgetFileOnInterrupt(int slot) { detail::DisarmInterruptFile(slot); }

void SetBinaryMode(std::FILE* stream) { _setmode(_fileno(stream), _O_BINARY); }

}  // namespace platform
