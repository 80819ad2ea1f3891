#include "platform/File.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace platform {

File::~File() { Close(); }

bool File::Open(const std::string& path, FileAccess access, FileDisposition disposition,
                FileShare /*share*/, bool readOnlyAttribute) {
  if (IsOpen()) return false;
  int flags = O_CLOEXEC;
  switch (access) {
    case FileAccess::kRead: flags |= O_RDONLY; break;
    case FileAccess::kReadWrite: flags |= O_RDWR; break;
    case FileAccess::kWrite: flags |= O_WRONLY; break;
  }
  switch (disposition) {
    case FileDisposition::kOpenExisting: break;
    case FileDisposition::kOpenAlways: flags |= O_CREAT; break;
    case FileDisposition::kCreateAlways: flags |= O_CREAT | O_TRUNC; break;
  }
  const mode_t mode = readOnlyAttribute ? 0444 : 0666;
  int fd;
  do {
    fd = ::open(path.c_str(), flags, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  struct stat st;
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return false;
  }
  m_handle = fd;
  return true;
}

bool File::IsOpen() const { return m_handle >= 0; }

void File::Close() {
  if (m_handle >= 0) ::close(static_cast<int>(m_handle));
  m_handle = -1;
}

bool File::Read(void* bytes, std::size_t count, std::size_t* got) {
  *got = 0;
  if (!IsOpen()) return false;
  auto* p = static_cast<char*>(bytes);
  while (*got < count) {
    ssize_t n = ::read(static_cast<int>(m_handle), p + *got, count - *got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    *got += static_cast<std::size_t>(n);
  }
  return true;
}

bool File::Write(const void* bytes, std::size_t count) {
  if (!IsOpen()) return false;
  auto* p = static_cast<const char*>(bytes);
  std::size_t done = 0;
  while (done < count) {
    ssize_t n = ::write(static_cast<int>(m_handle), p + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

bool File::Flush() { return IsOpen() && ::fsync(static_cast<int>(m_handle)) == 0; }

bool File::Seek(std::int64_t distance, int origin, std::uint64_t* position) {
  if (!IsOpen()) return false;
  int whence = origin == 0 ? SEEK_SET : origin == 1 ? SEEK_CUR : origin == 2 ? SEEK_END : -1;
  if (whence < 0) return false;
  off_t at = ::lseek(static_cast<int>(m_handle), static_cast<off_t>(distance), whence);
  if (at < 0) return false;
  if (position != nullptr) *position = static_cast<std::uint64_t>(at);
  return true;
}

bool File::Size(std::uint64_t* size) {
  struct stat st;
  if (!IsOpen() || ::fstat(static_cast<int>(m_handle), &st) != 0) return false;
  *size = static_cast<std::uint64_t>(st.st_size);
  return true;
}

bool FileExists(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0;
}

bool DeleteFileAt(const std::string& path) { return ::unlink(path.c_str()) == 0; }

bool IsFileReadOnly(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0;
}

bool SetFileReadOnly(const std::string& path, bool readOnly) {
  struct stat st;
  if (::stat(path.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode = readOnly ? (mode & ~0222) : (mode | 0200);
  return ::chmod(path.c_str(), mode) == 0;
}

}  // namespace platform
