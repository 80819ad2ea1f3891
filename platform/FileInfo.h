#pragma once
// What the file system says about one file: its attributes, its three
// times and its size, as GetFileAttributesExA answers them on Windows and
// stat on POSIX.  The size is 64 bits wide: files of 4 GB and more are
// ordinary today.  Times are seconds since 1970-01-01 00:00 UTC.

#include <cstdint>
#include <string>

namespace platform {

struct FileAttributeData {
  std::uint32_t attributes = 0;  // FILE_ATTRIBUTE_* on Windows, the st_mode bits on POSIX
  bool isFolder = false;
  std::int64_t creationTime = 0;    // POSIX: the status change time
  std::int64_t lastAccessTime = 0;
  std::int64_t lastWriteTime = 0;
  std::uint64_t size = 0;
};

// False when the file cannot be reached; `*data` is then left alone.
bool ReadFileAttributes(const std::string& path, FileAttributeData* data);

}  // namespace platform
