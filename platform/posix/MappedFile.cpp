#include "platform/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace platform {

std::string TempFolder() {
  const char* dir = std::getenv("TMPDIR");
  std::string folder = (dir != nullptr && *dir != '\0') ? dir : "/tmp";
  if (folder.back() != '/') folder += '/';
  return folder;
}

bool CreateUniqueTempFile(const char* prefix, std::string* path) {
  std::string name = TempFolder() + (prefix != nullptr ? prefix : "") + "XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  const int fd = ::mkstemp(buffer.data());
  if (fd < 0) return false;
  ::close(fd);
  *path = buffer.data();
  return true;
}

MappedFile::~MappedFile() { (void)Close(); }

bool MappedFile::Open(const std::string& path) {
  if (IsOpen()) return false;
  int fd;
  do {
    fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return false;
  m_file = fd;
  return true;
}

bool MappedFile::IsOpen() const { return m_file != -1; }

bool MappedFile::Close() {
  bool ok = CloseMapping();
  if (IsOpen()) {
    ok = ::close(static_cast<int>(m_file)) == 0 && ok;
    m_file = -1;
  }
  return ok;
}

bool MappedFile::CreateMapping(std::uint64_t size) {
  CloseMapping();
  if (!IsOpen() || size == 0) return false;
  struct stat info {};
  if (::fstat(static_cast<int>(m_file), &info) != 0) return false;
  if (static_cast<std::uint64_t>(info.st_size) < size &&
      ::ftruncate(static_cast<int>(m_file), static_cast<off_t>(size)) != 0) {
    return false;
  }
  m_mapping = 1;
  m_mappingSize = size;
  return true;
}

bool MappedFile::HasMapping() const { return m_mapping != 0; }

bool MappedFile::CloseMapping() {
  m_mapping = 0;
  m_mappingSize = 0;
  return true;
}

void* MappedFile::MapView(std::uint64_t offset, std::size_t size) {
  if (!HasMapping() || size == 0 || offset % kMappingGranularity != 0 ||
      offset + size > m_mappingSize) {
    return nullptr;
  }
  void* view = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, static_cast<int>(m_file),
                      static_cast<off_t>(offset));
  return view == MAP_FAILED ? nullptr : view;
}

bool MappedFile::UnmapView(void* view, std::size_t size) {
  return view != nullptr && ::munmap(view, size) == 0;
}

}  // namespace platform
