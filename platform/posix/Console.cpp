#include "platform/Console.h"

#include <signal.h>
#include <unistd.h>

#include <mutex>

#include "platform/InterruptFiles_p.h"

namespace platform {
namespace {

void OnSignal(int signal) {
  detail::RemoveArmedInterruptFiles([](const char* path) { ::unlink(path); });
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

int CurrentProcessId() { return static_cast<int>(::getpid()); }

bool RenameOver(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

int RemoveFileOnInterrupt(const std::string& path) {
  static std::once_flag installed;
  std::call_once(installed, [] {
    for (int s : {SIGINT, SIGTERM, SIGHUP}) ::signal(s, OnSignal);
  });
  return detail::ArmInterruptFile(path.c_str());
}

void ForgetFileOnInterrupt(int slot) { detail::DisarmInterruptFile(slot); }

void SetBinaryMode(std::FILE*) {}

}  // namespace platform
