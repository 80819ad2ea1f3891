#include "platform/MappedFile.h"

#include <windows.h>

#include <vector>

namespace platform {
namespace {

HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace

std::string TempFolder() {
  std::vector<char> buffer(1024 + 1);
  const DWORD n = GetTempPathA(1024, buffer.data());
  if (n == 0 || n > 1024) return std::string();
  std::string folder(buffer.data(), n);
  if (!folder.empty() && folder.back() != '\\' && folder.back() != '/') folder += '\\';
  return folder;
}

bool CreateUniqueTempFile(const char* prefix, std::string* path) {
  const std::string folder = TempFolder();
  if (folder.empty()) return false;
  char name[MAX_PATH + 1] = {};
  // Unique number chosen by the system; the file is created empty.
  if (GetTempFileNameA(folder.c_str(), prefix, 0, name) == 0) return false;
  *path = name;
  return true;
}

MappedFile::~MappedFile() { (void)Close(); }

bool MappedFile::Open(const std::string& path) {
  if (IsOpen()) return false;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  m_file = reinterpret_cast<std::intptr_t>(h);
  return true;
}

bool MappedFile::IsOpen() const { return m_file != -1; }

bool MappedFile::Close() {
  bool ok = CloseMapping();
  if (IsOpen()) {
    ok = CloseHandle(H(m_file)) != 0 && ok;
    m_file = -1;
  }
  return ok;
}

bool MappedFile::CreateMapping(std::uint64_t size) {
  CloseMapping();
  if (!IsOpen() || size == 0) return false;
  HANDLE mapping = CreateFileMappingA(H(m_file), nullptr, PAGE_READWRITE,
                                      static_cast<DWORD>(size >> 32),
                                      static_cast<DWORD>(size & 0xFFFFFFFFu), nullptr);
  if (mapping == nullptr) return false;
  m_mapping = reinterpret_cast<std::intptr_t>(mapping);
  m_mappingSize = size;
  return true;
}

bool MappedFile::HasMapping() const { return m_mapping != 0; }

bool MappedFile::CloseMapping() {
  if (!HasMapping()) return true;
  const bool ok = CloseHandle(H(m_mapping)) != 0;
  m_mapping = 0;
  m_mappingSize = 0;
  return ok;
}

void* MappedFile::MapView(std::uint64_t offset, std::size_t size) {
  if (!HasMapping() || size == 0 || offset % kMappingGranularity != 0 ||
      offset + size > m_mappingSize) {
    return nullptr;
  }
  return MapViewOfFile(H(m_mapping), FILE_MAP_WRITE, static_cast<DWORD>(offset >> 32),
                       static_cast<DWORD>(offset & 0xFFFFFFFFu), size);
}

bool MappedFile::UnmapView(void* view, std::size_t /*size*/) {
  return view != nullptr && UnmapViewOfFile(view) != 0;
}

}  // namespace platform
