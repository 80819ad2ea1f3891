#include "platform/Folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

std::vector<FolderEntry> ListFolder(const std::string& folder) {
  std::vector<FolderEntry> entries;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return entries;
  const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + "/";
  while (dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    struct stat st;
    const bool isFolder = ::stat((base + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    entries.push_back(FolderEntry{name, isFolder});
  }
  ::closedir(dir);
  return entries;
}

char PathSeparator() { return '/'; }

int ShellDeleteFile(const std::string& path, bool /*allowUndo*/, bool /*askUser*/, bool* aborted) {
  *aborted = false;
  return ::unlink(path.c_str()) == 0 ? 0 : (errno != 0 ? errno : -1);
}

}  // namespace platform
