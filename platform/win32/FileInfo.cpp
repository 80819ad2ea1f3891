#include "platform/FileInfo.h"

#include <windows.h>

namespace platform {
namespace {

// FILETIME counts 100 ns steps from 1601-01-01 UTC.
std::int64_t UnixSeconds(const FILETIME& t) {
  const std::uint64_t ticks = (static_cast<std::uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return static_cast<std::int64_t>(ticks / 10000000ULL) - 11644473600LL;
}

}  // namespace

bool ReadFileAttributes(const std::string& path, FileAttributeData* data) {
  WIN32_FILE_ATTRIBUTE_DATA info;
  if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &info)) return false;
  data->attributes = info.dwFileAttributes;
  data->isFolder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  data->creationTime = UnixSeconds(info.ftCreationTime);
  data->lastAccessTime = UnixSeconds(info.ftLastAccessTime);
  data->lastWriteTime = UnixSeconds(info.ftLastWriteTime);
  data->size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  return true;
}

}  // namespace platform
