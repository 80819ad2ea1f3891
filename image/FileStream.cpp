#include "image/FileStream.h"

#include "image/Status.h"

CFileStream::~CFileStream() = default;

void CFileStream::SetName(const std::string& name) {
  if (m_nameSet || name.size() > kMaxNameLength) RaiseError(keErrBadArgument);
  m_name = name;
  m_nameSet = true;
}

void CFileStream::Open(int kind) {
  if (m_name.empty() || m_file.IsOpen()) RaiseError(keErrBadArgument);
  using platform::FileAccess;
  using platform::FileDisposition;
  using platform::FileShare;
  bool opened = false;
  switch (kind) {
    case keOpenRead:
      opened = m_file.Open(m_name, FileAccess::kRead, FileDisposition::kOpenExisting, FileShare::kRead);
      break;
    case keOpenReadWrite:
      opened = m_file.Open(m_name, FileAccess::kReadWrite, FileDisposition::kOpenAlways, FileShare::kNone);
      break;
    case keOpenWrite: {
      // A read-only file is replaced by a new, again read-only file.
      const bool readOnly = platform::IsFileReadOnly(m_name);
      if (readOnly) platform::SetFileReadOnly(m_name, false);
      opened = m_file.Open(m_name, FileAccess::kWrite, FileDisposition::kCreateAlways, FileShare::kNone,
                           readOnly);
      if (readOnly) platform::SetFileReadOnly(m_name, true);
      break;
    }
    default:
      RaiseError(keErrBadArgument);
  }
  if (!opened) RaiseError(kind == keOpenRead ? keErrFileOpenRead : keErrFileOpenWrite);
  m_kind = kind;
}

void CFileStream::Write(const void* bytes, std::size_t count) {
  if (!m_file.IsOpen() || (m_kind != keOpenReadWrite && m_kind != keOpenWrite)) {
    RaiseError(keErrBadArgument);
  }
  if (!m_file.Write(bytes, count)) RaiseError(keErrFileWrite);
}

void CFileStream::Flush() {
  if (!m_file.IsOpen() || (m_kind != keOpenReadWrite && m_kind != keOpenWrite)) {
    RaiseError(keErrBadArgument);
  }
  if (!m_file.Flush()) RaiseError(keErrFileWrite);
}

std::size_t CFileStream::Read(void* bytes, std::size_t count, bool requireAll) {
  if (!m_file.IsOpen() || (m_kind != keOpenRead && m_kind != keOpenReadWrite)) {
    RaiseError(keErrBadArgument);
  }
  std::size_t got = 0;
  if (!m_file.Read(bytes, count, &got)) RaiseError(keErrFileRead);
  if (requireAll && got < count) RaiseError(keErrFileRead);
  return got;
}

void CFileStream::Close() {
  m_file.Close();
  m_kind = 0;
}

void CFileStream::Delete() {
  Close();
  if (m_name.empty()) RaiseError(keErrBadArgument);
  if (!platform::DeleteFileAt(m_name)) RaiseError(keErrFileDelete);
}

std::uint64_t CFileStream::Size() {
  std::uint64_t size = 0;
  if (!m_file.IsOpen()) RaiseError(keErrBadArgument);
  if (!m_file.Size(&size)) RaiseError(keErrFileSeek);
  return size;
}

std::uint64_t CFileStream::Seek(std::int64_t distance, int origin) {
  std::uint64_t position = 0;
  if (!m_file.IsOpen()) RaiseError(keErrBadArgument);
  if (!m_file.Seek(distance, origin, &position)) RaiseError(keErrFileSeek);
  return position;
}
