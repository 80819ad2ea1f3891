#include "platform/Module.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

namespace platform {

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return std::string();
  return std::string(buffer, static_cast<std::size_t>(n));
}

std::string ModulePathOf(const void* address) {
  Dl_info info;
  if (::dladdr(address, &info) == 0 || info.dli_fname == nullptr) return std::string();
  std::string path = info.dli_fname;
  // The main program is reported under the name it was started with.
  if (path.find('/') == std::string::npos) return ExecutablePath();
  char resolved[PATH_MAX];
  if (::realpath(path.c_str(), resolved) != nullptr) return resolved;
  return path;
}

}  // namespace platform
