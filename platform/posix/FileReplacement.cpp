#include "platform/FileReplacement.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

namespace platform {

std::string FinalTarget(const std::string& path) {
  std::string current = path;
  // As the kernel does, a chain of more than 40 links is not followed.
  for (int hop = 0; hop < 40; ++hop) {
    struct stat st;
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
    std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
    const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= target.size()) return current;
    std::string next(target.data(), static_cast<std::size_t>(n));
    if (next[0] != '/') {
      const auto slash = current.find_last_of('/');
      if (slash != std::string::npos) next = current.substr(0, slash + 1) + next;
    }
    current = next;
  }
  return current;
}

bool CopyPermissions(const std::string& from, const std::string& to) {
  struct stat st;
  if (::stat(from.c_str(), &st) != 0) return errno == ENOENT;
  return ::chmod(to.c_str(), st.st_mode & 07777) == 0;
}

}  // namespace platform
