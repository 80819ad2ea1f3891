#include "platform/Console.h"

#include <signal.h>
#include <unistd.h>

#include <cstring>

namespace platform {
namespace {

// Written before the handlers are armed, read only by them.
char g_interruptPath[4096];
volatile sig_atomic_t g_armed = 0;

void OnSignal(int signal) {
  if (g_armed) ::unlink(g_interruptPath);
  ::signal(signal, SIG_DFL);
  ::raise(signal);
}

}  // namespace

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) != 0; }

int CurrentProcessId() { return static_cast<int>(::getpid()); }

bool RenameOver(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

void RemoveFileOnInterrupt(const std::string& path) {
  g_armed = 0;
  std::strncpy(g_interruptPath, path.c_str(), sizeof g_interruptPath - 1);
  g_interruptPath[sizeof g_interruptPath - 1] = '\0';
  g_armed = 1;
  for (int s : {SIGINT, SIGTERM, SIGHUP}) ::signal(s, OnSignal);
}

void ForgetFileOnInterrupt() {
  g_armed = 0;
  for (int s : {SIGINT, SIGTERM, SIGHUP}) ::signal(s, SIG_DFL);
}

}  // namespace platform
