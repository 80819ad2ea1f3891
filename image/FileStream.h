#pragma once
// The framework's file stream: a named file opened in one of three ways, read
// and written in whole blocks.  Every failure is thrown at once as a
// CJException: 101 for misuse, 200-208 for what the file system refused.

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/File.h"

enum FileOpenKind : int {
  keOpenRead = 1,       // an existing file, for reading; others may read too
  keOpenReadWrite = 2,  // opened or created, for reading and writing; not shared
  keOpenWrite = 3,      // created or truncated, for writing; not shared
};

class CFileStream {
 public:
  static constexpr std::size_t kMaxNameLength = 512;

  CFileStream() = default;
  explicit CFileStream(const std::string& name) { SetName(name); }
  virtual ~CFileStream();
  CFileStream(const CFileStream&) = delete;
  CFileStream& operator=(const CFileStream&) = delete;

  // The name is set once; a second setting or a longer name raises 101.
  void SetName(const std::string& name);

  virtual void Open(int kind);
  virtual void Write(const void* bytes, std::size_t count);
  virtual void Flush();
  // Answers the bytes read; a short read (end of file included) raises 202
  // when `requireAll` is set.
  virtual std::size_t Read(void* bytes, std::size_t count, bool requireAll);
  virtual void Close();
  // Closes the file first, then deletes it; an empty name raises 101.
  virtual void Delete();
  virtual std::uint64_t Size();
  // origin: 0 start, 1 current position, 2 end.  Answers the new position.
  virtual std::uint64_t Seek(std::int64_t distance, int origin);
  virtual const std::string& Name() const { return m_name; }

  bool IsOpen() const { return m_file.IsOpen(); }
  int Kind() const { return m_kind; }

 private:
  std::string m_name;
  bool m_nameSet = false;
  int m_kind = 0;
  platform::File m_file;
};
