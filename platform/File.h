#pragma once
// A plain file handle: open, read, write, seek, size, delete.
//
// Win32 uses CreateFileA with the sharing the caller asks for; POSIX has no
// sharing modes, so the sharing request is accepted and not enforced there.
// No operation throws: each answers success, and the caller turns a failure
// into its own error code.

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

enum class FileAccess { kRead, kReadWrite, kWrite };
enum class FileDisposition {
  kOpenExisting,   // fail when missing
  kOpenAlways,     // open, or create when missing
  kCreateAlways,   // create, or truncate when present
};
enum class FileShare { kNone, kRead };

class File {
 public:
  File() = default;
  ~File();
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  bool Open(const std::string& path, FileAccess access, FileDisposition disposition,
            FileShare share, bool readOnlyAttribute = false);
  bool IsOpen() const;
  void Close();

  // Reads up to `count` bytes; `*got` is what was read (0 at end of file).
  bool Read(void* bytes, std::size_t count, std::size_t* got);
  bool Write(const void* bytes, std::size_t count);
  bool Flush();
  // origin: 0 start, 1 current position, 2 end.  Answers the new position.
  bool Seek(std::int64_t distance, int origin, std::uint64_t* position);
  bool Size(std::uint64_t* size);

 private:
  std::intptr_t m_handle = -1;
};

bool FileExists(const std::string& path);
bool DeleteFileAt(const std::string& path);
// The read-only attribute (Win32) or the absence of every write bit (POSIX).
bool IsFileReadOnly(const std::string& path);
bool SetFileReadOnly(const std::string& path, bool readOnly);

}  // namespace platform
