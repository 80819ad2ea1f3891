#include "platform/File.h"

#include <windows.h>

namespace platform {
namespace {

HANDLE H(std::intptr_t h) { return reinterpret_cast<HANDLE>(h); }

}  // namespace

File::~File() { Close(); }

bool File::Open(const std::string& path, FileAccess access, FileDisposition disposition,
                FileShare share, bool readOnlyAttribute) {
  if (IsOpen()) return false;
  DWORD desired = 0;
  switch (access) {
    case FileAccess::kRead: desired = GENERIC_READ; break;
    case FileAccess::kReadWrite: desired = GENERIC_READ | GENERIC_WRITE; break;
    case FileAccess::kWrite: desired = GENERIC_WRITE; break;
  }
  DWORD create = OPEN_EXISTING;
  switch (disposition) {
    case FileDisposition::kOpenExisting: create = OPEN_EXISTING; break;
    case FileDisposition::kOpenAlways: create = OPEN_ALWAYS; break;
    case FileDisposition::kCreateAlways: create = CREATE_ALWAYS; break;
  }
  const DWORD shareMode = share == FileShare::kRead ? FILE_SHARE_READ : 0;
  const DWORD attributes = readOnlyAttribute ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
  HANDLE h = CreateFileA(path.c_str(), desired, shareMode, nullptr, create, attributes, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  m_handle = reinterpret_cast<std::intptr_t>(h);
  return true;
}

bool File::IsOpen() const { return m_handle != -1; }

void File::Close() {
  if (IsOpen()) CloseHandle(H(m_handle));
  m_handle = -1;
}

bool File::Read(void* bytes, std::size_t count, std::size_t* got) {
  *got = 0;
  if (!IsOpen()) return false;
  auto* p = static_cast<char*>(bytes);
  while (*got < count) {
    DWORD chunk = static_cast<DWORD>(count - *got > 0x40000000u ? 0x40000000u : count - *got);
    DWORD n = 0;
    if (!ReadFile(H(m_handle), p + *got, chunk, &n, nullptr)) return false;
    if (n == 0) break;
    *got += n;
  }
  return true;
}

bool File::Write(const void* bytes, std::size_t count) {
  if (!IsOpen()) return false;
  auto* p = static_cast<const char*>(bytes);
  std::size_t done = 0;
  while (done < count) {
    DWORD chunk = static_cast<DWORD>(count - done > 0x40000000u ? 0x40000000u : count - done);
    DWORD n = 0;
    if (!WriteFile(H(m_handle), p + done, chunk, &n, nullptr) || n == 0) return false;
    done += n;
  }
  return true;
}

bool File::Flush() { return IsOpen() && FlushFileBuffers(H(m_handle)) != 0; }

bool File::Seek(std::int64_t distance, int origin, std::uint64_t* position) {
  if (!IsOpen() || origin < 0 || origin > 2) return false;
  const DWORD method = origin == 0 ? FILE_BEGIN : origin == 1 ? FILE_CURRENT : FILE_END;
  LARGE_INTEGER move;
  move.QuadPart = distance;
  LARGE_INTEGER at;
  if (!SetFilePointerEx(H(m_handle), move, &at, method)) return false;
  if (position != nullptr) *position = static_cast<std::uint64_t>(at.QuadPart);
  return true;
}

bool File::Size(std::uint64_t* size) {
  LARGE_INTEGER s;
  if (!IsOpen() || !GetFileSizeEx(H(m_handle), &s)) return false;
  *size = static_cast<std::uint64_t>(s.QuadPart);
  return true;
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool DeleteFileAt(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

bool IsFileReadOnly(const std::string& path) {
  DWORD a = GetFileAttributesA(path.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) != 0;
}

bool SetFileReadOnly(const std::string& path, bool readOnly) {
  DWORD a = GetFileAttributesA(path.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return false;
  a = readOnly ? (a | FILE_ATTRIBUTE_READONLY) : (a & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
  if (a == 0) a = FILE_ATTRIBUTE_NORMAL;
  return SetFileAttributesA(path.c_str(), a) != 0;
}

}  // namespace platform
