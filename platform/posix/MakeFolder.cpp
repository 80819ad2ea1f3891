#include "platform/MakeFolder.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace platform {

bool MakeFolders(const std::string& path, std::string* reason) {
  std::string folder = path;
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  struct stat st;
  if (::stat(folder.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    *reason = std::strerror(ENOTDIR);
    return false;
  }
  const auto slash = folder.find_last_of('/');
  if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash), reason)) return false;
  if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
    *reason = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace platform
