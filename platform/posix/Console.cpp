#include "platform/Console.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <mutex>

namespace platform {
namespace {

// Written before a slot is armed, read only by the handler.
char g_interruptPaths[kInterruptSlots][4096];
volatile sig_atomic_t g_armed[kInterruptSlots];
std::mutex g_slots;

void OnSignal(int signal) {
  for (int i = 0; i < kInterruptSlots; ++i) {
    if (g_armed[i]) ::unlink(g_interruptPaths[i]);
  }
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

void SetBinaryMode(std::FILE*) {}

}  // namespace platform
