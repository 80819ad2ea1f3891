#include "platform/VersionInfo.h"

#include <windows.h>

namespace platform {

FileVersionRecord::FileVersionRecord(const std::string& moduleFile) {
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSizeA(moduleFile.c_str(), &handle);
  if (size == 0) return;
  m_data.resize(size);
  if (!GetFileVersionInfoA(moduleFile.c_str(), 0, size, m_data.data())) m_data.clear();
}

FileVersionRecord::~FileVersionRecord() = default;

bool FileVersionRecord::Translations(std::vector<std::pair<std::uint16_t, std::uint16_t>>* pairs) const {
  pairs->clear();
  if (m_data.empty()) return false;
  void* value = nullptr;
  UINT length = 0;
  // VerQueryValueA takes a non-const block; it does not change it.
  auto* block = const_cast<std::uint8_t*>(m_data.data());
  if (!VerQueryValueA(block, "\\VarFileInfo\\Translation", &value, &length) || value == nullptr) return false;
  const auto* words = static_cast<const WORD*>(value);
  for (UINT i = 0; i + 4 <= length; i += 4) pairs->emplace_back(words[i / 2], words[i / 2 + 1]);
  return !pairs->empty();
}

bool FileVersionRecord::Text(const std::string& path, std::string* value) const {
  if (m_data.empty()) return false;
  void* text = nullptr;
  UINT length = 0;
  auto* block = const_cast<std::uint8_t*>(m_data.data());
  if (!VerQueryValueA(block, path.c_str(), &text, &length) || text == nullptr) return false;
  *value = static_cast<const char*>(text);
  return true;
}

}  // namespace platform
