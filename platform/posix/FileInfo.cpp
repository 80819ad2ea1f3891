#include "platform/FileInfo.h"

#include <sys/stat.h>

namespace platform {

bool ReadFileAttributes(const std::string& path, FileAttributeData* data) {
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0) return false;
  data->attributes = static_cast<std::uint32_t>(st.st_mode);
  data->isFolder = S_ISDIR(st.st_mode);
  data->creationTime = static_cast<std::int64_t>(st.st_ctime);
  data->lastAccessTime = static_cast<std::int64_t>(st.st_atime);
  data->lastWriteTime = static_cast<std::int64_t>(st.st_mtime);
  data->size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

}  // namespace platform
