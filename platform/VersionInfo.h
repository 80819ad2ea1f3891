#pragma once
// A module's version record: its translation table and its string values,
// queried by path as VerQueryValueA does ("\VarFileInfo\Translation",
// "\StringFileInfo\040904b0\ProductName").

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

class VersionRecord {
 public:
  virtual ~VersionRecord() = default;
  // The (language, code page) pairs of the translation table, in order;
  // false when the record has none.
  virtual bool Translations(std::vector<std::pair<std::uint16_t, std::uint16_t>>* pairs) const = 0;
  // The string at `path`; false when the record has no such value.
  virtual bool Text(const std::string& path, std::string* value) const = 0;
};

// The version record of a module file (Win32: GetFileVersionInfoSizeA,
// GetFileVersionInfoA, VerQueryValueA).  POSIX modules carry no resources:
// there the record compiled into the product stands in for every file.
// Answers none when the file has no record.
class FileVersionRecord : public VersionRecord {
 public:
  explicit FileVersionRecord(const std::string& moduleFile);
  ~FileVersionRecord() override;
  FileVersionRecord(const FileVersionRecord&) = delete;
  FileVersionRecord& operator=(const FileVersionRecord&) = delete;

  bool IsLoaded() const { return !m_data.empty(); }
  bool Translations(std::vector<std::pair<std::uint16_t, std::uint16_t>>* pairs) const override;
  bool Text(const std::string& path, std::string* value) const override;

 private:
  std::vector<std::uint8_t> m_data;
};

}  // namespace platform
