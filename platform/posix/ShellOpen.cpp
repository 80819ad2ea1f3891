#include "platform/ShellOpen.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace platform {

bool ShellOpenFile(const std::string& path, WindowHandle /*owner*/) {
  if (path.empty()) return false;
  // xdg-open hands the file to the desktop's program and returns; its exit
  // is collected so that no zombie stays behind.
  std::string program = "xdg-open";
  char* argv[] = {program.data(), const_cast<char*>(path.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  return waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace platform
